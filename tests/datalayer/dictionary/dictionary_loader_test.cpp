#include "datalayer/dictionary/dictionary_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "agent/log.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/table_registry.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;
using fw::test::WriteFile;

const std::string kExamples = FW_EXAMPLES_DATA;

class LoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log_ = OpenTestLog(logDir_, 3);
        InitTableDefnList();
    }
    void TearDown() override {
        FreeTableDefnList();
        ResetLog();
    }
    std::string Log() { return ReadFile(log_); }
    bool Logged(const std::string &text) { return Log().find(text) != std::string::npos; }

    // Loads a file holding the given text between the data-dictionary tags.
    void LoadTables(const std::string &tables, const std::string &name = "t.xml") {
        std::string path = dir_.File(name);
        WriteFile(path, "<?xml version=\"1.0\"?>\n<data-dictionary>\n" + tables +
                            "\n</data-dictionary>\n");
        ASSERT_EQ(1, LoadDataDictFromXMLFile(path.c_str()));
    }

    static ColumnDefn *Column(const char *table, const char *column) {
        return GetColumnDefnEntry(table, column);
    }

    TempDir dir_;
    TempDir logDir_;
    std::string log_;
};

// One table with one column whose inner elements are given.
std::string OneColumn(const std::string &inner, const std::string &name = "T") {
    return "<table name=\"" + name + "\"><columns><column name=\"C\">" + inner +
           "</column></columns></table>";
}

TEST_F(LoaderTest, TheExampleDictionary) {
    ASSERT_EQ(1, LoadDataDictFiles(kExamples.c_str()));
    const char *tables[] = {"CUSTOMERS", "ADDRESSES",   "PRODUCTS",
                            "ORDERS",    "ORDER_LINES", "SHIPMENT_ITEMS"};
    ASSERT_EQ(6, GetTableDefnList()->count);
    int i = 0;
    for (VectorNode *node = GetTableDefnList()->head; node != nullptr; node = node->next) {
        EXPECT_STREQ(tables[i++], static_cast<TableDefn *>(node->element)->tableName);
    }
    TableDefn *customers = GetTableDefn("customers");
    ASSERT_NE(nullptr, customers);
    EXPECT_STREQ("One row per customer", customers->description);
    EXPECT_EQ(7, customers->columnVect->count);
    ColumnDefn *id = Column("CUSTOMERS", "CUSTOMER_ID");
    EXPECT_EQ(KEL_SQL_LONG_INT, id->dataType);
    EXPECT_STREQ("CUSTOMER_SEQ", id->generatorName);
    EXPECT_EQ(1, id->isUnique);
    EXPECT_EQ(0, id->isNullable);
    EXPECT_EQ(0, Column("CUSTOMERS", "NAME")->isNullable) << "FALSE in capitals";
    EXPECT_EQ(KEL_SQL_VARCHAR, Column("CUSTOMERS", "NAME")->dataType);
    EXPECT_EQ(80, Column("CUSTOMERS", "NAME")->maxSize);
    EXPECT_EQ(KEL_SQL_TEXT, Column("CUSTOMERS", "NOTES")->dataType) << "CHAR of 1000";
    ColumnDefn *status = Column("CUSTOMERS", "STATUS");
    ASSERT_NE(nullptr, status->allowedValues);
    EXPECT_EQ(0, status->allowedValues->isRange);
    EXPECT_STREQ("SUSPENDED", status->allowedValues->values[1]);
    EXPECT_STREQ("ACTIVE", reinterpret_cast<char *>(status->defaultValue));
    ColumnDefn *limit = Column("CUSTOMERS", "CREDIT_LIMIT");
    EXPECT_EQ(1, limit->allowedValues->isRange);
    EXPECT_STREQ("0", limit->allowedValues->values[0]);
    EXPECT_STREQ("100000", limit->allowedValues->values[1]);
    EXPECT_EQ(4, limit->defaultValueLength);

    TableDefn *addresses = GetTableDefn("ADDRESSES");
    EXPECT_EQ(2, addresses->constraintDefn->pkColumnCount);
    EXPECT_STREQ("ADDRESS_NO", addresses->constraintDefn->pkColumns[1]);
    ForeignKeyDefn *owner = GetForeignKeyDefn(addresses, "CUSTOMER_ID");
    ASSERT_NE(nullptr, owner);
    EXPECT_STREQ("CUSTOMERS", owner->referenceTable);
    EXPECT_EQ(1, owner->onDeleteCascade);
    EXPECT_EQ(0, owner->isBidirectional);

    ForeignKeyDefn *ordered = GetForeignKeyDefn(GetTableDefn("ORDERS"), "CUSTOMER_ID");
    EXPECT_EQ(1, ordered->isBidirectional);
    EXPECT_EQ(0, ordered->onDeleteCascade);
    EXPECT_EQ(KEL_SQL_BOOLEAN, Column("ORDERS", "PAID")->dataType);
    EXPECT_EQ(0, Column("ORDERS", "PAID")->defaultValue[0]);

    // Two column pairs of one foreign key: two entries with the same flags.
    Vector *pairs = GetTableDefn("SHIPMENT_ITEMS")->constraintDefn->foreignKeyVect;
    ASSERT_EQ(2, pairs->count);
    auto *second = static_cast<ForeignKeyDefn *>(pairs->head->next->element);
    EXPECT_STREQ("LINE_NO", second->localColumn);
    EXPECT_STREQ("ORDER_LINES", second->referenceTable);
    EXPECT_EQ(1, second->onDeleteCascade);
    EXPECT_EQ(3, GetTableDefn("SHIPMENT_ITEMS")->constraintDefn->pkColumnCount);
    EXPECT_FALSE(Logged("[ERROR]")) << Log();
}

TEST_F(LoaderTest, ColumnElementRules) {
    struct Case {
        const char *name;
        std::string inner;
        uint8_t type;
        uint8_t nullable;
        uint8_t unique;
        int32_t maxSize;
    };
    const Case cases[] = {
        {"VARCHAR is no word", "<data-type>VARCHAR</data-type>", 0, 1, 0, 0},
        {"char", "<data-type>char</data-type>", 15, 1, 0, 0},
        {"KEL_SQL_CHAR", "<data-type>KEL_SQL_CHAR</data-type>", 14, 1, 0, 0},
        {"bigint", "<data-type>bigint</data-type>", 7, 1, 0, 0},
        {"nullable TRUE", "<data-type>INTEGER</data-type><nullable>TRUE</nullable>", 5, 1, 0, 0},
        {"nullable other", "<data-type>INTEGER</data-type><nullable>no</nullable>", 5, 0, 0, 0},
        {"unique TRUE", "<data-type>INTEGER</data-type><unique>TRUE</unique>", 5, 1, 0, 0},
        {"unique true", "<data-type>INTEGER</data-type><unique>true</unique>", 5, 1, 1, 0},
        {"max-size", "<data-type>CHAR</data-type><max-size>12</max-size>", 15, 1, 0, 12},
        {"max-size not a number", "<data-type>CHAR</data-type><max-size>12a</max-size>", 15, 1, 0,
         -1},
        {"any order", "<unique>true</unique><max-size>300</max-size><data-type>NCHAR</data-type>",
         22, 1, 1, 300},
        {"late description hides the rest",
         "<data-type>DATE</data-type><description>d</description><nullable>false</nullable>"
         "<unique>true</unique>",
         16, 1, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FreeTableDefnList();
        LoadTables(OneColumn(c.inner));
        ColumnDefn *column = Column("T", "C");
        ASSERT_NE(nullptr, column);
        EXPECT_EQ(c.type, column->dataType);
        EXPECT_EQ(c.nullable, column->isNullable);
        EXPECT_EQ(c.unique, column->isUnique);
        EXPECT_EQ(c.maxSize, column->maxSize);
    }
    EXPECT_FALSE(Logged("Column data type not supported")) << "unknown words pass silently";
}

TEST_F(LoaderTest, ColumnWithoutDataTypeIsRegisteredWithCode0AndAMessage) {
    LoadTables(OneColumn("<description>first</description><nullable>false</nullable>"));
    ColumnDefn *column = Column("T", "C");
    ASSERT_NE(nullptr, column);
    EXPECT_EQ(0, column->dataType);
    EXPECT_STREQ("first", column->description);
    EXPECT_TRUE(Logged(
        "[ERROR] Column data type not supported - Error while creating column definition.\n"));
}

TEST_F(LoaderTest, MaxSizeDoesNotCarryOverFromTheColumnBefore) {
    LoadTables(
        "<table name=\"T\"><columns>"
        "<column name=\"A\"><data-type>CHAR</data-type><max-size>50</max-size></column>"
        "<column name=\"B\"><data-type>CHAR</data-type></column>"
        "</columns></table>");
    EXPECT_EQ(50, Column("T", "A")->maxSize);
    EXPECT_EQ(0, Column("T", "B")->maxSize);
}

TEST_F(LoaderTest, TablesThatAreNotRegistered) {
    LoadTables(
        "<table name=\"EMPTY\"><columns></columns></table>"
        "<table name=\"NOCOLUMNS\"><description>d</description></table>"
        "<table name=\"RANGE\"><columns><column name=\"C\"><data-type>INTEGER</data-type>"
        "<allowed-values><from>1</from></allowed-values></column></columns></table>"
        "<table><columns><column name=\"C\"><data-type>INTEGER</data-type></column></columns>"
        "</table>"
        "<table name=\"KEPT\"><columns><column name=\"C\"><data-type>INTEGER</data-type>"
        "</column></columns></table>");
    EXPECT_EQ(nullptr, GetTableDefn("EMPTY"));
    EXPECT_EQ(nullptr, GetTableDefn("NOCOLUMNS"));
    EXPECT_EQ(nullptr, GetTableDefn("RANGE"));
    EXPECT_NE(nullptr, GetTableDefn("KEPT"));
    EXPECT_EQ(1, GetTableDefnList()->count);
    EXPECT_TRUE(Logged("[ERROR] In the allowed values attribute, 'to' tag is missing.\n"));
    EXPECT_TRUE(Logged("[ERROR] A table without a name attribute is not registered.\n"));
}

TEST_F(LoaderTest, DuplicateTablesAcrossFilesFirstWins) {
    LoadTables(OneColumn("<data-type>INTEGER</data-type>", "Dup"), "a.xml");
    LoadTables(OneColumn("<data-type>BIGINT</data-type>", "DUP"), "b.xml");
    EXPECT_EQ(2, GetTableDefnList()->count);
    EXPECT_EQ(KEL_SQL_INT, Column("dup", "C")->dataType);
}

TEST_F(LoaderTest, MalformedFilesAreLoggedAndWhatCameBeforeStays) {
    struct Case {
        const char *name;
        std::string content;
        const char *message;  // an ERROR record expected
    };
    const Case cases[] = {
        {"not xml", "this is not XML at all", "failed to parse"},
        {"binary",
         std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0\xff\xfe garbage",
                     20),
         "failed to parse"},
        {"missing end tags",
         "<data-dictionary><table name=\"X\"><columns><column name=\"C\"><data-type>INTEGER",
         "failed to parse"},
        {"element out of order",
         "<data-dictionary><table name=\"X\"><primary-key><primary-key-column>C"
         "</primary-key-column></primary-key><columns><column name=\"C\"><data-type>INTEGER"
         "</data-type></column></columns></table></data-dictionary>",
         nullptr},
        {"empty file", "", "failed to parse"},
    };
    LoadTables(OneColumn("<data-type>INTEGER</data-type>", "BEFORE"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir_.File("bad.xml");
        WriteFile(path, c.content);
        EXPECT_EQ(1, LoadDataDictFromXMLFile(path.c_str()));
        if (c.message != nullptr) {
            EXPECT_TRUE(Logged(c.message)) << Log();
        }
        EXPECT_NE(nullptr, GetTableDefn("BEFORE")) << "nothing registered is lost";
    }
}

TEST_F(LoaderTest, TheWalksMessages) {
    struct Case {
        const char *name;
        std::string tables;
        const char *message;
    };
    const Case cases[] = {
        {"primary-key-column end",
         "<table name=\"T\"><columns><column name=\"C\"><data-type>INTEGER</data-type></column>"
         "</columns><primary-key><primary-key-column>C<b/>x</primary-key-column></primary-key>"
         "</table>",
         "\nMissing primary-key-column end tag\n"},
        {"value end", OneColumn("<allowed-values><value>a<b/></value></allowed-values>"),
         "\n No ending Value tag\n"},
        {"from end", OneColumn("<allowed-values><from>1<b/></from><to>2</to></allowed-values>"),
         "\nNo Ending FROM tag \n"},
        {"to end", OneColumn("<allowed-values><from>1</from><to>2<b/></to></allowed-values>"),
         "\nNo ending TO tag \n"},
        {"fk-local-column end",
         "<table name=\"T\"><columns><column name=\"C\"/></columns><foreign-keys>"
         "<foreign-key reference-table-name=\"R\"><fk-columns><fk-column><fk-local-column>C<b/>"
         "</fk-local-column></fk-column></fk-columns></foreign-key></foreign-keys></table>",
         "\n Missing endof FK-LOCAL-COLUMN tag\n"},
        {"fk-constraints end",
         "<table name=\"T\"><columns><column name=\"C\"/></columns><foreign-keys>"
         "<foreign-key reference-table-name=\"R\"><fk-columns></fk-columns><fk-constraints>x<b/>"
         "</fk-constraints></foreign-key></foreign-keys></table>",
         "\nMissing endof FK-CONSTRAINTS tag\n"},
        {"unread attributes", "<table name=\"T\" owner=\"x\"><columns/></table>",
         "\n Not all Attributes were read\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LoadTables(c.tables);
        EXPECT_TRUE(Logged(std::string("[ERROR] ") + c.message)) << Log();
    }
}

TEST_F(LoaderTest, ForeignKeysWithoutTheirPartsAreSkippedWithAMessage) {
    LoadTables(
        "<table name=\"T\"><columns><column name=\"A\"><data-type>INTEGER</data-type></column>"
        "</columns><foreign-keys>"
        "<foreign-key><fk-columns><fk-column><fk-local-column>A</fk-local-column>"
        "<fk-reference-column>B</fk-reference-column></fk-column></fk-columns></foreign-key>"
        "<foreign-key reference-table-name=\"R\"><fk-constraints>ON-DELETE-CASCADE"
        "</fk-constraints></foreign-key>"
        "<foreign-key reference-table-name=\"R\"><fk-columns><fk-column><fk-local-column>A"
        "</fk-local-column></fk-column></fk-columns></foreign-key>"
        "</foreign-keys></table>");
    TableDefn *table = GetTableDefn("T");
    ASSERT_NE(nullptr, table);
    EXPECT_EQ(nullptr, table->constraintDefn->foreignKeyVect);
    EXPECT_TRUE(Logged("names no reference-table-name"));
    EXPECT_TRUE(Logged("[DEBUG] fk-columns tag not found \n"));
    EXPECT_TRUE(Logged("lacks a column of a pair"));
}

TEST_F(LoaderTest, Listings) {
    // A listing naming a missing file: logged, the others still load.
    std::string data = dir_.File("data");
    ASSERT_EQ(0, mkdir(data.c_str(), 0755));
    WriteFile(data + "/datadictionary.txt", "missing.xml\n  present.xml\t\n");
    WriteFile(data + "/present.xml", "<data-dictionary>" +
                                         OneColumn("<data-type>INTEGER</data-type>", "PRESENT") +
                                         "</data-dictionary>");
    EXPECT_EQ(1, LoadDataDictFiles(data.c_str()));
    EXPECT_NE(nullptr, GetTableDefn("PRESENT"));
    EXPECT_TRUE(Logged("[ERROR] Unable to open " + data + "\\missing.xml\n"));
    EXPECT_EQ(0, LoadDataDictFiles(dir_.File("nowhere").c_str()));

    // An empty listing loads nothing and succeeds.
    WriteFile(data + "/datadictionary.txt", "");
    EXPECT_EQ(1, LoadDataDictFiles(data.c_str()));
    EXPECT_EQ(0, LoadDataDictFromXMLFile(nullptr));
}

TEST_F(LoaderTest, LoadAllLooksBesideTheWorkingDirectoryThenUnderTheRoot) {
    char saved[4096];
    ASSERT_NE(nullptr, getcwd(saved, sizeof saved));
    std::string work = dir_.File("work");
    ASSERT_EQ(0, mkdir(work.c_str(), 0755));
    ASSERT_EQ(0, chdir(work.c_str()));

    // Nowhere yet (no root set in this process).
    EXPECT_EQ(0, LoadAllDataDictFiles());
    EXPECT_TRUE(Logged("[ERROR] Cannot open DataDictionary File.\n"));

    // Under the root's data directory.
    std::string root = dir_.File("root");
    ASSERT_EQ(0, mkdir(root.c_str(), 0755));
    ASSERT_EQ(0, symlink(kExamples.c_str(), (root + "/data").c_str()));
    SetQuillonRoot(root.c_str());
    EXPECT_EQ(1, LoadAllDataDictFiles());
    EXPECT_EQ(6, GetTableDefnList()->count);
    EXPECT_TRUE(Logged("[DEBUG] Opening " + root + "/data/orders.xml\n"));

    // "..\data\" relative to the working directory wins over the root.
    FreeTableDefnList();
    ASSERT_EQ(0, symlink(kExamples.c_str(), dir_.File("data").c_str()));
    EXPECT_EQ(1, LoadAllDataDictFiles());
    EXPECT_EQ(6, GetTableDefnList()->count);
    EXPECT_TRUE(Logged("[DEBUG] Opening ..\\data\\customers.xml\n"));
    ASSERT_EQ(0, chdir(saved));
}

}  // namespace
