/*
 * data_source_map.h - which named database connection holds each table, and
 * the dialect switch of the SQL generators.
 *
 * Conventions
 * - The map is one process-wide list of entries in file order. Table names
 *   are compared ignoring letter case; when a table is listed twice the first
 *   entry counts.
 * - Boolean results are 1 (true) and 0 (false); a pointer result is NULL on
 *   failure. Entries returned by GetDataSourceMapEntry belong to the map:
 *   they stay valid until DeleteDataSourceMapEntry or
 *   FreeAllDataSourceMapEntries removes them.
 * - Threads: every call may be made from any thread; the list is guarded, so
 *   loading and lookups never see it half-changed. The map is meant to be
 *   filled at start-up and only read afterwards.
 * - Every map operation writes a TRACE record on entry.
 */
#ifndef FW_DATALAYER_DB_DATA_SOURCE_MAP_H
#define FW_DATALAYER_DB_DATA_SOURCE_MAP_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct DataSourceMapEntry {
    char *tableName;      /* owned */
    char *connectionName; /* owned */
} DataSourceMapEntry;

/* The dialect names, indexed by the dialect index. */
#define DIALECT_MYSQL 0
#define DIALECT_PGSQL 1
#define DIALECT_FIREBIRD 2
#define DIALECT_SQLITE 3
#define DIALECT_COUNT 4

/* Status 1 sets the map-valid flag (the index is not used); status 0 clears
 * it and sets the dialect index; any other status writes the ERROR record
 * "\nInvalid Status\n" and changes nothing. An index outside 0 to 3 with
 * status 0 is refused the same way with "Invalid dialect index %d\n". */
FW_API void SetDSNMapValid(uint8_t status, uint8_t dialectIndex);

/* The map-valid flag (0 until SetDSNMapValid sets it) and the dialect index
 * (0 at start). */
FW_API uint8_t IsDSNMapValid(void);
FW_API uint8_t GetDialectIndex(void);

/* "MYSQL", "PGSQL", "FIREBIRD", "SQLITE" for 0 to 3, NULL otherwise; a
 * constant text. */
FW_API const char *GetDialectName(int dialectIndex);

/* Reads dsn_table_map.txt: white-space-separated words in pairs, a table name
 * then a connection name; line ends carry no meaning. When path cannot be
 * opened, "<root>/data/dsn_table_map.txt" is tried. 0 with the ERROR record
 * "Cannot open DataSourceMap Entry File.\n" when neither opens; otherwise 1,
 * with every pair appended (a table name left without a connection name at
 * the end of the file is logged and dropped). */
FW_API int LoadDataSourceMapEntryFromFile(const char *path);

/* A new entry holding copies of both names, or NULL when either is NULL or a
 * copy fails. The caller owns it until AddDataSourceMapEntry takes it. */
FW_API DataSourceMapEntry *CreateDataSourceMapEntry(const char *tableName,
                                                    const char *connectionName);

/* Appends entry to the map, which takes it over: 1; 0 for NULL or when memory
 * runs out (the entry stays the caller's). */
FW_API int AddDataSourceMapEntry(DataSourceMapEntry *entry);

/* Removes and frees the first entry of tableName: 1, or 0 when none. */
FW_API int DeleteDataSourceMapEntry(const char *tableName);

/* The first entry of tableName (letter case ignored), or NULL for an empty
 * map or a NULL name. Belongs to the map. */
FW_API DataSourceMapEntry *GetDataSourceMapEntry(const char *tableName);

/* Frees every entry and empties the map. */
FW_API void FreeAllDataSourceMapEntries(void);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_DATA_SOURCE_MAP_H */
