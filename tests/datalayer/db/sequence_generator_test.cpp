// The sequence generator on every engine: batches of 300 reserved in
// SeqGenState, numbers handed out from memory, and two processes drawing from
// one sequence at once.
#include "datalayer/db/sequence_generator.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "datalayer/db/conn_params.h"
#include "datalayer/db/connection_pool.h"
#include "datalayer/db/db_provider.h"
#include "datalayer/db/db_statements.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "datalayer/dictionary/table_registry.h"
#include "datalayer/memstore/result_set.h"
#include "datalayer/memstore/table_data.h"
#include "tests/datalayer/db/db_test_support.hpp"
#include "tests/support/test_support.hpp"

extern char **environ;

namespace {

using fw::test::Engine;
using fw::test::GetEnv;
using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::SplitLines;
using fw::test::TempDir;
using fw::test::UniqueName;

const std::string kClient = FW_SEQUENCE_CLIENT;

class SequenceTest : public testing::TestWithParam<Engine> {
  protected:
    void SetUp() override {
        log_ = OpenTestLog(logDir_, 3);
        // SQLite: a database file of the test's own, waited on rather than
        // refused while another process writes.
        if (GetParam().hostVariable == nullptr) {
            connection_ = "Driver=SQLite3;Database=" + dir_.File("seq.db") + ";Timeout=60000";
        } else {
            ASSERT_TRUE(GetEnv(GetParam().connectionStringVariable, connection_));
        }
        ASSERT_EQ(1, InitDBProvider());
        ASSERT_EQ(1, AddConnParamsEntry(CreateConnParamsEntry("localhost", 0, "x", nullptr, nullptr,
                                                              0, "main", 1, connection_.c_str(),
                                                              "ODBC", GetParam().databaseType)));
        ASSERT_EQ(1, EstablishDBConnections());
        ASSERT_EQ(1, InitSequenceGenerator());
        InitTableDefnList();
        // The shared servers keep one SeqGenState for every test process;
        // each test draws from sequences of its own name.
        Execute(
            "create table if not exists SeqGenState (SEQNAME varchar(64) not null primary key, "
            "CURRENTBATCHEND int)");
        sequence_ = UniqueName("SEQ");
        Execute("delete from SeqGenState where SEQNAME like '" + sequence_ + "%'");
    }
    void TearDown() override {
        Execute("delete from SeqGenState where SEQNAME like '" + sequence_ + "%'");
        FreeSequenceGenerator();
        FreeTableDefnList();
        CloseAllDBConnections();
        FreeAllConnParamsEntries();
        DeInitDBProvider();
        ResetLog();
    }

    void Execute(const std::string &statement) {
        ConnectionHandle *handle = GetDBConnection("main");
        ASSERT_NE(nullptr, handle);
        EXPECT_EQ(1, ExecuteUpdate(handle, statement.c_str())) << statement;
        ReleaseDBConnection("main");
    }

    // CURRENTBATCHEND of seq, or -1 when it has no row.
    int StoredEnd(const std::string &seq) {
        ConnectionHandle *handle = GetDBConnection("main");
        std::string query = "select CURRENTBATCHEND from SeqGenState where SEQNAME = '" + seq + "'";
        ResultSet *set = ExecuteQuery(handle, query.c_str());
        ReleaseDBConnection("main");
        int end = -1;
        if (set != nullptr && GotoNextResultSetRow(set) != nullptr) {
            uint32_t length = 0;
            unsigned char *value = GetResultSetValueByName("CURRENTBATCHEND", &length, set);
            char *text =
                ConvertColumnValueToString(value, GetResultSetColumnType("CURRENTBATCHEND", set));
            end = atoi(text);
            free(text);
        }
        FreeResultSet(set);
        return end;
    }

    ColumnDefn *Column(const std::string &generator, uint8_t type = KEL_SQL_INT) {
        columns_.push_back(
            CreateColumnDefn("ID", type, nullptr, 0, 0, generator.c_str(), nullptr, 0, 0, nullptr));
        return columns_.back();
    }

    TempDir dir_;
    TempDir logDir_;
    std::string log_;
    std::string connection_;
    std::string sequence_;
    std::vector<ColumnDefn *> columns_;

    ~SequenceTest() override {
        for (ColumnDefn *column : columns_) {
            FreeColumnDefn(column);
        }
    }
};

TEST_P(SequenceTest, ANewSequenceHandsOutItsBatchesInOrder) {
    ColumnDefn *column = Column(sequence_);
    EXPECT_EQ(-1, GenerateID(nullptr, column)) << "no batch reserved yet";
    ASSERT_EQ(1, UpdateSeqGen(nullptr, sequence_.c_str()));
    EXPECT_EQ(300, StoredEnd(sequence_));
    for (int expected = 1; expected <= 300; ++expected) {
        ASSERT_EQ(expected, GenerateID(nullptr, column));
    }
    EXPECT_EQ(301, GenerateID(nullptr, column)) << "the 301st reserves the next batch";
    EXPECT_EQ(600, StoredEnd(sequence_));
    EXPECT_EQ(302, GenerateID(nullptr, column));
}

TEST_P(SequenceTest, AStoredEndIsContinued) {
    Execute("insert into SeqGenState values ('" + sequence_ + "', 900)");
    ASSERT_EQ(1, UpdateSeqGen(nullptr, sequence_.c_str()));
    EXPECT_EQ(901, GenerateID(nullptr, Column(sequence_)));
    EXPECT_EQ(1200, StoredEnd(sequence_));
}

TEST_P(SequenceTest, TheDictionarysGeneratorsAndAGeneratedBigintIdentifier) {
    std::string table = UniqueName("SEQ_ITEMS");
    Vector *columns = CreateVector();
    std::string generator = sequence_ + "_BIG";
    AddElementValue(columns, CreateColumnDefn("ID", KEL_SQL_LONG_INT, nullptr, 0, 1,
                                              generator.c_str(), nullptr, 0, 0, nullptr));
    AddElementValue(columns, CreateColumnDefn("NAME", KEL_SQL_CHAR, nullptr, 0, 0, nullptr, nullptr,
                                              20, 1, nullptr));
    ASSERT_EQ(
        1, AddTableDefn(CreateTableDefn(table.c_str(), nullptr, columns, CreateConstraintDefn())));
    ASSERT_EQ(1, SequenceGenerator());
    EXPECT_EQ(300, StoredEnd(generator));

    ASSERT_EQ(1, CreateTable(table.c_str()));
    auto **values = static_cast<unsigned char **>(calloc(2, sizeof(unsigned char *)));
    auto *lengths = static_cast<int32_t *>(calloc(2, sizeof(int32_t)));
    RowObject *row = CreateNewRowObject(values, lengths);
    ASSERT_EQ(1, AddNewRow(table.c_str(), row));
    ASSERT_NE(nullptr, row->values[0]);
    EXPECT_EQ(8, row->lengths[0]) << "a BIGINT identifier is 8 bytes wide";
    int64_t id = 0;
    memcpy(&id, row->values[0], sizeof id);
    EXPECT_EQ(1, id);
    char *text = ConvertColumnValueToString(row->values[0], KEL_SQL_LONG_INT);
    EXPECT_STREQ("1", text);
    free(text);

    TableData *data = GetTableDataByName(table.c_str());
    UnregisterTableData(data);
    FreeTableData(data);
    free(data);
}

TEST_P(SequenceTest, TwoProcessesNeverReceiveTheSameNumber) {
    constexpr int kCount = 3000;
    std::string count = std::to_string(kCount);
    std::vector<std::string> outputs = {dir_.File("a.txt"), dir_.File("b.txt")};
    std::vector<pid_t> children;
    for (const std::string &output : outputs) {
        const char *argv[] = {kClient.c_str(),
                              connection_.c_str(),
                              GetParam().databaseType,
                              sequence_.c_str(),
                              count.c_str(),
                              output.c_str(),
                              nullptr};
        pid_t pid = 0;
        ASSERT_EQ(0, posix_spawn(&pid, kClient.c_str(), nullptr, nullptr, const_cast<char **>(argv),
                                 environ));
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "client status " << status;
    }
    std::set<int> seen;
    for (const std::string &output : outputs) {
        std::vector<std::string> lines = SplitLines(ReadFile(output));
        EXPECT_EQ(static_cast<size_t>(kCount), lines.size());
        for (const std::string &line : lines) {
            EXPECT_TRUE(seen.insert(std::stoi(line)).second) << "number " << line << " twice";
        }
    }
    EXPECT_EQ(static_cast<size_t>(2 * kCount), seen.size());
}

INSTANTIATE_TEST_SUITE_P(Engines, SequenceTest,
                         testing::Values(fw::test::kSqlite, fw::test::kPostgres,
                                         fw::test::kMariaDb),
                         [](const testing::TestParamInfo<Engine> &info) {
                             return std::string(info.param.name);
                         });

TEST(SequenceGenerator, ATableWithoutColumnsFailsAndUnknownGeneratorsGiveMinusOne) {
    InitTableDefnList();
    ASSERT_EQ(1, InitSequenceGenerator());
    AddTableDefn(CreateTableDefn("HOLLOW", nullptr, CreateVector(), CreateConstraintDefn()));
    EXPECT_EQ(0, SequenceGenerator());
    ColumnDefn *column = CreateColumnDefn("ID", KEL_SQL_INT, nullptr, 0, 0, "NEVER_RESERVED",
                                          nullptr, 0, 0, nullptr);
    EXPECT_EQ(-1, GenerateID("HOLLOW", column));
    EXPECT_EQ(-1, GenerateInstanceID());
    FreeColumnDefn(column);
    FreeSequenceGenerator();
    FreeTableDefnList();
}

}  // namespace
