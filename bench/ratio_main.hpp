// ratio_main.hpp - a main for the benchmark programs that prints, after the
// usual table, each measured benchmark beside its reference as a ratio.
//
// A program registers its pairs with FW_BENCH_RATIO(ours, reference): the two
// run names as Google Benchmark prints them (for example
// "BM_LogRecord/threads:2"). The ratio is ours' time per item over the
// reference's: 1.00 means as fast, 2.00 twice as slow.
#ifndef FW_BENCH_RATIO_MAIN_HPP
#define FW_BENCH_RATIO_MAIN_HPP

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fw::bench {

inline std::vector<std::pair<std::string, std::string>> &RatioPairs() {
    static std::vector<std::pair<std::string, std::string>> pairs;
    return pairs;
}

struct RatioRegistrar {
    RatioRegistrar(const char *ours, const char *reference) {
        RatioPairs().emplace_back(ours, reference);
    }
};

// Keeps items per second (or, without items, iterations per second of real
// time) of every run while the console reporter prints as usual.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            auto items = run.counters.find("items_per_second");
            double rate = items != run.counters.end()
                              ? static_cast<double>(items->second)
                              : run.iterations / run.GetAdjustedRealTime() *
                                    benchmark::GetTimeUnitMultiplier(run.time_unit);
            rates_[run.benchmark_name()] = rate;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        bool header = false;
        for (const auto &[ours, reference] : RatioPairs()) {
            auto a = rates_.find(ours);
            auto b = rates_.find(reference);
            if (a == rates_.end() || b == rates_.end()) {
                continue;  // filtered out of this run
            }
            if (!header) {
                printf("\n%-48s %-40s %14s %14s %7s\n", "benchmark", "reference", "ours/s", "ref/s",
                       "ratio");
                header = true;
            }
            printf("%-48s %-40s %14.0f %14.0f %7.2f\n", ours.c_str(), reference.c_str(), a->second,
                   b->second, b->second / a->second);
        }
    }

  private:
    std::map<std::string, double> rates_;
};

}  // namespace fw::bench

#define FW_BENCH_CONCAT_(a, b) a##b
#define FW_BENCH_CONCAT(a, b) FW_BENCH_CONCAT_(a, b)
#define FW_BENCH_RATIO(ours, reference) \
    static ::fw::bench::RatioRegistrar FW_BENCH_CONCAT(g_ratio_, __LINE__)(ours, reference)

#define FW_BENCH_MAIN()                               \
    int main(int argc, char **argv) {                 \
        benchmark::Initialize(&argc, argv);           \
        ::fw::bench::CollectingReporter reporter;     \
        benchmark::RunSpecifiedBenchmarks(&reporter); \
        reporter.PrintRatios();                       \
        benchmark::Shutdown();                        \
        return 0;                                     \
    }

#endif
