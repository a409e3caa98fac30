/*
 * column_value.h - the in-memory encoding of a column value and its text
 * conversions.
 *
 * A value is a separately allocated buffer holding the value's bytes and one
 * zero byte after them (so texts are zero-terminated); its length, kept
 * beside it, excludes that byte. By type code: 1-8 integers of 1, 1, 2, 2, 4,
 * 4, 8, 8 bytes (little-endian, signed for the odd codes up to 7); 9 and 11 a
 * float, 10 a double; 12, 13 decimal text; 14, 15, 22 text; 19 one byte, 1 or
 * 0; 20, 21 the bytes as given; 16, 17, 18 a KelDateTime record, length 11.
 *
 * Date values: the buffer is one block holding the KelDateTime record and the
 * KelDate and KelTime it points at (pointers into the block itself), although
 * the recorded length is 11. free() releases it whole, as for every value.
 * Never copy a date value by its recorded length or by memcpy (the copy's
 * pointers would lead into the original): use CopyColumnValue. Never free
 * its parts separately.
 *
 * Nothing here logs. Buffers and texts returned are new memory from malloc
 * (pool memory for ConvertColumnValueToPoolString). Safe from any thread.
 */
#ifndef FW_DATALAYER_DICTIONARY_COLUMN_VALUE_H
#define FW_DATALAYER_DICTIONARY_COLUMN_VALUE_H

#include <stddef.h>
#include <stdint.h>

#include "datalayer/memstore/mem_pool.h"
#include "platform/c_api.h"
#include "util/kel_datetime.h"

FW_BEGIN_DECLS

/* Converts text into a value of type. *length is read for the types whose
 * value is the first *length bytes of the text (0, 12, 13, 20, 21; NULL or a
 * negative length: the whole text) and receives the value's length. Integers
 * keep the low bytes of their type's width (300 as TINYINT is 44); floats and
 * doubles are parsed strictly (a stray character gives 0); dates take both
 * parts from "%d-%d-%d %d:%d:%d", "%d-%d-%d" or "%d:%d:%d"; BOOLEAN takes
 * "TRUE" and "FALSE" in any letter case. NULL for a NULL text, a text a date
 * or boolean cannot be made of, a type above 22, or when memory runs out. The
 * caller releases the value with FreeColumnValue. */
FW_API unsigned char *ConvertStringToColumnValue(const char *text, int32_t *length, uint8_t type);

/* ConvertStringToColumnValue into the caller's memory: returns the storage
 * the value takes (GetColumnValueStorageSize of its length and type), 0 when
 * text cannot be converted, and writes the value to out only when that
 * storage is at most capacity (out may be NULL to measure). */
FW_API size_t ConvertStringToColumnValueIn(const char *text, int32_t *length, uint8_t type,
                                           unsigned char *out, size_t capacity);

/* The bytes a value of type with recorded length takes in memory: length + 1
 * (its zero byte), or the whole block of a date value. */
FW_API size_t GetColumnValueStorageSize(int32_t length, uint8_t type);

/* Copies a value into out, which has GetColumnValueStorageSize bytes; a date
 * value's pointers are aimed at the copy. */
FW_API void CopyColumnValueTo(const unsigned char *value, int32_t length, uint8_t type,
                              unsigned char *out);

/* The text of a value: "NULL" for a NULL value; decimal numbers ("%d", "%u",
 * 64-bit), "%f" for floats and doubles, a copy of the text for 12-15 and
 * 20-22, the date-time text for 16-18, "'t'" or "'f'" for BOOLEAN. NULL for
 * type 0 or a type above 22, or when memory runs out. The caller frees it. */
FW_API char *ConvertColumnValueToString(const unsigned char *value, uint8_t type);

/* The same texts made in pool, except: NULL for a NULL value and for types 0,
 * 16-18 and 20 and above. The text goes with the pool. */
FW_API char *ConvertColumnValueToPoolString(const unsigned char *value, uint8_t type,
                                            MemPool *pool);

/* Strict decimal parsers: an optional sign and digits (and for the double an
 * optional '.' and fraction digits); any other character anywhere, an empty
 * text or a lone sign give 0. Integers accumulate in their own width. */
FW_API int32_t ParseDecimalInt(const char *text);
FW_API int64_t ParseDecimalInt64(const char *text);
FW_API double ParseDecimalDouble(const char *text);

/* A new date value holding the date and time of record, which is freed
 * whole in every case. Length 11. NULL for NULL or when memory runs out. */
FW_API unsigned char *ColumnValueFromKelDateTime(KelDateTime *record);

/* A copy of a value of type whose recorded length is length (a date value is
 * rebuilt so that its pointers lead into the copy). NULL for a NULL value or
 * when memory runs out. */
FW_API unsigned char *CopyColumnValue(const unsigned char *value, int32_t length, uint8_t type);

/* Frees a value; the same as free(), kept for callers that hold the type.
 * NULL is ignored. */
FW_API void FreeColumnValue(unsigned char *value, uint8_t type);

/* 1 when type is one of the date codes 16, 17, 18. */
FW_API int IsDateColumnType(uint8_t type);

FW_END_DECLS

#endif /* FW_DATALAYER_DICTIONARY_COLUMN_VALUE_H */
