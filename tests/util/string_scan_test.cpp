#include "util/string_scan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Show(const char *text) {
    return text != nullptr ? "'" + std::string(text) + "'" : "(null)";
}

// The pattern scan's results at the edges: no backing up after a partial
// match, occurrences that do not overlap, a completion at the very end.
TEST(PatternScan, CountAndIndexTable) {
    struct Case {
        const char *text;
        const char *pattern;
        int count;
        int index;
    };
    const Case cases[] = {
        {"aab", "ab", 0, 0},  // the second a is consumed by the mismatch
        {"xaab", "ab", 0, 0},    {"xab", "ab", 1, 1},
        {"abcabd", "abd", 1, 3},  // resets at c, matches again from the second a
        {"a:b:c", ":", 2, 1},    {"aaaa", "aa", 2, 0},  // no overlap
        {"aaa", "aa", 1, 0},     {"abab", "ab", 2, 0},  // the byte after a completion starts afresh
        {"aXbab", "ab", 1, 3},   {"abc", "zz", 0, 0},   // not found: indistinguishable from index 0
        {"abc", "ab", 1, 0},     {"abc", "bc", 1, 1},   // completed by the last byte
        {"ab", "abc", 0, 0},     {"", "a", 0, 0},
        {"abc", "", 0, 0},  // an empty pattern never occurs
        {nullptr, "a", -1, -1},  {"a", nullptr, -1, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Show(c.text) + " / " + Show(c.pattern));
        EXPECT_EQ(c.count, CountOccurrences(c.text, c.pattern));
        EXPECT_EQ(c.index, GetSubStringIndex(c.text, c.pattern));
    }
}

TEST(PatternScan, TextBeforeAndAfterTable) {
    struct Case {
        const char *text;
        const char *pattern;
        const char *before;
        const char *after;
    };
    const Case cases[] = {
        {"key=value", "=", "key", "value"},
        {"a::b", "::", "a", "b"},
        {"=x", "=", "", "x"},
        {"x=", "=", "x", ""},
        {"abc", "zz", "", "c"},  // not found: the text less strlen(pattern) bytes
        {"ab", "abc", "", ""},   // a pattern longer than the text
        {"aab", "ab", "", "b"},
        {nullptr, "=", nullptr, nullptr},
        {"a=b", nullptr, nullptr, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Show(c.text) + " / " + Show(c.pattern));
        char *before = GetTextBefore(c.text, c.pattern);
        char *after = GetTextAfter(c.text, c.pattern);
        EXPECT_EQ(Show(c.before), Show(before));
        EXPECT_EQ(Show(c.after), Show(after));
        free(before);
        free(after);
    }
}

TEST(SplitString, PartsTable) {
    struct Case {
        const char *text;
        const char *separator;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"a:b:c", ":", {"a", "b", "c"}},    {"a::b", ":", {"a", "", "b"}},
        {":a:", ":", {"", "a", ""}},        {":", ":", {"", ""}},
        {"a--b--c", "--", {"a", "b", "c"}}, {"a-b--c", "--", {"a-b", "c"}},
        {"k=v&x=y", "&", {"k=v", "x=y"}},   {"xabyab", "ab", {"x", "y", ""}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Show(c.text) + " / " + Show(c.separator));
        char **array = SplitString(c.text, c.separator);
        ASSERT_NE(nullptr, array);
        std::vector<std::string> parts;
        for (char **entry = array; *entry != nullptr; ++entry) {
            EXPECT_NE(c.text, *entry) << "every part is a copy once the separator occurs";
            parts.emplace_back(*entry);
        }
        EXPECT_EQ(c.parts, parts);
        FreeStringArray(array, static_cast<int>(parts.size()));
    }
}

TEST(SplitString, WithoutOccurrenceTheOnlyEntryIsTheCallersText) {
    const char text[] = "aab";
    for (const char *separator : {":", "ab", "", static_cast<const char *>(nullptr)}) {
        SCOPED_TRACE(Show(separator));
        char **array = SplitString(text, separator);
        ASSERT_NE(nullptr, array);
        EXPECT_EQ(text, array[0]);
        EXPECT_EQ(nullptr, array[1]);
        free(array);  // the entry is not ours to free
    }
    EXPECT_EQ(nullptr, SplitString(nullptr, ":"));
}

TEST(SubString, ExactSearchTable) {
    struct Case {
        const char *text;
        const char *pattern;
        int offset;  // -1: not found
    };
    const Case cases[] = {
        {"abcabd", "abd", 3},  // a partial match at 0 does not hide it
        {"aab", "ab", 1},      // unlike the pattern scan
        {"abc", "abc", 0},    {"ab", "abc", -1},  {"abc", "x", -1},
        {nullptr, "a", -1},   {"a", nullptr, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Show(c.text) + " / " + Show(c.pattern));
        char *at = SubString(c.text, c.pattern);
        EXPECT_EQ(c.offset, at == nullptr ? -1 : static_cast<int>(at - c.text));
        EXPECT_EQ(c.offset >= 0, FindSubString(c.text, c.pattern) == 1);
    }
}

TEST(GetIndex, FirstByteAmongCount) {
    EXPECT_EQ(2, GetIndex("abc", 3, 'c'));
    EXPECT_EQ(-1, GetIndex("abc", 3, 'x'));
    EXPECT_EQ(-1, GetIndex("abc", 2, 'c'));
    EXPECT_EQ(1, GetIndex("a\0c", 3, '\0'));
    EXPECT_EQ(-1, GetIndex("abc", 0, 'a'));
    EXPECT_EQ(-1, GetIndex(nullptr, 3, 'a'));
}

TEST(IsStringMatched, CommaSeparatedPiecesTable) {
    struct Case {
        const char *list;
        const char *candidate;
        int matched;
    };
    const Case cases[] = {
        {"red,green,blue", "green", 1},
        {"red,green,blue", "gree", 0},
        {"red,green,blue", "blue", 1},
        {"red,green,blue", "red,", 0},
        {"red", "red", 1},
        {"redx", "red", 0},
        {"red,,blue", "", 1},
        {"red,blue", "", 0},
        {"", "", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Show(c.list) + " / " + Show(c.candidate));
        EXPECT_EQ(c.matched, IsStringMatched(c.list, static_cast<int>(strlen(c.list)), c.candidate,
                                             static_cast<int>(strlen(c.candidate))));
    }
    // Only the given length of the list counts.
    EXPECT_EQ(0, IsStringMatched("red,green", 3, "green", 5));
}

TEST(FreeStringArray, CountIsSixteenBitSigned) {
    auto make = [] {
        auto **array = static_cast<char **>(calloc(3, sizeof(char *)));
        array[0] = strdup("a");
        array[1] = strdup("b");
        return array;
    };
    FreeStringArray(make(), 65536 + 2);  // cut to 2: both entries freed, nothing beyond
    char **array = make();
    free(array[0]);
    free(array[1]);
    FreeStringArray(array, 65535);  // -1: no entry is freed, only the array
    FreeStringArray(nullptr, 3);
}

}  // namespace
