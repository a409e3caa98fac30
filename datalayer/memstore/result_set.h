/*
 * result_set.h - the rows a database query returned: named, typed columns,
 * rows of cells, and a cursor.
 *
 * Conventions
 * - Rows and cells are singly linked lists, built with the Append calls,
 *   which take the list's first entry (NULL for an empty list) and return it
 *   (the new entry when the list was empty), or NULL when memory runs out,
 *   leaving the list as it was. The first entry of a list also remembers the
 *   list's last entry, so appending is constant time.
 * - A cell holds length bytes followed by one zero byte, in the column value
 *   encoding of its column's type; a database NULL has no data and length 0.
 *   A date, time or date-time cell (types 16 to 18) holds a whole KelDateTime
 *   record and the KelDate and KelTime it points at, in one block (its
 *   recorded length is 11): build such cells with AppendResultSetCellTakingData
 *   from a value of ColumnValueFromKelDateTime, never by copying 11 bytes.
 * - Ownership: everything reachable from a ResultSet (column names, columns,
 *   rows, cells, cell data) belongs to it and goes with FreeResultSet, which
 *   frees every buffer with free(). Texts and data that lookups return belong
 *   to the set.
 * - No call locks: a set is used by one thread at a time.
 * - Results are 1 (true) and 0 (false), or a pointer that is NULL on failure;
 *   nothing is logged for a failed allocation.
 */
#ifndef FW_DATALAYER_MEMSTORE_RESULT_SET_H
#define FW_DATALAYER_MEMSTORE_RESULT_SET_H

#include <stddef.h>
#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct ResultSetColumn {
    char *name;   /* owned */
    uint8_t type; /* a column type code */
} ResultSetColumn;

typedef struct ResultSetCell {
    uint32_t length;
    unsigned char *data; /* owned; NULL for a database NULL */
    struct ResultSetCell *next;
    struct ResultSetCell *last; /* kept on a list's first cell only */
} ResultSetCell;

typedef struct ResultSetRow {
    ResultSetCell *cells; /* owned; the n-th cell belongs to the n-th column */
    struct ResultSetRow *next;
    struct ResultSetRow *last; /* kept on a list's first row only */
    uint8_t packed;            /* 1: the cells and their data live in the row's own block */
} ResultSetRow;

typedef struct ResultSet {
    int32_t columnCount;
    int32_t rowCount; /* counted when the set is built */
    ResultSetColumn *columns;
    ResultSetRow *rows;
    ResultSetRow *cursor; /* current row; NULL before the first */
} ResultSet;

/* Appends a cell holding a copy of length bytes of data and a zero byte (a
 * NULL cell of length 0 when data is NULL). */
FW_API ResultSetCell *AppendResultSetCell(ResultSetCell *cells, uint32_t length, const void *data);

/* Appends a cell that takes over data (a value buffer from malloc with its
 * zero byte, or NULL for a database NULL) with its recorded length. */
FW_API ResultSetCell *AppendResultSetCellTakingData(ResultSetCell *cells, uint32_t length,
                                                    unsigned char *data);

/* Appends a row that takes over the cell list cells. */
FW_API ResultSetRow *AppendResultSetRow(ResultSetRow *rows, ResultSetCell *cells);

/* A row whose cells and their data are allocated with it in one block, so
 * that a large result costs one allocation per row: cellCount cells linked in
 * order, cell i with room for storageSizes[i] bytes of data (the value and its
 * zero byte; 0 for a database NULL: data NULL). The caller fills each cell's
 * data and length, then appends the row with AppendPackedResultSetRow. The
 * cells of a packed row are never freed one by one: FreeResultSetRows frees
 * the block. NULL when memory runs out. */
FW_API ResultSetRow *NewPackedResultSetRow(int32_t cellCount, const size_t *storageSizes);

/* Appends a row of NewPackedResultSetRow (it cannot fail). */
FW_API ResultSetRow *AppendPackedResultSetRow(ResultSetRow *rows, ResultSetRow *row);

/* A new set (malloc) that takes over rows and columns (an array from malloc
 * of columnCount entries, names from malloc); rowCount is the length of the
 * row list, the cursor is before the first row. NULL when memory runs out
 * (nothing is taken over then) or columnCount is negative. The caller frees
 * it with FreeResultSet. */
FW_API ResultSet *CreateResultSet(ResultSetRow *rows, ResultSetColumn *columns,
                                  int32_t columnCount);

/* CreateResultSet for a row list whose length the caller counted while it
 * built it (rowCount must be that length): a large set is not walked again. */
FW_API ResultSet *CreateResultSetOfCount(ResultSetRow *rows, int32_t rowCount,
                                         ResultSetColumn *columns, int32_t columnCount);

/* Moves the cursor to the first row when it is before the first, else to the
 * next row (past the last: before the first again); returns the new current
 * row or NULL. */
FW_API ResultSetRow *GotoNextResultSetRow(ResultSet *set);

/* Puts the cursor before the first row. */
FW_API void ResetResultSetCursor(ResultSet *set);

/* The data of the current row's cell for the first column named name
 * (letter case ignored), its length in *length. NULL, with *length 0, when
 * there is no current row, no such column, the row has too few cells, or
 * the cell is a database NULL. */
FW_API unsigned char *GetResultSetValueByName(const char *name, uint32_t *length,
                                              const ResultSet *set);

/* The type code of the first column named name (letter case ignored), or 0. */
FW_API uint8_t GetResultSetColumnType(const char *name, const ResultSet *set);

/* The name of the column at index, or NULL outside 0 to columnCount - 1. */
FW_API const char *GetResultSetColumnName(int index, const ResultSet *set);

/* Writes the set with LogDebug: the column names, then every row, each value
 * by its column's type; a database NULL prints as NULL. */
FW_API void PrintResultSet(const ResultSet *set);

/* Frees everything the set holds and the set. Nothing for NULL. */
FW_API void FreeResultSet(ResultSet *set);

/* Free a row list with its cells (packed rows as one block), a cell list (not
 * the cells of a packed row), a column array with its names. */
FW_API void FreeResultSetRows(ResultSetRow *rows);
FW_API void FreeResultSetCells(ResultSetCell *cells);
FW_API void FreeResultSetColumns(ResultSetColumn *columns, int32_t columnCount);

FW_END_DECLS

#endif /* FW_DATALAYER_MEMSTORE_RESULT_SET_H */
