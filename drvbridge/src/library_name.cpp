#include "library_name.h"

#include "codepage.h"

namespace {
constexpr bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

constexpr bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// True when a separator or ':' occurs as a character of its own.
bool HasFolderPart(const char* name, uint32_t codePage) {
    for (const char* p = name; *p != '\0'; ++p) {
        if (IsLeadByteIn(codePage, static_cast<uint8_t>(*p))) {
            if (p[1] == '\0') break; // a lone lead byte at the end is no pair
            ++p;                     // skip the trail byte, whatever it is
            continue;
        }
        if (IsSeparator(*p) || *p == ':') return true;
    }
    return false;
}
} // namespace

LibraryNameKind ClassifyLibraryName(const char* name, uint32_t codePage) {
    if (name[0] == '\0') return LibraryNameKind::kEmpty;
    if (!HasFolderPart(name, codePage)) return LibraryNameKind::kBare;
    // A drive letter and a root, or two leading separators (UNC and \\?\):
    // the same file whatever the current directory. ASCII letters and
    // separators are never lead bytes, so these bytes are whole characters.
    if (IsAsciiLetter(name[0]) && name[1] == ':' && IsSeparator(name[2]))
        return LibraryNameKind::kFullPath;
    if (IsSeparator(name[0]) && IsSeparator(name[1])) return LibraryNameKind::kFullPath;
    return LibraryNameKind::kRelative;
}
