// The connection pool over real SQLite connections (each test with database
// files of its own): handles per thread, the shared single handle, the
// re-open of old handles through the pool's clock, and many threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "datalayer/db/conn_params.h"
#include "datalayer/db/connection_pool.h"
#include "datalayer/db/db_statements.h"
#include "datalayer/db/odbc_provider.h"
#include "platform/sync.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

// The ODBC provider, counting the connections it closes.
std::atomic<int> g_closed{0};
int CountingClose(ConnectionHandle *handle) {
    ++g_closed;
    return ODBCCloseConnection(handle);
}
DBProvider MakeCounting() {
    DBProvider provider = gv_odbcProvider;
    provider.name = "COUNTING";
    provider.CloseConnection = CountingClose;
    return provider;
}
const DBProvider kCounting = MakeCounting();

std::atomic<uint32_t> g_now{0};
uint32_t FakeClock() {
    return g_now.load();
}

class ConnectionPool : public testing::Test {
  protected:
    void SetUp() override {
        logPath_ = OpenTestLog(dir_, 3);
        ASSERT_EQ(1, InitDBProvider());
        ASSERT_EQ(1, RegisterDBProvider(&kCounting));
        ASSERT_EQ(1, LoadDBProvider("COUNTING"));
        g_closed = 0;
    }
    void TearDown() override {
        CloseAllDBConnections();
        FreeAllConnParamsEntries();
        SetDBConnectionClock(nullptr);
        DeInitDBProvider();
        ResetLog();
    }
    // A connection to an SQLite file of the test's own.
    void AddSqlite(const std::string &name, const char *provider = "COUNTING") {
        std::string text = "Driver=SQLite3;Database=" + dir_.File(name + ".db");
        ASSERT_EQ(1, AddConnParamsEntry(CreateConnParamsEntry("localhost", 0, "x", nullptr, nullptr,
                                                              0, name.c_str(), 1, text.c_str(),
                                                              provider, "SQLITE")));
    }
    static ConnectionPoolEntry *Entry(int index) {
        return static_cast<ConnectionPoolEntry *>(ElementAt(GetConnectionPool(), index)->element);
    }
    // What GetDBConnection gives another thread.
    static ConnectionHandle *GetOnOtherThread(const char *name) {
        ConnectionHandle *handle = nullptr;
        std::thread([&] { handle = GetDBConnection(name); }).join();
        return handle;
    }
    std::string Log() { return ReadFile(logPath_); }

    TempDir dir_;
    std::string logPath_;
};

TEST_F(ConnectionPool, EveryThreadGetsItsOwnHandleUntilNoneIsLeft) {
    AddSqlite("pooled");
    ASSERT_EQ(1, EstablishDBConnectionPool(0));
    ASSERT_EQ(5, Entry(0)->handles.count);
    std::string log = Log();
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(std::string::npos,
                  log.find(" " + std::to_string(i) + " : pooled : Connection Established\n"));
    }

    ConnectionHandle *mine = GetDBConnection("pooled");
    ASSERT_NE(nullptr, mine);
    EXPECT_EQ(PlatformThreadId(), mine->ownerThread);
    EXPECT_EQ(mine, GetDBConnection("pooled")) << "a thread that asks again gets the same handle";
    EXPECT_EQ(nullptr, GetDBConnection("unknown"));

    // Four more threads hold a handle each while a sixth asks.
    std::set<ConnectionHandle *> held{mine};
    std::vector<std::thread> holders;
    std::atomic<int> got{0};
    std::atomic<bool> done{false};
    std::vector<ConnectionHandle *> handles(4);
    for (int i = 0; i < 4; ++i) {
        holders.emplace_back([&, i] {
            handles[static_cast<size_t>(i)] = GetDBConnection("pooled");
            ++got;
            while (!done) {
                PlatformSleepMs(1);
            }
            EXPECT_EQ(1, ReleaseDBConnection("pooled"));
        });
    }
    ASSERT_TRUE(fw::test::WaitUntil([&] { return got == 4; }));
    for (ConnectionHandle *handle : handles) {
        ASSERT_NE(nullptr, handle);
        EXPECT_TRUE(held.insert(handle).second) << "a handle given to two threads";
    }
    EXPECT_EQ(nullptr, GetOnOtherThread("pooled")) << "a sixth thread with five handles taken";
    done = true;
    for (std::thread &t : holders) {
        t.join();
    }
    EXPECT_NE(nullptr, GetOnOtherThread("pooled"));
    EXPECT_EQ(1, ReleaseDBConnection("pooled"));
    EXPECT_EQ(0, ReleaseDBConnection("pooled")) << "nothing is held any more";
}

TEST_F(ConnectionPool, ASingleHandleIsSharedByAllThreads) {
    AddSqlite("single");
    ASSERT_EQ(1, EstablishDBConnections());
    EXPECT_NE(std::string::npos, Log().find(" single : Connection Established\n"));
    ConnectionHandle *mine = GetDBConnection(nullptr);
    ASSERT_NE(nullptr, mine);
    EXPECT_EQ(1, mine->ownerThread);
    EXPECT_EQ(mine, GetOnOtherThread(nullptr));
    EXPECT_EQ(mine, GetOnOtherThread("single"));
    ResultSet *set = ExecuteQuery(mine, "SELECT 1");
    EXPECT_NE(nullptr, set);
    FreeResultSet(set);
    EXPECT_EQ(1, ReleaseDBConnection(nullptr));
    EXPECT_EQ(0, ReleaseDBConnection(nullptr));
    EXPECT_EQ(-1, mine->ownerThread);
}

TEST_F(ConnectionPool, WithoutANameOnlyAPoolOfOneConnectionAnswers) {
    AddSqlite("first");
    AddSqlite("second");
    ASSERT_EQ(1, EstablishDBConnections());
    ASSERT_EQ(2, GetConnectionPool()->count);
    EXPECT_EQ(nullptr, GetDBConnection(nullptr));
    ConnectionHandle *first = GetDBConnection("first");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(1, ReleaseDBConnection(nullptr)) << "without a name the first connection";
    EXPECT_EQ(-1, first->ownerThread);
}

TEST_F(ConnectionPool, HandlesOlderThan27900SecondsAreReopened) {
    SetDBConnectionClock(FakeClock);
    const uint32_t tenOClock = 1700000000u - 1700000000u % 86400 + 36000;
    g_now = tenOClock;
    AddSqlite("aged");
    ASSERT_EQ(1, EstablishDBConnectionPool(2));
    ConnectionHandle *old = GetDBConnection("aged");
    ASSERT_NE(nullptr, old);
    EXPECT_EQ(tenOClock, old->openedAt);

    g_now = tenOClock + DB_CONNECTION_MAX_AGE;  // 17:45:00
    EXPECT_EQ(old, GetDBConnection("aged"));
    EXPECT_EQ(0, g_closed);

    g_now = tenOClock + DB_CONNECTION_MAX_AGE + 1;
    ConnectionHandle *fresh = GetDBConnection("aged");
    ASSERT_NE(nullptr, fresh);
    EXPECT_EQ(1, g_closed) << "the old connection is closed, not dropped";
    EXPECT_EQ(g_now.load(), fresh->openedAt);
    EXPECT_EQ(PlatformThreadId(), fresh->ownerThread);
    ConnectionPoolEntry *entry = Entry(0);
    ASSERT_EQ(2, entry->handles.count);
    EXPECT_EQ(fresh, entry->handles.tail->element) << "the replacement goes to the end";
    ResultSet *set = ExecuteQuery(fresh, "SELECT 1");
    EXPECT_NE(nullptr, set);
    FreeResultSet(set);

    // A clock set back makes the age huge: the handle is re-opened too.
    g_now = tenOClock - 1;
    ConnectionHandle *again = GetDBConnection("aged");
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(2, g_closed);

    // Without its parameters a stale handle cannot be re-opened.
    g_now = g_now + DB_CONNECTION_MAX_AGE + 1;
    ASSERT_EQ(1, DeleteConnParamsEntry("aged"));
    EXPECT_EQ(nullptr, GetDBConnection("aged"));
    EXPECT_NE(std::string::npos,
              Log().find("Cannot return connection handle. Error in fetching connection "
                         "parameters.\n"));
}

// Many threads take and give back handles of a small pool as fast as they
// can; no handle may ever be in two threads' hands at once.
TEST_F(ConnectionPool, ManyThreadsNeverShareAHandle) {
    AddSqlite("busy");
    ASSERT_EQ(1, EstablishDBConnectionPool(3));
    std::map<ConnectionHandle *, std::atomic<int>> users;
    for (VectorNode *node = Entry(0)->handles.head; node != nullptr; node = node->next) {
        users[static_cast<ConnectionHandle *>(node->element)] = 0;
    }
    ASSERT_EQ(3u, users.size());
    std::atomic<int> shared{0};
    std::atomic<int> served{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                ConnectionHandle *handle = GetDBConnection("busy");
                if (handle == nullptr) {
                    continue;
                }
                ++served;
                if (users.at(handle).fetch_add(1) != 0) {
                    ++shared;
                }
                if ((i + t) % 50 == 0) {
                    ResultSet *set = ExecuteQuery(handle, "SELECT 1");
                    FreeResultSet(set);
                }
                users.at(handle).fetch_sub(1);
                ReleaseDBConnection("busy");
            }
        });
    }
    for (std::thread &t : threads) {
        t.join();
    }
    EXPECT_EQ(0, shared);
    EXPECT_GT(served, 0);
    for (auto &[handle, count] : users) {
        EXPECT_EQ(-1, handle->ownerThread);
    }
}

TEST_F(ConnectionPool, ConnectionsThatCannotOpenStopOrAreSkipped) {
    EXPECT_EQ(0, EstablishDBConnections()) << "no parameters";
    EXPECT_EQ(0, EstablishDBConnectionPool(2));
    EXPECT_NE(std::string::npos, Log().find("[ERROR] There is no entry in data source vector\n"));

    AddSqlite("good");
    AddSqlite("unknownProvider", "NOSUCH");
    // A data source that does not exist.
    ASSERT_EQ(
        1, AddConnParamsEntry(CreateConnParamsEntry("h", 0, "fw_no_such_dsn", "u", nullptr, 0,
                                                    "missingDsn", 0, nullptr, "ODBC", "SQLITE")));
    EXPECT_EQ(0, EstablishDBConnections());
    EXPECT_EQ(1, GetConnectionPool()->count) << "what opened before stays pooled";
    EXPECT_NE(std::string::npos, Log().find("[ERROR] Cannot establish connection.\n"));
    CloseAllDBConnections();
    EXPECT_EQ(0, GetConnectionPool()->count);

    ASSERT_EQ(1, EstablishDBConnectionPool(2));
    ASSERT_EQ(3, GetConnectionPool()->count);
    EXPECT_EQ(2, Entry(0)->handles.count);
    EXPECT_EQ(0, Entry(1)->handles.count);
    EXPECT_EQ(0, Entry(2)->handles.count);
    EXPECT_EQ(nullptr, GetDBConnection("missingDsn"));
    EXPECT_NE(std::string::npos, Log().find("[ERROR] Connecting to driver failed\n"));
}

}  // namespace
