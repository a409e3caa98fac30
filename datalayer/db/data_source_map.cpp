#include "datalayer/db/data_source_map.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>

#include "agent/log.h"
#include "datalayer/db/c_boundary.hpp"
#include "datalayer/db/config_file.hpp"
#include "util/string_util.h"
#include "util/vector.h"

namespace {

// The list's own lock: a lookup walks the nodes, which a delete frees.
std::mutex g_mapLock;
Vector g_map = {nullptr, 0, nullptr, nullptr};

std::atomic<uint8_t> g_mapValid{0};
std::atomic<uint8_t> g_dialectIndex{0};

const char *const kDialectNames[DIALECT_COUNT] = {"MYSQL", "PGSQL", "FIREBIRD", "SQLITE"};

void FreeEntry(DataSourceMapEntry *entry) {
    if (entry != nullptr) {
        free(entry->tableName);
        free(entry->connectionName);
        free(entry);
    }
}

}  // namespace

void SetDSNMapValid(uint8_t status, uint8_t dialectIndex) {
    LogTrace("@@@ Inside SetDSNMapValid @@@\n");
    if (status == 1) {
        g_mapValid = 1;
    } else if (status == 0) {
        if (dialectIndex >= DIALECT_COUNT) {
            LogError("Invalid dialect index %d\n", dialectIndex);
            return;
        }
        g_mapValid = 0;
        g_dialectIndex = dialectIndex;
    } else {
        LogError("\nInvalid Status\n");
    }
}

uint8_t IsDSNMapValid(void) {
    return g_mapValid;
}

uint8_t GetDialectIndex(void) {
    return g_dialectIndex;
}

const char *GetDialectName(int dialectIndex) {
    return dialectIndex >= 0 && dialectIndex < DIALECT_COUNT ? kDialectNames[dialectIndex]
                                                             : nullptr;
}

int LoadDataSourceMapEntryFromFile(const char *path) {
    return fw::db::Guarded(0, [&]() {
        LogTrace("@@@ Inside LoadDataSourceMapEntryFromFile @@@\n");
        fw::db::ConfigFile file = fw::db::OpenDataFile(path, "dsn_table_map.txt");
        if (!file.IsOpen()) {
            LogError("Cannot open DataSourceMap Entry File.\n");
            return 0;
        }
        fw::db::WordReader words(file.stream());
        std::string table;
        std::string connection;
        while (words.Next(table)) {
            if (!words.Next(connection)) {
                LogError("dsn_table_map.txt ends with the table %s without a connection name\n",
                         table.c_str());
                break;
            }
            DataSourceMapEntry *entry = CreateDataSourceMapEntry(table.c_str(), connection.c_str());
            if (entry != nullptr && !AddDataSourceMapEntry(entry)) {
                FreeEntry(entry);
            }
        }
        return 1;
    });
}

DataSourceMapEntry *CreateDataSourceMapEntry(const char *tableName, const char *connectionName) {
    LogTrace("@@@ Inside CreateDataSourceMapEntry @@@\n");
    if (tableName == nullptr || connectionName == nullptr) {
        return nullptr;
    }
    auto *entry = static_cast<DataSourceMapEntry *>(calloc(1, sizeof(DataSourceMapEntry)));
    if (entry == nullptr) {
        return nullptr;
    }
    if (AllocateAndSetString(&entry->tableName, tableName) != STRING_COPY_OK ||
        AllocateAndSetString(&entry->connectionName, connectionName) != STRING_COPY_OK) {
        FreeEntry(entry);
        return nullptr;
    }
    return entry;
}

int AddDataSourceMapEntry(DataSourceMapEntry *entry) {
    LogTrace("@@@ Inside AddDataSourceMapEntry @@@\n");
    if (entry == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(g_mapLock);
    return AddElementValue(&g_map, entry) == 1 ? 1 : 0;
}

int DeleteDataSourceMapEntry(const char *tableName) {
    LogTrace("@@@ Inside DeleteDataSourceMapEntry @@@\n");
    if (tableName == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(g_mapLock);
    for (VectorNode *node = g_map.head; node != nullptr; node = node->next) {
        auto *entry = static_cast<DataSourceMapEntry *>(node->element);
        if (CompareStringsIgnoreCase(entry->tableName, tableName) == 0) {
            DeleteElement(&g_map, node);
            FreeEntry(entry);
            return 1;
        }
    }
    return 0;
}

DataSourceMapEntry *GetDataSourceMapEntry(const char *tableName) {
    LogTrace("@@@ Inside GetDataSourceMapEntry @@@\n");
    if (tableName == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_mapLock);
    for (VectorNode *node = g_map.head; node != nullptr; node = node->next) {
        auto *entry = static_cast<DataSourceMapEntry *>(node->element);
        if (CompareStringsIgnoreCase(entry->tableName, tableName) == 0) {
            return entry;
        }
    }
    return nullptr;
}

void FreeAllDataSourceMapEntries(void) {
    LogTrace("@@@ Inside FreeAllDataSourceMapEntries @@@\n");
    std::lock_guard<std::mutex> guard(g_mapLock);
    for (VectorNode *node = g_map.head; node != nullptr; node = node->next) {
        FreeEntry(static_cast<DataSourceMapEntry *>(node->element));
    }
    FreeVector(&g_map);
}
