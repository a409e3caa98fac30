#include "util/http_date.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(ParseDateTime, LayoutTable) {
    struct Case {
        std::string text;
        bool parsed;
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;  // as in struct tm
    };
    const std::string longWeekday(300, 'S');
    const Case cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", true, 94, 10, 6, 8, 49, 37},
        {"Sunday, 06-Nov-94 08:49:37 GMT", true, 94, 10, 6, 8, 49, 37},
        {"Sun Nov  6 08:49:37 1994", true, 94, 10, 6, 8, 49, 37},
        {"Mon, 31 Dec 2029 23:59:59 GMT", true, 129, 11, 31, 23, 59, 59},
        {"Monday, 31-dec-99 23:59:59 GMT", true, 99, 11, 31, 23, 59, 59},
        {"Sunday, 06-Nov-2024 08:49:37 GMT", true, 2024, 10, 6, 8, 49, 37},  // stored as written
        {"sun jan  1 00:00:00 2000", true, 100, 0, 1, 0, 0, 0},
        {longWeekday + ", 06 Nov 1994 08:49:37 " + longWeekday, true, 94, 10, 6, 8, 49, 37},
        {"Sun, 06 Xyz 1994 08:49:37 GMT", false},       // unknown month
        {"Sun, 06 November 1994 08:49:37 GMT", false},  // names are three letters
        {"Sun Foo  6 08:49:37 1994", false},
        {"Sun, 06 Nov 1994 08:49:37", false},  // the zone word is required
        {"Sunday, 06-Nov-94 08:49:37", false},
        {"Sun Nov  6 08:49:37", false},
        {"Sun, 06 Nov 1994", false},
        {"today", false},
        {"", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        struct tm *result = ParseDateTime(c.text.c_str());
        ASSERT_EQ(c.parsed, result != nullptr);
        if (result == nullptr) {
            continue;
        }
        EXPECT_EQ(c.year, result->tm_year);
        EXPECT_EQ(c.month, result->tm_mon);
        EXPECT_EQ(c.day, result->tm_mday);
        EXPECT_EQ(c.hour, result->tm_hour);
        EXPECT_EQ(c.minute, result->tm_min);
        EXPECT_EQ(c.second, result->tm_sec);
        EXPECT_EQ(0, result->tm_wday);
        EXPECT_EQ(0, result->tm_yday);
        EXPECT_EQ(0, result->tm_isdst);
        free(result);
    }
    EXPECT_EQ(nullptr, ParseDateTime(nullptr));
}

TEST(ParseMonth, NamesTable) {
    struct Case {
        const char *text;
        int month;
    };
    const Case cases[] = {
        {"Jan", 0},      {"jan", 0}, {"JAN", 0}, {"Feb", 1},   {"mAy", 4},    {"Dec", 11},
        {"January", -1}, {"Ja", -1}, {"", -1},   {"Jan ", -1}, {nullptr, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text != nullptr ? c.text : "(null)");
        EXPECT_EQ(c.month, ParseMonth(c.text));
    }
}

TEST(CompareTime, AtOrAfterTable) {
    auto make = [](int year, int month, int day, int hour, int minute, int second) {
        struct tm t = {};
        t.tm_year = year;
        t.tm_mon = month;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        return t;
    };
    struct Case {
        struct tm a;
        struct tm b;
        int result;
    };
    const Case cases[] = {
        {make(94, 10, 6, 8, 49, 37), make(94, 10, 6, 8, 49, 37), 1},  // equal: at
        {make(94, 10, 6, 8, 49, 38), make(94, 10, 6, 8, 49, 37), 1},
        {make(94, 10, 6, 8, 49, 36), make(94, 10, 6, 8, 49, 37), 0},
        {make(93, 11, 31, 23, 59, 59), make(94, 0, 1, 0, 0, 0), 0},  // the year decides first
        {make(94, 0, 1, 0, 0, 0), make(93, 11, 31, 23, 59, 59), 1},
        {make(94, 10, 7, 0, 0, 0), make(94, 10, 6, 23, 0, 0), 1},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].result, CompareTime(&cases[i].a, &cases[i].b));
    }
    struct tm t = make(94, 10, 6, 8, 49, 37);
    EXPECT_EQ(0, CompareTime(nullptr, &t));
    EXPECT_EQ(0, CompareTime(&t, nullptr));
}

}  // namespace
