/*
 * column_types.h - the column type codes, the data-type words of the data
 * dictionary, and the table that pairs ODBC SQL data types with the codes.
 *
 * A column type is an unsigned 8-bit code from 0 to 22; 23 and above are not
 * column types. Nothing here allocates or logs; every call is safe from any
 * thread.
 */
#ifndef FW_DATALAYER_DICTIONARY_COLUMN_TYPES_H
#define FW_DATALAYER_DICTIONARY_COLUMN_TYPES_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

#define KEL_SQL_NOT_SUPPORTED_TYPE 0
#define KEL_SQL_TINYINT 1
#define KEL_SQL_UNSIGNED_TINYINT 2
#define KEL_SQL_SMALLINT 3
#define KEL_SQL_UNSIGNED_SMALLINT 4
#define KEL_SQL_INT 5
#define KEL_SQL_UNSIGNED_INT 6
#define KEL_SQL_LONG_INT 7
#define KEL_SQL_UNSIGNED_LONG_INT 8
#define KEL_SQL_FLOAT 9
#define KEL_SQL_DOUBLE 10
#define KEL_SQL_REAL 11
#define KEL_SQL_DECIMAL 12
#define KEL_SQL_NUMERIC 13
#define KEL_SQL_CHAR 14
#define KEL_SQL_VARCHAR 15
#define KEL_SQL_DATE 16
#define KEL_SQL_TIME 17
#define KEL_SQL_DATETIME 18
#define KEL_SQL_BOOLEAN 19
#define KEL_SQL_BLOB 20
#define KEL_SQL_CLOB 21
#define KEL_SQL_TEXT 22

/* One row of the ODBC type table: a column type code and an ODBC SQL data
 * type (ODBC 2 numbering: SQL_DATE 9, SQL_TIME 10, SQL_TIMESTAMP 11). */
typedef struct SqlTypeMapping {
    uint8_t code;
    int32_t sqlType;
} SqlTypeMapping;

#define ODBC_TYPE_TABLE_ROWS 36

/* The 36 pairs, in their fixed order. */
FW_API extern const SqlTypeMapping gv_odbcTypeTable[ODBC_TYPE_TABLE_ROWS];

/* The code of the first of rows entries of table whose SQL type is sqlType;
 * 0 when there is none. */
FW_API uint8_t GetCodeForType(const SqlTypeMapping *table, int rows, int32_t sqlType);

/* The SQL type of the first of rows entries of table whose code is code; 0
 * when there is none. */
FW_API int32_t GetTypeForCode(const SqlTypeMapping *table, int rows, uint8_t code);

/* The code of a data-type word of the data dictionary, compared ignoring
 * letter case ("INTEGER" and "int" differ: only the listed words count); 0
 * for an unknown word or NULL. Writes no record. */
FW_API uint8_t GetColumnTypeCode(const char *word);

/* The fixed value length of codes 1 to 11 (1, 1, 2, 2, 4, 4, 8, 8, 4, 8, 4)
 * and 11 for the date codes 16 to 18, 1 for BOOLEAN; -1 for the codes whose
 * length is that of their text or bytes. */
FW_API int32_t GetFixedValueLength(uint8_t code);

FW_END_DECLS

#endif /* FW_DATALAYER_DICTIONARY_COLUMN_TYPES_H */
