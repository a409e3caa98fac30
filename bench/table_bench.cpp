// Adding rows to an in-memory table (time per row at 10 000, 100 000 and
// 1 000 000 rows must stay flat), and finding a table by name with 10 and
// with 1 000 tables registered.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/ratio_main.hpp"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "datalayer/dictionary/table_registry.h"
#include "datalayer/memstore/notification.h"
#include "datalayer/memstore/table_data.h"

namespace {

void DefineTable(const std::string &name) {
    Vector *columns = CreateVector();
    AddElementValue(columns, CreateColumnDefn("ID", KEL_SQL_INT, nullptr, 0, 1, nullptr, nullptr, 0,
                                              0, nullptr));
    AddElementValue(columns, CreateColumnDefn("NAME", KEL_SQL_CHAR, nullptr, 0, 0, nullptr, nullptr,
                                              40, 1, nullptr));
    AddElementValue(
        columns, CreateColumnDefn("QTY", KEL_SQL_INT, "1", 1, 0, nullptr, nullptr, 0, 1, nullptr));
    AddTableDefn(CreateTableDefn(name.c_str(), nullptr, columns, CreateConstraintDefn()));
    CreateTable(name.c_str());
}

void DropTables() {
    while (GetTableDataList()->head != nullptr) {
        auto *table = static_cast<TableData *>(GetTableDataList()->head->element);
        UnregisterTableData(table);
        FreeTableData(table);
        free(table);
    }
    FreeTableDefnList();
}

RowObject *NewRow(int32_t id) {
    auto **values = static_cast<unsigned char **>(calloc(3, sizeof(unsigned char *)));
    auto *lengths = static_cast<int32_t *>(calloc(3, sizeof(int32_t)));
    values[0] = static_cast<unsigned char *>(malloc(5));
    memcpy(values[0], &id, 4);
    values[0][4] = 0;
    lengths[0] = 4;
    return CreateNewRowObject(values, lengths);
}

void BM_AddNewRow(benchmark::State &state) {
    InitTableDefnList();
    InitNotification();
    const auto rows = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        DefineTable("ORDERS");
        state.ResumeTiming();
        for (int32_t i = 0; i < rows; ++i) {
            AddNewRow("ORDERS", NewRow(i));
        }
        state.PauseTiming();
        DropTables();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_AddNewRow)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_GetTableDataByName(benchmark::State &state) {
    InitTableDefnList();
    const auto tables = static_cast<int>(state.range(0));
    // Names of one length, so that only the number of tables differs.
    auto name = [](int i) {
        char text[16];
        snprintf(text, sizeof text, "table_%04d", i);
        return std::string(text);
    };
    for (int i = 0; i < tables; ++i) {
        DefineTable(name(i));
    }
    // The last one registered: a list walk would have to pass all the others.
    std::string wanted = name(tables - 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetTableDataByName(wanted.c_str()));
    }
    state.SetItemsProcessed(state.iterations());
    DropTables();
}
BENCHMARK(BM_GetTableDataByName)->Arg(10)->Arg(1000);

FW_BENCH_RATIO("BM_AddNewRow/1000000", "BM_AddNewRow/10000");
FW_BENCH_RATIO("BM_AddNewRow/100000", "BM_AddNewRow/10000");
FW_BENCH_RATIO("BM_GetTableDataByName/1000", "BM_GetTableDataByName/10");

}  // namespace

FW_BENCH_MAIN()
