// The memory store's containers against the standard ones:
// - MemPoolAlloc of small blocks, released with one ClearMemPool, against
//   malloc of the same blocks, each released with free;
// - HashTablePut and HashTableGet of 10 000 keys in the 100 buckets the data
//   objects use, against std::unordered_map (which grows its buckets). The
//   bucket count is fixed by the table's users, so the ratio shows what long
//   chains cost.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/ratio_main.hpp"
#include "datalayer/memstore/hash_table.h"
#include "datalayer/memstore/mem_pool.h"

namespace {

constexpr int kBlocks = 1000;
constexpr size_t kSizes[] = {8, 24, 40, 64};

void BM_MemPoolAlloc(benchmark::State &state) {
    InitializeMemPool();
    MemPool *pool = nullptr;
    CreateMemPool(&pool, nullptr, nullptr);
    for (auto _ : state) {
        for (int i = 0; i < kBlocks; ++i) {
            benchmark::DoNotOptimize(MemPoolAlloc(pool, kSizes[i % 4]));
        }
        ClearMemPool(pool);
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
    DestroyMemPool(pool);
    TerminateMemPool();
}
BENCHMARK(BM_MemPoolAlloc);

void BM_Malloc(benchmark::State &state) {
    std::vector<void *> blocks(kBlocks);
    for (auto _ : state) {
        for (int i = 0; i < kBlocks; ++i) {
            blocks[static_cast<size_t>(i)] = malloc(kSizes[i % 4]);
            benchmark::DoNotOptimize(blocks[static_cast<size_t>(i)]);
        }
        for (void *block : blocks) {
            free(block);
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_Malloc);

constexpr int kKeys = 10000;
constexpr int kBuckets = 100;

const std::vector<std::string> &Keys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        for (int i = 0; i < kKeys; ++i) {
            k.push_back("Sequence_" + std::to_string(i));
        }
        return k;
    }();
    return keys;
}

void BM_HashTablePut(benchmark::State &state) {
    const auto &keys = Keys();
    for (auto _ : state) {
        HashTable table;
        HashTableInit(&table, kBuckets);
        for (const std::string &key : keys) {
            HashTablePut(&table, key.c_str(), const_cast<std::string *>(&key));
        }
        state.PauseTiming();
        HashTableFree(&table);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_HashTablePut)->Unit(benchmark::kMicrosecond);

void BM_UnorderedMapPut(benchmark::State &state) {
    const auto &keys = Keys();
    for (auto _ : state) {
        std::unordered_map<std::string, const void *> map;
        for (const std::string &key : keys) {
            map[key.c_str()] = &key;
        }
        state.PauseTiming();
        map.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_UnorderedMapPut)->Unit(benchmark::kMicrosecond);

void BM_HashTableGet(benchmark::State &state) {
    const auto &keys = Keys();
    HashTable table;
    HashTableInit(&table, kBuckets);
    for (const std::string &key : keys) {
        HashTablePut(&table, key.c_str(), const_cast<std::string *>(&key));
    }
    for (auto _ : state) {
        for (const std::string &key : keys) {
            benchmark::DoNotOptimize(HashTableGet(&table, key.c_str()));
        }
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
    HashTableFree(&table);
}
BENCHMARK(BM_HashTableGet)->Unit(benchmark::kMicrosecond);

// Looked up by const char *, as the table is, so each lookup builds its key.
void BM_UnorderedMapGet(benchmark::State &state) {
    const auto &keys = Keys();
    std::unordered_map<std::string, const void *> map;
    for (const std::string &key : keys) {
        map[key] = &key;
    }
    for (auto _ : state) {
        for (const std::string &key : keys) {
            benchmark::DoNotOptimize(map.find(key.c_str()));
        }
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_UnorderedMapGet)->Unit(benchmark::kMicrosecond);

FW_BENCH_RATIO("BM_MemPoolAlloc", "BM_Malloc");
FW_BENCH_RATIO("BM_HashTablePut", "BM_UnorderedMapPut");
FW_BENCH_RATIO("BM_HashTableGet", "BM_UnorderedMapGet");

}  // namespace

FW_BENCH_MAIN()
