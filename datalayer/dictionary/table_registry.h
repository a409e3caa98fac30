/*
 * table_registry.h - the process-wide registry of table definitions, and the
 * lookups every other part of the data layer makes in it.
 *
 * Conventions
 * - The registry is a Vector of TableDefn* in load order. The same table name
 *   may be registered twice; lookups find the first. Table names are compared
 *   ignoring letter case, column names exactly.
 * - It is filled at start-up and emptied at shut-down on one thread; between
 *   the two any thread may read it. Change it only through these calls (they
 *   keep an index beside the list).
 * - Records returned belong to the registry and stay valid until
 *   FreeTableDefnList (or FreeTableDefn of that table). Results are 1 (true)
 *   and 0 (false), or a pointer that is NULL on failure.
 */
#ifndef FW_DATALAYER_DICTIONARY_TABLE_REGISTRY_H
#define FW_DATALAYER_DICTIONARY_TABLE_REGISTRY_H

#include <stdint.h>

#include "datalayer/dictionary/table_defn.h"
#include "platform/c_api.h"
#include "util/vector.h"

FW_BEGIN_DECLS

/* Makes the registry an empty unsorted Vector (what was registered before is
 * forgotten, not freed: call FreeTableDefnList first). */
FW_API void InitTableDefnList(void);

/* Frees every definition and empties the registry. */
FW_API void FreeTableDefnList(void);

/* The registry itself, for iteration (elements are TableDefn*). */
FW_API Vector *GetTableDefnList(void);

/* Appends definition, which the registry takes over: 1; 0 for NULL or when
 * memory runs out (it then stays the caller's). */
FW_API int AddTableDefn(TableDefn *definition);

/* The first definition named tableName ignoring letter case, or NULL (with
 * the ERROR record "Table Name is NULL.\n" for a NULL name, unless the
 * registry is empty). */
FW_API TableDefn *GetTableDefn(const char *tableName);

/* Removes the first definition named tableName (ignoring case) and frees it;
 * nothing when there is none. */
FW_API void FreeTableDefn(const char *tableName);

/* The column named columnName (exactly) of the table named tableName, or
 * NULL. ERROR records for absent names and for an unknown table. */
FW_API ColumnDefn *GetColumnDefnEntry(const char *tableName, const char *columnName);

/* The column's type code, or 0 when the table or column is not defined. */
FW_API uint8_t GetColumnType(const char *tableName, const char *columnName);

/* The column's default value (owned by the definition), or NULL. Sets *found
 * to 1 when the column exists, even without a default; leaves it otherwise. */
FW_API unsigned char *GetDefaultValue(const char *tableName, const char *columnName, int *found);

/* The first column pair of definition whose localColumn equals localColumn
 * ignoring letter case, or NULL (with an ERROR record when the definition has
 * no constraints or no foreign keys). */
FW_API ForeignKeyDefn *GetForeignKeyDefn(const TableDefn *definition, const char *localColumn);

/* Write the definition (only when it has a column), or every registered one
 * in order, with LogDebug. */
FW_API void PrintTableDefn(const TableDefn *definition);
FW_API void PrintAllTableDefns(void);

FW_END_DECLS

#endif /* FW_DATALAYER_DICTIONARY_TABLE_REGISTRY_H */
