#include "datalayer/memstore/notification.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "agent/log.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "datalayer/dictionary/table_registry.h"
#include "datalayer/memstore/table_data.h"
#include "tests/datalayer/memstore/table_fixture.hpp"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

// What a listener heard: table, flags, and the values as texts.
struct Heard {
    std::string listener;
    std::string table;
    uint8_t flags;
    std::vector<std::string> values;
    std::vector<int32_t> lengths;
};
std::vector<Heard> g_heard;

int Remember(IMDSNotification *notification, const char *listenerName) {
    Heard heard{listenerName, notification->tableName, notification->row->flags, {}, {}};
    for (int i = 0; i < 2; ++i) {
        heard.values.emplace_back(reinterpret_cast<char *>(notification->row->values[i]));
        heard.lengths.push_back(notification->row->lengths[i]);
    }
    EXPECT_NE(nullptr, notification->timestamp);
    EXPECT_EQ(nullptr, notification->row->next);
    g_heard.push_back(heard);
    return 0;
}

RowObject *Row(const char *a, const char *b) {
    auto **values = static_cast<unsigned char **>(calloc(2, sizeof(unsigned char *)));
    auto *lengths = static_cast<int32_t *>(calloc(2, sizeof(int32_t)));
    const char *given[] = {a, b};
    for (int i = 0; i < 2; ++i) {
        if (given[i] != nullptr) {
            lengths[i] = static_cast<int32_t>(strlen(given[i]));
            values[i] = ConvertStringToColumnValue(given[i], &lengths[i], KEL_SQL_CHAR);
        }
    }
    return CreateNewRowObject(values, lengths);
}

class NotificationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log_ = OpenTestLog(dir_, 3);
        g_heard.clear();
        InitTableDefnList();
        InitNotification();
        for (const char *name : {"A", "B"}) {
            Vector *columns = CreateVector();
            AddElementValue(columns, CreateColumnDefn("K", KEL_SQL_CHAR, nullptr, 0, 0, nullptr,
                                                      nullptr, 10, 1, nullptr));
            AddElementValue(columns, CreateColumnDefn("V", KEL_SQL_CHAR, nullptr, 0, 0, nullptr,
                                                      nullptr, 10, 1, nullptr));
            AddTableDefn(CreateTableDefn(name, nullptr, columns, CreateConstraintDefn()));
            ASSERT_EQ(1, CreateTable(name));
        }
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
};

TEST_F(NotificationTest, SortedTableNamesAndDuplicateListeners) {
    char b[] = "b", a[] = "a", c[] = "C";
    char *names[] = {b, a, c, nullptr};
    ASSERT_EQ(1, AddNotificationListener("watcher", 0, Remember, 1, names));
    EXPECT_STREQ("a", names[0]) << "sorted in place ignoring case";
    EXPECT_STREQ("b", names[1]);
    EXPECT_STREQ("C", names[2]);
    char other[] = "A";
    char *otherNames[] = {other, nullptr};
    EXPECT_EQ(1, AddNotificationListener("WATCHER", 0, Remember, 1, otherNames));
    EXPECT_NE(std::string::npos, Log().find("[ERROR] Listener with same name exists WATCHER\n"));
    ASSERT_EQ(1, AddNewRow("A", Row("k", "v")));
    ASSERT_EQ(1u, g_heard.size()) << "one listener only";
    EXPECT_EQ("watcher", g_heard[0].listener);
    EXPECT_EQ("A", g_heard[0].table);
}

TEST_F(NotificationTest, TheEventRule) {
    char a[] = "A";
    char *names[] = {a, nullptr};
    ASSERT_EQ(1, AddNotificationListener("new-rows", ROW_NEW, Remember, 1, names));
    ASSERT_EQ(1, AddNotificationListener("db-rows", ROW_FROM_DB, Remember, 1, names));
    ASSERT_EQ(1, AddNotificationListener("everything", 0, Remember, 1, names));

    RowObject *fresh = Row("n", "1");
    ASSERT_EQ(1, AddNewRow("A", fresh));  // ROW_NEW
    RowObject *loaded = Row("d", "1");
    loaded->flags = ROW_FROM_DB;
    ASSERT_EQ(1, AddNewRow("A", loaded));  // ROW_FROM_DB
    const unsigned char two[] = "2";
    ASSERT_EQ(1, UpdateRowObject("A", fresh, "V", two, 1));   // NEW|MODIFIED
    ASSERT_EQ(1, UpdateRowObject("A", loaded, "V", two, 1));  // FROM_DB|MODIFIED
    ASSERT_EQ(1, DeleteRowObject("A", loaded));               // marked only: silent
    ASSERT_EQ(1, DeleteRowObject("A", fresh));                // NEW|MODIFIED, removed

    std::vector<std::string> got;
    for (const Heard &h : g_heard) {
        got.push_back(h.listener + ":" + std::to_string(h.flags));
    }
    EXPECT_EQ((std::vector<std::string>{"new-rows:2", "everything:2", "db-rows:1", "everything:1",
                                        "new-rows:6", "everything:6", "db-rows:5", "everything:5",
                                        "new-rows:6", "everything:6"}),
              got);
    EXPECT_NE(std::string::npos, Log().find("[DEBUG] Listener not registered for Eventype 5\n"));
}

TEST_F(NotificationTest, DisabledListenersOtherTablesAndNullValues) {
    char a[] = "A";
    char *names[] = {a, nullptr};
    ASSERT_EQ(1, AddNotificationListener("quiet", 0, Remember, 1, names));
    ASSERT_EQ(1, AddNotificationListener("listening", 0, Remember, 1, names));
    EXPECT_EQ(1, DisableNotificationListener("QUIET"));
    EXPECT_EQ(0, DisableNotificationListener("nobody"));
    ASSERT_EQ(1, AddNewRow("A", Row("k", nullptr)));
    ASSERT_EQ(1, AddNewRow("B", Row("k", "v")));
    ASSERT_EQ(1u, g_heard.size());
    EXPECT_EQ("listening", g_heard[0].listener);
    EXPECT_EQ("", g_heard[0].values[1]) << "a NULL value arrives empty";
    EXPECT_EQ(0, g_heard[0].lengths[1]);
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("[DEBUG] Listener quiet  disabled\n"));
    EXPECT_NE(std::string::npos, log.find("[DEBUG] Listener not registered for B table\n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] Listener with name nobody doesn't exists\n"));

    EXPECT_EQ(1, RemoveNotificationListener("listening"));
    EXPECT_EQ(0, RemoveNotificationListener("listening"));
    ASSERT_EQ(1, AddNewRow("A", Row("k", "v")));
    EXPECT_EQ(1u, g_heard.size());
}

TEST_F(NotificationTest, NoListenerNoNotification) {
    ASSERT_EQ(1, AddNewRow("A", Row("k", "v")));
    EXPECT_EQ(std::string::npos, Log().find("In CreateIMDSNotification"));
    SetLogLevel(4);
    ASSERT_EQ(1, AddNewRow("A", Row("k", "v")));
    EXPECT_EQ(std::string::npos, Log().find("In CreateIMDSNotification")) << "nothing is built";
}

TEST_F(NotificationTest, IsListContains) {
    char a[] = "alpha", b[] = "Beta", c[] = "gamma", d[] = "omega";
    char *sorted[] = {a, b, c, d, nullptr};
    for (const char *name : {"ALPHA", "beta", "Gamma", "omega"}) {
        EXPECT_EQ(1, IsListContains(sorted, name)) << name;
    }
    for (const char *name : {"delta", "zeta", "", "a"}) {
        EXPECT_EQ(0, IsListContains(sorted, name)) << name;
    }
    char *empty[] = {nullptr};
    EXPECT_EQ(0, IsListContains(empty, "x"));
}

TEST_F(NotificationTest, NotificationsForUnknownTablesAreNotBuilt) {
    RowObject *row = Row("k", "v");
    EXPECT_EQ(nullptr, CreateIMDSNotification(row, "NOWHERE"));
    IMDSNotification *built = CreateIMDSNotification(row, "a");
    ASSERT_NE(nullptr, built);
    EXPECT_STREQ("a", built->tableName);
    EXPECT_NE(row->values[0], built->row->values[0]) << "values are copies";
    FreeIMDSNotification(built, 2);
    FreeRowObject(row, 2);
}

}  // namespace
