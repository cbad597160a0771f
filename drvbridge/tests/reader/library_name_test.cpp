// Which library names the bridge loads as bare names, as full paths, or
// refuses as relative paths; double-byte names judged by whole characters.
#include <gtest/gtest.h>

#include "library_name.h"

namespace {
using K = LibraryNameKind;

struct NameCase {
    const char* name;
    uint32_t codePage;
    K kind;
};

TEST(LibraryName, Kinds) {
    const NameCase cases[] = {
        {"zeltexc.dll", 1252, K::kBare},
        {"zeltexc", 1252, K::kBare},
        {"", 1252, K::kEmpty},
        {"C:\\drivers\\zeltexc.dll", 1252, K::kFullPath},
        {"c:/drivers/zeltexc.dll", 1252, K::kFullPath},
        {"\\\\server\\share\\zeltexc.dll", 1252, K::kFullPath},
        {"\\\\?\\C:\\zeltexc.dll", 1252, K::kFullPath},
        {".\\zeltexc.dll", 1252, K::kRelative},
        {"..\\zeltexc.dll", 1252, K::kRelative},
        {"sub\\zeltexc.dll", 1252, K::kRelative},
        {"sub/zeltexc.dll", 1252, K::kRelative},
        {"\\zeltexc.dll", 1252, K::kRelative}, // the current drive's root
        {"C:zeltexc.dll", 1252, K::kRelative}, // drive C:'s current directory
        {"1:\\zeltexc.dll", 1252, K::kRelative},
        // 0x95 0x5C is one character in 932: no separator in the name.
        {"\x95\x5C"
         "exc.dll",
         932, K::kBare},
        // The same bytes in 1252 are a character and a backslash.
        {"\x95\x5C"
         "exc.dll",
         1252, K::kRelative},
        {"C:\\\x95\x5C\\exc.dll", 932, K::kFullPath},
        {"\x95\x5C\\exc.dll", 932, K::kRelative},
        // A lead byte at the very end does not swallow the terminator.
        {"exc\x95", 932, K::kBare},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(ClassifyLibraryName(c.name, c.codePage), c.kind);
    }
}
} // namespace
