#include "datalayer/dictionary/column_types.h"

#include <strings.h>

#include <iterator>

const SqlTypeMapping gv_odbcTypeTable[ODBC_TYPE_TABLE_ROWS] = {
    {KEL_SQL_LONG_INT, -5},            /* SQL_BIGINT */
    {KEL_SQL_SMALLINT, 5},             /* SQL_SMALLINT */
    {KEL_SQL_INT, 4},                  /* SQL_INTEGER */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 7},   /* SQL_REAL */
    {KEL_SQL_FLOAT, 6},                /* SQL_FLOAT */
    {KEL_SQL_DOUBLE, 8},               /* SQL_DOUBLE */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 3},   /* SQL_DECIMAL */
    {KEL_SQL_NOT_SUPPORTED_TYPE, -11}, /* SQL_GUID */
    {KEL_SQL_CHAR, 1},                 /* SQL_CHAR */
    {KEL_SQL_VARCHAR, 12},             /* SQL_VARCHAR */
    {KEL_SQL_BLOB, -1},                /* SQL_LONGVARCHAR */
    {KEL_SQL_NOT_SUPPORTED_TYPE, -8},  /* SQL_WCHAR */
    {KEL_SQL_NOT_SUPPORTED_TYPE, -9},  /* SQL_WVARCHAR */
    {KEL_SQL_NOT_SUPPORTED_TYPE, -10}, /* SQL_WLONGVARCHAR */
    {KEL_SQL_DATE, 9},                 /* SQL_DATE */
    {KEL_SQL_TIME, 10},                /* SQL_TIME */
    {KEL_SQL_DATETIME, 11},            /* SQL_TIMESTAMP */
    {KEL_SQL_BLOB, -2},                /* SQL_BINARY */
    {KEL_SQL_BLOB, -3},                /* SQL_VARBINARY */
    {KEL_SQL_BLOB, -4},                /* SQL_LONGVARBINARY */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 102}, /* SQL_INTERVAL_MONTH */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 101}, /* SQL_INTERVAL_YEAR */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 107}, /* SQL_INTERVAL_YEAR_TO_MONTH */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 103}, /* SQL_INTERVAL_DAY */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 104}, /* SQL_INTERVAL_HOUR */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 105}, /* SQL_INTERVAL_MINUTE */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 106}, /* SQL_INTERVAL_SECOND */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 108}, /* SQL_INTERVAL_DAY_TO_HOUR */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 109}, /* SQL_INTERVAL_DAY_TO_MINUTE */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 110}, /* SQL_INTERVAL_DAY_TO_SECOND */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 111}, /* SQL_INTERVAL_HOUR_TO_MINUTE */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 112}, /* SQL_INTERVAL_HOUR_TO_SECOND */
    {KEL_SQL_NOT_SUPPORTED_TYPE, 113}, /* SQL_INTERVAL_MINUTE_TO_SECOND */
    {KEL_SQL_NOT_SUPPORTED_TYPE, -7},  /* SQL_BIT */
    {KEL_SQL_BOOLEAN, -6},             /* SQL_TINYINT */
    {KEL_SQL_NUMERIC, 2},              /* SQL_NUMERIC */
};

namespace {

struct TypeWord {
    const char *word;
    uint8_t code;
};

// In the order they are compared; the first match wins.
constexpr TypeWord kTypeWords[] = {
    {"KEL_SQL_NOT_SUPPORTED_TYPE", KEL_SQL_NOT_SUPPORTED_TYPE},
    {"KEL_SQL_TINYINT", KEL_SQL_TINYINT},
    {"KEL_SQL_UNSIGNED_TINYINT", KEL_SQL_UNSIGNED_TINYINT},
    {"KEL_SQL_SMALLINT", KEL_SQL_SMALLINT},
    {"KEL_SQL_UNSIGNED_SMALLINT", KEL_SQL_UNSIGNED_SMALLINT},
    {"KEL_SQL_INT", KEL_SQL_INT},
    {"INTEGER", KEL_SQL_INT},
    {"LONG", KEL_SQL_INT},
    {"KEL_SQL_UNSIGNED_INT", KEL_SQL_UNSIGNED_INT},
    {"BIGINT", KEL_SQL_LONG_INT},
    {"KEL_SQL_UNSIGNED_LONG_INT", KEL_SQL_UNSIGNED_LONG_INT},
    {"KEL_SQL_FLOAT", KEL_SQL_FLOAT},
    {"FLOAT", KEL_SQL_FLOAT},
    {"KEL_SQL_DOUBLE", KEL_SQL_DOUBLE},
    {"KEL_SQL_REAL", KEL_SQL_REAL},
    {"KEL_SQL_DECIMAL", KEL_SQL_DECIMAL},
    {"KEL_SQL_NUMERIC", KEL_SQL_NUMERIC},
    {"KEL_SQL_CHAR", KEL_SQL_CHAR},
    {"CHAR", KEL_SQL_VARCHAR},
    {"NCHAR", KEL_SQL_VARCHAR},
    {"KEL_SQL_DATE", KEL_SQL_DATE},
    {"DATE", KEL_SQL_DATE},
    {"KEL_SQL_TIME", KEL_SQL_TIME},
    {"TIME", KEL_SQL_TIME},
    {"KEL_SQL_DATETIME", KEL_SQL_DATETIME},
    {"DATETIME", KEL_SQL_DATETIME},
    {"TIMESTAMP", KEL_SQL_DATETIME},
    {"BOOLEAN", KEL_SQL_BOOLEAN},
    {"KEL_SQL_BLOB", KEL_SQL_BLOB},
    {"BLOB", KEL_SQL_BLOB},
    {"KEL_SQL_CLOB", KEL_SQL_CLOB},
    {"CLOB", KEL_SQL_CLOB},
    {"KEL_SQL_TEXT", KEL_SQL_TEXT},
    {"TEXT", KEL_SQL_TEXT},
};

}  // namespace

uint8_t GetCodeForType(const SqlTypeMapping *table, int rows, int32_t sqlType) {
    for (int i = 0; table != nullptr && i < rows; ++i) {
        if (table[i].sqlType == sqlType) {
            return table[i].code;
        }
    }
    return KEL_SQL_NOT_SUPPORTED_TYPE;
}

int32_t GetTypeForCode(const SqlTypeMapping *table, int rows, uint8_t code) {
    for (int i = 0; table != nullptr && i < rows; ++i) {
        if (table[i].code == code) {
            return table[i].sqlType;
        }
    }
    return 0;
}

uint8_t GetColumnTypeCode(const char *word) {
    if (word == nullptr) {
        return KEL_SQL_NOT_SUPPORTED_TYPE;
    }
    for (const TypeWord &entry : kTypeWords) {
        if (strcasecmp(word, entry.word) == 0) {
            return entry.code;
        }
    }
    return KEL_SQL_NOT_SUPPORTED_TYPE;
}

int32_t GetFixedValueLength(uint8_t code) {
    static constexpr int32_t kLengths[] = {-1, 1, 1, 2, 2, 4, 4, 8, 8, 4, 8, 4};
    if (code >= 1 && code < std::size(kLengths)) {
        return kLengths[code];
    }
    if (code >= KEL_SQL_DATE && code <= KEL_SQL_DATETIME) {
        return 11;
    }
    return code == KEL_SQL_BOOLEAN ? 1 : -1;
}
