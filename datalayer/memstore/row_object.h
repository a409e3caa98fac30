/*
 * row_object.h - one row of an in-memory table: its column values (in the
 * encoding of column_value.h), their lengths and the row's flags.
 *
 * A row belongs to the caller from CreateNewRowObject until AddNewRow accepts
 * it; from then on its table owns it. Every value is one buffer from malloc
 * (freed with free(), date values included). Rows have no lock.
 */
#ifndef FW_DATALAYER_MEMSTORE_ROW_OBJECT_H
#define FW_DATALAYER_MEMSTORE_ROW_OBJECT_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* Row flags; they only ever grow. */
#define ROW_FROM_DB 1  /* read from the database */
#define ROW_NEW 2      /* made in memory */
#define ROW_MODIFIED 4 /* a value was updated */
#define ROW_DELETED 8  /* deleted, waiting to be deleted from the database */

typedef struct RowObject {
    unsigned char **values; /* columnCount values; NULL for a NULL value */
    int32_t *lengths;       /* their lengths (0 for NULL) */
    uint8_t flags;
    struct RowObject *next; /* the next row of its table */
} RowObject;

/* A new row with flags ROW_NEW that takes over values and lengths (arrays
 * from malloc of the table's column count). NULL (taking nothing over) for a
 * NULL array or when memory runs out. */
FW_API RowObject *CreateNewRowObject(unsigned char **values, int32_t *lengths);

/* Frees the first columnCount values, both arrays and the row. NULL is
 * ignored. */
FW_API void FreeRowObject(RowObject *row, int32_t columnCount);

FW_END_DECLS

#endif /* FW_DATALAYER_MEMSTORE_ROW_OBJECT_H */
