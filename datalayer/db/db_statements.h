/*
 * db_statements.h - running statements and transactions on a pooled
 * connection handle, whatever its provider.
 *
 * Conventions
 * - Each call checks its arguments and forwards to the operation of the
 *   handle's provider, returning its result unchanged. A NULL handle or
 *   statement is logged (the statement text is part of the message) and
 *   answered with 0 or NULL; a handle whose provider slot is empty gets 0 or
 *   NULL without a message.
 * - A ResultSet returned belongs to the caller, who frees it with
 *   FreeResultSet.
 * - Update calls return 1 when the statement ran, whatever number of rows it
 *   changed.
 * - Threads: the ODBC provider runs ExecuteUpdate and ExecuteQuery on one
 *   handle one after another; the blob and transaction calls take no lock,
 *   so one thread at a time uses a handle for them.
 */
#ifndef FW_DATALAYER_DB_DB_STATEMENTS_H
#define FW_DATALAYER_DB_DB_STATEMENTS_H

#include "datalayer/db/db_provider.h"
#include "datalayer/memstore/result_set.h"
#include "platform/c_api.h"

FW_BEGIN_DECLS

FW_API int ExecuteUpdate(ConnectionHandle *handle, const char *statement);
FW_API ResultSet *ExecuteQuery(ConnectionHandle *handle, const char *statement);

/* statement holds one parameter marker, bound to a long binary value that
 * source supplies piece by piece. */
FW_API int ExecuteUpdateBlob(ConnectionHandle *handle, const char *statement, DBChunkSource source,
                             void *context);

/* Long binary columns are streamed to sink in pieces of at most 1024 bytes,
 * followed by one call with no data; their cells in the result are NULL. */
FW_API ResultSet *ExecuteQueryBlob(ConnectionHandle *handle, const char *statement,
                                   DBChunkSink sink, void *context);

/* Begin sets inTransaction to 1 when the provider succeeds. Commit and
 * rollback return 0 without calling the provider unless inTransaction is 1;
 * otherwise they forward, clear inTransaction whatever the outcome, and
 * return the provider's result. */
FW_API int BeginDBTransaction(ConnectionHandle *handle);
FW_API int CommitDBTransaction(ConnectionHandle *handle);
FW_API int RollbackDBTransaction(ConnectionHandle *handle);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_DB_STATEMENTS_H */
