// The cost of one execute of a trivial command (/bin/true, logged at the
// agent's default level as in a real run), against posix_spawn + waitpid of
// the same command in a plain loop.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "agent/log.h"
#include "bench/ratio_main.hpp"
#include "uninstaller/process_runner.h"

extern char **environ;

namespace {

std::string g_dir;

void OpenLog(const benchmark::State &) {
    char pattern[] = "/tmp/fwbench.XXXXXX";
    g_dir = mkdtemp(pattern);
    InitLogDefaults();
    SetLogParams("execute.log", g_dir.c_str(), 2);
    OpenLogTruncate();
}

void CloseAndRemoveLog(const benchmark::State &) {
    CloseLog();
    FreeLogParams();
    std::string command = "rm -rf '" + g_dir + "'";
    if (system(command.c_str()) != 0) {
        fprintf(stderr, "could not remove %s\n", g_dir.c_str());
    }
}

void BM_Execute(benchmark::State &state) {
    for (auto _ : state) {
        char command[] = "/bin/true";
        char *remarks = nullptr;
        benchmark::DoNotOptimize(execute(nullptr, command, &remarks, 30, 0));
        free(remarks);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Execute)->Setup(OpenLog)->Teardown(CloseAndRemoveLog)->UseRealTime();

void BM_PosixSpawnWait(benchmark::State &state) {
    char program[] = "/bin/true";
    char *argv[] = {program, nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        posix_spawn(&pid, program, nullptr, nullptr, argv, environ);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PosixSpawnWait)->UseRealTime();

FW_BENCH_RATIO("BM_Execute/real_time", "BM_PosixSpawnWait/real_time");

}  // namespace

FW_BENCH_MAIN()
