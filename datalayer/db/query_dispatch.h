/*
 * query_dispatch.h - the registry of SQL dialect generators and the choice
 * of a generator for a table.
 *
 * Conventions
 * - A QueryGenerator is a constant record (a dialect name and six
 *   operations) that its module owns for the life of the process; the
 *   registry only points at it. Dialect names are compared ignoring case.
 * - The dialect for a table: with the map-valid flag set
 *   (data_source_map.h), the databaseType of the connection the data-source
 *   map gives the table; otherwise the one dialect of the dialect index.
 * - Texts returned are new memory from malloc that the caller frees; a
 *   RowObject returned belongs to the caller. NULL on failure, with the
 *   generator's result logged at DEBUG level.
 * - Threads: every call may be made from any thread; the registry is
 *   guarded.
 */
#ifndef FW_DATALAYER_DB_QUERY_DISPATCH_H
#define FW_DATALAYER_DB_QUERY_DISPATCH_H

#include "datalayer/memstore/result_set.h"
#include "datalayer/sql/select_query.h"
#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct RowObject RowObject;

typedef struct QueryGenerator {
    const char *name; /* the dialect: "MYSQL", "PGSQL", "FIREBIRD", "SQLITE" */
    char *(*GenSelectQuery)(SelectQuery *query);
    char *(*GenUpdateQuery)(const char *tableName, RowObject *row);
    char *(*GenInsertQuery)(const char *tableName, RowObject *row);
    char *(*GenDeleteQuery)(const char *tableName, RowObject *row);
    char *(*GenCreateQuery)(const char *tableName);
    RowObject *(*ConvResultsetToRowobject)(ResultSet *resultSet, const char *tableName);
} QueryGenerator;

/* Appends generator (which stays its module's) to the registry: 1; 0 for
 * NULL or when memory runs out. */
FW_API int RegisterQueryGenerator(const QueryGenerator *generator);

/* The first generator whose name equals name ignoring case, or NULL. */
FW_API const QueryGenerator *FindQueryGenerator(const char *name);

/* Empties the registry. */
FW_API void FreeQueryGenerators(void);

/* With the map-valid flag set, the table that chooses the dialect is the
 * first of the query's tables, else the left table of its first join
 * (neither: ERROR record "No Tables selected in select query.\n", NULL). */
FW_API char *GenerateSelectQuery(SelectQuery *query);
FW_API char *GenerateUpdateQuery(const char *tableName, RowObject *row);
FW_API char *GenerateInsertQuery(const char *tableName, RowObject *row);
FW_API char *GenerateDeleteQuery(const char *tableName, RowObject *row);

/* With the map-valid flag set, a table without a map entry or a connection
 * without a dialect gives NULL at once, without the DEBUG record. */
FW_API char *GenerateCreateTableQuery(const char *tableName);

/* The row of the result set's current row, made by the generator of
 * dialectName; NULL without one. */
FW_API RowObject *ConvertResultSetToRowObject(ResultSet *resultSet, const char *dialectName,
                                              const char *tableName);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_QUERY_DISPATCH_H */
