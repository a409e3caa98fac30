#include "datalayer/dictionary/table_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "datalayer/dictionary/column_types.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

// A definition built by hand: columns (name, type), a key, foreign keys.
TableDefn *MakeTable(const char *name, std::initializer_list<std::pair<const char *, uint8_t>> cols,
                     std::initializer_list<const char *> key = {}) {
    Vector *columns = CreateVector();
    for (const auto &[column, type] : cols) {
        AddElementValue(columns, CreateColumnDefn(column, type, nullptr, 0, 0, nullptr, nullptr, 0,
                                                  1, nullptr));
    }
    ConstraintDefn *constraints = CreateConstraintDefn();
    constraints->pkColumnCount = static_cast<int32_t>(key.size());
    constraints->pkColumns = static_cast<char **>(calloc(key.size() + 1, sizeof(char *)));
    int i = 0;
    for (const char *column : key) {
        constraints->pkColumns[i++] = strdup(column);
    }
    return CreateTableDefn(name, "made by the test", columns, constraints);
}

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log_ = OpenTestLog(dir_, 4);
        InitTableDefnList();
    }
    void TearDown() override {
        FreeTableDefnList();
        ResetLog();
    }
    std::string Log() { return ReadFile(log_); }

    TempDir dir_;
    std::string log_;
};

TEST_F(RegistryTest, ColumnConstructorRules) {
    struct Case {
        uint8_t type;
        int32_t maxSize;
        const char *defaultText;
        uint8_t storedType;
        bool hasDefault;
    };
    const Case cases[] = {
        {KEL_SQL_CHAR, 255, nullptr, KEL_SQL_CHAR, false},
        {KEL_SQL_CHAR, 256, "x", KEL_SQL_TEXT, true},
        {KEL_SQL_VARCHAR, 255, nullptr, KEL_SQL_VARCHAR, false},
        {KEL_SQL_VARCHAR, 4000, nullptr, KEL_SQL_TEXT, false},
        {KEL_SQL_INT, 5000, "7", KEL_SQL_INT, true},
        {KEL_SQL_BOOLEAN, 0, "TRUE", KEL_SQL_BOOLEAN, true},
        {KEL_SQL_BOOLEAN, 0, "yes", KEL_SQL_BOOLEAN, false},
        {KEL_SQL_DATE, 0, "2011-03-04", KEL_SQL_DATE, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.maxSize));
        ColumnDefn *column = CreateColumnDefn(
            "C", c.type, c.defaultText,
            c.defaultText != nullptr ? static_cast<int32_t>(strlen(c.defaultText)) : 0, 0, nullptr,
            nullptr, c.maxSize, 1, nullptr);
        ASSERT_NE(nullptr, column);
        EXPECT_EQ(c.storedType, column->dataType);
        EXPECT_EQ(c.hasDefault, column->defaultValue != nullptr);
        if (c.type == KEL_SQL_BOOLEAN && c.hasDefault) {
            EXPECT_EQ(1, column->defaultValue[0]);
            EXPECT_EQ(1, column->defaultValueLength);
        }
        FreeColumnDefn(column);
    }
    EXPECT_EQ(nullptr, CreateColumnDefn(nullptr, KEL_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0, 1,
                                        nullptr));
}

TEST_F(RegistryTest, LookupsIgnoreTableCaseButNotColumnCase) {
    EXPECT_EQ(nullptr, GetTableDefn(nullptr)) << "an empty registry answers without a message";
    EXPECT_EQ(std::string::npos, Log().find("Table Name is NULL"));
    TableDefn *orders = MakeTable("Orders", {{"id", KEL_SQL_INT}, {"total", KEL_SQL_DOUBLE}});
    ASSERT_EQ(1, AddTableDefn(orders));
    EXPECT_EQ(orders, GetTableDefn("orders"));
    EXPECT_EQ(orders, GetTableDefn("ORDERS"));
    EXPECT_EQ(nullptr, GetTableDefn("order"));
    EXPECT_EQ(nullptr, GetTableDefn(nullptr));
    EXPECT_NE(std::string::npos, Log().find("[ERROR] Table Name is NULL.\n"));

    EXPECT_NE(nullptr, GetColumnDefnEntry("ORDERS", "id"));
    EXPECT_EQ(nullptr, GetColumnDefnEntry("ORDERS", "ID"));
    EXPECT_EQ(KEL_SQL_DOUBLE, GetColumnType("orders", "total"));
    EXPECT_EQ(0, GetColumnType("orders", "missing"));
    EXPECT_EQ(0, GetColumnType("nothing", "total"));
    EXPECT_EQ(nullptr, GetColumnDefnEntry(nullptr, "id"));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("[TRACE] @@@@ Inside GetColumnDefnEntry @@@@\n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] No definition found for table nothing\n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] Cannot fetch default value;\n"));
}

TEST_F(RegistryTest, DuplicateNamesFirstWinsUntilItIsFreed) {
    TableDefn *first = MakeTable("T", {{"a", KEL_SQL_INT}});
    TableDefn *second = MakeTable("t", {{"b", KEL_SQL_INT}});
    ASSERT_EQ(1, AddTableDefn(first));
    ASSERT_EQ(1, AddTableDefn(second));
    EXPECT_EQ(2, GetTableDefnList()->count);
    EXPECT_EQ(first, GetTableDefn("T"));
    FreeTableDefn("T");
    EXPECT_EQ(second, GetTableDefn("T")) << "the next of that name is found";
    FreeTableDefn("nothing");
    EXPECT_EQ(1, GetTableDefnList()->count);
}

TEST_F(RegistryTest, DefaultValueFoundFlag) {
    Vector *columns = CreateVector();
    AddElementValue(columns, CreateColumnDefn("withDefault", KEL_SQL_INT, "42", 2, 0, nullptr,
                                              nullptr, 0, 1, nullptr));
    AddElementValue(columns, CreateColumnDefn("plain", KEL_SQL_INT, nullptr, 0, 0, nullptr, nullptr,
                                              0, 1, nullptr));
    ASSERT_EQ(1, AddTableDefn(CreateTableDefn("D", nullptr, columns, CreateConstraintDefn())));
    int found = 0;
    unsigned char *value = GetDefaultValue("D", "withDefault", &found);
    ASSERT_NE(nullptr, value);
    int32_t number;
    memcpy(&number, value, 4);
    EXPECT_EQ(42, number);
    EXPECT_EQ(1, found);
    found = 0;
    EXPECT_EQ(nullptr, GetDefaultValue("D", "plain", &found));
    EXPECT_EQ(1, found) << "the column exists, without a default";
    found = 0;
    EXPECT_EQ(nullptr, GetDefaultValue("D", "missing", &found));
    EXPECT_EQ(0, found);
    EXPECT_NE(std::string::npos, Log().find("[TRACE] @@@@ Inside GetDefaultValue @@@@\n"));
}

TEST_F(RegistryTest, ForeignKeyLookup) {
    TableDefn *lines = MakeTable("LINES", {{"ORDER_ID", KEL_SQL_INT}});
    EXPECT_EQ(nullptr, GetForeignKeyDefn(lines, "ORDER_ID"));
    EXPECT_NE(std::string::npos, Log().find("[ERROR] No Foreignkey Entries in Definition \n"));
    ForeignKeyDefn *pair = CreateForeignKeyDefn("ORDER_ID", "ID", "ORDERS", 1, 0);
    ASSERT_EQ(1, AddForeignKeyDefn(lines->constraintDefn, pair));
    EXPECT_EQ(pair, GetForeignKeyDefn(lines, "order_id"));
    EXPECT_EQ(nullptr, GetForeignKeyDefn(lines, "OTHER"));
    TableDefn bare = {};
    EXPECT_EQ(nullptr, GetForeignKeyDefn(&bare, "x"));
    EXPECT_NE(std::string::npos, Log().find("[ERROR] No constraint Definition \n"));
    FreeTableDefnRecord(lines);
}

TEST_F(RegistryTest, PrintingATable) {
    TableDefn *lines =
        MakeTable("LINES", {{"ORDER_ID", KEL_SQL_INT}, {"LINE_NO", KEL_SQL_SMALLINT}},
                  {"ORDER_ID", "LINE_NO"});
    AddForeignKeyDefn(lines->constraintDefn,
                      CreateForeignKeyDefn("ORDER_ID", "ID", "ORDERS", 1, 0));
    ASSERT_EQ(1, AddTableDefn(lines));
    ASSERT_EQ(1, AddTableDefn(MakeTable("EMPTY", {})));
    PrintAllTableDefns();
    std::string log = Log();
    const char *expected[] = {
        "[DEBUG] Table Name : LINES\n",       "[DEBUG] Description: made by the test\n",
        "[DEBUG] Column Name : ORDER_ID\n",   "[DEBUG] Column Type : 5\n",
        "[DEBUG] Unique Flag : FALSE\n",      "[DEBUG] Column Type : 3\n",
        "[DEBUG] Primary key : ORDER_ID\n\n", "[DEBUG] Primary key : LINE_NO\n\n",
        "[DEBUG] Foreign key Constraints\n",  "[DEBUG] Ref Column  : ID\n",
        "[DEBUG] Tablename : ORDERS\n",
    };
    for (const char *line : expected) {
        EXPECT_NE(std::string::npos, log.find(line)) << line;
    }
    EXPECT_EQ(std::string::npos, log.find("Table Name : EMPTY")) << "a table without columns";
}

TEST_F(RegistryTest, AllowedValuesConstructor) {
    const char *list[] = {"a", "b", "c"};
    AllowedValues *values = CreateAllowedValues(list, 3, 0);
    ASSERT_NE(nullptr, values);
    EXPECT_STREQ("c", values->values[2]);
    EXPECT_EQ(nullptr, values->values[3]) << "the end entry";
    FreeAllowedValues(values);
    EXPECT_EQ(nullptr, CreateAllowedValues(list, 3, 1)) << "a range has two bounds";
    const char *withNull[] = {"a", nullptr};
    EXPECT_EQ(nullptr, CreateAllowedValues(withNull, 2, 1));
}

}  // namespace
