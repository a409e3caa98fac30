#include "util/string_util.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

TEST(StringCopy, CopiesIntoFreshMemory) {
    const char source[] = "text";
    char *copy = nullptr;
    ASSERT_EQ(1, AllocateAndSetString(&copy, source));
    EXPECT_STREQ("text", copy);
    EXPECT_NE(source, copy);
    free(copy);

    // n bytes are copied whatever they hold, and a NUL is added.
    char *bytes = nullptr;
    ASSERT_EQ(1, AllocateAndSetNString(&bytes, "a\0b\0c", 4));
    EXPECT_EQ(0, memcmp("a\0b\0", bytes, 5));
    free(bytes);

    char *empty = nullptr;
    ASSERT_EQ(1, AllocateAndSetNString(&empty, "ignored", 0));
    EXPECT_STREQ("", empty);
    free(empty);

    // The old text is freed first (LeakSanitizer checks that).
    char *text = strdup("old");
    ASSERT_EQ(1, ReallocateAndSetString(&text, "newer", 3));
    EXPECT_STREQ("new", text);
    free(text);
}

TEST(StringCopy, AbsentArgumentsAreRefused) {
    TempDir dir;
    std::string log = OpenTestLog(dir, 2);
    char *copy = reinterpret_cast<char *>(1);
    EXPECT_EQ(0, AllocateAndSetString(&copy, nullptr));
    EXPECT_EQ(nullptr, copy);
    EXPECT_EQ(0, AllocateAndSetString(nullptr, "x"));
    copy = reinterpret_cast<char *>(1);
    EXPECT_EQ(0, AllocateAndSetNString(&copy, nullptr, 3));
    EXPECT_EQ(nullptr, copy);
    EXPECT_EQ(0, AllocateAndSetNString(&copy, "abc", -1));
    ResetLog();
    EXPECT_NE(std::string::npos, ReadFile(log).find("AllocateAndSetString : source text is NULL"));
}

TEST(StringCompare, TableOfCases) {
    struct Case {
        const char *a;
        const char *b;
        int plain;
        int ignoringCase;
    };
    const Case cases[] = {
        {nullptr, nullptr, 0, 0},
        {nullptr, "", -1, -1},
        {"", nullptr, 1, 1},
        {"abc", "abd", -1, -1},
        {"b", "a", 1, 1},
        {"abc", "abc", 0, 0},
        {"ab", "abc", -'c', -'c'},
        {"Table", "TABLE", 'a' - 'A', 0},
        {"[", "{", '[' - '{', '[' - '{'},  // not letters: never folded
        {"\xC9", "\xE9", -32, -32},        // beyond ASCII: never folded
        // Bytes are signed and the difference is cut to 8 bits.
        {"\x7F", "\x80", -1, -1},  // 127 - (-128) = 255
        {"\x80", "a", 31, 31},     // -128 - 97 = -225
        {"\xFF", "\x01", -2, -2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.a ? c.a : "(null)") + " vs " + (c.b ? c.b : "(null)"));
        EXPECT_EQ(c.plain, CompareStrings(c.a, c.b));
        EXPECT_EQ(c.ignoringCase, CompareStringsIgnoreCase(c.a, c.b));
    }
}

TEST(StringConvert, ConvertStringToIntTable) {
    struct Case {
        const char *text;
        int value;
    };
    const Case cases[] = {
        {"-42", -42},
        {"+7", 7},
        {"0", 0},
        {"", 0},
        {"-", 0},
        {"+", 0},
        {"4x", -1},
        {" 1", -1},
        {"1 ", -1},
        {"--1", -1},
        {"-1", -1},
        {"1.5", -1},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MIN},  // wraps in 32 bits
        {"4294967297", 1},
        {nullptr, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        EXPECT_EQ(c.value, ConvertStringToInt(c.text));
    }
}

TEST(StringConvert, ConvertToIntegerTable) {
    struct Case {
        const char *bytes;
        int length;
        int value;
    };
    const Case cases[] = {
        {"\x01\x02", 2, 258},
        {"\xFF", 1, -1},
        {"\xFF\x00", 2, -256},  // the first byte's sign extends
        {"\x7F\xFF\xFF\xFF", 4, INT_MAX},
        {"\x80\x00\x00\x00", 4, INT_MIN},
        {"\x00\xFF", 2, 255},  // only the first byte is signed
        {"", 0, 0},
        {"\x01\x02\x03\x04\x05", 5, -1},
        {"\x01", -1, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.length);
        EXPECT_EQ(c.value,
                  ConvertToInteger(reinterpret_cast<const unsigned char *>(c.bytes), c.length));
    }
}

TEST(StringMisc, LengthReverseAndCopyBytes) {
    EXPECT_EQ(0, GetStringLength(nullptr));
    EXPECT_EQ(3, GetStringLength("abc"));

    char text[] = "abcdef";
    EXPECT_EQ(text, ReverseString(text, 3));
    EXPECT_STREQ("cbadef", text);
    ReverseString(text, 6);
    EXPECT_STREQ("fedabc", text);

    char target[4] = "xyz";
    EXPECT_EQ(target, CopyBytes(target, "ab", 2));
    EXPECT_STREQ("abz", target);
}

}  // namespace
