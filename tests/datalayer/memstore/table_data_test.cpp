#include "datalayer/memstore/table_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "datalayer/dictionary/table_registry.h"
#include "datalayer/memstore/notification.h"
#include "tests/datalayer/memstore/table_fixture.hpp"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

// ITEMS (ID int key, NAME char, QTY int default 3, NOTE char default "none").
void DefineItems() {
    Vector *columns = CreateVector();
    AddElementValue(columns, CreateColumnDefn("ID", KEL_SQL_INT, nullptr, 0, 1, nullptr, nullptr, 0,
                                              0, nullptr));
    AddElementValue(columns, CreateColumnDefn("NAME", KEL_SQL_CHAR, nullptr, 0, 0, nullptr, nullptr,
                                              40, 1, nullptr));
    AddElementValue(
        columns, CreateColumnDefn("QTY", KEL_SQL_INT, "3", 1, 0, nullptr, nullptr, 0, 1, nullptr));
    AddElementValue(columns, CreateColumnDefn("NOTE", KEL_SQL_CHAR, "none", 4, 0, nullptr, nullptr,
                                              40, 1, nullptr));
    ConstraintDefn *constraints = CreateConstraintDefn();
    constraints->pkColumns = static_cast<char **>(calloc(2, sizeof(char *)));
    constraints->pkColumns[0] = strdup("ID");
    constraints->pkColumnCount = 1;
    AddTableDefn(CreateTableDefn("ITEMS", nullptr, columns, constraints));
}

unsigned char *IntValue(int32_t n) {
    int32_t length = 0;
    return ConvertStringToColumnValue(std::to_string(n).c_str(), &length, KEL_SQL_INT);
}

unsigned char *TextValue(const char *text) {
    int32_t length = 0;
    return ConvertStringToColumnValue(text, &length, KEL_SQL_CHAR);
}

// A new row of ITEMS; NULL entries stay NULL values.
RowObject *Row(unsigned char *id, unsigned char *name, unsigned char *qty = nullptr,
               unsigned char *note = nullptr) {
    auto **values = static_cast<unsigned char **>(calloc(4, sizeof(unsigned char *)));
    auto *lengths = static_cast<int32_t *>(calloc(4, sizeof(int32_t)));
    unsigned char *given[] = {id, name, qty, note};
    for (int i = 0; i < 4; ++i) {
        values[i] = given[i];
        bool isInt = i == 0 || i == 2;
        lengths[i] = given[i] == nullptr ? 0
                     : isInt             ? 4
                             : static_cast<int32_t>(strlen(reinterpret_cast<char *>(given[i])));
    }
    return CreateNewRowObject(values, lengths);
}

int32_t IntAt(const RowObject *row, int column) {
    int32_t n;
    memcpy(&n, row->values[column], 4);
    return n;
}

class TableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log_ = OpenTestLog(dir_, 4);
        InitTableDefnList();
        InitNotification();
        DefineItems();
        ASSERT_EQ(1, CreateTable("ITEMS"));
        items_ = GetTableDataByName("items");
        ASSERT_NE(nullptr, items_);
    }
    void TearDown() override {
        DeInitNotification();
        fw::test::DropAllTableData();
        FreeTableDefnList();
        ResetLog();
    }
    std::string Log() { return ReadFile(log_); }

    TempDir dir_;
    std::string log_;
    TableData *items_ = nullptr;
};

TEST_F(TableTest, CreationRefusals) {
    EXPECT_EQ(4, items_->columnCount);
    EXPECT_EQ(TABLE_KIND_TABLE, items_->kind);
    EXPECT_EQ(0, CreateTable("Items")) << "registered already, in another letter case";
    EXPECT_EQ(0, CreateTable("UNDEFINED"));
    EXPECT_EQ(0, CreateTable(nullptr));
    EXPECT_EQ(nullptr, GetTableDataByName("undefined"));
    EXPECT_EQ(1, GetTableDataList()->count);
    EXPECT_NE(std::string::npos, Log().find("[TRACE] @@@ Inside CreateTable @@@\n"));
}

TEST_F(TableTest, DefaultsFillOnlyAbsentValues) {
    ASSERT_EQ(1, AddNewRow("ITEMS", Row(IntValue(1), TextValue("first"))));
    ASSERT_EQ(1, AddNewRow("items", Row(IntValue(2), nullptr, IntValue(9), TextValue("given"))));
    RowObject *first = items_->firstRow;
    EXPECT_EQ(3, IntAt(first, 2));
    EXPECT_EQ(4, first->lengths[2]);
    EXPECT_STREQ("none", reinterpret_cast<char *>(first->values[3]));
    EXPECT_STREQ("first", reinterpret_cast<char *>(first->values[1]));
    RowObject *second = first->next;
    EXPECT_EQ(second, items_->lastRow);
    EXPECT_EQ(9, IntAt(second, 2)) << "a given value is kept";
    EXPECT_STREQ("given", reinterpret_cast<char *>(second->values[3]));
    EXPECT_EQ(nullptr, second->values[1]) << "no default: stays NULL";
    EXPECT_EQ(2, items_->rowCount);
    EXPECT_EQ(ROW_NEW, second->flags);
    RowObject *orphan = Row(IntValue(3), nullptr);
    EXPECT_EQ(0, AddNewRow("UNDEFINED", orphan));
    FreeRowObject(orphan, 4);  // a refused row stays the caller's
}

TEST_F(TableTest, UpdatesCopyTheValueAndRefuseKeys) {
    RowObject *row = Row(IntValue(1), TextValue("old"));
    ASSERT_EQ(1, AddNewRow("ITEMS", row));
    const unsigned char fresh[] = "new name";
    EXPECT_EQ(1, UpdateRowObject("ITEMS", row, "name", fresh, 8));
    EXPECT_STREQ("new name", reinterpret_cast<char *>(row->values[1]));
    EXPECT_NE(fresh, row->values[1]) << "the value is copied";
    EXPECT_EQ(ROW_NEW | ROW_MODIFIED, row->flags);

    unsigned char *before = row->values[0];
    EXPECT_EQ(0, UpdateRowObject("ITEMS", row, "id", fresh, 4));
    EXPECT_EQ(before, row->values[0]);
    EXPECT_NE(
        std::string::npos,
        Log().find("[ERROR] @@@ UpdateRowObject Failed as PrimaryKey is being updated @@@\n"));
    EXPECT_EQ(0, UpdateRowObject("ITEMS", row, "MISSING", fresh, 4));
    EXPECT_EQ(0, UpdateRowObject("ITEMS", nullptr, "NAME", fresh, 4));
    EXPECT_NE(std::string::npos, Log().find("rowPtr passed as parameter in NULL"));
    EXPECT_EQ(1, UpdateRowObject("ITEMS", row, "NOTE", nullptr, 0));
    EXPECT_EQ(nullptr, row->values[3]);
}

TEST_F(TableTest, DeletingDatabaseRowsMarksThemNewRowsGo) {
    RowObject *fromDb = Row(IntValue(1), TextValue("db"));
    fromDb->flags = ROW_FROM_DB;
    RowObject *head = Row(IntValue(2), nullptr);
    RowObject *middle = Row(IntValue(3), nullptr);
    RowObject *tail = Row(IntValue(4), nullptr);
    for (RowObject *row : {head, fromDb, middle, tail}) {
        ASSERT_EQ(1, AddNewRow("ITEMS", row));
    }
    EXPECT_EQ(1, DeleteRowObject("ITEMS", fromDb));
    EXPECT_EQ(ROW_FROM_DB | ROW_DELETED, fromDb->flags);
    EXPECT_EQ(4, items_->rowCount) << "kept for the database delete";
    EXPECT_EQ(1, DeleteRowObject("ITEMS", tail));
    EXPECT_EQ(middle, items_->lastRow) << "the tail moves back";
    EXPECT_EQ(1, DeleteRowObject("ITEMS", head));
    EXPECT_EQ(fromDb, items_->firstRow);
    EXPECT_EQ(2, items_->rowCount);
    RowObject stranger = {};
    EXPECT_EQ(0, DeleteRowObject("ITEMS", &stranger));
    // A row added after deletions lands at the end.
    RowObject *last = Row(IntValue(5), nullptr);
    ASSERT_EQ(1, AddNewRow("ITEMS", last));
    EXPECT_EQ(last, middle->next);
    EXPECT_EQ(last, items_->lastRow);
}

TEST_F(TableTest, DeleteAllLeavesExactlyTheDatabaseRowsMarked) {
    for (int i = 0; i < 6; ++i) {
        RowObject *row = Row(IntValue(i), nullptr);
        if (i % 2 == 0) {
            row->flags = ROW_FROM_DB;
        }
        ASSERT_EQ(1, AddNewRow("ITEMS", row));
    }
    EXPECT_EQ(1, DeleteAllTableRowObjects("ITEMS"));
    EXPECT_EQ(3, items_->rowCount);
    int seen = 0;
    for (RowObject *row = items_->firstRow; row != nullptr; row = row->next, ++seen) {
        EXPECT_EQ(ROW_FROM_DB | ROW_DELETED, row->flags);
        EXPECT_EQ(seen * 2, IntAt(row, 0));
    }
    EXPECT_EQ(3, seen);
    EXPECT_EQ(0, DeleteAllTableRowObjects(nullptr));
    EXPECT_EQ(0, DeleteAllTableRowObjects("NOPE"));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("[ERROR] \t tableName NULL \n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] \t GetTableDataByName returned NULL \n"));
}

TEST_F(TableTest, TableWithoutColumnsTakesNoRows) {
    AddTableDefn(CreateTableDefn("HOLLOW", nullptr, CreateVector(), CreateConstraintDefn()));
    ASSERT_EQ(1, CreateTable("HOLLOW"));
    RowObject *row = Row(IntValue(1), nullptr);
    EXPECT_EQ(0, AddNewRow("HOLLOW", row));
    FreeRowObject(row, 4);
    EXPECT_EQ(0, DeleteAllTableRowObjects("HOLLOW"));
}

}  // namespace
