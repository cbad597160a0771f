#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "alloc_hooks.h"
#include "block.h"
#include "entry_reader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {
using namespace std::string_literals;
// A name of this process's own: the code-page rerun of this program may run
// at the same time in the same folder.
std::string Scratch(const char* what) {
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const auto pid = static_cast<unsigned long>(getpid());
#endif
    return "cursor_" + std::to_string(pid) + "_" + what + ".txt";
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return name;
}

TEST(Blocks, EdgeCounts) {
    const int32_t before = AllocHookOutstanding();
    void* a = AllocBlock(0);
    void* b = AllocBlock(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    FreeBlock(a);
    FreeBlock(b);
    FreeBlock(nullptr);
    for (uint32_t n : {0xFFFFFFFCu, 0xFFFFFFFDu, 0xFFFFFFFFu})
        EXPECT_EQ(AllocBlock(n), nullptr);
    EXPECT_EQ(AllocHookOutstanding(), before);
    auto* z = static_cast<uint8_t*>(AllocBlock(64));
    ASSERT_NE(z, nullptr);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(z[i], 0);
    FreeBlock(z);
}

bool HoldsPattern(const uint8_t* block, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        if (block[i] != static_cast<uint8_t>(i * 7 + 1)) return false;
    }
    return true;
}
void WritePattern(uint8_t* block, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i)
        block[i] = static_cast<uint8_t>(i * 7 + 1);
}

TEST(Blocks, Resize) {
    const int32_t before = AllocHookOutstanding();
    uint32_t size = 16;
    auto* block = static_cast<uint8_t*>(AllocBlock(size));
    ASSERT_NE(block, nullptr);
    WritePattern(block, size);
    // Growing past the sizes a heap hands out from its own pages, then shrinking.
    for (uint32_t n : {4096u, (2u << 20) + 1, (8u << 20) + 1, 8u, 0u, 100u}) {
        SCOPED_TRACE("to " + std::to_string(n));
        auto* resized = static_cast<uint8_t*>(ResizeBlock(block, n));
        ASSERT_NE(resized, nullptr);
        EXPECT_TRUE(HoldsPattern(resized, n < size ? n : size));
        block = resized;
        size = n;
        WritePattern(block, size);
        EXPECT_EQ(AllocHookOutstanding(), before + 1);
    }
    // A refused resize leaves the block as it was.
    for (uint32_t n : {0xFFFFFFFCu, 0xFFFFFFFDu, 0xFFFFFFFFu})
        EXPECT_EQ(ResizeBlock(block, n), nullptr);
    AllocHookFailAt(1);
    EXPECT_EQ(ResizeBlock(block, 1u << 20), nullptr);
    EXPECT_EQ(AllocHookCalls(), 1u);
    AllocHookFailAt(0);
    EXPECT_TRUE(HoldsPattern(block, size));
    EXPECT_EQ(AllocHookOutstanding(), before + 1);
    FreeBlock(block);
    EXPECT_EQ(AllocHookOutstanding(), before);
}

TEST(Cursor, Files) {
#ifdef _WIN32
    DWORD handlesBefore = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
#endif
    const std::string empty = Scratch("empty"), missing = Scratch("missing"),
                      data = Scratch("data");
    EXPECT_EQ(OpenReadCursor(WriteFile(empty, "").c_str()), nullptr);
    EXPECT_EQ(OpenReadCursor(missing.c_str()), nullptr);
    const std::string bytes = "*A: 1\n\0\xff"s;
    ReadCursor* cursor = OpenReadCursor(WriteFile(data, bytes).c_str());
    ASSERT_NE(cursor, nullptr);
    std::string seen;
    uint8_t b = 0;
    while (NextChar(cursor, &b) == READ_OK)
        seen.push_back(static_cast<char>(b));
    EXPECT_EQ(seen, bytes);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(NextChar(cursor, &b), READ_END);
    EXPECT_EQ(b, 0xFF);
    CloseReadCursor(cursor);
#ifdef _WIN32
    HANDLE writer = CreateFileA(data.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenReadCursor(data.c_str()), nullptr);
    CloseHandle(writer);
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(handlesAfter, handlesBefore);
#endif
    EXPECT_EQ(AllocHookOutstanding(), 0);
    std::remove(empty.c_str());
    std::remove(data.c_str());
}
} // namespace
