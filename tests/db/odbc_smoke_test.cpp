// odbc_smoke_test.cpp - proves that the private test databases answer: one
// ODBC round trip written once and run on every engine, and a script run on
// the embedded Firebird database through isql-fb. The databases come from
// scripts/testdb.sh; their names and credentials from the environment.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sql.h>
#include <sqlext.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "tests/datalayer/db/db_test_support.hpp"
#include "tests/support/test_support.hpp"

extern char **environ;

namespace {

using fw::test::GetEnv;
using fw::test::ReadFile;
using fw::test::TempDir;
using fw::test::WriteFile;

// Every diagnostic record of a handle: SQLSTATE, native code and text.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string all;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR text[1024] = {};
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(type, handle, record, state, &native, text,
                                     static_cast<SQLSMALLINT>(sizeof text), &length);
        if (!SQL_SUCCEEDED(rc)) {
            break;
        }
        all += std::string(" [") + reinterpret_cast<const char *>(state) + " " +
               std::to_string(native) + "] " + reinterpret_cast<const char *>(text);
    }
    return all.empty() ? " (no diagnostics)" : all;
}

testing::AssertionResult Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle,
                               const std::string &what) {
    if (SQL_SUCCEEDED(rc)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << what << " returned " << rc << ":" << Diagnostics(type, handle);
}

// One environment and one connection, freed in order whatever the test did.
class Connection {
  public:
    Connection() {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    }
    ~Connection() {
        if (connected_) {
            SQLDisconnect(dbc_);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Empty user and password leave them to the data source's definition.
    // The messages never hold the password.
    testing::AssertionResult ConnectDsn(const std::string &dsn, const std::string &user,
                                        const std::string &password) {
        auto text = [](const std::string &s) {
            return reinterpret_cast<SQLCHAR *>(const_cast<char *>(s.c_str()));
        };
        SQLRETURN rc = SQLConnect(dbc_, text(dsn), SQL_NTS, user.empty() ? nullptr : text(user),
                                  SQL_NTS, password.empty() ? nullptr : text(password), SQL_NTS);
        connected_ = SQL_SUCCEEDED(rc);
        return Check(rc, SQL_HANDLE_DBC, dbc_, "SQLConnect to data source " + dsn);
    }

    testing::AssertionResult ConnectString(const std::string &connectionString) {
        std::string in = connectionString;
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        SQLRETURN rc =
            SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR *>(in.data()), SQL_NTS, out,
                             static_cast<SQLSMALLINT>(sizeof out), &outLength, SQL_DRIVER_NOPROMPT);
        connected_ = SQL_SUCCEEDED(rc);
        return Check(rc, SQL_HANDLE_DBC, dbc_, "SQLDriverConnect");
    }

    std::string DbmsName() {
        char name[128] = {};
        SQLSMALLINT length = 0;
        SQLGetInfo(dbc_, SQL_DBMS_NAME, name, static_cast<SQLSMALLINT>(sizeof name), &length);
        return name;
    }

    SQLHDBC dbc() const { return dbc_; }

  private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

class Statement {
  public:
    explicit Statement(Connection &connection) {
        SQLAllocHandle(SQL_HANDLE_STMT, connection.dbc(), &stmt_);
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    testing::AssertionResult Execute(const std::string &sql) {
        std::string text = sql;
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return Check(SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS),
                     SQL_HANDLE_STMT, stmt_, sql);
    }

    testing::AssertionResult Succeeded(SQLRETURN rc, const std::string &what) {
        return Check(rc, SQL_HANDLE_STMT, stmt_, what);
    }

    SQLHSTMT handle() const { return stmt_; }

  private:
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

struct Engine {
    const char *name;
    const char *dsnVariable;
    const char *connectionStringVariable;
    const char *userVariable;  // nullptr: the engine has no users
    const char *passwordVariable;
    const char *dbmsName;    // SQLGetInfo(SQL_DBMS_NAME)
    const char *charLength;  // the function counting a text's characters
};

constexpr std::array kEngines{
    Engine{"SQLite", "FW_TEST_SQLITE_DSN", "FW_TEST_SQLITE_CONNSTR", nullptr, nullptr, "SQLite",
           "length"},
    Engine{"PostgreSQL", "FW_TEST_PGSQL_DSN", "FW_TEST_PGSQL_CONNSTR", "FW_TEST_PGSQL_USER",
           "FW_TEST_PGSQL_PASSWORD", "PostgreSQL", "char_length"},
    Engine{"MariaDB", "FW_TEST_MARIADB_DSN", "FW_TEST_MARIADB_CONNSTR", "FW_TEST_MARIADB_USER",
           "FW_TEST_MARIADB_PASSWORD", "MariaDB", "char_length"},
};

// Names the engine in failure messages instead of dumping the structure's bytes.
void PrintTo(const Engine &engine, std::ostream *out) {
    *out << engine.name;
}

class OdbcSmoke : public testing::TestWithParam<Engine> {};

// Both ways the agent may name a data source: with the credentials, and with
// the ones odbc.ini holds. The DBMS name shows the data source leads to the
// engine it is named after.
TEST_P(OdbcSmoke, ConnectsByDataSourceNameToItsEngine) {
    const Engine &engine = GetParam();
    std::string dsn, user, password;
    ASSERT_TRUE(GetEnv(engine.dsnVariable, dsn));
    if (engine.userVariable != nullptr) {
        ASSERT_TRUE(GetEnv(engine.userVariable, user));
        ASSERT_TRUE(GetEnv(engine.passwordVariable, password));
    }
    for (bool withCredentials : {true, false}) {
        SCOPED_TRACE(withCredentials ? "user and password given" : "credentials from odbc.ini");
        Connection connection;
        ASSERT_TRUE(withCredentials ? connection.ConnectDsn(dsn, user, password)
                                    : connection.ConnectDsn(dsn, "", ""));
        EXPECT_EQ(engine.dbmsName, connection.DbmsName());

        Statement statement(connection);
        ASSERT_TRUE(statement.Execute("SELECT 40 + 2"));
        ASSERT_TRUE(statement.Succeeded(SQLFetch(statement.handle()), "SQLFetch"));
        SQLINTEGER value = 0;
        ASSERT_TRUE(statement.Succeeded(
            SQLGetData(statement.handle(), 1, SQL_C_SLONG, &value, 0, nullptr), "SQLGetData"));
        EXPECT_EQ(42, value);
    }
}

struct Row {
    SQLINTEGER id;
    SQLBIGINT big;
    const char *name;  // nullptr: NULL
    SQLINTEGER nameCharacters;
    SQL_DATE_STRUCT born;
    bool bornIsNull;
};

// Values that go wrong when a driver or the configuration is off: a 64-bit
// integer no double holds, the smallest 64-bit integer, text beyond ASCII
// (a client or server character set other than UTF-8 garbles it, and the
// server then counts bytes as characters), a leap day, NULLs.
const std::array kRows{
    Row{1, 9007199254740993LL, "Z\xc3\xbcrich \xe2\x9c\x93", 8, {2024, 2, 29}, false},
    Row{2, std::numeric_limits<SQLBIGINT>::min(), nullptr, 0, {}, true},
};

TEST_P(OdbcSmoke, RoundTripsTypedValuesThroughAConnectionString) {
    const Engine &engine = GetParam();
    std::string connectionString;
    ASSERT_TRUE(GetEnv(engine.connectionStringVariable, connectionString));
    Connection connection;
    ASSERT_TRUE(connection.ConnectString(connectionString));
    EXPECT_EQ(engine.dbmsName, connection.DbmsName());

    Statement statement(connection);
    ASSERT_TRUE(statement.Execute("DROP TABLE IF EXISTS fw_smoke"));
    ASSERT_TRUE(
        statement.Execute("CREATE TABLE fw_smoke (id INTEGER NOT NULL PRIMARY KEY, big BIGINT, "
                          "name VARCHAR(40), born DATE)"));

    SQLHSTMT stmt = statement.handle();
    std::string insert = "INSERT INTO fw_smoke (id, big, name, born) VALUES (?, ?, ?, ?)";
    ASSERT_TRUE(statement.Succeeded(
        SQLPrepare(stmt, reinterpret_cast<SQLCHAR *>(insert.data()), SQL_NTS), insert));
    for (const Row &row : kRows) {
        SCOPED_TRACE("insert row " + std::to_string(row.id));
        SQLINTEGER id = row.id;
        SQLBIGINT big = row.big;
        std::string name = row.name != nullptr ? row.name : "";
        SQLLEN nameIndicator = row.name != nullptr ? SQL_NTS : SQL_NULL_DATA;
        SQL_DATE_STRUCT born = row.born;
        SQLLEN bornIndicator = row.bornIsNull ? SQL_NULL_DATA : 0;
        ASSERT_TRUE(statement.Succeeded(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG,
                                                         SQL_INTEGER, 0, 0, &id, 0, nullptr),
                                        "bind id"));
        ASSERT_TRUE(statement.Succeeded(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_SBIGINT,
                                                         SQL_BIGINT, 0, 0, &big, 0, nullptr),
                                        "bind big"));
        ASSERT_TRUE(statement.Succeeded(
            SQLBindParameter(stmt, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 40, 0, name.data(),
                             static_cast<SQLLEN>(name.size() + 1), &nameIndicator),
            "bind name"));
        ASSERT_TRUE(
            statement.Succeeded(SQLBindParameter(stmt, 4, SQL_PARAM_INPUT, SQL_C_TYPE_DATE,
                                                 SQL_TYPE_DATE, 10, 0, &born, 0, &bornIndicator),
                                "bind born"));
        ASSERT_TRUE(statement.Succeeded(SQLExecute(stmt), "SQLExecute"));
    }
    SQLFreeStmt(stmt, SQL_RESET_PARAMS);

    ASSERT_TRUE(statement.Execute(std::string("SELECT id, big, name, born, ") + engine.charLength +
                                  "(name) FROM fw_smoke ORDER BY id"));
    for (const Row &row : kRows) {
        SCOPED_TRACE("select row " + std::to_string(row.id));
        ASSERT_TRUE(statement.Succeeded(SQLFetch(stmt), "SQLFetch"));
        SQLINTEGER id = 0;
        SQLBIGINT big = 0;
        char name[64] = {};
        SQL_DATE_STRUCT born = {};
        SQLINTEGER characters = 0;
        SQLLEN idIndicator = 0, bigIndicator = 0, nameIndicator = 0, bornIndicator = 0;
        SQLLEN charactersIndicator = 0;
        ASSERT_TRUE(
            statement.Succeeded(SQLGetData(stmt, 1, SQL_C_SLONG, &id, 0, &idIndicator), "get id"));
        ASSERT_TRUE(statement.Succeeded(SQLGetData(stmt, 2, SQL_C_SBIGINT, &big, 0, &bigIndicator),
                                        "get big"));
        ASSERT_TRUE(statement.Succeeded(
            SQLGetData(stmt, 3, SQL_C_CHAR, name, sizeof name, &nameIndicator), "get name"));
        ASSERT_TRUE(statement.Succeeded(
            SQLGetData(stmt, 4, SQL_C_TYPE_DATE, &born, 0, &bornIndicator), "get born"));
        ASSERT_TRUE(statement.Succeeded(
            SQLGetData(stmt, 5, SQL_C_SLONG, &characters, 0, &charactersIndicator),
            "get the character count"));
        EXPECT_EQ(row.id, id);
        EXPECT_EQ(row.big, big);
        if (row.name == nullptr) {
            EXPECT_EQ(SQL_NULL_DATA, nameIndicator);
            EXPECT_EQ(SQL_NULL_DATA, charactersIndicator);
        } else {
            EXPECT_STREQ(row.name, name);
            EXPECT_EQ(row.nameCharacters, characters) << "characters the server counts";
        }
        if (row.bornIsNull) {
            EXPECT_EQ(SQL_NULL_DATA, bornIndicator);
        } else {
            EXPECT_EQ(row.born.year, born.year);
            EXPECT_EQ(row.born.month, born.month);
            EXPECT_EQ(row.born.day, born.day);
        }
    }
    EXPECT_EQ(SQL_NO_DATA, SQLFetch(stmt)) << "more rows than were inserted";

    ASSERT_TRUE(statement.Execute("DROP TABLE fw_smoke"));
}

INSTANTIATE_TEST_SUITE_P(Engines, OdbcSmoke, testing::ValuesIn(kEngines),
                         [](const testing::TestParamInfo<Engine> &info) {
                             return std::string(info.param.name);
                         });

// Runs isql-fb on a script against the database, standard output and error
// both into outputPath; returns the exit status, or -1 when it did not run.
int RunIsql(const std::string &script, const std::string &database, const std::string &outputPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> args = {"isql-fb", "-q", "-b", "-i", script, database};
    std::vector<char *> argv;
    for (std::string &arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "isql-fb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return -1;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// Later SQL tests run their statements on Firebird the same way, and learn
// that one was rejected from the exit status and the message; both must
// hold for an accepted script and for a rejected statement.
TEST(FirebirdEmbedded, RunsScriptsThroughIsqlAndReportsRejectedStatements) {
    std::string database, firebirdRoot;
    ASSERT_TRUE(GetEnv("FW_TEST_FIREBIRD_DB", database));
    // Without it the client library would look for a server instead.
    ASSERT_TRUE(GetEnv("FIREBIRD", firebirdRoot));

    // Tests of several processes share the database.
    std::string table = "FW_SMOKE_" + std::to_string(getpid());
    struct Case {
        const char *what;
        std::string script;
        int exitStatus;
        std::vector<std::string> expected;  // in the output
    };
    const std::array cases{
        Case{"create, insert, select, drop",
             "CREATE TABLE " + table +
                 " (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), NOTE BLOB SUB_TYPE TEXT);\n"
                 "COMMIT;\n"
                 "INSERT INTO " +
                 table + " VALUES (7, 'Z\xc3\xbcrich', 'a long text');\n" + "INSERT INTO " + table +
                 " VALUES (8, NULL, NULL);\n" + "SELECT FIRST 1 SKIP 1 ID, NAME FROM " + table +
                 " ORDER BY ID;\n" + "SELECT NAME FROM " + table + " WHERE ID = 7;\n" +
                 // A table the open transaction has used cannot be dropped.
                 "COMMIT;\n" + "DROP TABLE " + table + ";\n" + "COMMIT;\n",
             0,
             {"8 <null>", "Z\xc3\xbcrich"}},
        Case{"a column type Firebird lacks",
             "CREATE TABLE " + table + "_BAD (A TEXT);\n",
             1,
             {"SQLSTATE = 42000", "TEXT does not exist"}},
    };

    TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string script = dir.File("script.sql");
        std::string output = dir.File("output.txt");
        WriteFile(script, c.script);
        int status = RunIsql(script, database, output);
        std::string text = ReadFile(output);
        EXPECT_EQ(c.exitStatus, status) << text;
        // isql-fb pads columns; compare with runs of blanks reduced to one.
        std::string squeezed;
        for (char ch : text) {
            if (ch != ' ' || squeezed.empty() || squeezed.back() != ' ') {
                squeezed += ch;
            }
        }
        for (const std::string &expected : c.expected) {
            EXPECT_NE(std::string::npos, squeezed.find(expected)) << text;
        }
    }
}

}  // namespace
