#include "datalayer/db/connection_pool.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "agent/log.h"
#include "platform/sync.h"
#include "util/kel_datetime.h"
#include "util/string_util.h"

namespace {

// Guards the pool list, every entry's handles and every handle's
// ownerThread: choosing a free handle and taking it is one step.
std::mutex g_poolLock;
Vector g_pool = {nullptr, 0, nullptr, nullptr};

std::atomic<DBClockFunction> g_clock{nullptr};

constexpr int32_t kFree = -1;
constexpr int32_t kSharedKey = 1;
constexpr int kDefaultPoolSize = 5;

uint32_t Now() {
    DBClockFunction clock = g_clock.load();
    return clock != nullptr ? clock() : GetCurrentTimeSeconds();
}

ConnectionPoolEntry *NewPoolEntry() {
    auto *entry = static_cast<ConnectionPoolEntry *>(calloc(1, sizeof(ConnectionPoolEntry)));
    if (entry == nullptr) {
        LogError("Unable to allocate memory for connection pool\n");
    }
    return entry;
}

void FreePoolEntry(ConnectionPoolEntry *entry) {
    for (VectorNode *node = entry->handles.head; node != nullptr; node = node->next) {
        auto *handle = static_cast<ConnectionHandle *>(node->element);
        if (!CloseDBConnection(handle)) {
            // Its provider is gone: nothing can close the connection, but the
            // record still goes.
            free(handle->connectionName);
            free(handle);
        }
    }
    FreeVector(&entry->handles);
    free(entry->connectionName);
    free(entry);
}

// Names the pool entry after its parameters and appends it to the pool.
bool AppendPoolEntry(ConnectionPoolEntry *entry, const ConnParamsEntry *params) {
    if (AllocateAndSetString(&entry->connectionName, params->connectionName) == 99) {
        return false;
    }
    std::lock_guard<std::mutex> guard(g_poolLock);
    return AddElementValue(&g_pool, entry) == 1;
}

// The entry GetDBConnection and ReleaseDBConnection work on. Without a name:
// the only entry (anyEntry false) or the first (anyEntry true).
ConnectionPoolEntry *ChooseEntryLocked(const char *connectionName, bool anyEntry) {
    if (g_pool.head == nullptr) {
        return nullptr;
    }
    if (connectionName == nullptr) {
        if (!anyEntry && g_pool.count != 1) {
            return nullptr;
        }
        return static_cast<ConnectionPoolEntry *>(g_pool.head->element);
    }
    for (VectorNode *node = g_pool.head; node != nullptr; node = node->next) {
        auto *entry = static_cast<ConnectionPoolEntry *>(node->element);
        if (entry->connectionName != nullptr &&
            CompareStrings(entry->connectionName, connectionName) == 0) {
            return entry;
        }
    }
    return nullptr;
}

// A single handle is shared by every thread under one key.
int32_t KeyFor(const ConnectionPoolEntry *entry) {
    return entry->handles.count == 1 ? kSharedKey : PlatformThreadId();
}

ConnectionHandle *FindOwnedLocked(ConnectionPoolEntry *entry, int32_t key) {
    for (VectorNode *node = entry->handles.head; node != nullptr; node = node->next) {
        auto *handle = static_cast<ConnectionHandle *>(node->element);
        if (handle->ownerThread == key) {
            return handle;
        }
    }
    return nullptr;
}

// Replaces a handle found too old: it is taken out of the pool and closed,
// and a fresh one owned by key is appended. The connecting happens outside
// the pool's lock so that other threads are not held up by it.
ConnectionHandle *Reopen(std::unique_lock<std::mutex> &lock, ConnectionPoolEntry *entry,
                         ConnectionHandle *stale, int32_t key) {
    ConnParamsEntry *params = GetConnParamsEntry(stale->connectionName);
    if (params == nullptr) {
        LogError("Cannot return connection handle. Error in fetching connection parameters.\n");
        return nullptr;
    }
    DeleteLCDVector(&entry->handles, stale);
    lock.unlock();
    // Dropping it without closing would leave the server connection open.
    CloseDBConnection(stale);
    ConnectionHandle *fresh = OpenDBConnection(params);
    lock.lock();
    if (fresh == nullptr) {
        LogError(
            "Cannot return connection handle. Error in opening connection while "
            "re-establishing connection hanlde.\n");
        return nullptr;
    }
    fresh->ownerThread = key;
    if (AddElementValue(&entry->handles, fresh) != 1) {
        CloseDBConnection(fresh);
        return nullptr;
    }
    LogDebug(" %s : Connection Established\n", params->connectionName);
    ReallocateAndSetString(&entry->connectionName, params->connectionName,
                           GetStringLength(params->connectionName));
    return fresh;
}

}  // namespace

ConnectionHandle *OpenDBConnection(const ConnParamsEntry *entry) {
    LogTrace("## Inside OpenDBConnection ##\n");
    if (entry == nullptr) {
        return nullptr;
    }
    int slot = FindLoadedDBProvider(entry->providerName);
    const DBProvider *provider = GetLoadedDBProvider(slot);
    if (provider == nullptr) {
        return nullptr;
    }
    ConnectionHandle *handle = provider->OpenConnection(entry);
    if (handle == nullptr) {
        return nullptr;
    }
    handle->providerIndex = slot;
    handle->ownerThread = kFree;
    handle->inTransaction = 0;
    handle->openedAt = Now();
    return handle;
}

int EstablishDBConnections(void) {
    LogTrace("@@@ Inside EstablishDBConnections @@@\n");
    Vector *params = GetConnParamsList();
    if (params->head == nullptr) {
        return 0;
    }
    for (VectorNode *node = params->head; node != nullptr; node = node->next) {
        auto *entry = static_cast<ConnParamsEntry *>(node->element);
        ConnectionPoolEntry *poolEntry = NewPoolEntry();
        if (poolEntry == nullptr) {
            return 0;
        }
        ConnectionHandle *handle = OpenDBConnection(entry);
        if (handle == nullptr) {
            LogError("Cannot establish connection.\n");
            FreePoolEntry(poolEntry);
            return 0;
        }
        if (AddElementValue(&poolEntry->handles, handle) != 1) {
            CloseDBConnection(handle);
            FreePoolEntry(poolEntry);
            return 0;
        }
        LogDebug(" %s : Connection Established\n", handle->connectionName);
        if (!AppendPoolEntry(poolEntry, entry)) {
            FreePoolEntry(poolEntry);
            return 0;
        }
    }
    return 1;
}

int EstablishDBConnectionPool(int n) {
    LogTrace("@@@ Inside EstablishDBConnectionPool @@@\n");
    Vector *params = GetConnParamsList();
    if (params->head == nullptr) {
        LogError("There is no entry in data source vector\n");
        return 0;
    }
    int count = n > 0 ? n : kDefaultPoolSize;
    for (VectorNode *node = params->head; node != nullptr; node = node->next) {
        auto *entry = static_cast<ConnParamsEntry *>(node->element);
        ConnectionPoolEntry *poolEntry = NewPoolEntry();
        if (poolEntry == nullptr) {
            return 0;
        }
        for (int number = 0; number < count; ++number) {
            ConnectionHandle *handle = OpenDBConnection(entry);
            if (handle == nullptr) {
                continue;
            }
            if (AddElementValue(&poolEntry->handles, handle) != 1) {
                CloseDBConnection(handle);
                continue;
            }
            LogDebug(" %d : %s : Connection Established\n", number, handle->connectionName);
        }
        if (!AppendPoolEntry(poolEntry, entry)) {
            FreePoolEntry(poolEntry);
            return 0;
        }
    }
    return 1;
}

ConnectionHandle *GetDBConnection(const char *connectionName) {
    LogTrace("@@@ Inside GetDBConnection @@@\n");
    std::unique_lock<std::mutex> lock(g_poolLock);
    if (g_pool.head == nullptr) {
        return nullptr;
    }
    uint32_t now = Now();
    ConnectionPoolEntry *entry = ChooseEntryLocked(connectionName, false);
    if (entry == nullptr) {
        return nullptr;
    }
    int32_t key = KeyFor(entry);
    ConnectionHandle *handle = FindOwnedLocked(entry, key);
    if (handle == nullptr) {
        handle = FindOwnedLocked(entry, kFree);
        if (handle == nullptr) {
            return nullptr;
        }
        handle->ownerThread = key;
    }
    // Unsigned, so that a clock set back also counts as too old.
    if (static_cast<uint32_t>(now - handle->openedAt) <= DB_CONNECTION_MAX_AGE) {
        return handle;
    }
    return Reopen(lock, entry, handle, key);
}

int ReleaseDBConnection(const char *connectionName) {
    LogTrace("@@@ Inside ReleaseDBConnection @@@\n");
    std::lock_guard<std::mutex> guard(g_poolLock);
    ConnectionPoolEntry *entry = ChooseEntryLocked(connectionName, true);
    if (entry == nullptr) {
        return 0;
    }
    ConnectionHandle *handle = FindOwnedLocked(entry, KeyFor(entry));
    if (handle == nullptr) {
        return 0;
    }
    handle->ownerThread = kFree;
    return 1;
}

int CloseDBConnection(ConnectionHandle *handle) {
    if (handle == nullptr) {
        return 0;
    }
    const DBProvider *provider = GetLoadedDBProvider(handle->providerIndex);
    if (provider == nullptr) {
        return 0;
    }
    provider->CloseConnection(handle);
    free(handle->connectionName);
    free(handle);
    return 1;
}

void CloseAllDBConnections(void) {
    LogTrace("@@@ Inside CloseAllDBConnections @@@\n");
    std::lock_guard<std::mutex> guard(g_poolLock);
    for (VectorNode *node = g_pool.head; node != nullptr; node = node->next) {
        FreePoolEntry(static_cast<ConnectionPoolEntry *>(node->element));
    }
    FreeVector(&g_pool);
}

Vector *GetConnectionPool(void) {
    return &g_pool;
}

void SetDBConnectionClock(DBClockFunction clock) {
    g_clock = clock;
}
