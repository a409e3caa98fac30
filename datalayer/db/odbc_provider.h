/*
 * odbc_provider.h - the "ODBC" database provider: connections, statements,
 * typed result sets, long binary values in pieces and transactions through
 * the unixODBC driver manager, with the ODBC 2 handle calls.
 *
 * Conventions
 * - The nine operations are reached through gv_odbcProvider (db_provider.h)
 *   and the calls of db_statements.h; they are declared here for the tests
 *   and for callers that hold an ODBC handle directly.
 * - Boolean results are 1 (true) and 0 (false); a pointer result is NULL on
 *   failure. Every failure is logged with LogError in fixed words, followed
 *   by the driver's diagnostic record where there is one; the connection
 *   stays usable. Nothing is retried.
 * - Result sets returned belong to the caller (FreeResultSet). Column values
 *   are in the data layer's encoding: the text the driver gives, converted
 *   for the column's type code (date, time and timestamp columns hold a
 *   KelDateTime with only the parts the type has; a TINYINT column is a
 *   boolean, true only for the text "1"). Values are read whole, however
 *   long, whatever size the driver declared for the column.
 * - Passwords never reach the log: connection strings are logged with the
 *   value of PWD and PASSWORD masked.
 * - Threads: ODBCExecuteUpdate and ODBCExecuteQuery hold LockObject(handle)
 *   for their whole run, so statements on one handle from several threads run
 *   one after another; a thread never calls them while it holds that lock.
 *   The blob and transaction operations take no lock: one thread at a time
 *   uses a handle for them.
 */
#ifndef FW_DATALAYER_DB_ODBC_PROVIDER_H
#define FW_DATALAYER_DB_ODBC_PROVIDER_H

#include <stdint.h>

#include "datalayer/db/conn_params.h"
#include "datalayer/db/db_provider.h"
#include "datalayer/memstore/result_set.h"
#include "platform/c_api.h"

FW_BEGIN_DECLS

/* The provider record: "ODBC" and its nine operations in slot order. */
FW_API extern const DBProvider gv_odbcProvider;

/* The connection text for an entry: with useConnectionString a copy of its
 * connectionString; otherwise "DSN=" dsn ";" ["UID=" user] ";" ["PWD="
 * password] ";" ["Driver={" provider "}"], the separators written even when a
 * part is missing ("DSN=inv;UID=sa;;Driver={ODBC}"). A value holding ';',
 * '{' or '}' is written in braces, with '}' doubled. NULL for an entry
 * without a dsn or when memory runs out. The caller frees it. */
FW_API char *BuildODBCConnectionString(const ConnParamsEntry *entry);

/* A copy of a connection text with the values of PWD and PASSWORD replaced by
 * "***", for logging. NULL for NULL or when memory runs out; the caller frees
 * it. */
FW_API char *MaskODBCConnectionString(const char *connectionString);

/* How long a connect may wait for the server, in seconds (0: the driver's
 * own limit). 30 until set. Applies to connections opened afterwards. */
FW_API void SetODBCLoginTimeout(uint32_t seconds);
FW_API uint32_t GetODBCLoginTimeout(void);

/* Opens a connection for entry (which needs a dsn, also when it carries a
 * connection string): a new handle with providerConnection and a copy of
 * connectionName set, or NULL. The connection pool completes and owns it. */
FW_API ConnectionHandle *ODBCOpenConnection(const ConnParamsEntry *entry);

/* Prepares and executes statement: 1 when it ran (also when it changed no
 * row), 0 otherwise. */
FW_API int ODBCExecuteUpdate(ConnectionHandle *handle, const char *statement);

/* Executes statement and returns its rows, or NULL. A fetch that fails fails
 * the whole query. */
FW_API ResultSet *ODBCExecuteQuery(ConnectionHandle *handle, const char *statement);

/* Disconnects (rolling back an open transaction first) and frees the ODBC
 * handles and the connection state; the handle record stays the caller's.
 * 0 for NULL. */
FW_API int ODBCCloseConnection(ConnectionHandle *handle);

/* Autocommit off; commit or roll back, then autocommit on again. */
FW_API int ODBCBeginTransaction(ConnectionHandle *handle);
FW_API int ODBCCommitTransaction(ConnectionHandle *handle);
FW_API int ODBCRollbackTransaction(ConnectionHandle *handle);

/* Executes statement, whose one parameter marker takes a long binary value
 * that source supplies piece by piece (an empty value when it supplies
 * none). The pieces are gathered before the statement runs, so the driver
 * learns the value's length first; they are then put one by one. 1 or 0. */
FW_API int ODBCExecuteUpdateBlob(ConnectionHandle *handle, const char *statement,
                                 DBChunkSource source, void *context);

/* As ODBCExecuteQuery, but every long binary column (type code KEL_SQL_BLOB)
 * is passed to sink in pieces of at most 1024 bytes, then once with no data
 * and length 0; its cells are NULL. sink may be NULL to drop the values. */
FW_API ResultSet *ODBCExecuteQueryBlob(ConnectionHandle *handle, const char *statement,
                                       DBChunkSink sink, void *context);

/* A date (type 16: "%d-%d-%d"), time (17: "%d:%d:%d") or timestamp (18:
 * "%d-%d-%d %d:%d:%d", a fraction ignored) text as a column value holding a
 * KelDateTime with only the parts of its type; *length becomes 11. NULL for
 * another type or a text that does not hold every field. The caller frees it
 * with FreeColumnValue. */
FW_API unsigned char *ConvertODBCDateTime(const char *text, int32_t *length, uint8_t type);

/* Writes diagnostic record 1 of an ODBC connection handle (an SQLHDBC) as the
 * ERROR records "Error in starting transaction\n", "STATE: %s\n",
 * "NAT: %ld\n" and "MSG: %s\n". */
FW_API void LogConnectionDiagnostics(void *connection);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_ODBC_PROVIDER_H */
