// Data sources created from a file through the ODBC installer, in an ODBC
// configuration of the test's own (a copy of the test databases' drivers,
// each with the project's setup library), and then connected to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "datalayer/db/connection_pool.h"
#include "datalayer/db/db_statements.h"
#include "datalayer/db/odbc_dsn.h"
#include "datalayer/dictionary/column_value.h"
#include "tests/datalayer/db/db_test_support.hpp"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::GetEnv;
using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;
using fw::test::WriteFile;

// The sections of an .ini file: section -> key -> value.
std::map<std::string, std::map<std::string, std::string>> ReadIni(const std::string &path) {
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::istringstream in(ReadFile(path));
    std::string line, section;
    auto trim = [](std::string s) {
        s.erase(0, s.find_first_not_of(" \t"));
        s.erase(s.find_last_not_of(" \t\r") + 1);
        return s;
    };
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.size() > 2 && line.front() == '[') {
            section = line.substr(1, line.size() - 2);
            sections[section];
        } else if (size_t equals = line.find('='); equals != std::string::npos) {
            sections[section][trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
        }
    }
    return sections;
}

class OdbcDsn : public testing::Test {
  protected:
    void SetUp() override {
        std::string testOdbc;
        ASSERT_TRUE(GetEnv("ODBCSYSINI", testOdbc));
        // The test databases' drivers, each given the setup library.
        std::istringstream in(ReadFile(testOdbc + "/odbcinst.ini"));
        std::string line, drivers;
        while (std::getline(in, line)) {
            drivers += line + "\n";
            if (line.rfind("Driver", 0) == 0) {
                drivers += std::string("Setup = ") + FW_ODBC_SETUP + "\n";
            }
        }
        WriteFile(dir_.File("odbcinst.ini"), drivers);
        WriteFile(dir_.File("odbc.ini"), "");
        setenv("ODBCSYSINI", dir_.path().c_str(), 1);
        setenv("ODBCINI", dir_.File("odbc.ini").c_str(), 1);
        logPath_ = OpenTestLog(dir_, 4);
        ASSERT_EQ(1, InitDBProvider());
        ASSERT_TRUE(GetEnv("FW_TEST_PGSQL_PORT", pgPort_));
        ASSERT_TRUE(GetEnv("FW_TEST_PGSQL_USER", pgUser_));
        ASSERT_TRUE(GetEnv("FW_TEST_PGSQL_PASSWORD", pgPassword_));
        ASSERT_TRUE(GetEnv("FW_TEST_PGSQL_DATABASE", pgDatabase_));
        ASSERT_TRUE(GetEnv("FW_TEST_MARIADB_PORT", mariaPort_));
        ASSERT_TRUE(GetEnv("FW_TEST_MARIADB_USER", mariaUser_));
        ASSERT_TRUE(GetEnv("FW_TEST_MARIADB_PASSWORD", mariaPassword_));
        ASSERT_TRUE(GetEnv("FW_TEST_MARIADB_DATABASE", mariaDatabase_));
    }
    void TearDown() override {
        DeInitDBProvider();
        ResetLog();
    }

    // The first cell of the statement's first row, as text.
    std::string Ask(const std::string &connectionText, const std::string &statement) {
        ConnParamsEntry *entry = CreateConnParamsEntry("h", 0, "x", nullptr, nullptr, 0, "dsn", 1,
                                                       connectionText.c_str(), "ODBC", "SQLITE");
        ConnectionHandle *handle = OpenDBConnection(entry);
        FreeConnParamsEntry(entry);
        if (handle == nullptr) {
            return "(no connection)";
        }
        std::string answer = "(no answer)";
        ResultSet *set = ExecuteQuery(handle, statement.c_str());
        if (set != nullptr && set->rows != nullptr && set->rows->cells->data != nullptr) {
            char *text = ConvertColumnValueToString(set->rows->cells->data, set->columns[0].type);
            answer = text != nullptr ? text : "(unconvertible)";
            free(text);
        }
        FreeResultSet(set);
        CloseDBConnection(handle);
        return answer;
    }

    TempDir dir_;
    std::string logPath_;
    std::string pgPort_, pgUser_, pgPassword_, pgDatabase_;
    std::string mariaPort_, mariaUser_, mariaPassword_, mariaDatabase_;
};

TEST_F(OdbcDsn, DataSourcesFromAFileCanBeConnectedTo) {
    std::string database = dir_.File("created.db");
    std::string file = dir_.File("dsns.txt");
    WriteFile(file, "fw_new_sqlite SQLite NULL NULL NULL " + database + " SQLite3\n" +
                        "fw_new_pgsql Created 127.0.0.1 " + pgUser_ + " null " + pgDatabase_ +
                        "  PostgreSQL Unicode \n" + "fw_new_maria Created 127.0.0.1 " + mariaUser_ +
                        " Null " + mariaDatabase_ + "\tMariaDB\r\n" + "# a comment line\n\n" +
                        "too few words here\n" +
                        "fw_bad Broken NULL NULL NULL NULL NoSuchDriver\n");
    ASSERT_EQ(1, CreateDSNsFromFile(file.c_str()));

    auto ini = ReadIni(dir_.File("odbc.ini"));
    ASSERT_EQ(1u, ini.count("fw_new_pgsql")) << ReadFile(dir_.File("odbc.ini"));
    EXPECT_EQ("PostgreSQL Unicode", ini["fw_new_pgsql"]["Driver"]);
    EXPECT_EQ("Created", ini["fw_new_pgsql"]["DESCRIPTION"]);
    EXPECT_EQ("127.0.0.1", ini["fw_new_pgsql"]["SERVER"]);
    EXPECT_EQ(pgUser_, ini["fw_new_pgsql"]["UID"]);
    EXPECT_EQ(pgDatabase_, ini["fw_new_pgsql"]["DATABASE"]);
    EXPECT_EQ(0u, ini["fw_new_pgsql"].count("PWD")) << "a null password in any case";
    EXPECT_EQ(0u, ini["fw_new_maria"].count("PWD"));
    EXPECT_EQ("MariaDB", ini["fw_new_maria"]["Driver"]);
    EXPECT_EQ(0u, ini["fw_new_sqlite"].count("SERVER"));
    EXPECT_EQ(0u, ini.count("fw_bad"));
    EXPECT_EQ(0u, ini.count("too"));

    // SQLite: a table made through the new data source is in its file.
    EXPECT_EQ("(no answer)", Ask("DSN=fw_new_sqlite", "CREATE TABLE found (v INT)"));
    EXPECT_EQ("0", Ask("Driver=SQLite3;Database=" + database, "SELECT count(*) FROM found"));
    // The servers: the data source gives the driver and the database; the
    // port, which the file cannot give, and the credentials come with it.
    EXPECT_EQ(pgDatabase_, Ask("DSN=fw_new_pgsql;Servername=127.0.0.1;Port=" + pgPort_ +
                                   ";UID=" + pgUser_ + ";PWD=" + pgPassword_,
                               "SELECT current_database()"));
    EXPECT_EQ(mariaDatabase_, Ask("DSN=fw_new_maria;Port=" + mariaPort_ + ";UID=" + mariaUser_ +
                                      ";PWD=" + mariaPassword_,
                                  "SELECT database()"));

    std::string log = ReadFile(logPath_);
    EXPECT_NE(std::string::npos, log.find("[ERROR] Creating DSN fw_bad Failed\n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] SQLConfigDataSource returned FALSE \n"));
    EXPECT_NE(std::string::npos,
              log.find("Data source file line 6 has 4 of the 7 fields; it is skipped\n"));
    EXPECT_EQ(std::string::npos, log.find(pgPassword_));
    EXPECT_EQ(std::string::npos, log.find(mariaPassword_));
}

TEST_F(OdbcDsn, CreateDsnWritesThePasswordUnlessItIsNull) {
    EXPECT_EQ(1, CreateDSN("fw_with_pw", "d", "host", "user", "secret", "db", "SQLite3"));
    EXPECT_EQ(1, CreateDSN("fw_null_pw", "NULL", "host", "user", "nULl", "NULL", "SQLite3"));
    auto ini = ReadIni(dir_.File("odbc.ini"));
    EXPECT_EQ("secret", ini["fw_with_pw"]["PWD"]);
    EXPECT_EQ(0u, ini["fw_null_pw"].count("PWD"));
    EXPECT_EQ(0u, ini["fw_null_pw"].count("DESCRIPTION"));
    EXPECT_EQ(0u, ini["fw_null_pw"].count("DATABASE"));
    EXPECT_EQ("user", ini["fw_null_pw"]["UID"]);

    EXPECT_EQ(0, CreateDSN(nullptr, "d", "h", "u", "p", "db", "SQLite3"));
    EXPECT_EQ(0, CreateDSN("x", "d", "h", "u", "p", "db", nullptr));
    std::string missing = dir_.File("missing.txt");
    EXPECT_EQ(0, CreateDSNsFromFile(missing.c_str()));
    std::string log = ReadFile(logPath_);
    EXPECT_NE(std::string::npos, log.find("[ERROR] DriverName or DSN name is NULL \n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] Error opening File " + missing + " \n"));
    EXPECT_EQ(std::string::npos, log.find("secret"));
}

}  // namespace
