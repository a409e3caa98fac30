/*
 * table_data.h - the in-memory tables and their registry.
 *
 * A TableData is a named list of rows whose columns are those of the table's
 * definition (table_registry.h), in order. Tables are registered when they
 * are created and found by name ignoring letter case (the first registered
 * wins). Rows are added, updated and deleted here, and every change is
 * announced (notification.h).
 *
 * Conventions
 * - Results are 1 (true) and 0 (false), or a pointer that is NULL. Every
 *   operation writes a TRACE record on entry ("@@@ Inside AddNewRow @@@").
 * - A table owns its rows; a row given to AddNewRow belongs to the table once
 *   accepted and stays the caller's when refused.
 * - Threads: creating, finding and unregistering tables are safe from any
 *   thread. Rows and TableData records have no lock: one thread at a time
 *   changes a table.
 * - firstRow and lastRow are read by callers; change rows only through these
 *   calls, which keep rowCount and lastRow right.
 */
#ifndef FW_DATALAYER_MEMSTORE_TABLE_DATA_H
#define FW_DATALAYER_MEMSTORE_TABLE_DATA_H

#include <stdint.h>

#include "datalayer/dictionary/table_defn.h"
#include "datalayer/memstore/row_object.h"
#include "platform/c_api.h"
#include "util/vector.h"

FW_BEGIN_DECLS

typedef uint8_t TableKind;
#define TABLE_KIND_TABLE 1
#define TABLE_KIND_CUSTOM_VIEW 2

typedef struct CustomViewDefn CustomViewDefn;

typedef struct TableData {
    char *name;
    TableKind kind;
    TableDefn *definition;          /* tables: the registered definition */
    CustomViewDefn *viewDefinition; /* custom views */
    int32_t columnCount;
    int32_t rowCount;
    RowObject *firstRow; /* rows in the order they were added */
    RowObject *lastRow;  /* so that adding a row does not walk the list */
} TableData;

/* Creates and registers the table of the definition named tableName. 0 when
 * there is no definition, a table of that name is registered already
 * (ignoring case), or memory runs out. */
FW_API int CreateTable(const char *tableName);

/* The first registered table named tableName ignoring case, or NULL. The
 * table belongs to the registry. */
FW_API TableData *GetTableDataByName(const char *tableName);

/* The registry (elements are TableData*), in creation order, for iteration. */
FW_API Vector *GetTableDataList(void);

/* Registers a table made elsewhere (a custom view): 1; 0 when a table of that
 * name is registered already or memory runs out. */
FW_API int RegisterTableData(TableData *table);

/* Removes table from the registry (it is not freed): 1, or 0 when it is not
 * registered. */
FW_API int UnregisterTableData(TableData *table);

/* Adds row at the end of the table. For a table, a NULL value of a column
 * with a generator gets the next number of its sequence (in the column's own
 * type: a BIGINT identifier is 8 bytes), then a NULL value of a column with a
 * default gets a copy of the default. 0 (row untouched, still the caller's)
 * for an unknown table, a table without columns, a sequence that cannot give
 * a number, or when memory runs out. Keys are not checked; flags unchanged. */
FW_API int AddNewRow(const char *tableName, RowObject *row);

/* Replaces the value of columnName (ignoring case) in row with a copy of
 * length bytes of value (NULL: a NULL value) and adds ROW_MODIFIED. 0 for an
 * unknown table or column, a NULL row ("\t@@@@@ rowPtr passed as parameter in
 * NULL @@@@@ \n"), a primary-key column ("@@@ UpdateRowObject Failed as
 * PrimaryKey is being updated @@@\n") or when memory runs out; the row keeps
 * its old value then. */
FW_API int UpdateRowObject(const char *tableName, RowObject *row, const char *columnName,
                           const unsigned char *value, int32_t length);

/* A row read from the database is only marked ROW_DELETED (it stays, for the
 * database delete) and nothing is announced. Any other row is unlinked,
 * announced and freed. 0 for an unknown table or a row not in it. */
FW_API int DeleteRowObject(const char *tableName, RowObject *row);

/* DeleteRowObject for every row of a table, in order. */
FW_API int DeleteAllTableRowObjects(const char *tableName);

/* Frees what the table holds (name, rows); the record itself and its
 * registration are the caller's concern. NULL is ignored. */
FW_API void FreeTableData(TableData *table);

/* The column definition at index of a table's definition, or NULL. */
FW_API ColumnDefn *GetTableColumn(const TableData *table, int32_t index);

FW_END_DECLS

#endif /* FW_DATALAYER_MEMSTORE_TABLE_DATA_H */
