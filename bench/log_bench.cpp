// Log records per second through the log writer (address lock, time stamp,
// thread id, flush per record), against a plain loop that formats the same
// record and writes it to a file with no lock of its own.
#include <benchmark/benchmark.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "agent/log.h"
#include "bench/ratio_main.hpp"
#include "platform/sync.h"

namespace {

std::string g_dir;
FILE *g_plainFile = nullptr;

void MakeDir() {
    char pattern[] = "/tmp/fwbench.XXXXXX";
    g_dir = mkdtemp(pattern);
}

void RemoveDir() {
    std::string command = "rm -rf '" + g_dir + "'";
    if (system(command.c_str()) != 0) {
        fprintf(stderr, "could not remove %s\n", g_dir.c_str());
    }
}

void OpenWriterLog(const benchmark::State &) {
    MakeDir();
    InitLogDefaults();
    SetLogParams("bench.log", g_dir.c_str(), 2);
    OpenLogTruncate();
}

void CloseWriterLog(const benchmark::State &) {
    CloseLog();
    FreeLogParams();
    RemoveDir();
}

void BM_LogRecord(benchmark::State &state) {
    int i = 0;
    for (auto _ : state) {
        LogError("execute : Exit code for the application : %d , remark %s \n", i++,
                 "The operation completed successfully.");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogRecord)
    ->Setup(OpenWriterLog)
    ->Teardown(CloseWriterLog)
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();

void OpenPlainFile(const benchmark::State &) {
    MakeDir();
    g_plainFile = fopen((g_dir + "/plain.log").c_str(), "w");
}

void ClosePlainFile(const benchmark::State &) {
    fclose(g_plainFile);
    RemoveDir();
}

// The same record, formatted the same way, flushed the same way; only the
// address lock and the writer's checks are missing.
void BM_PlainLoop(benchmark::State &state) {
    int i = 0;
    for (auto _ : state) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        struct tm local;
        localtime_r(&now.tv_sec, &local);
        char stamp[40];
        snprintf(stamp, sizeof stamp, "%d-%02d-%02d %02d:%02d:%02d:%03d", local.tm_year + 1900,
                 local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                 static_cast<int>(now.tv_nsec / 1000000));
        fprintf(g_plainFile, "[ %s ] [ %d ] %s ", stamp, PlatformThreadId(), "[ERROR]");
        fprintf(g_plainFile, "execute : Exit code for the application : %d , remark %s \n", i++,
                "The operation completed successfully.");
        fflush(g_plainFile);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainLoop)
    ->Setup(OpenPlainFile)
    ->Teardown(ClosePlainFile)
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();

FW_BENCH_RATIO("BM_LogRecord/real_time/threads:1", "BM_PlainLoop/real_time/threads:1");
FW_BENCH_RATIO("BM_LogRecord/real_time/threads:2", "BM_PlainLoop/real_time/threads:2");

}  // namespace

FW_BENCH_MAIN()
