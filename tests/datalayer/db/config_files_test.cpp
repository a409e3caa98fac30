// The data layer's configuration: dsn_table_map.txt and the dialect switch,
// connparams.txt and its lookups, and the provider registry.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "agent/log.h"
#include "datalayer/db/conn_params.h"
#include "datalayer/db/data_source_map.h"
#include "datalayer/db/db_provider.h"
#include "datalayer/db/odbc_provider.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;
using fw::test::WriteFile;

class ConfigFiles : public testing::Test {
  protected:
    void SetUp() override { logPath_ = OpenTestLog(dir_, 4); }
    void TearDown() override {
        FreeAllDataSourceMapEntries();
        FreeAllConnParamsEntries();
        DeInitDBProvider();
        ResetLog();
    }
    std::string Log() { return ReadFile(logPath_); }

    TempDir dir_;
    std::string logPath_;
};

TEST_F(ConfigFiles, MapReadsPairsAcrossLinesAndFindsTheFirstIgnoringCase) {
    std::string path = dir_.File("dsn_table_map.txt");
    WriteFile(path, "Users DB1 Roles\n  DB1\n\tusers DB2\r\nOrphan");
    ASSERT_EQ(1, LoadDataSourceMapEntryFromFile(path.c_str()));
    DataSourceMapEntry *users = GetDataSourceMapEntry("users");
    ASSERT_NE(nullptr, users);
    EXPECT_STREQ("Users", users->tableName);
    EXPECT_STREQ("DB1", users->connectionName);
    ASSERT_NE(nullptr, GetDataSourceMapEntry("ROLES"));
    EXPECT_STREQ("DB1", GetDataSourceMapEntry("ROLES")->connectionName);
    EXPECT_EQ(nullptr, GetDataSourceMapEntry("Orphan"));
    EXPECT_NE(std::string::npos, Log().find("ends with the table Orphan without a connection"));

    // Deleting the first entry uncovers the second of the same table.
    EXPECT_EQ(1, DeleteDataSourceMapEntry("USERS"));
    EXPECT_STREQ("DB2", GetDataSourceMapEntry("Users")->connectionName);
    EXPECT_EQ(1, DeleteDataSourceMapEntry("users"));
    EXPECT_EQ(0, DeleteDataSourceMapEntry("users"));
    EXPECT_EQ(nullptr, GetDataSourceMapEntry(nullptr));
}

TEST_F(ConfigFiles, MapKeepsWordsOfAnyLength) {
    std::string table(300, 't');
    std::string connection(1000, 'c');
    std::string path = dir_.File("dsn_table_map.txt");
    WriteFile(path, table + " " + connection + "\nShort DB\n");
    ASSERT_EQ(1, LoadDataSourceMapEntryFromFile(path.c_str()));
    ASSERT_NE(nullptr, GetDataSourceMapEntry(table.c_str()));
    EXPECT_EQ(connection, GetDataSourceMapEntry(table.c_str())->connectionName);
    EXPECT_STREQ("DB", GetDataSourceMapEntry("short")->connectionName);
}

// The given path first, then <root>/data/<name>, however long the root.
TEST_F(ConfigFiles, FilesFallBackToTheDataDirectoryOfTheRoot) {
    std::string root = dir_.File(std::string(150, 'r'));
    std::filesystem::create_directories(root + "/data");
    WriteFile(root + "/data/dsn_table_map.txt", "T C\n");
    WriteFile(root + "/data/connparams.txt", "h 1 dsn u p x conn ODBC SQLITE NO\n");
    SetQuillonRoot(root.c_str());
    EXPECT_EQ(1, LoadDataSourceMapEntryFromFile(dir_.File("missing.txt").c_str()));
    EXPECT_EQ(1, LoadConnParamsEntryFromFile(nullptr));
    EXPECT_NE(nullptr, GetDataSourceMapEntry("t"));
    EXPECT_STREQ("conn", GetDefaultConnectionName());
    EXPECT_NE(std::string::npos, Log().find("Opening " + root + "/data/dsn_table_map.txt\n"));
}

TEST_F(ConfigFiles, MissingFilesFailWithTheirMessages) {
    SetQuillonRoot(dir_.path().c_str());
    std::string missing = dir_.File("nothing.txt");
    EXPECT_EQ(0, LoadDataSourceMapEntryFromFile(missing.c_str()));
    EXPECT_EQ(0, LoadConnParamsEntryFromFile(missing.c_str()));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("[ERROR] Cannot open DataSourceMap Entry File.\n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] Cannot open Connection Parameters File.\n"));
}

TEST_F(ConfigFiles, DialectSwitch) {
    EXPECT_EQ(0, IsDSNMapValid());
    EXPECT_EQ(0, GetDialectIndex());
    SetDSNMapValid(0, DIALECT_SQLITE);
    EXPECT_EQ(0, IsDSNMapValid());
    EXPECT_STREQ("SQLITE", GetDialectName(GetDialectIndex()));
    SetDSNMapValid(1, DIALECT_PGSQL);  // the index is not used
    EXPECT_EQ(1, IsDSNMapValid());
    EXPECT_EQ(DIALECT_SQLITE, GetDialectIndex());
    SetDSNMapValid(2, 0);
    SetDSNMapValid(0, 7);
    EXPECT_EQ(1, IsDSNMapValid());
    EXPECT_EQ(DIALECT_SQLITE, GetDialectIndex());
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("[ERROR] \nInvalid Status\n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] Invalid dialect index 7\n"));
    EXPECT_EQ(nullptr, GetDialectName(4));
}

struct ParamsCase {
    const char *what;
    std::string line;
    // Expected fields; nullptr for an absent one.
    const char *host;
    uint16_t port;
    const char *password;
    const char *connectionName;
    uint8_t useConnectionString;
    const char *connectionString;
};

TEST_F(ConfigFiles, ConnParamsLines) {
    const std::string longToken(400, 'x');
    const std::array cases{
        ParamsCase{"NO ignores the rest", "db1 5432 dsn1 sa secret 0 conn1 ODBC PGSQL NO ignored",
                   "db1", 5432, "secret", "conn1", 0, nullptr},
        ParamsCase{"yes takes the rest less one blank",
                   "h 3306 dsn2 u NULL 0 conn2 ODBC MYSQL yes  Driver={X};Server=h;PWD=a b", "h",
                   3306, nullptr, "conn2", 1, " Driver={X};Server=h;PWD=a b"},
        ParamsCase{"null in lower case is a password", "h 1 d u null 0 conn3 ODBC SQLITE NO", "h",
                   1, "null", "conn3", 0, nullptr},
        ParamsCase{"port modulo 65536, tabs separate, CRLF",
                   "h\t65537\td\tu\tp\t0\tconn4\tODBC\tSQLITE\tNO\r", "h", 1, "p", "conn4", 0,
                   nullptr},
        ParamsCase{"a long token is kept whole",
                   longToken + " 1 d u p 0 conn5 ODBC SQLITE YES " + longToken, longToken.c_str(),
                   1, "p", "conn5", 1, longToken.c_str()},
        ParamsCase{"YES at the end of the line gives an empty connection string",
                   "h 1 d u p 0 conn6 ODBC SQLITE YES", "h", 1, "p", "conn6", 1, ""},
    };
    for (const ParamsCase &c : cases) {
        SCOPED_TRACE(c.what);
        FreeAllConnParamsEntries();
        std::string path = dir_.File("connparams.txt");
        WriteFile(path, c.line + "\n");
        ASSERT_EQ(1, LoadConnParamsEntryFromFile(path.c_str()));
        ConnParamsEntry *entry = GetConnParamsEntry(c.connectionName);
        ASSERT_NE(nullptr, entry);
        EXPECT_STREQ(c.host, entry->host);
        EXPECT_EQ(c.port, entry->port);
        EXPECT_STREQ(c.password, entry->password);
        EXPECT_EQ(0, entry->reserved);
        EXPECT_EQ(c.useConnectionString, entry->useConnectionString);
        EXPECT_STREQ(c.connectionString, entry->connectionString);
        EXPECT_STREQ("ODBC", entry->providerName);
        EXPECT_EQ(1, GetConnParamsList()->count);
    }
}

TEST_F(ConfigFiles, BadConnParamsLinesAreLoggedAndSkipped) {
    std::string path = dir_.File("connparams.txt");
    WriteFile(path,
              "# a comment\n"
              "\n"
              "h 1 d u p 0 short ODBC\n"
              "h port d u p 0 badport ODBC SQLITE NO\n"
              "h 2 d u p 0 good ODBC SQLITE NO\n"
              "h 3 d u p 0 last ODBC SQLITE");
    ASSERT_EQ(1, LoadConnParamsEntryFromFile(path.c_str()));
    // A short line does not borrow words of the next one.
    EXPECT_EQ(1, GetConnParamsList()->count);
    EXPECT_STREQ("good", GetDefaultConnectionName());
    std::string log = Log();
    EXPECT_NE(std::string::npos,
              log.find("connparams.txt line 3 has 8 of the 10 fields; it is skipped\n"));
    EXPECT_NE(std::string::npos,
              log.find("connparams.txt line 4: the port is not a number; the line is skipped\n"));
    EXPECT_NE(std::string::npos,
              log.find("connparams.txt line 6 has 9 of the 10 fields; it is skipped\n"));
}

TEST_F(ConfigFiles, ConnParamsLookups) {
    EXPECT_EQ(nullptr, GetDefaultConnectionName());
    EXPECT_EQ(nullptr, GetConnParamsEntry("any"));
    ASSERT_EQ(1, AddConnParamsEntry(CreateConnParamsEntry("h", 1, "d", "u", nullptr, 0, "First", 0,
                                                          nullptr, "ODBC", "PGSQL")));
    ASSERT_EQ(1, AddConnParamsEntry(CreateConnParamsEntry("h", 1, "d", "u", "p", 0, "Second", 0,
                                                          nullptr, "ODBC", "SQLITE")));
    EXPECT_STREQ("First", GetDefaultConnectionName());
    EXPECT_EQ(nullptr, GetConnParamsEntry("first"));  // names are exact
    EXPECT_STREQ("SQLITE", GetDatabaseTypeForConnection("Second"));
    EXPECT_STREQ("ODBC", GetProviderNameForConnection("Second"));
    EXPECT_EQ(nullptr, GetDatabaseTypeForConnection("Third"));

    AddDataSourceMapEntry(CreateDataSourceMapEntry("Orders", "Second"));
    EXPECT_STREQ("Second", GetConnectionNameForTable("orders"));
    EXPECT_EQ(nullptr, GetConnectionNameForTable("Items"));

    EXPECT_EQ(1, DeleteConnParamsEntry("First"));
    EXPECT_EQ(0, DeleteConnParamsEntry("First"));
    EXPECT_STREQ("Second", GetDefaultConnectionName());

    ASSERT_EQ(1, AddConnParamsEntry(CreateConnParamsEntry(nullptr, 0, nullptr, nullptr, nullptr, 0,
                                                          nullptr, 0, nullptr, nullptr, nullptr)));
    DeleteConnParamsEntry("Second");
    EXPECT_EQ(nullptr, GetDefaultConnectionName());

    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("dbConnPtr is NULL for Connection Name Third \n"));
    EXPECT_NE(std::string::npos, log.find("No DataSourceMap Entry for Table name Items \n"));
    EXPECT_NE(std::string::npos, log.find("Connection Name IS NULL\n"));
}

TEST_F(ConfigFiles, ProviderRegistryAndSlots) {
    EXPECT_EQ(nullptr, FindRegisteredDBProvider("ODBC"));
    ASSERT_EQ(1, InitDBProvider());
    EXPECT_EQ(&gv_odbcProvider, FindRegisteredDBProvider("ODBC"));
    EXPECT_EQ(nullptr, FindRegisteredDBProvider("odbc"));
    EXPECT_EQ(0, FindLoadedDBProvider("ODBC"));
    EXPECT_EQ(-1, FindLoadedDBProvider("SQLITE"));
    EXPECT_EQ(nullptr, GetLoadedDBProvider(1));

    EXPECT_EQ(0, InitDBProvider());
    EXPECT_NE(std::string::npos, Log().find("InitDBProvider Failed as already initialized\n"));

    // A second provider takes the free slot; a third finds none.
    DBProvider other = gv_odbcProvider;
    other.name = "OTHER";
    ASSERT_EQ(1, RegisterDBProvider(&other));
    EXPECT_EQ(1, LoadDBProvider("OTHER"));
    EXPECT_EQ(1, FindLoadedDBProvider("OTHER"));
    EXPECT_EQ(0, LoadDBProvider("ODBC"));
    EXPECT_EQ(1, UnloadDBProvider("OTHER"));
    EXPECT_EQ(0, UnloadDBProvider("OTHER"));
    EXPECT_EQ(-1, FindLoadedDBProvider("OTHER"));
}

}  // namespace
