// The ODBC provider's connections and transactions.
#include <strings.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "agent/address_lock.h"
#include "agent/log.h"
#include "datalayer/db/c_boundary.hpp"
#include "datalayer/db/odbc_internal.hpp"
#include "datalayer/db/odbc_provider.h"
#include "util/string_util.h"

namespace fw::db {

void LogOdbcDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[1024] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetDiagRec(handleType, handle, 1, state, &native, message,
                                    static_cast<SQLSMALLINT>(sizeof message), &length))) {
        LogError("ODBC diagnostic: STATE %s, native error %ld: %s\n",
                 reinterpret_cast<const char *>(state), static_cast<long>(native),
                 reinterpret_cast<const char *>(message));
    }
}

StatementGuard::~StatementGuard() {
    if (statement_ != SQL_NULL_HSTMT) {
        SQLFreeStmt(statement_, SQL_CLOSE);
        SQLFreeStmt(statement_, SQL_UNBIND);
        SQLFreeHandle(SQL_HANDLE_STMT, statement_);
    }
}

HandleLock::HandleLock(const void *address) : address_(address) {
    LockObject(address_);
}

HandleLock::~HandleLock() {
    UnlockObject(address_);
}

}  // namespace fw::db

namespace {

using fw::db::OdbcConnection;
using fw::db::OdbcOf;

std::atomic<uint32_t> g_loginTimeout{30};

// A value that would end its attribute early or open a braced value is
// written in braces, so a password such as "a;DSN=x" stays one value.
void AppendValue(std::string &text, const char *value) {
    if (strpbrk(value, ";{}") == nullptr) {
        text += value;
        return;
    }
    text += '{';
    for (const char *p = value; *p != '\0'; ++p) {
        text += *p;
        if (*p == '}') {
            text += '}';
        }
    }
    text += '}';
}

// The text handed to the driver manager. By the ODBC rules the first of DSN
// and DRIVER wins, so the DRIVER attribute that follows the DSN of a built
// text changes nothing for a conforming driver; some drivers (MariaDB's)
// instead ignore the data source's settings when they see DRIVER at all, so
// it is left out.
std::string ConnectTextFor(const ConnParamsEntry *entry, const std::string &built) {
    if (entry->useConnectionString || entry->providerName == nullptr) {
        return built;
    }
    size_t driver = built.rfind(";Driver={");
    return driver == std::string::npos ? built : built.substr(0, driver + 1);
}

bool SetAutocommit(SQLHDBC connection, bool on) {
    return SQL_SUCCEEDED(SQLSetConnectAttr(connection, SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(
                                               on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                           SQL_IS_UINTEGER));
}

void FreeOdbc(OdbcConnection *cell, bool connected) {
    if (connected) {
        SQLDisconnect(cell->connection);
    }
    if (cell->connection != SQL_NULL_HDBC) {
        SQLFreeConnect(cell->connection);
    }
    if (cell->environment != SQL_NULL_HENV) {
        SQLFreeEnv(cell->environment);
    }
    delete cell;
}

int EndTransaction(ConnectionHandle *handle, SQLSMALLINT completion, const char *failure) {
    OdbcConnection *cell = OdbcOf(handle);
    if (cell == nullptr) {
        return 0;
    }
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, cell->connection, completion))) {
        LogError("%s", failure);
        LogConnectionDiagnostics(cell->connection);
        return 0;
    }
    if (!SetAutocommit(cell->connection, true)) {
        LogError("Error in setting SQL_AUTOCOMMIT_ON\n");
        LogConnectionDiagnostics(cell->connection);
        return 0;
    }
    return 1;
}

}  // namespace

char *BuildODBCConnectionString(const ConnParamsEntry *entry) {
    return fw::db::Guarded(static_cast<char *>(nullptr), [&]() -> char * {
        if (entry == nullptr || entry->dsn == nullptr) {
            return nullptr;
        }
        if (entry->useConnectionString) {
            char *copy = nullptr;
            return entry->connectionString != nullptr &&
                           AllocateAndSetString(&copy, entry->connectionString) == 1
                       ? copy
                       : nullptr;
        }
        std::string text = "DSN=";
        AppendValue(text, entry->dsn);
        text += ';';
        if (entry->userName != nullptr) {
            text += "UID=";
            AppendValue(text, entry->userName);
        }
        text += ';';
        if (entry->password != nullptr) {
            text += "PWD=";
            AppendValue(text, entry->password);
        }
        text += ';';
        if (entry->providerName != nullptr) {
            text += "Driver={";
            text += entry->providerName;
            text += '}';
        }
        char *copy = nullptr;
        return AllocateAndSetString(&copy, text.c_str()) == 1 ? copy : nullptr;
    });
}

char *MaskODBCConnectionString(const char *connectionString) {
    return fw::db::Guarded(static_cast<char *>(nullptr), [&]() -> char * {
        if (connectionString == nullptr) {
            return nullptr;
        }
        std::string in = connectionString;
        std::string out;
        size_t i = 0;
        while (i < in.size()) {
            size_t equals = in.find('=', i);
            size_t semicolon = in.find(';', i);
            if (equals == std::string::npos ||
                (semicolon != std::string::npos && semicolon < equals)) {
                // An attribute without a value.
                size_t end = semicolon == std::string::npos ? in.size() : semicolon + 1;
                out += in.substr(i, end - i);
                i = end;
                continue;
            }
            std::string key = in.substr(i, equals - i);
            size_t start = equals + 1;
            size_t end = start;
            if (end < in.size() && in[end] == '{') {
                // A braced value runs to the closing brace; "}}" stands for "}".
                ++end;
                while (end < in.size()) {
                    if (in[end] == '}') {
                        if (end + 1 < in.size() && in[end + 1] == '}') {
                            end += 2;
                            continue;
                        }
                        ++end;
                        break;
                    }
                    ++end;
                }
            }
            end = in.find(';', end);
            if (end == std::string::npos) {
                end = in.size();
            }
            std::string trimmed = key;
            while (!trimmed.empty() && trimmed.front() == ' ') {
                trimmed.erase(0, 1);
            }
            while (!trimmed.empty() && trimmed.back() == ' ') {
                trimmed.pop_back();
            }
            out += key + "=";
            if (strcasecmp(trimmed.c_str(), "PWD") == 0 ||
                strcasecmp(trimmed.c_str(), "PASSWORD") == 0) {
                out += "***";
            } else {
                out += in.substr(start, end - start);
            }
            if (end < in.size()) {
                out += ';';
            }
            i = end + 1;
        }
        char *copy = nullptr;
        return AllocateAndSetString(&copy, out.c_str()) == 1 ? copy : nullptr;
    });
}

void SetODBCLoginTimeout(uint32_t seconds) {
    g_loginTimeout = seconds;
}

uint32_t GetODBCLoginTimeout(void) {
    return g_loginTimeout;
}

ConnectionHandle *ODBCOpenConnection(const ConnParamsEntry *entry) {
    return fw::db::Guarded(static_cast<ConnectionHandle *>(nullptr), [&]() -> ConnectionHandle * {
        LogTrace("Inside ODBCOpenConnection\n");
        if (entry == nullptr || entry->dsn == nullptr) {
            LogError("ODBC connection Parameter missing\n");
            return nullptr;
        }
        SQLHENV environment = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocEnv(&environment))) {
            LogError("Allocating Env Handle failed\n");
            return nullptr;
        }
        auto *cell = new (std::nothrow) OdbcConnection;
        if (cell == nullptr) {
            LogError("Error in allocating SQLHDBC\n");
            SQLFreeEnv(environment);
            return nullptr;
        }
        cell->environment = environment;
        if (!SQL_SUCCEEDED(SQLAllocConnect(environment, &cell->connection))) {
            LogError("Allocating connection Handle failed\n");
            cell->connection = SQL_NULL_HDBC;
            FreeOdbc(cell, false);
            return nullptr;
        }
        char *built = BuildODBCConnectionString(entry);
        if (built == nullptr) {
            LogError("Unable to allocate memory\n");
            FreeOdbc(cell, false);
            return nullptr;
        }
        std::string text = ConnectTextFor(entry, built);
        free(built);
        if (char *masked = MaskODBCConnectionString(text.c_str())) {
            LogDebug("ODBCOpenConnection : connecting %s with %s\n",
                     entry->connectionName != nullptr ? entry->connectionName : "(unnamed)",
                     masked);
            free(masked);
        }
        uint32_t timeout = g_loginTimeout;
        if (timeout > 0) {
            SQLSetConnectAttr(cell->connection, SQL_ATTR_LOGIN_TIMEOUT,
                              reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(timeout)),
                              SQL_IS_UINTEGER);
        }
        // The completed text would hold the password: it is never logged.
        SQLCHAR completed[1025];
        SQLSMALLINT completedLength = 0;
        SQLRETURN rc = SQLDriverConnect(
            cell->connection, nullptr, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS, completed,
            static_cast<SQLSMALLINT>(sizeof completed), &completedLength, SQL_DRIVER_NOPROMPT);
        explicit_bzero(completed, sizeof completed);
        explicit_bzero(text.data(), text.size());
        if (!SQL_SUCCEEDED(rc)) {
            LogError("Connecting to driver failed\n");
            fw::db::LogOdbcDiagnostic(SQL_HANDLE_DBC, cell->connection);
            FreeOdbc(cell, false);
            return nullptr;
        }
        SQLGetInfo(cell->connection, SQL_GETDATA_EXTENSIONS, &cell->getDataExtensions,
                   sizeof cell->getDataExtensions, nullptr);
        auto *handle = static_cast<ConnectionHandle *>(calloc(1, sizeof(ConnectionHandle)));
        if (handle == nullptr ||
            (entry->connectionName != nullptr &&
             AllocateAndSetString(&handle->connectionName, entry->connectionName) != 1)) {
            free(handle);
            FreeOdbc(cell, true);
            return nullptr;
        }
        handle->providerConnection = cell;
        handle->ownerThread = -1;
        return handle;
    });
}

int ODBCCloseConnection(ConnectionHandle *handle) {
    OdbcConnection *cell = OdbcOf(handle);
    if (cell == nullptr) {
        return 0;
    }
    if (!SQL_SUCCEEDED(SQLDisconnect(cell->connection))) {
        // An open transaction keeps the connection from closing: it is
        // rolled back, as the server would on a lost connection.
        SQLEndTran(SQL_HANDLE_DBC, cell->connection, SQL_ROLLBACK);
        SQLDisconnect(cell->connection);
    }
    FreeOdbc(cell, false);
    handle->providerConnection = nullptr;
    return 1;
}

int ODBCBeginTransaction(ConnectionHandle *handle) {
    LogTrace("Inside ODBCBeginTransaction\n");
    OdbcConnection *cell = OdbcOf(handle);
    if (cell == nullptr) {
        return 0;
    }
    if (!SetAutocommit(cell->connection, false)) {
        LogError("Error in setting SQL_AUTOCOMMIT_OFF\n");
        LogConnectionDiagnostics(cell->connection);
        return 0;
    }
    return 1;
}

int ODBCCommitTransaction(ConnectionHandle *handle) {
    LogTrace("Inside ODBCCommitTransaction\n");
    return EndTransaction(handle, SQL_COMMIT, "Error in commiting transaction\n");
}

int ODBCRollbackTransaction(ConnectionHandle *handle) {
    LogTrace("Inside ODBCRollbackTransaction\n");
    return EndTransaction(handle, SQL_ROLLBACK, "Error in rollbacking transaction\n");
}

void LogConnectionDiagnostics(void *connection) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[256] = {};
    SQLSMALLINT length = 0;
    SQLGetDiagRec(SQL_HANDLE_DBC, static_cast<SQLHDBC>(connection), 1, state, &native, message,
                  static_cast<SQLSMALLINT>(sizeof message), &length);
    LogError("Error in starting transaction\n");
    LogError("STATE: %s\n", reinterpret_cast<const char *>(state));
    LogError("NAT: %ld\n", static_cast<long>(native));
    LogError("MSG: %s\n", reinterpret_cast<const char *>(message));
}

const DBProvider gv_odbcProvider = {
    "ODBC",
    ODBCOpenConnection,
    ODBCExecuteUpdate,
    ODBCExecuteQuery,
    ODBCCloseConnection,
    ODBCBeginTransaction,
    ODBCCommitTransaction,
    ODBCRollbackTransaction,
    ODBCExecuteUpdateBlob,
    ODBCExecuteQueryBlob,
};
