#include "datalayer/db/odbc_dsn.h"

#include <odbcinst.h>
#include <strings.h>

#include <string>
#include <string_view>
#include <vector>

#include "agent/log.h"
#include "datalayer/db/c_boundary.hpp"
#include "datalayer/db/config_file.hpp"

namespace {

constexpr size_t kWordsPerLine = 6;

bool Given(const char *value) {
    return value != nullptr && strcasecmp(value, "NULL") != 0;
}

void LogInstallerError() {
    DWORD code = 0;
    char message[SQL_MAX_MESSAGE_LENGTH] = {};
    WORD length = 0;
    if (SQLInstallerError(1, &code, message, sizeof message, &length) == SQL_SUCCESS) {
        LogError("ODBC installer error %lu: %s\n", static_cast<unsigned long>(code), message);
    }
}

// One line of the file: six words, then the driver name.
void CreateFromLine(const std::string &line, int lineNumber) {
    std::string_view rest;
    std::vector<std::string_view> words = fw::db::SplitWords(line, kWordsPerLine, &rest);
    if (words.empty() || words[0][0] == '#') {
        return;
    }
    while (!rest.empty() && fw::db::IsBlank(rest.front())) {
        rest.remove_prefix(1);
    }
    while (!rest.empty() && fw::db::IsBlank(rest.back())) {
        rest.remove_suffix(1);
    }
    if (words.size() < kWordsPerLine || rest.empty()) {
        LogError("Data source file line %d has %d of the 7 fields; it is skipped\n", lineNumber,
                 static_cast<int>(words.size() + (rest.empty() ? 0 : 1)));
        return;
    }
    std::string w[kWordsPerLine];
    for (size_t i = 0; i < kWordsPerLine; ++i) {
        w[i] = std::string(words[i]);
    }
    std::string driver(rest);
    if (!CreateDSN(w[0].c_str(), w[1].c_str(), w[2].c_str(), w[3].c_str(), w[4].c_str(),
                   w[5].c_str(), driver.c_str())) {
        LogError("Creating DSN %s Failed\n", w[0].c_str());
    }
}

}  // namespace

int CreateDSNsFromFile(const char *path) {
    return fw::db::Guarded(0, [&]() -> int {
        LogTrace("@@@ Inside CreateDSNsFromFile @@@\n");
        fw::db::ConfigFile file = fw::db::OpenConfigFile(path);
        if (!file.IsOpen()) {
            LogError("Error opening File %s \n", path != nullptr ? path : "(null)");
            return 0;
        }
        std::string line;
        for (int lineNumber = 1; file.ReadLine(line); ++lineNumber) {
            CreateFromLine(line, lineNumber);
        }
        return 1;
    });
}

int CreateDSN(const char *name, const char *description, const char *server, const char *user,
              const char *password, const char *database, const char *driver) {
    return fw::db::Guarded(0, [&]() -> int {
        LogTrace("@@@ Inside CreateDSN @@@\n");
        if (driver == nullptr || name == nullptr) {
            LogError("DriverName or DSN name is NULL \n");
            return 0;
        }
        const char *keys[] = {"DSN", "DESCRIPTION", "SERVER", "UID", "PWD", "DATABASE"};
        const char *values[] = {name, description, server, user, password, database};
        // The installer takes "key=value" pairs each ended by a zero byte, the
        // list by a second one.
        std::string attributes;
        for (size_t i = 0; i < 6; ++i) {
            if (Given(values[i])) {
                attributes += keys[i];
                attributes += '=';
                attributes += values[i];
                attributes += '\0';
            }
        }
        attributes += '\0';
        BOOL added = SQLConfigDataSource(nullptr, ODBC_ADD_DSN, driver, attributes.c_str());
        // The attributes held the password.
        std::fill(attributes.begin(), attributes.end(), '\0');
        if (!added) {
            LogError("SQLConfigDataSource returned FALSE \n");
            LogInstallerError();
            return 0;
        }
        return 1;
    });
}
