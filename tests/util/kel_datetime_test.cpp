#include "util/kel_datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

struct Deleter {
    void operator()(KelDateTime *value) const { FreeKelDateTime(value); }
};
using DateTime = std::unique_ptr<KelDateTime, Deleter>;

std::string Text(const KelDateTime *value) {
    char *text = KelDateTimeToString(value);
    std::string result = text != nullptr ? text : "(null)";
    free(text);
    return result;
}

TEST(KelDateTime, ConvertStringTable) {
    struct Case {
        const char *text;
        const char *full;     // ConvertStringToKelDateTime, as text
        const char *general;  // ConvertStringToKelGenDateTime, as text
    };
    const Case cases[] = {
        {"2024-02-29 13:05:09", "2024-02-29 13:05:09", "2024-02-29 13:05:09"},
        {"2024-02-29", "2024-02-29 00:00:00", "2024-02-29"},
        {"13:05", "0000-00-00 13:05:00", "13:05:00"},
        {"13:05:09", "0000-00-00 13:05:09", "13:05:09"},
        {"7-3-1", "0007-03-01 00:00:00", "0007-03-01"},
        {"2024-02-29 13:05", "2024-02-29 13:05:00", "2024-02-29 13:05:00"},  // not reached: 0
        {"2024-02-29 13", "2024-02-29 00:00:00", "2024-02-29"},              // no ":": a date only
        {"70000-1-1", "4464-01-01 00:00:00", "4464-01-01"},                  // 16-bit year cut
        {"2024-1-300", "2024-01-44 00:00:00", "2024-01-44"},                 // 300 cut to 8 bits
        {"today", "(null)", "(null)"},
        {"", "(null)", "(null)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        DateTime full(ConvertStringToKelDateTime(c.text));
        DateTime general(ConvertStringToKelGenDateTime(c.text));
        EXPECT_EQ(c.full, Text(full.get()));
        EXPECT_EQ(c.general, Text(general.get()));
        if (full) {
            EXPECT_NE(nullptr, full->date);
            EXPECT_NE(nullptr, full->time);
        }
    }
}

TEST(KelDateTime, FieldsAndTextForms) {
    DateTime value(ConvertStringToKelDateTime("2024-02-29 13:05:09"));
    ASSERT_TRUE(value);
    EXPECT_EQ(2024, value->date->year);
    EXPECT_EQ(2, value->date->month);
    EXPECT_EQ(29, value->date->day);
    EXPECT_EQ(13, value->time->hour);
    EXPECT_EQ(5, value->time->minute);
    EXPECT_EQ(9, value->time->second);

    char *date = KelDateToString(value->date);
    char *time = KelTimeToString(value->time);
    EXPECT_STREQ("2024-02-29", date);
    EXPECT_STREQ("13:05:09", time);
    free(date);
    free(time);

    KelDate *cut = CreateKelDate(70000, 257, 1);
    EXPECT_EQ(4464, cut->year);
    EXPECT_EQ(1, cut->month);
    free(cut);

    KelDateTime empty = {nullptr, nullptr, 0, 0, 0};
    EXPECT_EQ(nullptr, KelDateTimeToString(&empty));
    EXPECT_EQ(nullptr, KelDateTimeToString(nullptr));
    EXPECT_EQ(nullptr, KelDateToString(nullptr));
    EXPECT_EQ(nullptr, KelTimeToString(nullptr));
}

TEST(KelDateTime, ConversionMessages) {
    TempDir dir;
    std::string log = OpenTestLog(dir, 4);
    EXPECT_EQ(nullptr, ConvertStringToKelDateTime(nullptr));
    EXPECT_EQ(nullptr, ConvertStringToKelGenDateTime("today"));
    ResetLog();
    std::string content = ReadFile(log);
    EXPECT_NE(std::string::npos, content.find("[TRACE] Inside ConvertStringToKelDateTime \n"));
    EXPECT_NE(std::string::npos, content.find("[ERROR] datetimeStr NULL \n"));
    EXPECT_NE(std::string::npos, content.find("[TRACE] Inside ConvertStringToKelGenDateTime \n"));
    EXPECT_NE(std::string::npos, content.find("[ERROR] The String is not a datetimeStr \n"));
}

// Shifts with every unit, across month, year and leap-day ends, both ways.
TEST(KelDateTime, ShiftTable) {
    struct Case {
        const char *start;
        uint32_t amount;
        int unit;
        bool add;
        const char *expected;
    };
    const Case cases[] = {
        {"2024-01-31 23:59:59", 1, KEL_UNIT_SECONDS, true, "2024-02-01 00:00:00"},
        {"2023-12-31 23:59:59", 1, KEL_UNIT_SECONDS, true, "2024-01-01 00:00:00"},
        {"2024-03-01 00:00:00", 1, KEL_UNIT_SECONDS, false, "2024-02-29 23:59:59"},
        {"2024-01-01 00:00:00", 2500000000u, KEL_UNIT_NANOSECONDS, true, "2024-01-01 00:00:02"},
        {"2024-01-01 00:00:00", 1999999, KEL_UNIT_MICROSECONDS, true, "2024-01-01 00:00:01"},
        {"2024-01-01 00:00:00", 999, KEL_UNIT_MILLISECONDS, true, "2024-01-01 00:00:00"},
        {"2024-01-01 00:00:00", 1000, KEL_UNIT_MILLISECONDS, false, "2023-12-31 23:59:59"},
        {"2024-12-31 23:30:00", 45, KEL_UNIT_MINUTES, true, "2025-01-01 00:15:00"},
        {"2024-02-28 23:00:00", 2, KEL_UNIT_HOURS, true, "2024-02-29 01:00:00"},
        {"2023-02-28 23:00:00", 2, KEL_UNIT_HOURS, true, "2023-03-01 01:00:00"},
        {"2023-02-28 12:00:00", 1, KEL_UNIT_DAYS, true, "2023-03-01 12:00:00"},
        {"2024-01-01 12:00:00", 1, KEL_UNIT_DAYS, false, "2023-12-31 12:00:00"},
        {"2024-12-28 08:00:00", 1, KEL_UNIT_WEEKS, true, "2025-01-04 08:00:00"},
        {"2025-01-04 08:00:00", 1, KEL_UNIT_WEEKS, false, "2024-12-28 08:00:00"},
        {"2024-11-15 00:00:00", 3, KEL_UNIT_MONTHS, true, "2025-02-15 00:00:00"},
        {"2024-01-31 10:00:00", 1, KEL_UNIT_MONTHS, true, "2024-03-02 10:00:00"},  // "Feb 31"
        {"2023-01-31 10:00:00", 1, KEL_UNIT_MONTHS, true, "2023-03-03 10:00:00"},
        {"2024-03-31 10:00:00", 1, KEL_UNIT_MONTHS, false, "2024-03-02 10:00:00"},
        {"2024-01-15 10:00:00", 13, KEL_UNIT_MONTHS, false, "2022-12-15 10:00:00"},
        {"2024-02-30 25:00:00", 7, 42, true,
         "2024-03-02 01:00:00"},  // unknown unit: normalised only
        {"1970-01-01 00:00:00", 4294967295u, KEL_UNIT_SECONDS, true, "2106-02-07 06:28:15"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.start) + (c.add ? " + " : " - ") + std::to_string(c.amount) +
                     " unit " + std::to_string(c.unit));
        DateTime value(ConvertStringToKelDateTime(c.start));
        ASSERT_TRUE(value);
        KelDateTime *result = c.add ? AddToKelDateTime(value.get(), c.amount, c.unit)
                                    : SubtractFromKelDateTime(value.get(), c.amount, c.unit);
        EXPECT_EQ(value.get(), result);
        EXPECT_EQ(c.expected, Text(value.get()));
    }
    EXPECT_EQ(nullptr, AddToKelDateTime(nullptr, 1, KEL_UNIT_DAYS));
}

// A value without a date, or with the zero date that a time-only text gets,
// moves its time of day and keeps its date.
TEST(KelDateTime, ShiftWithoutADate) {
    DateTime timeOnly(ConvertStringToKelGenDateTime("23:30:00"));
    AddToKelDateTime(timeOnly.get(), 45, KEL_UNIT_MINUTES);
    EXPECT_EQ("00:15:00", Text(timeOnly.get()));
    SubtractFromKelDateTime(timeOnly.get(), 1, KEL_UNIT_HOURS);
    EXPECT_EQ("23:15:00", Text(timeOnly.get()));

    DateTime zeroDate(ConvertStringToKelDateTime("23:30"));
    AddToKelDateTime(zeroDate.get(), 1, KEL_UNIT_HOURS);
    EXPECT_EQ("0000-00-00 00:30:00", Text(zeroDate.get()));

    DateTime dateOnly(ConvertStringToKelGenDateTime("2024-12-31"));
    AddToKelDateTime(dateOnly.get(), 1, KEL_UNIT_DAYS);
    EXPECT_EQ("2025-01-01", Text(dateOnly.get()));
}

TEST(KelDateTime, IsAfterTable) {
    struct Case {
        const char *a;
        const char *b;
        int after;
    };
    const Case cases[] = {
        {"2024-02-29 13:05:09", "2024-02-29 13:05:09", 0},
        {"2024-02-29 13:05:10", "2024-02-29 13:05:09", 1},
        {"2024-02-29 13:05:08", "2024-02-29 13:05:09", 0},
        {"2025-01-01 00:00:00", "2024-12-31 23:59:59", 1},
        {"2024-01-31 00:00:00", "2025-01-01 00:00:00", 0},  // the year decides first
        {"2024-03-01 00:00:00", "2024-02-29 23:59:59", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.a) + " after " + c.b);
        DateTime a(ConvertStringToKelDateTime(c.a));
        DateTime b(ConvertStringToKelDateTime(c.b));
        EXPECT_EQ(c.after, IsKelDateTimeAfter(a.get(), b.get()));
    }
    DateTime a(ConvertStringToKelDateTime("2024-01-01"));
    DateTime dateOnly(ConvertStringToKelGenDateTime("2023-01-01"));
    EXPECT_EQ(0, IsKelDateTimeAfter(a.get(), nullptr));
    EXPECT_EQ(0, IsKelDateTimeAfter(nullptr, a.get()));
    EXPECT_EQ(0, IsKelDateTimeAfter(a.get(), dateOnly.get()));
}

TEST(KelDateTime, CurrentTime) {
    auto format = [](time_t t) {
        struct tm local;
        localtime_r(&t, &local);
        char buffer[32];
        strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
        return std::string(buffer);
    };
    time_t before = time(nullptr);
    DateTime now(GetCurrentKelDateTime());
    uint32_t seconds = GetCurrentTimeSeconds();
    time_t after = time(nullptr);
    ASSERT_TRUE(now);
    std::string text = Text(now.get());
    EXPECT_TRUE(text == format(before) || text == format(after)) << text;
    EXPECT_LE(static_cast<uint32_t>(before), seconds);
    EXPECT_GE(static_cast<uint32_t>(after), seconds);
}

}  // namespace
