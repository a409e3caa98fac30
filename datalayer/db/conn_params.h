/*
 * conn_params.h - the named database connections of connparams.txt.
 *
 * Conventions
 * - One process-wide list of ConnParamsEntry, in file order; the first entry
 *   is the default connection. Connection names are compared exactly.
 * - Boolean results are 1 (true) and 0 (false); a pointer result is NULL on
 *   failure. Entries and texts the lookups return belong to the list: they
 *   stay valid until DeleteConnParamsEntry or FreeAllConnParamsEntries
 *   removes them, which the data layer does only at shut-down.
 * - Threads: every call may be made from any thread; the list is guarded.
 * - Passwords are never written to the log.
 */
#ifndef FW_DATALAYER_DB_CONN_PARAMS_H
#define FW_DATALAYER_DB_CONN_PARAMS_H

#include <stdint.h>

#include "platform/c_api.h"
#include "util/vector.h"

FW_BEGIN_DECLS

typedef struct ConnParamsEntry {
    char *host;           /* owned; kept, not used by the ODBC provider */
    uint16_t port;        /* kept, not used by the ODBC provider */
    char *dsn;            /* owned; the ODBC data source name */
    char *userName;       /* owned */
    char *password;       /* owned, or NULL for no password */
    int32_t reserved;     /* always 0 */
    char *connectionName; /* owned; how the rest of the system names it */
    uint8_t useConnectionString;
    char *connectionString; /* owned, or NULL; used when useConnectionString is 1 */
    char *providerName;     /* owned; the DBProvider ("ODBC") */
    char *databaseType;     /* owned; "MYSQL", "PGSQL", "FIREBIRD" or "SQLITE" */
} ConnParamsEntry;

/* Reads connparams.txt, one connection a line: host, port, DSN, user,
 * password ("NULL" for none), a placeholder, connection name, provider name,
 * database type, YES or NO, and after YES, following one blank, the
 * connection string up to the end of the line. When path cannot be opened,
 * "<root>/data/connparams.txt" is tried; when neither opens: 0 after the
 * ERROR record "Cannot open Connection Parameters File.\n". Otherwise 1, also
 * for an empty file. A line with fewer than ten words or a port that is not a
 * number is skipped with an ERROR record naming the line; blank lines and
 * lines starting with '#' are skipped silently. */
FW_API int LoadConnParamsEntryFromFile(const char *path);

/* A new entry holding copies of the given texts (NULL stays NULL), or NULL
 * when a copy fails. The caller owns it until AddConnParamsEntry takes it,
 * or frees it with FreeConnParamsEntry. */
FW_API ConnParamsEntry *CreateConnParamsEntry(const char *host, uint16_t port, const char *dsn,
                                              const char *userName, const char *password,
                                              int32_t reserved, const char *connectionName,
                                              uint8_t useConnectionString,
                                              const char *connectionString,
                                              const char *providerName, const char *databaseType);

/* Frees an entry and its texts; nothing for NULL. */
FW_API void FreeConnParamsEntry(ConnParamsEntry *entry);

/* Appends entry to the list, which takes it over: 1; 0 for NULL or when
 * memory runs out (the entry stays the caller's). */
FW_API int AddConnParamsEntry(ConnParamsEntry *entry);

/* The first entry named connectionName, or NULL for an empty list, a NULL
 * name or no match. Belongs to the list. */
FW_API ConnParamsEntry *GetConnParamsEntry(const char *connectionName);

/* Removes and frees the first entry named connectionName: 1, or 0. */
FW_API int DeleteConnParamsEntry(const char *connectionName);

/* Frees every entry and empties the list. */
FW_API void FreeAllConnParamsEntries(void);

/* The list itself, for reading (in file order); its nodes belong to it. */
FW_API Vector *GetConnParamsList(void);

/* The first entry's connectionName; NULL for an empty list, or after the
 * ERROR record "Connection Name IS NULL\n" when it has none. Belongs to the
 * list. */
FW_API const char *GetDefaultConnectionName(void);

/* The providerName of the named entry, or NULL. Belongs to the list. */
FW_API const char *GetProviderNameForConnection(const char *connectionName);

/* The databaseType of the named entry; NULL after the ERROR record
 * "dbConnPtr is NULL for Connection Name %s \n" when there is none. Belongs
 * to the list. */
FW_API const char *GetDatabaseTypeForConnection(const char *connectionName);

/* The connection name the data-source map gives tableName; NULL after the
 * ERROR record "No DataSourceMap Entry for Table name %s \n" when it has
 * none. Belongs to the map. */
FW_API const char *GetConnectionNameForTable(const char *tableName);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_CONN_PARAMS_H */
