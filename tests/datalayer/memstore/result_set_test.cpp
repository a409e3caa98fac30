#include "datalayer/memstore/result_set.h"
#include "datalayer/dictionary/column_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/test_support.hpp"
#include "util/kel_datetime.h"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

struct Column {
    const char *name;
    uint8_t type;
};

ResultSetColumn *MakeColumns(const std::vector<Column> &columns) {
    auto *array = static_cast<ResultSetColumn *>(calloc(columns.size(), sizeof(ResultSetColumn)));
    for (size_t i = 0; i < columns.size(); ++i) {
        array[i].name = strdup(columns[i].name);
        array[i].type = columns[i].type;
    }
    return array;
}

ResultSetCell *TextCells(const std::vector<const char *> &values) {
    ResultSetCell *cells = nullptr;
    for (const char *value : values) {
        cells = AppendResultSetCell(cells, value ? static_cast<uint32_t>(strlen(value)) : 0, value);
    }
    return cells;
}

// A set of two text columns, "NAME" and "City", and two rows.
ResultSet *TwoRows() {
    ResultSetRow *rows = AppendResultSetRow(nullptr, TextCells({"alice", "Oslo"}));
    rows = AppendResultSetRow(rows, TextCells({nullptr, "Rome"}));
    return CreateResultSet(rows, MakeColumns({{"NAME", 15}, {"City", 15}}), 2);
}

TEST(ResultSetLists, AppendReturnsTheFirstEntry) {
    ResultSetCell *first = AppendResultSetCell(nullptr, 3, "abc");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(3u, first->length);
    EXPECT_EQ(0, memcmp("abc", first->data, 4));  // a zero byte follows
    EXPECT_EQ(first, AppendResultSetCell(first, 2, "\0x"));
    EXPECT_EQ(first, AppendResultSetCell(first, 5, nullptr));
    ResultSetCell *second = first->next;
    EXPECT_EQ(0, memcmp("\0x\0", second->data, 3));
    ResultSetCell *third = second->next;
    EXPECT_EQ(nullptr, third->data);  // a database NULL
    EXPECT_EQ(0u, third->length);
    EXPECT_EQ(nullptr, third->next);
    FreeResultSetCells(first);
}

TEST(ResultSetLists, LargeResultsBuildInOrder) {
    ResultSetRow *rows = nullptr;
    for (int i = 0; i < 20000; ++i) {
        std::string value = std::to_string(i);
        rows = AppendResultSetRow(rows, TextCells({value.c_str()}));
    }
    ResultSet *set = CreateResultSet(rows, MakeColumns({{"n", 15}}), 1);
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(20000, set->rowCount);
    int expected = 0;
    while (GotoNextResultSetRow(set) != nullptr) {
        uint32_t length = 0;
        EXPECT_STREQ(std::to_string(expected++).c_str(),
                     reinterpret_cast<char *>(GetResultSetValueByName("N", &length, set)));
    }
    EXPECT_EQ(20000, expected);
    FreeResultSet(set);
}

TEST(ResultSetCursor, WalksAndStartsAgain) {
    ResultSet *set = TwoRows();
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(2, set->rowCount);
    ResultSetRow *first = set->rows;
    ResultSetRow *second = first->next;
    EXPECT_EQ(first, GotoNextResultSetRow(set));
    EXPECT_EQ(second, GotoNextResultSetRow(set));
    EXPECT_EQ(nullptr, GotoNextResultSetRow(set));
    EXPECT_EQ(first, GotoNextResultSetRow(set));
    ResetResultSetCursor(set);
    EXPECT_EQ(nullptr, set->cursor);
    EXPECT_EQ(first, GotoNextResultSetRow(set));
    FreeResultSet(set);

    ResultSet *empty = CreateResultSet(nullptr, MakeColumns({{"a", 15}}), 1);
    EXPECT_EQ(0, empty->rowCount);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(nullptr, GotoNextResultSetRow(empty));
    }
    FreeResultSet(empty);
}

TEST(ResultSetLookups, ByNameTypeAndIndex) {
    ResultSet *set = TwoRows();
    uint32_t length = 99;
    EXPECT_EQ(nullptr, GetResultSetValueByName("Name", &length, set));  // no current row
    EXPECT_EQ(0u, length);

    GotoNextResultSetRow(set);
    struct Case {
        const char *name;
        const char *value;  // nullptr: none
        uint32_t length;
    };
    const Case firstRow[] = {{"Name", "alice", 5}, {"CITY", "Oslo", 4}, {"Country", nullptr, 0}};
    for (const Case &c : firstRow) {
        SCOPED_TRACE(c.name);
        length = 99;
        auto *value = reinterpret_cast<char *>(GetResultSetValueByName(c.name, &length, set));
        EXPECT_EQ(c.value == nullptr, value == nullptr);
        if (c.value != nullptr && value != nullptr) {
            EXPECT_STREQ(c.value, value);
        }
        EXPECT_EQ(c.length, length);
    }
    GotoNextResultSetRow(set);
    length = 99;
    EXPECT_EQ(nullptr, GetResultSetValueByName("name", &length, set));  // a NULL cell
    EXPECT_EQ(0u, length);

    EXPECT_EQ(15, GetResultSetColumnType("city", set));
    EXPECT_EQ(0, GetResultSetColumnType("nothing", set));
    EXPECT_STREQ("NAME", GetResultSetColumnName(0, set));
    EXPECT_STREQ("City", GetResultSetColumnName(1, set));
    EXPECT_EQ(nullptr, GetResultSetColumnName(2, set));
    EXPECT_EQ(nullptr, GetResultSetColumnName(-1, set));
    FreeResultSet(set);

    // A row with fewer cells than columns.
    ResultSetRow *rows = AppendResultSetRow(nullptr, TextCells({"only"}));
    ResultSet *shortRow = CreateResultSet(rows, MakeColumns({{"a", 15}, {"b", 15}}), 2);
    GotoNextResultSetRow(shortRow);
    EXPECT_EQ(nullptr, GetResultSetValueByName("b", &length, shortRow));
    FreeResultSet(shortRow);
}

// The dump is one DEBUG record per piece; read back, the pieces make a table.
TEST(ResultSetPrint, EveryValueByItsColumnType) {
    TempDir dir;
    std::string log = OpenTestLog(dir, 3);

    struct Value {
        uint8_t type;
        std::vector<unsigned char> bytes;
        bool null;
    };
    auto le = [](uint64_t v, size_t n) {
        std::vector<unsigned char> bytes(n);
        for (size_t i = 0; i < n; ++i) {
            bytes[i] = static_cast<unsigned char>(v >> (8 * i));
        }
        return bytes;
    };
    const Value values[] = {
        {1, le(0xFF, 1), false},                     // signed tiny: -1
        {2, le(0xFF, 1), false},                     // unsigned tiny: 255
        {3, le(0xFFFE, 2), false},                   // -2
        {4, le(0xFFFF, 2), false},                   // 65535
        {5, le(0xFFFFFFFF, 4), false},               // -1
        {7, le((uint64_t{1} << 32) + 5, 8), false},  // by its first four bytes: 5
        {5, {}, true},                               // NULL
        {18, {}, false},                             // the date-time text, below
        {15, {'t', 'e', 'x', 't'}, false},
        {15, {}, true},
    };
    std::vector<Column> columns;
    ResultSetCell *cells = nullptr;
    std::vector<std::string> names;
    for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
        names.push_back("c" + std::to_string(i));
    }
    for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
        columns.push_back({names[i].c_str(), values[i].type});
        if (values[i].type == 18) {
            // A date cell owns its record's parts: built from a date value.
            unsigned char *when =
                ColumnValueFromKelDateTime(ConvertStringToKelDateTime("2011-03-04 05:06:07"));
            cells = AppendResultSetCellTakingData(cells, 11, when);
            continue;
        }
        cells = AppendResultSetCell(cells, static_cast<uint32_t>(values[i].bytes.size()),
                                    values[i].null ? nullptr : values[i].bytes.data());
    }
    ResultSet *set = CreateResultSet(AppendResultSetRow(nullptr, cells), MakeColumns(columns),
                                     static_cast<int32_t>(columns.size()));
    PrintResultSet(set);
    FreeResultSet(set);
    ResetLog();

    std::string pieces =
        std::regex_replace(ReadFile(log), std::regex(R"(\[ [^\]]* \] \[ \d+ \] \[DEBUG\] )"), "");
    pieces = pieces.substr(pieces.find('\n') + 1);  // the open line
    pieces = pieces.substr(0, pieces.rfind("Log close time"));
    EXPECT_EQ(
        "c0\tc1\tc2\tc3\tc4\tc5\tc6\tc7\tc8\tc9\t\n"
        "-1\t255\t-2\t65535\t-1\t5\tNULL\t2011-03-04 05:06:07\ttext\tNULL\t\n",
        pieces);
}

}  // namespace

namespace {

// A packed row: one block for the row, its cells and their data.
TEST(ResultSetPacked, OneBlockPerRowWithAlignedDataAndNulls) {
    const size_t sizes[] = {5, 0, 24};
    ResultSetRow *rows = nullptr;
    for (int r = 0; r < 3; ++r) {
        ResultSetRow *row = NewPackedResultSetRow(3, sizes);
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(1, row->packed);
        ResultSetCell *cells = row->cells;
        ASSERT_NE(nullptr, cells);
        EXPECT_EQ(cells->next->next, cells->last);
        EXPECT_EQ(nullptr, cells->next->data) << "size 0: a database NULL";
        for (ResultSetCell *cell = cells; cell != nullptr; cell = cell->next) {
            if (cell->data != nullptr) {
                EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(cell->data) % 8);
            }
        }
        memcpy(cells->data, "row0", 5);
        cells->data[3] = static_cast<unsigned char>('0' + r);
        cells->length = 4;
        rows = AppendPackedResultSetRow(rows, row);
    }
    ResultSetColumn *columns = static_cast<ResultSetColumn *>(calloc(3, sizeof(ResultSetColumn)));
    const char *names[] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i) {
        columns[i].name = strdup(names[i]);
        columns[i].type = 15;
    }
    ResultSet *set = CreateResultSetOfCount(rows, 3, columns, 3);
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(3, set->rowCount);
    GotoNextResultSetRow(set);
    GotoNextResultSetRow(set);
    uint32_t length = 0;
    EXPECT_STREQ("row1", reinterpret_cast<char *>(GetResultSetValueByName("A", &length, set)));
    EXPECT_EQ(4u, length);
    EXPECT_EQ(nullptr, GetResultSetValueByName("b", &length, set));
    FreeResultSet(set);  // AddressSanitizer: each block freed once, nothing leaked
}

}  // namespace
