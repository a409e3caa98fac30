// odbc_setup.cpp - libfwodbcsetup.so, a driver setup library for the ODBC
// installer. SQLConfigDataSource hands a new data source to the setup
// library that odbcinst.ini names for its driver ("Setup = ..."); the
// drivers on Linux ship none, so CreateDSN (odbc_dsn.h) needs this one:
//
//   [SQLite3]
//   Driver = /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
//   Setup = /path/to/libfwodbcsetup.so
//
// It writes the attributes it is given, as given, into the data source's
// section of odbc.ini through the installer's own calls, so the installer's
// configuration (ODBCSYSINI, ODBCINI, the config mode) decides where.
#include <odbcinst.h>
#include <sql.h>
#include <strings.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

// "key=value" pairs, each ended by a zero byte and the list by a second one
// (the installer's form), or each ended by ';' in one text.
Attributes Parse(const char *text) {
    Attributes attributes;
    if (text == nullptr) {
        return attributes;
    }
    std::vector<std::string> items;
    for (const char *p = text; *p != '\0'; p += std::string(p).size() + 1) {
        std::string item = p;
        size_t start = 0;
        for (size_t end; (end = item.find(';', start)) != std::string::npos; start = end + 1) {
            items.push_back(item.substr(start, end - start));
        }
        items.push_back(item.substr(start));
    }
    for (const std::string &item : items) {
        size_t equals = item.find('=');
        if (equals != std::string::npos && equals > 0) {
            attributes.emplace_back(item.substr(0, equals), item.substr(equals + 1));
        }
    }
    return attributes;
}

const std::string *Find(const Attributes &attributes, const char *key) {
    for (const auto &[name, value] : attributes) {
        if (strcasecmp(name.c_str(), key) == 0) {
            return &value;
        }
    }
    return nullptr;
}

BOOL Refuse(DWORD code, const char *message) {
    SQLPostInstallerError(code, const_cast<char *>(message));
    return 0;
}

BOOL Configure(WORD request, LPCSTR driver, LPCSTR text) {
    Attributes attributes = Parse(text);
    const std::string *dsn = Find(attributes, "DSN");
    if (dsn == nullptr || dsn->empty()) {
        return Refuse(ODBC_ERROR_INVALID_KEYWORD_VALUE, "no DSN attribute");
    }
    switch (request) {
        case ODBC_ADD_DSN:
        case ODBC_CONFIG_DSN:
        case ODBC_ADD_SYS_DSN:
        case ODBC_CONFIG_SYS_DSN:
            if (driver == nullptr || !SQLWriteDSNToIni(dsn->c_str(), driver)) {
                return Refuse(ODBC_ERROR_REQUEST_FAILED, "cannot write the data source");
            }
            for (const auto &[key, value] : attributes) {
                if (strcasecmp(key.c_str(), "DSN") == 0) {
                    continue;
                }
                if (!SQLWritePrivateProfileString(dsn->c_str(), key.c_str(), value.c_str(),
                                                  "odbc.ini")) {
                    return Refuse(ODBC_ERROR_REQUEST_FAILED, "cannot write an attribute");
                }
            }
            return 1;
        case ODBC_REMOVE_DSN:
        case ODBC_REMOVE_SYS_DSN:
            return SQLRemoveDSNFromIni(dsn->c_str())
                       ? 1
                       : Refuse(ODBC_ERROR_REQUEST_FAILED, "cannot remove the data source");
        default:
            return Refuse(ODBC_ERROR_INVALID_REQUEST_TYPE, "unknown request");
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL ConfigDSN(HWND, WORD request, LPCSTR driver,
                                                                 LPCSTR attributes) {
    try {
        return Configure(request, driver, attributes);
    } catch (...) {
        return Refuse(ODBC_ERROR_OUT_OF_MEM, "out of memory");
    }
}
