// ExecuteQuery of "select *" over 200 000 rows (an INT, a VARCHAR(40), an
// INT) in an SQLite file through the SQLite ODBC driver, against
//  - a plain ODBC loop over the same rows: SQLFetch with the three columns
//    bound as characters, nothing kept;
//  - the sqlite3 C API reading the same rows as text.
// ExecuteQuery also converts every value into its column encoding and keeps
// the rows in a ResultSet (freed outside the timing).
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/ratio_main.hpp"
#include "datalayer/db/conn_params.h"
#include "datalayer/db/connection_pool.h"
#include "datalayer/db/db_statements.h"

namespace {

constexpr int kRows = 200000;
const char *const kSelect = "select * from big";

// The database file, made once per run with the sqlite3 API.
const std::string &Database() {
    static const std::string path = [] {
        std::string p = "/tmp/fw-odbc-bench-" + std::to_string(getpid()) + ".db";
        sqlite3 *db = nullptr;
        sqlite3_open(p.c_str(), &db);
        sqlite3_exec(db, "create table big (a int, b varchar(40), c int); begin", nullptr, nullptr,
                     nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, "insert into big values (?, ?, ?)", -1, &insert, nullptr);
        for (int i = 0; i < kRows; ++i) {
            std::string name = "name number " + std::to_string(i) + " of the benchmark";
            sqlite3_bind_int(insert, 1, i);
            sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 3, i * 7);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        atexit([] { remove(("/tmp/fw-odbc-bench-" + std::to_string(getpid()) + ".db").c_str()); });
        return p;
    }();
    return path;
}

std::string ConnectionText() {
    return std::string("Driver=") + FW_SQLITE_ODBC_DRIVER + ";Database=" + Database() +
           ";StepAPI=1";
}

void BM_ExecuteQuery(benchmark::State &state) {
    InitDBProvider();
    std::string text = ConnectionText();
    ConnParamsEntry *entry = CreateConnParamsEntry("localhost", 0, "bench", nullptr, nullptr, 0,
                                                   "bench", 1, text.c_str(), "ODBC", "SQLITE");
    ConnectionHandle *handle = OpenDBConnection(entry);
    if (handle == nullptr) {
        state.SkipWithError("cannot connect");
        return;
    }
    for (auto _ : state) {
        ResultSet *set = ExecuteQuery(handle, kSelect);
        state.PauseTiming();
        if (set == nullptr || set->rowCount != kRows) {
            state.SkipWithError("wrong result");
        }
        FreeResultSet(set);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    CloseDBConnection(handle);
    FreeConnParamsEntry(entry);
    DeInitDBProvider();
}
BENCHMARK(BM_ExecuteQuery)->Unit(benchmark::kMillisecond);

void BM_PlainOdbcFetch(benchmark::State &state) {
    SQLHENV env;
    SQLHDBC dbc;
    SQLAllocEnv(&env);
    SQLAllocConnect(env, &dbc);
    std::string text = ConnectionText();
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR *>(text.data()),
                                        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        state.SkipWithError("cannot connect");
        return;
    }
    for (auto _ : state) {
        SQLHSTMT stmt;
        SQLAllocStmt(dbc, &stmt);
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR *>(const_cast<char *>(kSelect)), SQL_NTS);
        char a[32], b[200], c[32];
        SQLLEN ia, ib, ic;
        SQLBindCol(stmt, 1, SQL_C_CHAR, a, sizeof a, &ia);
        SQLBindCol(stmt, 2, SQL_C_CHAR, b, sizeof b, &ib);
        SQLBindCol(stmt, 3, SQL_C_CHAR, c, sizeof c, &ic);
        int rows = 0;
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            benchmark::DoNotOptimize(b);
            ++rows;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (rows != kRows) {
            state.SkipWithError("wrong row count");
        }
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    SQLDisconnect(dbc);
    SQLFreeConnect(dbc);
    SQLFreeEnv(env);
}
BENCHMARK(BM_PlainOdbcFetch)->Unit(benchmark::kMillisecond);

void BM_Sqlite3Text(benchmark::State &state) {
    sqlite3 *db = nullptr;
    sqlite3_open(Database().c_str(), &db);
    for (auto _ : state) {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, kSelect, -1, &stmt, nullptr);
        int rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int i = 0; i < 3; ++i) {
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, i));
            }
            ++rows;
        }
        sqlite3_finalize(stmt);
        if (rows != kRows) {
            state.SkipWithError("wrong row count");
        }
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    sqlite3_close(db);
}
BENCHMARK(BM_Sqlite3Text)->Unit(benchmark::kMillisecond);

FW_BENCH_RATIO("BM_ExecuteQuery", "BM_PlainOdbcFetch");
FW_BENCH_RATIO("BM_ExecuteQuery", "BM_Sqlite3Text");

}  // namespace

FW_BENCH_MAIN()
