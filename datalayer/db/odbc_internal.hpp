// odbc_internal.hpp - what the ODBC provider's source files share.
#ifndef FW_DATALAYER_DB_ODBC_INTERNAL_HPP
#define FW_DATALAYER_DB_ODBC_INTERNAL_HPP

#include <sql.h>
#include <sqlext.h>

#include "datalayer/db/db_provider.h"

namespace fw::db {

// The provider's connection state, the providerConnection of a handle. Each
// connection has an environment of its own.
struct OdbcConnection {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    // What SQLGetData may read besides the columns after the last bound one.
    SQLUINTEGER getDataExtensions = 0;
};

inline OdbcConnection *OdbcOf(const ConnectionHandle *handle) {
    return handle != nullptr ? static_cast<OdbcConnection *>(handle->providerConnection) : nullptr;
}

// Writes the first diagnostic record of a handle as one ERROR record.
void LogOdbcDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle);

// Closes, unbinds and frees a statement when it goes.
class StatementGuard {
  public:
    StatementGuard() = default;
    ~StatementGuard();
    StatementGuard(const StatementGuard &) = delete;
    StatementGuard &operator=(const StatementGuard &) = delete;
    SQLHSTMT *out() { return &statement_; }
    SQLHSTMT get() const { return statement_; }

  private:
    SQLHSTMT statement_ = SQL_NULL_HSTMT;
};

// Holds LockObject on an address for a scope.
class HandleLock {
  public:
    explicit HandleLock(const void *address);
    ~HandleLock();
    HandleLock(const HandleLock &) = delete;
    HandleLock &operator=(const HandleLock &) = delete;

  private:
    const void *address_;
};

}  // namespace fw::db

#endif
