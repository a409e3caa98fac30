#include "datalayer/db/db_statements.h"

#include "agent/log.h"

namespace {

const char *Shown(const char *statement) {
    return statement != nullptr ? statement : "(null)";
}

const DBProvider *ProviderOf(const ConnectionHandle *handle) {
    return GetLoadedDBProvider(handle->providerIndex);
}

}  // namespace

int ExecuteUpdate(ConnectionHandle *handle, const char *statement) {
    if (handle == nullptr) {
        LogError("ConnectionHandle NULL in ExecuteUpdate for Query %s \n", Shown(statement));
        return 0;
    }
    if (statement == nullptr) {
        LogError(" No Query To be Updated \n");
        return 0;
    }
    const DBProvider *provider = ProviderOf(handle);
    return provider != nullptr ? provider->ExecuteUpdate(handle, statement) : 0;
}

ResultSet *ExecuteQuery(ConnectionHandle *handle, const char *statement) {
    if (handle == nullptr) {
        LogError("ConnectionHandle NULL in ExecuteQuery for Query %s \n", Shown(statement));
        return nullptr;
    }
    if (statement == nullptr) {
        LogError(" No Query To be Executed \n");
        return nullptr;
    }
    const DBProvider *provider = ProviderOf(handle);
    return provider != nullptr ? provider->ExecuteQuery(handle, statement) : nullptr;
}

int ExecuteUpdateBlob(ConnectionHandle *handle, const char *statement, DBChunkSource source,
                      void *context) {
    if (handle == nullptr) {
        LogError("ConnectionHandle NULL in ExecuteUpdateBlob for Query %s \n", Shown(statement));
        return 0;
    }
    if (statement == nullptr) {
        LogError(" No Query To be Updated \n");
        return 0;
    }
    const DBProvider *provider = ProviderOf(handle);
    return provider != nullptr ? provider->ExecuteUpdateBlob(handle, statement, source, context)
                               : 0;
}

ResultSet *ExecuteQueryBlob(ConnectionHandle *handle, const char *statement, DBChunkSink sink,
                            void *context) {
    if (handle == nullptr) {
        LogError("ConnectionHandle NULL in ExecuteQueryBlob for Query %s \n", Shown(statement));
        return nullptr;
    }
    if (statement == nullptr) {
        LogError(" No Query To be Executed \n");
        return nullptr;
    }
    const DBProvider *provider = ProviderOf(handle);
    return provider != nullptr ? provider->ExecuteQueryBlob(handle, statement, sink, context)
                               : nullptr;
}

int BeginDBTransaction(ConnectionHandle *handle) {
    if (handle == nullptr) {
        return 0;
    }
    const DBProvider *provider = ProviderOf(handle);
    if (provider == nullptr || !provider->BeginTransaction(handle)) {
        return 0;
    }
    handle->inTransaction = 1;
    return 1;
}

int CommitDBTransaction(ConnectionHandle *handle) {
    if (handle == nullptr || handle->inTransaction != 1) {
        return 0;
    }
    const DBProvider *provider = ProviderOf(handle);
    if (provider == nullptr) {
        return 0;
    }
    int result = provider->CommitTransaction(handle);
    handle->inTransaction = 0;
    return result;
}

int RollbackDBTransaction(ConnectionHandle *handle) {
    if (handle == nullptr || handle->inTransaction != 1) {
        return 0;
    }
    const DBProvider *provider = ProviderOf(handle);
    if (provider == nullptr) {
        return 0;
    }
    int result = provider->RollbackTransaction(handle);
    handle->inTransaction = 0;
    return result;
}
