#include "datalayer/dictionary/column_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "datalayer/dictionary/column_types.h"
#include "datalayer/memstore/mem_pool.h"

namespace {

// Text -> value -> text for every type code.
TEST(ColumnValue, RoundTripsThroughText) {
    struct Case {
        uint8_t type;
        const char *text;
        int32_t length;        // expected value length
        const char *backText;  // what ConvertColumnValueToString gives
    };
    const Case cases[] = {
        {KEL_SQL_TINYINT, "-5", 1, "-5"},
        {KEL_SQL_TINYINT, "300", 1, "44"},  // one byte kept
        {KEL_SQL_UNSIGNED_TINYINT, "250", 1, "250"},
        {KEL_SQL_SMALLINT, "-32768", 2, "-32768"},
        {KEL_SQL_UNSIGNED_SMALLINT, "65535", 2, "65535"},
        {KEL_SQL_INT, "-2147483648", 4, "-2147483648"},
        {KEL_SQL_UNSIGNED_INT, "4294967295", 4, "4294967295"},
        {KEL_SQL_LONG_INT, "9007199254740993", 8, "9007199254740993"},
        {KEL_SQL_LONG_INT, "-3000000000", 8, "-3000000000"},
        {KEL_SQL_UNSIGNED_LONG_INT, "18446744073709551615", 8, "18446744073709551615"},
        {KEL_SQL_FLOAT, "1.25", 4, "1.250000"},
        {KEL_SQL_REAL, "-0.5", 4, "-0.500000"},
        {KEL_SQL_DOUBLE, "+1.25", 8, "1.250000"},
        {KEL_SQL_DOUBLE, "1.2x", 8, "0.000000"},
        {KEL_SQL_INT, "12a", 4, "0"},
        {KEL_SQL_CHAR, "fixed", 5, "fixed"},
        {KEL_SQL_VARCHAR, "vary", 4, "vary"},
        {KEL_SQL_TEXT, "", 0, ""},
        {KEL_SQL_DATE, "2011-03-04", 11, "2011-03-04 00:00:00"},
        {KEL_SQL_TIME, "05:06:07", 11, "0000-00-00 05:06:07"},
        {KEL_SQL_DATETIME, "2024-02-29 13:05:09", 11, "2024-02-29 13:05:09"},
        {KEL_SQL_BOOLEAN, "true", 1, "'t'"},
        {KEL_SQL_BOOLEAN, "FALSE", 1, "'f'"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.text);
        int32_t length = -7;
        unsigned char *value = ConvertStringToColumnValue(c.text, &length, c.type);
        ASSERT_NE(nullptr, value);
        EXPECT_EQ(c.length, length);
        if (!IsDateColumnType(c.type)) {
            EXPECT_EQ(0, value[length]) << "a value ends with a zero byte";
        }
        char *text = ConvertColumnValueToString(value, c.type);
        EXPECT_STREQ(c.backText, text);
        free(text);
        FreeColumnValue(value, c.type);
    }
}

TEST(ColumnValue, BytesAndDecimalsKeepTheGivenLength) {
    const uint8_t types[] = {KEL_SQL_NOT_SUPPORTED_TYPE, KEL_SQL_DECIMAL, KEL_SQL_NUMERIC,
                             KEL_SQL_BLOB, KEL_SQL_CLOB};
    for (uint8_t type : types) {
        SCOPED_TRACE(static_cast<int>(type));
        int32_t length = 4;
        unsigned char *value = ConvertStringToColumnValue("12.345", &length, type);
        ASSERT_NE(nullptr, value);
        EXPECT_EQ(4, length);
        EXPECT_EQ(0, memcmp(value, "12.3\0", 5));
        FreeColumnValue(value, type);
    }
    int32_t length = 3;
    unsigned char *blob = ConvertStringToColumnValue("a\0b", &length, KEL_SQL_BLOB);
    EXPECT_EQ(0, memcmp(blob, "a\0b", 3)) << "bytes past a zero byte are kept";
    FreeColumnValue(blob, KEL_SQL_BLOB);
}

TEST(ColumnValue, RefusedTextsAndTypes) {
    int32_t length = 0;
    EXPECT_EQ(nullptr, ConvertStringToColumnValue("yes", &length, KEL_SQL_BOOLEAN));
    EXPECT_EQ(nullptr, ConvertStringToColumnValue(nullptr, &length, KEL_SQL_INT));
    EXPECT_EQ(nullptr, ConvertStringToColumnValue("1", &length, 23));
    EXPECT_EQ(nullptr, ConvertStringToColumnValue("not a date", &length, KEL_SQL_DATE));

    char *text = ConvertColumnValueToString(nullptr, KEL_SQL_INT);
    EXPECT_STREQ("NULL", text);
    free(text);
    unsigned char zero[8] = {};
    EXPECT_EQ(nullptr, ConvertColumnValueToString(zero, KEL_SQL_NOT_SUPPORTED_TYPE));
    EXPECT_EQ(nullptr, ConvertColumnValueToString(zero, 23));
}

TEST(ColumnValue, StrictDecimalParsers) {
    struct IntCase {
        const char *text;
        int32_t expected;
    };
    const IntCase ints[] = {{"-12", -12}, {"+7", 7},        {"0", 0}, {"12a", 0},
                            {" 1", 0},    {"", 0},          {"-", 0}, {"+-1", 0},
                            {"1.0", 0},   {"4294967297", 1}};  // wraps in 32 bits
    for (const IntCase &c : ints) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.expected, ParseDecimalInt(c.text));
    }
    EXPECT_EQ(INT64_C(-9000000000), ParseDecimalInt64("-9000000000"));
    EXPECT_EQ(0, ParseDecimalInt64("9e9"));
    struct DoubleCase {
        const char *text;
        double expected;
    };
    const DoubleCase doubles[] = {{"+1.25", 1.25}, {"-0.5", -0.5}, {"3.", 3.0}, {".5", 0.5},
                                  {"1.25x", 0.0},  {"1e3", 0.0},   {"", 0.0},   {"1.2.3", 0.0}};
    for (const DoubleCase &c : doubles) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(c.expected, ParseDecimalDouble(c.text));
    }
}

TEST(ColumnValue, PoolStrings) {
    ASSERT_EQ(1, InitializeMemPool());
    MemPool *pool = nullptr;
    ASSERT_EQ(1, CreateMemPool(&pool, nullptr, nullptr));
    int32_t length = 0;
    unsigned char *big = ConvertStringToColumnValue("3000000000", &length, KEL_SQL_LONG_INT);
    EXPECT_STREQ("3000000000", ConvertColumnValueToPoolString(big, KEL_SQL_LONG_INT, pool));
    unsigned char *flag = ConvertStringToColumnValue("TRUE", &length, KEL_SQL_BOOLEAN);
    EXPECT_STREQ("'t'", ConvertColumnValueToPoolString(flag, KEL_SQL_BOOLEAN, pool));
    unsigned char *date = ConvertStringToColumnValue("2011-03-04", &length, KEL_SQL_DATE);
    EXPECT_EQ(nullptr, ConvertColumnValueToPoolString(date, KEL_SQL_DATE, pool));
    EXPECT_EQ(nullptr, ConvertColumnValueToPoolString(nullptr, KEL_SQL_INT, pool));
    unsigned char *text = ConvertStringToColumnValue("abc", &length, KEL_SQL_CHAR);
    EXPECT_STREQ("abc", ConvertColumnValueToPoolString(text, KEL_SQL_CHAR, pool));
    EXPECT_EQ(nullptr, ConvertColumnValueToPoolString(text, KEL_SQL_TEXT, pool));
    FreeColumnValue(big, KEL_SQL_LONG_INT);
    FreeColumnValue(flag, KEL_SQL_BOOLEAN);
    FreeColumnValue(date, KEL_SQL_DATE);
    FreeColumnValue(text, KEL_SQL_CHAR);
    DestroyMemPool(pool);
    TerminateMemPool();
}

TEST(ColumnValue, DateValuesCopyDeepAndFreeWhole) {
    KelDateTime *onlyDate = CreateKelDateTime(2011, 3, 4, 0, 0, 0);
    free(onlyDate->time);
    onlyDate->time = nullptr;
    unsigned char *value = ColumnValueFromKelDateTime(onlyDate);
    ASSERT_NE(nullptr, value);
    unsigned char *copy = CopyColumnValue(value, 11, KEL_SQL_DATE);
    ASSERT_NE(nullptr, copy);
    auto *original = reinterpret_cast<KelDateTime *>(value);
    auto *copied = reinterpret_cast<KelDateTime *>(copy);
    EXPECT_NE(original->date, copied->date) << "the parts are copied, not shared";
    EXPECT_EQ(nullptr, copied->time);
    FreeColumnValue(value, KEL_SQL_DATE);
    char *text = ConvertColumnValueToString(copy, KEL_SQL_DATE);
    EXPECT_STREQ("2011-03-04", text);
    free(text);
    FreeColumnValue(copy, KEL_SQL_DATE);  // AddressSanitizer: no leak, no double free
}

TEST(ColumnTypes, WordsAndOdbcTypes) {
    struct WordCase {
        const char *word;
        uint8_t code;
    };
    const WordCase words[] = {
        {"VARCHAR", 0},
        {"char", 15},
        {"NCHAR", 15},
        {"KEL_SQL_CHAR", 14},
        {"bigint", 7},
        {"BOOLEAN", 19},
        {"Integer", 5},
        {"long", 5},
        {"float", 9},
        {"timestamp", 18},
        {"kel_sql_text", 22},
        {"TEXT", 22},
        {"CLOB", 21},
        {"BLOB", 20},
        {"KEL_SQL_UNSIGNED_LONG_INT", 8},
        {"", 0},
    };
    for (const WordCase &c : words) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(c.code, GetColumnTypeCode(c.word));
    }
    EXPECT_EQ(0, GetColumnTypeCode(nullptr));

    struct TypeCase {
        int32_t sqlType;
        uint8_t code;
    };
    const TypeCase types[] = {{-9, 0},  {-6, 19}, {-1, 20}, {91, 0}, {92, 0},  {93, 0}, {9, 16},
                              {10, 17}, {11, 18}, {-5, 7},  {4, 5},  {12, 15}, {2, 13}, {999, 0}};
    for (const TypeCase &c : types) {
        SCOPED_TRACE(c.sqlType);
        EXPECT_EQ(c.code, GetCodeForType(gv_odbcTypeTable, ODBC_TYPE_TABLE_ROWS, c.sqlType));
    }
    EXPECT_EQ(-5, GetTypeForCode(gv_odbcTypeTable, ODBC_TYPE_TABLE_ROWS, KEL_SQL_LONG_INT));
    EXPECT_EQ(7, GetTypeForCode(gv_odbcTypeTable, ODBC_TYPE_TABLE_ROWS, 0)) << "the first row";
    EXPECT_EQ(0, GetTypeForCode(gv_odbcTypeTable, ODBC_TYPE_TABLE_ROWS, KEL_SQL_TEXT));
}

}  // namespace

namespace {

TEST(ColumnValue, ConvertingIntoTheCallersMemory) {
    unsigned char out[32];
    memset(out, 0xAA, sizeof out);
    int32_t length = -1;
    EXPECT_EQ(5u, ConvertStringToColumnValueIn("-7", &length, KEL_SQL_INT, nullptr, 0));
    EXPECT_EQ(5u, ConvertStringToColumnValueIn("-7", &length, KEL_SQL_INT, out, 4));
    EXPECT_EQ(0xAA, out[0]) << "too small: nothing written";
    EXPECT_EQ(5u, ConvertStringToColumnValueIn("-7", &length, KEL_SQL_INT, out, sizeof out));
    int32_t number;
    memcpy(&number, out, 4);
    EXPECT_EQ(-7, number);
    EXPECT_EQ(4, length);
    EXPECT_EQ(0u, ConvertStringToColumnValueIn("maybe", &length, KEL_SQL_BOOLEAN, out, sizeof out));

    // A date value made in place points into itself, and copies re-aim.
    alignas(8) unsigned char date[64];
    size_t size =
        ConvertStringToColumnValueIn("2011-03-04", &length, KEL_SQL_DATE, date, sizeof date);
    ASSERT_EQ(GetColumnValueStorageSize(11, KEL_SQL_DATE), size);
    auto *record = reinterpret_cast<KelDateTime *>(date);
    EXPECT_GE(reinterpret_cast<unsigned char *>(record->date), date);
    EXPECT_LT(reinterpret_cast<unsigned char *>(record->date), date + size);
    alignas(8) unsigned char copy[64];
    CopyColumnValueTo(date, 11, KEL_SQL_DATE, copy);
    auto *copied = reinterpret_cast<KelDateTime *>(copy);
    EXPECT_GE(reinterpret_cast<unsigned char *>(copied->date), copy);
    EXPECT_LT(reinterpret_cast<unsigned char *>(copied->date), copy + size);
    char *text = ConvertColumnValueToString(copy, KEL_SQL_DATE);
    EXPECT_STREQ("2011-03-04 00:00:00", text);
    free(text);
}

}  // namespace
