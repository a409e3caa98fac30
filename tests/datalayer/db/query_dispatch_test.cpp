// The choice of a dialect generator for a table, with generators registered
// by the test that answer with their own name and the table they were given.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "datalayer/db/conn_params.h"
#include "datalayer/db/data_source_map.h"
#include "datalayer/db/query_dispatch.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

template <const char *Dialect>
struct Echo {
    static char *Text(const std::string &operation, const char *table) {
        return strdup(
            (std::string(Dialect) + " " + operation + " " + (table ? table : "-")).c_str());
    }
    static char *Select(SelectQuery *) { return Text("select", nullptr); }
    static char *Update(const char *table, RowObject *) { return Text("update", table); }
    static char *Insert(const char *table, RowObject *) { return Text("insert", table); }
    static char *Delete(const char *table, RowObject *) { return Text("delete", table); }
    static char *Create(const char *table) { return Text("create", table); }
    static RowObject *Convert(ResultSet *set, const char *) {
        return reinterpret_cast<RowObject *>(set);
    }
    static constexpr QueryGenerator kGenerator{Dialect, Select, Update, Insert,
                                               Delete,  Create, Convert};
};

constexpr char kMysql[] = "MYSQL";
constexpr char kPgsql[] = "pgsql";  // registry lookups ignore case
constexpr char kSqlite[] = "SQLITE";

class QueryDispatch : public testing::Test {
  protected:
    void SetUp() override {
        logPath_ = OpenTestLog(dir_, 3);
        RegisterQueryGenerator(&Echo<kMysql>::kGenerator);
        RegisterQueryGenerator(&Echo<kPgsql>::kGenerator);
        RegisterQueryGenerator(&Echo<kSqlite>::kGenerator);
        AddConnParamsEntry(CreateConnParamsEntry("h", 0, "d", "u", nullptr, 0, "PgConn", 0, nullptr,
                                                 "ODBC", "PGSQL"));
        AddConnParamsEntry(CreateConnParamsEntry("h", 0, "d", "u", nullptr, 0, "LiteConn", 0,
                                                 nullptr, "ODBC", "SQLITE"));
        AddConnParamsEntry(CreateConnParamsEntry("h", 0, "d", "u", nullptr, 0, "NoDialect", 0,
                                                 nullptr, "ODBC", nullptr));
        AddDataSourceMapEntry(CreateDataSourceMapEntry("Orders", "PgConn"));
        AddDataSourceMapEntry(CreateDataSourceMapEntry("Notes", "LiteConn"));
        AddDataSourceMapEntry(CreateDataSourceMapEntry("Odd", "NoDialect"));
    }
    void TearDown() override {
        FreeQueryGenerators();
        FreeAllConnParamsEntries();
        FreeAllDataSourceMapEntries();
        ResetLog();
    }
    static std::string Take(char *text) {
        std::string result = text != nullptr ? text : "(none)";
        free(text);
        return result;
    }

    TempDir dir_;
    std::string logPath_;
};

TEST_F(QueryDispatch, OneDialectForEveryTableWhenTheMapIsNotValid) {
    SetDSNMapValid(0, DIALECT_MYSQL);
    EXPECT_EQ("MYSQL update Orders", Take(GenerateUpdateQuery("Orders", nullptr)));
    EXPECT_EQ("MYSQL insert Unmapped", Take(GenerateInsertQuery("Unmapped", nullptr)));
    EXPECT_EQ("MYSQL delete Notes", Take(GenerateDeleteQuery("Notes", nullptr)));
    EXPECT_EQ("MYSQL create Notes", Take(GenerateCreateTableQuery("Notes")));
    SelectQuery empty = {};
    EXPECT_EQ("MYSQL select -", Take(GenerateSelectQuery(&empty)));
    SetDSNMapValid(0, DIALECT_FIREBIRD);  // no generator for it
    EXPECT_EQ("(none)", Take(GenerateUpdateQuery("Orders", nullptr)));

    std::string log = ReadFile(logPath_);
    EXPECT_NE(std::string::npos, log.find("Generated Update Query: MYSQL update Orders\n"));
    EXPECT_NE(std::string::npos, log.find("Generated Insert Query: MYSQL insert Unmapped\n"));
    EXPECT_NE(std::string::npos, log.find("Generated Delete Query: MYSQL delete Notes\n"));
    EXPECT_NE(std::string::npos, log.find("Generated Create Table Query: MYSQL create Notes\n"));
    EXPECT_NE(std::string::npos, log.find("Generated Select Query: MYSQL select -\n"));
}

TEST_F(QueryDispatch, TheMapChoosesTheDialectOfTheTablesConnection) {
    SetDSNMapValid(1, 0);
    EXPECT_EQ("pgsql update orders", Take(GenerateUpdateQuery("orders", nullptr)));
    EXPECT_EQ("SQLITE create Notes", Take(GenerateCreateTableQuery("Notes")));
    EXPECT_EQ("(none)", Take(GenerateInsertQuery("Unmapped", nullptr)));
    EXPECT_EQ("(none)", Take(GenerateCreateTableQuery("Unmapped")));
    EXPECT_EQ("(none)", Take(GenerateCreateTableQuery("Odd")));
    std::string log = ReadFile(logPath_);
    EXPECT_NE(std::string::npos, log.find("Generated Insert Query: (null)\n"));
    // The create operation gives up before its DEBUG record.
    EXPECT_EQ(std::string::npos, log.find("Generated Create Table Query: (null)"));
}

TEST_F(QueryDispatch, SelectUsesItsFirstTableOrElseTheLeftTableOfItsFirstJoin) {
    SetDSNMapValid(1, 0);
    Vector tables = {};
    Vector joins = {};
    SelectQuery query = {};
    query.tables = &tables;
    query.joins = &joins;
    EXPECT_EQ("(none)", Take(GenerateSelectQuery(&query)));
    EXPECT_NE(std::string::npos,
              ReadFile(logPath_).find("[ERROR] No Tables selected in select query.\n"));

    SelectJoin join = {};
    join.leftTable = const_cast<char *>("Notes");
    join.rightTable = const_cast<char *>("Orders");
    AddElementValue(&joins, &join);
    EXPECT_EQ("SQLITE select -", Take(GenerateSelectQuery(&query)));

    SelectTable table = {const_cast<char *>("Orders"), nullptr};
    AddElementValue(&tables, &table);
    EXPECT_EQ("pgsql select -", Take(GenerateSelectQuery(&query)));
    FreeVector(&tables);
    FreeVector(&joins);
}

TEST_F(QueryDispatch, RowConversionUsesTheNamedGenerator) {
    ResultSet set = {};
    EXPECT_EQ(reinterpret_cast<RowObject *>(&set),
              ConvertResultSetToRowObject(&set, "sqlite", "Notes"));
    EXPECT_EQ(nullptr, ConvertResultSetToRowObject(&set, "FIREBIRD", "Notes"));
    EXPECT_EQ(&Echo<kPgsql>::kGenerator, FindQueryGenerator("PGSQL"));
    FreeQueryGenerators();
    EXPECT_EQ(nullptr, FindQueryGenerator("PGSQL"));
}

}  // namespace
