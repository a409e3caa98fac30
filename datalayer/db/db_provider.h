/*
 * db_provider.h - database providers: the registry of known providers, the
 * two provider slots, and the records a provider works with.
 *
 * Conventions
 * - A DBProvider is a constant record (a name and nine operations) that its
 *   module owns for the life of the process; the registry and the slots only
 *   point at it. The one provider the data layer registers is "ODBC".
 * - A ConnectionHandle refers to its provider by slot index. Handles are made
 *   by a provider's OpenConnection and belong to the connection pool
 *   (connection_pool.h); callers never free them.
 * - Boolean results are 1 (true) and 0 (false); a pointer result is NULL on
 *   failure. Provider names are compared exactly.
 * - Threads: every call may be made from any thread; the registry and the
 *   slots are guarded.
 */
#ifndef FW_DATALAYER_DB_DB_PROVIDER_H
#define FW_DATALAYER_DB_DB_PROVIDER_H

#include <stdint.h>

#include "datalayer/db/conn_params.h"
#include "datalayer/memstore/result_set.h"
#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct ConnectionHandle {
    void *providerConnection; /* the provider's own connection state */
    char *connectionName;     /* owned copy of the entry's connectionName */
    int32_t providerIndex;    /* slot of its provider */
    int32_t ownerThread;      /* -1 when free, else the owner's key (a thread id, or 1) */
    uint8_t inTransaction;    /* 1 from a successful begin to the next commit or rollback */
    uint32_t openedAt;        /* seconds since 1970-01-01 UTC */
} ConnectionHandle;

/* What a chunk source returns when it has no more data. */
#define DB_CHUNK_END 2

/* Supplies the next piece of a long binary value: stores a pointer to the
 * piece and its length and returns any value but DB_CHUNK_END, or returns
 * DB_CHUNK_END when the value is complete. The piece stays the source's; it
 * must stay readable until the source is called again. */
typedef uint8_t (*DBChunkSource)(const void **data, uint32_t *length, void *context);

/* Receives a piece of a long binary value (at most 1024 bytes), and once
 * data NULL and length 0 when the value ends. The data is only lent. */
typedef void (*DBChunkSink)(const void *data, uint32_t length, void *context);

typedef struct DBProvider {
    const char *name;
    /* A new handle with providerConnection and connectionName set, or NULL. */
    ConnectionHandle *(*OpenConnection)(const ConnParamsEntry *entry);
    int (*ExecuteUpdate)(ConnectionHandle *handle, const char *statement);
    ResultSet *(*ExecuteQuery)(ConnectionHandle *handle, const char *statement);
    /* Releases the provider's connection state, not the handle record. */
    int (*CloseConnection)(ConnectionHandle *handle);
    int (*BeginTransaction)(ConnectionHandle *handle);
    int (*CommitTransaction)(ConnectionHandle *handle);
    int (*RollbackTransaction)(ConnectionHandle *handle);
    int (*ExecuteUpdateBlob)(ConnectionHandle *handle, const char *statement, DBChunkSource source,
                             void *context);
    ResultSet *(*ExecuteQueryBlob)(ConnectionHandle *handle, const char *statement,
                                   DBChunkSink sink, void *context);
} DBProvider;

#define DB_PROVIDER_SLOTS 2

/* Empties both slots, registers the "ODBC" provider, loads "ODBC" and then
 * "SQLITE" (which no provider answers, so its slot stays empty): 1. 0 with
 * the ERROR record "InitDBProvider Failed as already initialized\n" when
 * slot 0 is taken. */
FW_API int InitDBProvider(void);

/* Empties the slots and the registry, so InitDBProvider may run again. The
 * pool and the connection parameters are left to their own calls. */
FW_API void DeInitDBProvider(void);

/* Appends provider (which stays its module's) to the registry: 1; 0 for NULL
 * or when memory runs out. */
FW_API int RegisterDBProvider(const DBProvider *provider);

/* The first registered provider named name, or NULL. */
FW_API const DBProvider *FindRegisteredDBProvider(const char *name);

/* Puts the registered provider named name into the first empty slot: 1 when
 * one was found; 0 when none was (the slot stays empty) or no slot is
 * free. */
FW_API int LoadDBProvider(const char *name);

/* Empties the slot of the loaded provider named name: 1, or 0 when none. */
FW_API int UnloadDBProvider(const char *name);

/* The slot of the loaded provider named name, or -1. */
FW_API int FindLoadedDBProvider(const char *name);

/* The provider in slot, or NULL for an empty slot or one outside 0 to 1. */
FW_API const DBProvider *GetLoadedDBProvider(int slot);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_DB_PROVIDER_H */
