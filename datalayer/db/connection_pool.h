/*
 * connection_pool.h - open connections for every named connection, handed
 * out to threads.
 *
 * Conventions
 * - The pool is one process-wide list of ConnectionPoolEntry, one per
 *   connection of connparams.txt, in file order. Handles belong to the pool:
 *   callers never free them; they stay valid until CloseAllDBConnections, or
 *   until the pool replaces a handle older than 27900 seconds.
 * - A thread asks for a handle with GetDBConnection and gives it back with
 *   ReleaseDBConnection. With several handles per connection each thread gets
 *   its own, and the same one again while it holds it; a connection with a
 *   single handle shares it among all threads (the ODBC provider runs the
 *   statements on one handle one after another). When every handle is taken
 *   the caller gets NULL at once.
 * - Threads: every call may be made from any thread. The choice of a handle
 *   and the lists are guarded, so one handle of a connection with several
 *   handles is never given to two threads at once.
 * - Boolean results are 1 (true) and 0 (false); a pointer result is NULL on
 *   failure, with an ERROR record where said.
 */
#ifndef FW_DATALAYER_DB_CONNECTION_POOL_H
#define FW_DATALAYER_DB_CONNECTION_POOL_H

#include <stdint.h>

#include "datalayer/db/conn_params.h"
#include "datalayer/db/db_provider.h"
#include "platform/c_api.h"
#include "util/vector.h"

FW_BEGIN_DECLS

typedef struct ConnectionPoolEntry {
    char *connectionName; /* owned */
    Vector handles;       /* of ConnectionHandle, in the order opened */
} ConnectionPoolEntry;

/* A handle older than this many seconds is re-opened when it is handed out. */
#define DB_CONNECTION_MAX_AGE 27900

/* Opens a connection of entry through the loaded provider named by its
 * providerName: a new handle, free (ownerThread -1), not in a transaction,
 * openedAt now. NULL when no such provider is loaded or it cannot connect.
 * The handle belongs to the caller until it is put into the pool; free it
 * with CloseDBConnection. */
FW_API ConnectionHandle *OpenDBConnection(const ConnParamsEntry *entry);

/* Opens one connection per entry of connparams.txt, in order, into the pool.
 * 0 for an empty parameter list, and at the first connection that cannot be
 * opened (ERROR record "Cannot establish connection.\n"; the connections
 * opened so far stay pooled); otherwise 1. */
FW_API int EstablishDBConnections(void);

/* Opens n connections (5 when n is 0) per entry into the pool; a connection
 * that cannot be opened is skipped. 0 with the ERROR record "There is no
 * entry in data source vector\n" for an empty parameter list; otherwise 1. */
FW_API int EstablishDBConnectionPool(int n);

/* A handle of the named connection for the calling thread: the one it
 * already holds, else a free one, which it now holds. With NULL for a name,
 * the handle of the pool's only connection (NULL when the pool holds
 * several). NULL when no handle is free. A handle older than 27900 seconds
 * is closed and replaced by a fresh one (appended at the end of the entry's
 * handles). */
FW_API ConnectionHandle *GetDBConnection(const char *connectionName);

/* Frees the calling thread's handle of the named connection (NULL: the
 * pool's first connection): 1, or 0 when it holds none. */
FW_API int ReleaseDBConnection(const char *connectionName);

/* Closes the handle's connection at its provider and frees the handle: 1; 0
 * (nothing freed) when its provider slot is empty. Only for handles not in
 * the pool. */
FW_API int CloseDBConnection(ConnectionHandle *handle);

/* Closes every pooled handle and empties the pool. */
FW_API void CloseAllDBConnections(void);

/* The pool itself, for reading: a list of ConnectionPoolEntry. Do not read
 * it while other threads get, release or replace handles. */
FW_API Vector *GetConnectionPool(void);

/* For tests: replaces the pool's clock (seconds since 1970, as
 * GetCurrentTimeSeconds gives them); NULL restores the real one. Set it while
 * no other thread uses the pool. */
typedef uint32_t (*DBClockFunction)(void);
FW_API void SetDBConnectionClock(DBClockFunction clock);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_CONNECTION_POOL_H */
