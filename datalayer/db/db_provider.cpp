#include "datalayer/db/db_provider.h"

#include <mutex>

#include "agent/log.h"
#include "datalayer/db/odbc_provider.h"
#include "util/string_util.h"
#include "util/vector.h"

namespace {

std::mutex g_providerLock;
Vector g_registry = {nullptr, 0, nullptr, nullptr};
const DBProvider *g_slots[DB_PROVIDER_SLOTS] = {nullptr, nullptr};

const DBProvider *FindRegisteredLocked(const char *name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (VectorNode *node = g_registry.head; node != nullptr; node = node->next) {
        auto *provider = static_cast<const DBProvider *>(node->element);
        if (CompareStrings(provider->name, name) == 0) {
            return provider;
        }
    }
    return nullptr;
}

// The slot scan stops at the first empty slot.
int FindLoadedLocked(const char *name) {
    for (int slot = 0; slot < DB_PROVIDER_SLOTS && g_slots[slot] != nullptr; ++slot) {
        if (CompareStrings(g_slots[slot]->name, name) == 0) {
            return slot;
        }
    }
    return -1;
}

}  // namespace

int InitDBProvider(void) {
    LogTrace("@@@ Inside InitDBProvider @@@\n");
    {
        std::lock_guard<std::mutex> guard(g_providerLock);
        if (g_slots[0] != nullptr) {
            LogError("InitDBProvider Failed as already initialized\n");
            return 0;
        }
        g_slots[0] = nullptr;
        g_slots[1] = nullptr;
    }
    if (FindRegisteredDBProvider(gv_odbcProvider.name) == nullptr) {
        RegisterDBProvider(&gv_odbcProvider);
    }
    LoadDBProvider("ODBC");
    LoadDBProvider("SQLITE");
    return 1;
}

void DeInitDBProvider(void) {
    std::lock_guard<std::mutex> guard(g_providerLock);
    g_slots[0] = nullptr;
    g_slots[1] = nullptr;
    FreeVector(&g_registry);
}

int RegisterDBProvider(const DBProvider *provider) {
    if (provider == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(g_providerLock);
    return AddElementValue(&g_registry, const_cast<DBProvider *>(provider)) == 1 ? 1 : 0;
}

const DBProvider *FindRegisteredDBProvider(const char *name) {
    std::lock_guard<std::mutex> guard(g_providerLock);
    return FindRegisteredLocked(name);
}

int LoadDBProvider(const char *name) {
    std::lock_guard<std::mutex> guard(g_providerLock);
    for (int slot = 0; slot < DB_PROVIDER_SLOTS; ++slot) {
        if (g_slots[slot] == nullptr) {
            g_slots[slot] = FindRegisteredLocked(name);
            return g_slots[slot] != nullptr ? 1 : 0;
        }
    }
    return 0;
}

int UnloadDBProvider(const char *name) {
    std::lock_guard<std::mutex> guard(g_providerLock);
    int slot = FindLoadedLocked(name);
    if (slot < 0) {
        return 0;
    }
    g_slots[slot] = nullptr;
    return 1;
}

int FindLoadedDBProvider(const char *name) {
    std::lock_guard<std::mutex> guard(g_providerLock);
    return FindLoadedLocked(name);
}

const DBProvider *GetLoadedDBProvider(int slot) {
    if (slot < 0 || slot >= DB_PROVIDER_SLOTS) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_providerLock);
    return g_slots[slot];
}
