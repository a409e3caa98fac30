// Connection texts, the date readers of the ODBC provider, and connections
// to servers that cannot be reached.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>

#include "datalayer/db/connection_pool.h"
#include "datalayer/db/odbc_provider.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "tests/datalayer/db/db_test_support.hpp"
#include "tests/support/test_support.hpp"
#include "util/kel_datetime.h"

namespace {

using fw::test::GetEnv;
using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

std::string Take(char *text) {
    std::string result = text != nullptr ? text : "(none)";
    free(text);
    return result;
}

struct TextCase {
    const char *what;
    const char *dsn;
    const char *user;
    const char *password;
    const char *provider;
    const char *expected;
};

TEST(OdbcConnectionText, IsBuiltFromTheEntry) {
    const std::array cases{
        TextCase{"no password", "inv", "sa", nullptr, "ODBC", "DSN=inv;UID=sa;;Driver={ODBC}"},
        TextCase{"all parts", "inv", "sa", "pw", "ODBC", "DSN=inv;UID=sa;PWD=pw;Driver={ODBC}"},
        TextCase{"only a DSN", "name", nullptr, nullptr, "ODBC", "DSN=name;;;Driver={ODBC}"},
        TextCase{"no provider", "name", "u", nullptr, nullptr, "DSN=name;UID=u;;"},
        TextCase{"a password that would end the attribute", "inv", "sa", "a;DSN=other", "ODBC",
                 "DSN=inv;UID=sa;PWD={a;DSN=other};Driver={ODBC}"},
        TextCase{"a brace in a value", "inv", "sa", "x}y", "ODBC",
                 "DSN=inv;UID=sa;PWD={x}}y};Driver={ODBC}"},
        TextCase{"no DSN", nullptr, "sa", "pw", "ODBC", "(none)"},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.what);
        ConnParamsEntry *entry = CreateConnParamsEntry("h", 0, c.dsn, c.user, c.password, 0, "n", 0,
                                                       nullptr, c.provider, "SQLITE");
        EXPECT_EQ(c.expected, Take(BuildODBCConnectionString(entry)));
        FreeConnParamsEntry(entry);
    }
    // A connection string is used unchanged, but only with a DSN.
    ConnParamsEntry *entry = CreateConnParamsEntry(
        "h", 0, "x", "u", "p", 0, "n", 1, " Driver=SQLite3;Database=a b", "ODBC", "SQLITE");
    EXPECT_EQ(" Driver=SQLite3;Database=a b", Take(BuildODBCConnectionString(entry)));
    free(entry->dsn);
    entry->dsn = nullptr;
    EXPECT_EQ("(none)", Take(BuildODBCConnectionString(entry)));
    TempDir dir;
    std::string log = OpenTestLog(dir, 2);
    EXPECT_EQ(nullptr, ODBCOpenConnection(entry));
    EXPECT_EQ(nullptr, ODBCOpenConnection(nullptr));
    EXPECT_NE(std::string::npos, ReadFile(log).find("[ERROR] ODBC connection Parameter missing\n"));
    FreeConnParamsEntry(entry);
    ResetLog();
}

TEST(OdbcConnectionText, PasswordsAreMaskedForTheLog) {
    const std::array<std::array<const char *, 2>, 6> cases{{
        {"DSN=a;UID=u;PWD=secret;Driver={ODBC}", "DSN=a;UID=u;PWD=***;Driver={ODBC}"},
        {"Driver=X;Server=h;pwd=secret", "Driver=X;Server=h;pwd=***"},
        {"Password=secret;Port=1", "Password=***;Port=1"},
        {"PWD={a;b}}c};UID=u", "PWD=***;UID=u"},
        {" pwd = secret ;x", " pwd =***;x"},
        {"DSN=a;;;", "DSN=a;;;"},
    }};
    for (const auto &c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(c[1], Take(MaskODBCConnectionString(c[0])));
    }
    EXPECT_EQ(nullptr, MaskODBCConnectionString(nullptr));
}

struct DateCase {
    const char *text;
    uint8_t type;
    const char *expected;  // the value's text, or nullptr for none
};

TEST(OdbcDateTime, DriverTextsBecomeRecordsWithTheirTypesParts) {
    const std::array cases{
        DateCase{"2011-03-04", KEL_SQL_DATE, "2011-03-04"},
        DateCase{"13:05:09", KEL_SQL_TIME, "13:05:09"},
        DateCase{"2024-02-29 13:05:09.123", KEL_SQL_DATETIME, "2024-02-29 13:05:09"},
        DateCase{"2024-02-29", KEL_SQL_DATETIME, nullptr},
        DateCase{"13:05", KEL_SQL_TIME, nullptr},
        DateCase{"yesterday", KEL_SQL_DATE, nullptr},
        DateCase{"2011-03-04", KEL_SQL_VARCHAR, nullptr},
    };
    for (const DateCase &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " as " + std::to_string(c.type));
        int32_t length = 0;
        unsigned char *value = ConvertODBCDateTime(c.text, &length, c.type);
        if (c.expected == nullptr) {
            EXPECT_EQ(nullptr, value);
            continue;
        }
        ASSERT_NE(nullptr, value);
        EXPECT_EQ(11, length);
        auto *record = reinterpret_cast<const KelDateTime *>(value);
        EXPECT_EQ(c.type != KEL_SQL_TIME, record->date != nullptr);
        EXPECT_EQ(c.type != KEL_SQL_DATE, record->time != nullptr);
        EXPECT_EQ(c.expected, Take(ConvertColumnValueToString(value, c.type)));
        FreeColumnValue(value, c.type);
    }
}

// A TCP port on 127.0.0.1: closed (nothing listens), or held by a listener
// that takes connections into its backlog and never answers.
class Port {
  public:
    explicit Port(bool listening) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr *>(&address), &length);
        number_ = ntohs(address.sin_port);
        if (listening) {
            listen(fd_, 16);
        } else {
            close(fd_);
            fd_ = -1;
        }
    }
    ~Port() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Port(const Port &) = delete;
    Port &operator=(const Port &) = delete;
    int number() const { return number_; }

  private:
    int fd_ = -1;
    int number_ = 0;
};

TEST(OdbcUnreachableServer, ConnectFailsWithinTheLoginTimeout) {
    TempDir dir;
    std::string log = OpenTestLog(dir, 4);
    ASSERT_EQ(1, InitDBProvider());
    SetODBCLoginTimeout(2);
    std::string pgPassword, mariaPassword;
    ASSERT_TRUE(GetEnv("FW_TEST_PGSQL_PASSWORD", pgPassword));
    ASSERT_TRUE(GetEnv("FW_TEST_MARIADB_PASSWORD", mariaPassword));
    for (bool listening : {false, true}) {
        Port port(listening);
        std::string p = std::to_string(port.number());
        const std::array<std::array<std::string, 2>, 2> servers{{
            {"PostgreSQL", "Driver=PostgreSQL Unicode;Servername=127.0.0.1;Port=" + p +
                               ";Database=fwtest;Uid=fwtest;Pwd=" + pgPassword},
            // MariaDB's driver takes its connect timeout from the connection
            // text (CONN_TIMEOUT, none by default) over the login timeout.
            {"MariaDB", "Driver=MariaDB;Server=127.0.0.1;Port=" + p +
                            ";Database=fwtest;Uid=fwtest;Pwd=" + mariaPassword + ";CONN_TIMEOUT=2"},
        }};
        for (const auto &[name, text] : servers) {
            SCOPED_TRACE(name + (listening ? " behind a silent listener" : " on a closed port"));
            ConnParamsEntry *entry = CreateConnParamsEntry(
                "127.0.0.1", 0, "x", nullptr, nullptr, 0, "gone", 1, text.c_str(), "ODBC", "PGSQL");
            auto start = std::chrono::steady_clock::now();
            ConnectionHandle *handle = OpenDBConnection(entry);
            auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
            EXPECT_EQ(nullptr, handle);
            EXPECT_LT(seconds.count(), 15.0);
            CloseDBConnection(handle);
            FreeConnParamsEntry(entry);
        }
    }
    std::string text = ReadFile(log);
    EXPECT_NE(std::string::npos, text.find("[ERROR] Connecting to driver failed\n"));
    EXPECT_NE(std::string::npos, text.find("Pwd=***"));
    EXPECT_EQ(std::string::npos, text.find(pgPassword));
    EXPECT_EQ(std::string::npos, text.find(mariaPassword));
    DeInitDBProvider();
    ResetLog();
}

}  // namespace
