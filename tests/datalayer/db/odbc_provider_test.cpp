// The ODBC provider on every engine: each test is written once and runs on
// SQLite, PostgreSQL and MariaDB, found through the environment that
// scripts/testdb.sh sets. SQLite tests that write use a database file of
// their own; tables on the shared servers carry the process id.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "datalayer/db/connection_pool.h"
#include "datalayer/db/db_statements.h"
#include "datalayer/db/odbc_provider.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "tests/datalayer/db/db_test_support.hpp"
#include "tests/support/test_support.hpp"
#include "util/kel_datetime.h"

namespace {

using fw::test::Engine;
using fw::test::GetEnv;
using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;
using fw::test::UniqueName;

// The text of a cell, as the data layer writes values; "NULL" for NULL.
std::string CellText(const ResultSet *set, int row, int column) {
    const ResultSetRow *r = set->rows;
    for (int i = 0; i < row && r != nullptr; ++i) {
        r = r->next;
    }
    if (r == nullptr) {
        return "(no row)";
    }
    const ResultSetCell *cell = r->cells;
    for (int i = 0; i < column && cell != nullptr; ++i) {
        cell = cell->next;
    }
    if (cell == nullptr) {
        return "(no cell)";
    }
    if (cell->data == nullptr) {
        return "NULL";
    }
    uint8_t type = set->columns[column].type;
    if (type == KEL_SQL_NOT_SUPPORTED_TYPE || type == KEL_SQL_BLOB) {
        return std::string(reinterpret_cast<const char *>(cell->data), cell->length);
    }
    char *text = ConvertColumnValueToString(cell->data, type);
    std::string result = text != nullptr ? text : "(unconvertible)";
    free(text);
    return result;
}

const ResultSetCell *Cell(const ResultSet *set, int row, int column) {
    const ResultSetRow *r = set->rows;
    for (int i = 0; i < row; ++i) {
        r = r->next;
    }
    const ResultSetCell *cell = r->cells;
    for (int i = 0; i < column; ++i) {
        cell = cell->next;
    }
    return cell;
}

class OdbcEngine : public testing::TestWithParam<Engine> {
  protected:
    void SetUp() override {
        // At TRACE level, so that any record that could carry a password is
        // written and checked.
        logPath_ = OpenTestLog(dir_, 4);
        ASSERT_EQ(1, InitDBProvider());
        const Engine &engine = GetParam();
        ASSERT_TRUE(GetEnv(engine.dsnVariable, dsn_));
        ASSERT_TRUE(GetEnv(engine.connectionStringVariable, connectionString_));
        if (engine.userVariable != nullptr) {
            ASSERT_TRUE(GetEnv(engine.userVariable, user_));
            ASSERT_TRUE(GetEnv(engine.passwordVariable, password_));
        }
    }

    void TearDown() override {
        for (ConnectionHandle *handle : handles_) {
            CloseDBConnection(handle);
        }
        for (ConnParamsEntry *entry : entries_) {
            FreeConnParamsEntry(entry);
        }
        DeInitDBProvider();
        if (!password_.empty()) {
            EXPECT_EQ(std::string::npos, ReadFile(logPath_).find(password_))
                << "the password reached the log";
        }
        ResetLog();
    }

    // Through the data source name, with the user and password given.
    ConnectionHandle *OpenByDsn() {
        return Open(CreateConnParamsEntry("127.0.0.1", 0, dsn_.c_str(),
                                          user_.empty() ? nullptr : user_.c_str(),
                                          password_.empty() ? nullptr : password_.c_str(), 0,
                                          "byDsn", 0, nullptr, "ODBC", GetParam().databaseType));
    }

    ConnectionHandle *OpenByString(const std::string &text) {
        return Open(CreateConnParamsEntry("127.0.0.1", 0, "unused", nullptr, nullptr, 0, "byString",
                                          1, text.c_str(), "ODBC", GetParam().databaseType));
    }

    // A connection the test may write through: on SQLite to a database file
    // of this test's own, elsewhere through the data source name.
    ConnectionHandle *OpenForWriting() {
        if (std::string(GetParam().name) == "SQLite") {
            return OpenByString("Driver=SQLite3;Database=" + dir_.File("own.db") + ";StepAPI=1");
        }
        return OpenByDsn();
    }

    ConnectionHandle *Open(ConnParamsEntry *entry) {
        entries_.push_back(entry);
        ConnectionHandle *handle = OpenDBConnection(entry);
        if (handle != nullptr) {
            handles_.push_back(handle);
        }
        return handle;
    }

    std::string Log() { return ReadFile(logPath_); }

    TempDir dir_;
    std::string logPath_;
    std::string dsn_, connectionString_, user_, password_;
    std::vector<ConnParamsEntry *> entries_;
    std::vector<ConnectionHandle *> handles_;
};

TEST_P(OdbcEngine, ConnectsByDataSourceNameAndByConnectionString) {
    for (bool byDsn : {true, false}) {
        SCOPED_TRACE(byDsn ? "data source name" : "connection string");
        ConnectionHandle *handle = byDsn ? OpenByDsn() : OpenByString(connectionString_);
        ASSERT_NE(nullptr, handle) << Log();
        EXPECT_STREQ(byDsn ? "byDsn" : "byString", handle->connectionName);
        EXPECT_EQ(-1, handle->ownerThread);
        EXPECT_EQ(0, handle->providerIndex);
        ResultSet *set = ExecuteQuery(handle, "SELECT 40 + 2");
        ASSERT_NE(nullptr, set) << Log();
        ASSERT_EQ(1, set->rowCount);
        EXPECT_EQ("42", CellText(set, 0, 0));
        FreeResultSet(set);
    }
}

struct ColumnCase {
    const char *name;
    const char *declarations[3];  // per engine: SQLite, PostgreSQL, MariaDB
    uint8_t codes[3];
    const char *value;        // SQL literal of row 1
    const char *expected[3];  // cell text of row 1
};

int EngineIndex(const Engine &engine) {
    std::string name = engine.name;
    return name == "SQLite" ? 0 : name == "PostgreSQL" ? 1 : 2;
}

// Values that go wrong when a column is read through a buffer of its
// declared size: the most negative numbers need a sign, texts beyond ASCII
// take several bytes a character.
TEST_P(OdbcEngine, QueriesReturnTypedCells) {
    ConnectionHandle *handle = OpenForWriting();
    ASSERT_NE(nullptr, handle) << Log();
    const std::string longText(20000, 'L');
    std::string wide;  // 40 characters of two bytes each
    for (int i = 0; i < 40; ++i) {
        wide += "\xc3\xbc";
    }
    const std::vector<ColumnCase> columns = {
        {"i",
         {"INT", "INT", "INT"},
         {5, 5, 5},
         "-2147483648",
         {"-2147483648", "-2147483648", "-2147483648"}},
        {"b",
         {"BIGINT", "BIGINT", "BIGINT"},
         {7, 7, 7},
         "9007199254740993",
         {"9007199254740993", "9007199254740993", "9007199254740993"}},
        {"s",
         {"SMALLINT", "SMALLINT", "SMALLINT"},
         {3, 3, 3},
         "-32768",
         {"-32768", "-32768", "-32768"}},
        {"v",
         {"VARCHAR(40)", "VARCHAR(40)", "VARCHAR(40)"},
         {15, 15, 15},
         nullptr,
         {wide.c_str(), wide.c_str(), wide.c_str()}},
        {"t",
         {"TEXT", "TEXT", "LONGTEXT"},
         {20, 20, 20},
         nullptr,
         {longText.c_str(), longText.c_str(), longText.c_str()}},
        {"d",
         {"DATE", "DATE", "DATE"},
         {16, 16, 16},
         "'2011-03-04'",
         {"2011-03-04", "2011-03-04", "2011-03-04"}},
        {"tm",
         {"TIME", "TIME", "TIME"},
         {17, 17, 17},
         "'13:05:09'",
         {"13:05:09", "13:05:09", "13:05:09"}},
        {"ts",
         {"TIMESTAMP", "TIMESTAMP", "DATETIME"},
         {18, 18, 18},
         "'2024-02-29 13:05:09'",
         {"2024-02-29 13:05:09", "2024-02-29 13:05:09", "2024-02-29 13:05:09"}},
        // psqlODBC reports a boolean as VARCHAR(5) holding "1" or "0", and
        // PostgreSQL has no type the driver reports as TINYINT.
        {"f", {"TINYINT", "BOOLEAN", "TINYINT"}, {19, 15, 19}, nullptr, {"'t'", "1", "'t'"}},
    };
    int e = EngineIndex(GetParam());
    std::string table = UniqueName("fw_typed");
    ExecuteUpdate(handle, ("DROP TABLE IF EXISTS " + table).c_str());
    std::string create = "CREATE TABLE " + table + " (id INT";
    std::string insert1 = "INSERT INTO " + table + " VALUES (1";
    std::string insert2 = "INSERT INTO " + table + " (id) VALUES (2)";
    std::string insert3 =
        "INSERT INTO " + table + " (id, f) VALUES (3, " + std::string(e == 1 ? "false" : "2") + ")";
    for (const ColumnCase &c : columns) {
        create += std::string(", ") + c.name + " " + c.declarations[e];
        std::string value = c.value != nullptr ? c.value : "";
        if (std::string(c.name) == "v")
            value = "'" + wide + "'";
        if (std::string(c.name) == "t")
            value = "'" + longText + "'";
        if (std::string(c.name) == "f")
            value = e == 1 ? "true" : "1";
        insert1 += ", " + value;
    }
    ASSERT_EQ(1, ExecuteUpdate(handle, (create + ")").c_str())) << Log();
    ASSERT_EQ(1, ExecuteUpdate(handle, (insert1 + ")").c_str())) << Log();
    ASSERT_EQ(1, ExecuteUpdate(handle, insert2.c_str())) << Log();
    ASSERT_EQ(1, ExecuteUpdate(handle, insert3.c_str())) << Log();

    ResultSet *set = ExecuteQuery(handle, ("SELECT * FROM " + table + " ORDER BY id").c_str());
    ASSERT_NE(nullptr, set) << Log();
    ASSERT_EQ(3, set->rowCount);
    ASSERT_EQ(static_cast<int32_t>(columns.size() + 1), set->columnCount);
    EXPECT_STREQ("id", set->columns[0].name);
    for (size_t i = 0; i < columns.size(); ++i) {
        const ColumnCase &c = columns[i];
        int column = static_cast<int>(i + 1);
        SCOPED_TRACE(std::string("column ") + c.name + " " + c.declarations[e]);
        EXPECT_STREQ(c.name, set->columns[column].name);
        EXPECT_EQ(c.codes[e], set->columns[column].type) << "the type code the driver gave";
        EXPECT_EQ(std::string(c.expected[e]), CellText(set, 0, column));
        EXPECT_EQ("NULL", CellText(set, 1, column));
        EXPECT_EQ(0u, Cell(set, 1, column)->length);
        if (IsDateColumnType(c.codes[e])) {
            const ResultSetCell *cell = Cell(set, 0, column);
            EXPECT_EQ(11u, cell->length);
            auto *value = reinterpret_cast<const KelDateTime *>(cell->data);
            EXPECT_EQ(c.codes[e] != KEL_SQL_TIME, value->date != nullptr);
            EXPECT_EQ(c.codes[e] != KEL_SQL_DATE, value->time != nullptr);
        }
    }
    // The boolean-like column of row 3: "2" (or false) is not true.
    EXPECT_EQ(e == 1 ? "0" : "'f'", CellText(set, 2, static_cast<int>(columns.size())));
    FreeResultSet(set);

    // An update matching no row has still run.
    EXPECT_EQ(1, ExecuteUpdate(handle, ("UPDATE " + table + " SET i = 1 WHERE id = -1").c_str()))
        << Log();
    EXPECT_EQ(1, ExecuteUpdate(handle, ("DROP TABLE " + table).c_str()));
}

// SQLite keeps a text longer than its column's declared size, and it is
// read whole all the same; the servers refuse to store it.
TEST_P(OdbcEngine, TextsLongerThanTheDeclaredSizeAreReadWholeOrRefused) {
    ConnectionHandle *handle = OpenForWriting();
    ASSERT_NE(nullptr, handle);
    bool keeps = std::string(GetParam().name) == "SQLite";
    std::string table = UniqueName("fw_short");
    ExecuteUpdate(handle, ("DROP TABLE IF EXISTS " + table).c_str());
    ASSERT_EQ(1, ExecuteUpdate(handle, ("CREATE TABLE " + table + " (v VARCHAR(5))").c_str()));
    std::string text(10000, 'x');
    ASSERT_EQ(keeps ? 1 : 0,
              ExecuteUpdate(handle, ("INSERT INTO " + table + " VALUES ('" + text + "')").c_str()));
    ResultSet *set = ExecuteQuery(handle, ("SELECT v FROM " + table).c_str());
    ASSERT_NE(nullptr, set) << Log();
    if (keeps) {
        ASSERT_EQ(1, set->rowCount);
        EXPECT_EQ(text, CellText(set, 0, 0));
        EXPECT_EQ(text.size(), Cell(set, 0, 0)->length);
    } else {
        EXPECT_EQ(0, set->rowCount);
    }
    FreeResultSet(set);
    ExecuteUpdate(handle, ("DROP TABLE " + table).c_str());
}

// Column names are read whole, however long (PostgreSQL itself cuts names
// to 63 characters).
TEST_P(OdbcEngine, LongColumnNamesAreKeptWhole) {
    ConnectionHandle *handle = OpenForWriting();
    ASSERT_NE(nullptr, handle);
    std::string name = "c" + std::string(149, 'n');
    ResultSet *set = ExecuteQuery(handle, ("SELECT 7 AS " + name).c_str());
    ASSERT_NE(nullptr, set) << Log();
    bool cut = std::string(GetParam().name) == "PostgreSQL";
    EXPECT_EQ(cut ? name.substr(0, 63) : name, set->columns[0].name);
    EXPECT_EQ("7", CellText(set, 0, 0));
    FreeResultSet(set);
}

TEST_P(OdbcEngine, FailingStatementsAreLoggedAndReportedAsFailures) {
    ConnectionHandle *handle = OpenForWriting();
    ASSERT_NE(nullptr, handle);
    std::string missing = UniqueName("fw_missing");
    EXPECT_EQ(0, ExecuteUpdate(handle, ("INSERT INTO " + missing + " VALUES (1)").c_str()));
    EXPECT_EQ(nullptr, ExecuteQuery(handle, ("SELECT * FROM " + missing).c_str()));
    EXPECT_EQ(nullptr, ExecuteQuery(handle, nullptr));
    EXPECT_EQ(0, ExecuteUpdate(nullptr, "DELETE FROM x"));
    std::string log = Log();
    EXPECT_TRUE(log.find("[ERROR] SQLPrepare failed\n") != std::string::npos ||
                log.find("[ERROR] SQLExecute failed\n") != std::string::npos)
        << log;
    EXPECT_NE(std::string::npos, log.find("[ERROR] SQLExecDirect failed\n"));
    EXPECT_NE(std::string::npos, log.find("ODBC diagnostic: STATE "));
    EXPECT_NE(std::string::npos, log.find(" No Query To be Executed \n"));
    EXPECT_NE(std::string::npos,
              log.find("ConnectionHandle NULL in ExecuteUpdate for Query DELETE FROM x \n"));
    // The connection is still usable.
    ResultSet *set = ExecuteQuery(handle, "SELECT 1");
    EXPECT_NE(nullptr, set);
    FreeResultSet(set);
}

struct BlobSource {
    const std::vector<unsigned char> *bytes;
    size_t offset = 0;
    size_t piece;
};

uint8_t SupplyPiece(const void **data, uint32_t *length, void *context) {
    auto *source = static_cast<BlobSource *>(context);
    if (source->offset >= source->bytes->size()) {
        return DB_CHUNK_END;
    }
    size_t n = std::min(source->piece, source->bytes->size() - source->offset);
    *data = source->bytes->data() + source->offset;
    *length = static_cast<uint32_t>(n);
    source->offset += n;
    return 1;
}

struct BlobSink {
    std::vector<unsigned char> bytes;
    std::vector<uint32_t> pieces;
    int ends = 0;
};

void TakePiece(const void *data, uint32_t length, void *context) {
    auto *sink = static_cast<BlobSink *>(context);
    if (data == nullptr) {
        EXPECT_EQ(0u, length);
        ++sink->ends;
        return;
    }
    sink->pieces.push_back(length);
    auto *bytes = static_cast<const unsigned char *>(data);
    sink->bytes.insert(sink->bytes.end(), bytes, bytes + length);
}

TEST_P(OdbcEngine, BlobsTravelInPieces) {
    ConnectionHandle *handle = OpenForWriting();
    ASSERT_NE(nullptr, handle);
    int e = EngineIndex(GetParam());
    const char *blobType[] = {"BLOB", "BYTEA", "LONGBLOB"};
    std::string table = UniqueName("fw_blob");
    ExecuteUpdate(handle, ("DROP TABLE IF EXISTS " + table).c_str());
    ASSERT_EQ(1, ExecuteUpdate(handle, ("CREATE TABLE " + table +
                                        " (id INT, name VARCHAR(10), data " + blobType[e] + ")")
                                           .c_str()));
    std::vector<unsigned char> bytes(2500);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>((i * 7 + i / 256) & 0xff);  // zero bytes included
    }
    BlobSource source{&bytes, 0, 700};
    ASSERT_EQ(1,
              ExecuteUpdateBlob(handle, ("INSERT INTO " + table + " VALUES (1, 'one', ?)").c_str(),
                                SupplyPiece, &source))
        << Log();
    BlobSource empty{&bytes, bytes.size(), 700};
    ASSERT_EQ(1,
              ExecuteUpdateBlob(handle, ("INSERT INTO " + table + " VALUES (2, 'two', ?)").c_str(),
                                SupplyPiece, &empty))
        << Log();

    BlobSink sink;
    ResultSet *set =
        ExecuteQueryBlob(handle, ("SELECT id, data, name FROM " + table + " WHERE id = 1").c_str(),
                         TakePiece, &sink);
    ASSERT_NE(nullptr, set) << Log();
    EXPECT_EQ(20, set->columns[1].type);
    EXPECT_EQ((std::vector<uint32_t>{1024, 1024, 452}), sink.pieces);
    EXPECT_EQ(1, sink.ends);
    EXPECT_TRUE(sink.bytes == bytes);
    EXPECT_EQ("1", CellText(set, 0, 0));
    EXPECT_EQ("NULL", CellText(set, 0, 1));
    EXPECT_EQ("one", CellText(set, 0, 2));
    FreeResultSet(set);

    BlobSink second;
    set = ExecuteQueryBlob(handle, ("SELECT data FROM " + table + " WHERE id = 2").c_str(),
                           TakePiece, &second);
    ASSERT_NE(nullptr, set) << Log();
    EXPECT_TRUE(second.pieces.empty());
    EXPECT_EQ(1, second.ends);
    FreeResultSet(set);
    EXPECT_EQ(1, ExecuteUpdate(handle, ("DROP TABLE " + table).c_str()));
}

int CountRows(ConnectionHandle *handle, const std::string &table) {
    ResultSet *set = ExecuteQuery(handle, ("SELECT id FROM " + table).c_str());
    int rows = set != nullptr ? set->rowCount : -1;
    FreeResultSet(set);
    return rows;
}

TEST_P(OdbcEngine, CommitKeepsRollbackDiscardsAndAutocommitReturns) {
    ConnectionHandle *handle = OpenForWriting();
    ConnectionHandle *observer = OpenForWriting();
    ASSERT_NE(nullptr, handle);
    ASSERT_NE(nullptr, observer);
    std::string table = UniqueName("fw_tx");
    ExecuteUpdate(handle, ("DROP TABLE IF EXISTS " + table).c_str());
    ASSERT_EQ(1, ExecuteUpdate(handle, ("CREATE TABLE " + table + " (id INT)").c_str()));

    EXPECT_EQ(0, CommitDBTransaction(handle)) << "no transaction was begun";
    EXPECT_EQ(0, RollbackDBTransaction(handle));

    ASSERT_EQ(1, BeginDBTransaction(handle)) << Log();
    EXPECT_EQ(1, handle->inTransaction);
    ASSERT_EQ(1, ExecuteUpdate(handle, ("INSERT INTO " + table + " VALUES (1)").c_str()));
    EXPECT_EQ(1, CountRows(handle, table));
    EXPECT_EQ(1, RollbackDBTransaction(handle)) << Log();
    EXPECT_EQ(0, handle->inTransaction);
    EXPECT_EQ(0, CountRows(handle, table));

    ASSERT_EQ(1, BeginDBTransaction(handle));
    ASSERT_EQ(1, ExecuteUpdate(handle, ("INSERT INTO " + table + " VALUES (2)").c_str()));
    EXPECT_EQ(1, CommitDBTransaction(handle)) << Log();
    EXPECT_EQ(1, CountRows(observer, table));

    // Autocommit is on again: the next insert is seen at once elsewhere.
    ASSERT_EQ(1, ExecuteUpdate(handle, ("INSERT INTO " + table + " VALUES (3)").c_str()));
    EXPECT_EQ(2, CountRows(observer, table));

    // Closing a connection in the middle of a transaction rolls it back.
    ASSERT_EQ(1, BeginDBTransaction(handle));
    ASSERT_EQ(1, ExecuteUpdate(handle, ("INSERT INTO " + table + " VALUES (4)").c_str()));
    ASSERT_EQ(1, CloseDBConnection(handle));
    handles_.erase(handles_.begin());
    EXPECT_EQ(2, CountRows(observer, table));
    EXPECT_EQ(1, ExecuteUpdate(observer, ("DROP TABLE " + table).c_str()));
}

INSTANTIATE_TEST_SUITE_P(Engines, OdbcEngine,
                         testing::Values(fw::test::kSqlite, fw::test::kPostgres,
                                         fw::test::kMariaDb),
                         [](const testing::TestParamInfo<Engine> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
