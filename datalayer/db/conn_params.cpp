#include "datalayer/db/conn_params.h"

#include <strings.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

#include "agent/log.h"
#include "datalayer/db/c_boundary.hpp"
#include "datalayer/db/config_file.hpp"
#include "datalayer/db/data_source_map.h"
#include "util/string_util.h"

namespace {

std::mutex g_listLock;
Vector g_list = {nullptr, 0, nullptr, nullptr};

constexpr size_t kWordsPerLine = 10;

// The port as the decimal reading of the word, kept modulo 65536; false when
// the word is not an optional sign and digits.
bool ParsePort(std::string_view word, uint16_t &port) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
        negative = word[i] == '-';
        ++i;
    }
    if (i == word.size()) {
        return false;
    }
    uint32_t value = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9') {
            return false;
        }
        value = value * 10u + static_cast<uint32_t>(word[i] - '0');
    }
    port = static_cast<uint16_t>(negative ? 0u - value : value);
    return true;
}

ConnParamsEntry *FindLocked(const char *connectionName, VectorNode **found = nullptr) {
    if (connectionName == nullptr) {
        return nullptr;
    }
    for (VectorNode *node = g_list.head; node != nullptr; node = node->next) {
        auto *entry = static_cast<ConnParamsEntry *>(node->element);
        if (entry->connectionName != nullptr &&
            CompareStrings(entry->connectionName, connectionName) == 0) {
            if (found != nullptr) {
                *found = node;
            }
            return entry;
        }
    }
    return nullptr;
}

// One line of connparams.txt into the list; false (with the reason logged)
// for a line that cannot become an entry.
void AddLine(const std::string &line, int lineNumber) {
    std::string_view rest;
    std::vector<std::string_view> words = fw::db::SplitWords(line, kWordsPerLine, &rest);
    if (words.empty() || words[0][0] == '#') {
        return;
    }
    if (words.size() < kWordsPerLine) {
        LogError("connparams.txt line %d has %d of the 10 fields; it is skipped\n", lineNumber,
                 static_cast<int>(words.size()));
        return;
    }
    uint16_t port = 0;
    if (!ParsePort(words[1], port)) {
        LogError("connparams.txt line %d: the port is not a number; the line is skipped\n",
                 lineNumber);
        return;
    }
    std::string w[kWordsPerLine];
    for (size_t i = 0; i < kWordsPerLine; ++i) {
        w[i] = std::string(words[i]);
    }
    bool useConnectionString = strcasecmp(w[9].c_str(), "YES") == 0;
    std::string connectionString;
    if (useConnectionString && !rest.empty()) {
        connectionString = std::string(rest.substr(1));
    }
    // Only "NULL" in capitals means no password: "null" is a password.
    const char *password = w[4] == "NULL" ? nullptr : w[4].c_str();
    ConnParamsEntry *entry = CreateConnParamsEntry(
        w[0].c_str(), port, w[2].c_str(), w[3].c_str(), password, 0, w[6].c_str(),
        useConnectionString ? 1 : 0, useConnectionString ? connectionString.c_str() : nullptr,
        w[7].c_str(), w[8].c_str());
    if (entry != nullptr && !AddConnParamsEntry(entry)) {
        FreeConnParamsEntry(entry);
    }
}

}  // namespace

int LoadConnParamsEntryFromFile(const char *path) {
    return fw::db::Guarded(0, [&]() {
        LogTrace("@@@ Inside LoadConnParamsEntryFromFile @@@\n");
        fw::db::ConfigFile file = fw::db::OpenDataFile(path, "connparams.txt");
        if (!file.IsOpen()) {
            LogError("Cannot open Connection Parameters File.\n");
            return 0;
        }
        std::string line;
        for (int lineNumber = 1; file.ReadLine(line); ++lineNumber) {
            AddLine(line, lineNumber);
        }
        return 1;
    });
}

ConnParamsEntry *CreateConnParamsEntry(const char *host, uint16_t port, const char *dsn,
                                       const char *userName, const char *password, int32_t reserved,
                                       const char *connectionName, uint8_t useConnectionString,
                                       const char *connectionString, const char *providerName,
                                       const char *databaseType) {
    auto *entry = static_cast<ConnParamsEntry *>(calloc(1, sizeof(ConnParamsEntry)));
    if (entry == nullptr) {
        return nullptr;
    }
    entry->port = port;
    entry->reserved = reserved;
    entry->useConnectionString = useConnectionString;
    struct {
        char **target;
        const char *source;
    } texts[] = {{&entry->host, host},
                 {&entry->dsn, dsn},
                 {&entry->userName, userName},
                 {&entry->password, password},
                 {&entry->connectionName, connectionName},
                 {&entry->connectionString, connectionString},
                 {&entry->providerName, providerName},
                 {&entry->databaseType, databaseType}};
    for (auto &text : texts) {
        if (text.source != nullptr && AllocateAndSetString(text.target, text.source) != 1) {
            FreeConnParamsEntry(entry);
            return nullptr;
        }
    }
    return entry;
}

void FreeConnParamsEntry(ConnParamsEntry *entry) {
    if (entry == nullptr) {
        return;
    }
    free(entry->host);
    free(entry->dsn);
    free(entry->userName);
    free(entry->password);
    free(entry->connectionName);
    free(entry->connectionString);
    free(entry->providerName);
    free(entry->databaseType);
    free(entry);
}

int AddConnParamsEntry(ConnParamsEntry *entry) {
    if (entry == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(g_listLock);
    return AddElementValue(&g_list, entry) == 1 ? 1 : 0;
}

ConnParamsEntry *GetConnParamsEntry(const char *connectionName) {
    std::lock_guard<std::mutex> guard(g_listLock);
    return FindLocked(connectionName);
}

int DeleteConnParamsEntry(const char *connectionName) {
    std::lock_guard<std::mutex> guard(g_listLock);
    VectorNode *node = nullptr;
    ConnParamsEntry *entry = FindLocked(connectionName, &node);
    if (entry == nullptr) {
        return 0;
    }
    DeleteElement(&g_list, node);
    FreeConnParamsEntry(entry);
    return 1;
}

void FreeAllConnParamsEntries(void) {
    std::lock_guard<std::mutex> guard(g_listLock);
    for (VectorNode *node = g_list.head; node != nullptr; node = node->next) {
        FreeConnParamsEntry(static_cast<ConnParamsEntry *>(node->element));
    }
    FreeVector(&g_list);
}

Vector *GetConnParamsList(void) {
    return &g_list;
}

const char *GetDefaultConnectionName(void) {
    std::lock_guard<std::mutex> guard(g_listLock);
    if (g_list.head == nullptr) {
        return nullptr;
    }
    auto *entry = static_cast<ConnParamsEntry *>(g_list.head->element);
    if (entry->connectionName == nullptr) {
        LogError("Connection Name IS NULL\n");
        return nullptr;
    }
    return entry->connectionName;
}

const char *GetProviderNameForConnection(const char *connectionName) {
    std::lock_guard<std::mutex> guard(g_listLock);
    ConnParamsEntry *entry = FindLocked(connectionName);
    return entry != nullptr ? entry->providerName : nullptr;
}

const char *GetDatabaseTypeForConnection(const char *connectionName) {
    ConnParamsEntry *entry = GetConnParamsEntry(connectionName);
    if (entry == nullptr) {
        LogError("dbConnPtr is NULL for Connection Name %s \n",
                 connectionName != nullptr ? connectionName : "(null)");
        return nullptr;
    }
    return entry->databaseType;
}

const char *GetConnectionNameForTable(const char *tableName) {
    DataSourceMapEntry *entry = GetDataSourceMapEntry(tableName);
    if (entry == nullptr) {
        LogError("No DataSourceMap Entry for Table name %s \n",
                 tableName != nullptr ? tableName : "(null)");
        return nullptr;
    }
    return entry->connectionName;
}
