// Appending to an unsorted Vector (a locked call and a node from calloc per
// element) against a plain singly linked list appended through its tail with
// a node from malloc and no lock. Time per element must stay flat from
// 10 000 to 1 000 000 elements: appending goes through the tail.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "bench/ratio_main.hpp"
#include "util/vector.h"

namespace {

void BM_AddElementValue(benchmark::State &state) {
    const int64_t count = state.range(0);
    for (auto _ : state) {
        Vector vector;
        InitVector(&vector, nullptr);
        for (int64_t i = 0; i < count; ++i) {
            AddElementValue(&vector, reinterpret_cast<void *>(i));
        }
        benchmark::DoNotOptimize(vector.tail);
        state.PauseTiming();
        FreeVector(&vector);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_AddElementValue)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

struct PlainNode {
    void *element;
    PlainNode *next;
};

void BM_PlainListAppend(benchmark::State &state) {
    const int64_t count = state.range(0);
    for (auto _ : state) {
        PlainNode *head = nullptr;
        PlainNode *tail = nullptr;
        for (int64_t i = 0; i < count; ++i) {
            auto *node = static_cast<PlainNode *>(malloc(sizeof(PlainNode)));
            node->element = reinterpret_cast<void *>(i);
            node->next = nullptr;
            (tail != nullptr ? tail->next : head) = node;
            tail = node;
        }
        benchmark::DoNotOptimize(tail);
        state.PauseTiming();
        while (head != nullptr) {
            PlainNode *next = head->next;
            free(head);
            head = next;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_PlainListAppend)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

FW_BENCH_RATIO("BM_AddElementValue/10000", "BM_PlainListAppend/10000");
FW_BENCH_RATIO("BM_AddElementValue/100000", "BM_PlainListAppend/100000");
FW_BENCH_RATIO("BM_AddElementValue/1000000", "BM_PlainListAppend/1000000");

}  // namespace

FW_BENCH_MAIN()
