#include "datalayer/memstore/hash_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int g_values[8];

std::vector<std::string> Keys(const HashTable &table) {
    char **keys = HashTableKeys(&table);
    std::vector<std::string> result;
    for (char **key = keys; *key != nullptr; ++key) {
        result.emplace_back(*key);
    }
    free(keys);
    return result;
}

class HashTableTest : public ::testing::Test {
  protected:
    // Ten buckets: "a" (97) and "k" (107) both fall into bucket 7, "ab"
    // ((97 * 26 + 98) mod 10) into bucket 0, "b" into bucket 8.
    void SetUp() override { ASSERT_EQ(1, HashTableInit(&table_, 0)); }
    void TearDown() override { HashTableFree(&table_); }
    HashTable table_ = {nullptr, 0};
};

TEST_F(HashTableTest, ZeroBucketsMeansTen) {
    EXPECT_EQ(10, table_.bucketCount);
    for (int b = 0; b < 10; ++b) {
        ASSERT_NE(nullptr, table_.buckets[b]);
        EXPECT_EQ(nullptr, table_.buckets[b]->key);
    }
    HashTable refused = {nullptr, 0};
    EXPECT_EQ(0, HashTableInit(&refused, -1));
    EXPECT_EQ(std::vector<std::string>{}, Keys(table_));  // only the ending NULL
    EXPECT_EQ(0, HashTableCount(&table_));
}

TEST_F(HashTableTest, KeysComeBucketByBucketInChainOrder) {
    for (const char *key : {"k", "b", "a", "ab"}) {
        ASSERT_EQ(1, HashTablePut(&table_, key, &g_values[0]));
    }
    EXPECT_EQ((std::vector<std::string>{"ab", "k", "a", "b"}), Keys(table_));
    EXPECT_STREQ("k", table_.buckets[7]->key);
    EXPECT_STREQ("a", table_.buckets[7]->next->key);
    EXPECT_EQ(4, HashTableCount(&table_));
}

TEST_F(HashTableTest, CollidingKeysAreBothFoundAndReplaceKeepsTheCount) {
    HashTablePut(&table_, "a", &g_values[0]);
    HashTablePut(&table_, "k", &g_values[1]);
    EXPECT_EQ(&g_values[0], HashTableGet(&table_, "a"));
    EXPECT_EQ(&g_values[1], HashTableGet(&table_, "k"));
    EXPECT_EQ(nullptr, HashTableGet(&table_, "K"));  // case counts
    EXPECT_EQ(nullptr, HashTableGet(&table_, "u"));  // bucket 7, not in the chain

    HashEntry *entry = HashTableGetEntry(&table_, "k");
    ASSERT_EQ(1, HashTablePut(&table_, "k", &g_values[2]));
    EXPECT_EQ(entry, HashTableGetEntry(&table_, "k"));
    EXPECT_EQ(&g_values[2], HashTableGet(&table_, "k"));
    EXPECT_EQ(2, HashTableCount(&table_));

    ASSERT_EQ(1, HashTablePut(&table_, "n", nullptr));
    EXPECT_EQ(1, HashTableContains(&table_, "n"));  // present without a value
    EXPECT_EQ(nullptr, HashTableGet(&table_, "n"));
    EXPECT_EQ(0, HashTableContains(&table_, "zz"));
}

TEST_F(HashTableTest, RemoveAtHeadAndInTheChain) {
    HashTablePut(&table_, "a", &g_values[0]);
    HashTablePut(&table_, "k", &g_values[1]);
    HashTablePut(&table_, "u", &g_values[2]);  // 117: bucket 7 too
    HashEntry *second = HashTableGetEntry(&table_, "k");

    ASSERT_EQ(1, HashTableRemove(&table_, "a"));  // the head: its successor takes over
    EXPECT_EQ(second, table_.buckets[7]);
    EXPECT_EQ(nullptr, HashTableGet(&table_, "a"));
    EXPECT_EQ(&g_values[2], HashTableGet(&table_, "u"));

    ASSERT_EQ(1, HashTableRemove(&table_, "u"));  // in the chain
    EXPECT_EQ(nullptr, table_.buckets[7]->next);
    EXPECT_EQ(0, HashTableRemove(&table_, "u"));
    EXPECT_EQ(0, HashTableRemove(&table_, "e"));  // 101: bucket 1, empty

    ASSERT_EQ(1, HashTableRemove(&table_, "k"));  // the only key: an empty head stays
    EXPECT_EQ(nullptr, table_.buckets[7]->key);
    EXPECT_EQ(0, HashTableCount(&table_));
    ASSERT_EQ(1, HashTablePut(&table_, "a", &g_values[3]));
    EXPECT_EQ(&g_values[3], HashTableGet(&table_, "a"));
}

TEST_F(HashTableTest, MergeFillsOnlyWhatTheTargetLacks) {
    HashTable source = {nullptr, 0};
    ASSERT_EQ(1, HashTableInit(&source, 50));
    HashTablePut(&source, "a", &g_values[0]);
    HashTablePut(&source, "b", &g_values[1]);
    HashTablePut(&source, "c", &g_values[2]);
    HashTablePut(&table_, "a", &g_values[5]);  // mapped: kept
    HashTablePut(&table_, "b", nullptr);       // present without a value: filled

    ASSERT_EQ(1, HashTableMerge(&source, &table_));
    EXPECT_EQ(&g_values[5], HashTableGet(&table_, "a"));
    EXPECT_EQ(&g_values[1], HashTableGet(&table_, "b"));
    EXPECT_EQ(&g_values[2], HashTableGet(&table_, "c"));
    EXPECT_EQ(3, HashTableCount(&table_));
    EXPECT_EQ(3, HashTableCount(&source));  // the source is not changed

    EXPECT_EQ(0, HashTableMerge(nullptr, &table_));
    EXPECT_EQ(0, HashTableMerge(&source, nullptr));
    HashTableFree(&source);
}

TEST_F(HashTableTest, ManyKeysInFewBuckets) {
    HashTable table = {nullptr, 0};
    ASSERT_EQ(1, HashTableInit(&table, 100));
    std::vector<std::string> keys;
    for (int i = 0; i < 5000; ++i) {
        keys.push_back("key" + std::to_string(i));
        ASSERT_EQ(1, HashTablePut(&table, keys.back().c_str(), &g_values[i % 8]));
    }
    EXPECT_EQ(5000, HashTableCount(&table));
    for (int i = 0; i < 5000; i += 7) {
        EXPECT_EQ(&g_values[i % 8], HashTableGet(&table, keys[static_cast<size_t>(i)].c_str()));
    }
    for (int i = 0; i < 5000; i += 2) {
        ASSERT_EQ(1, HashTableRemove(&table, keys[static_cast<size_t>(i)].c_str()));
    }
    EXPECT_EQ(2500, HashTableCount(&table));
    EXPECT_EQ(nullptr, HashTableGet(&table, "key0"));
    EXPECT_EQ(&g_values[1], HashTableGet(&table, "key1"));
    HashTableFree(&table);
}

// The bucket is (h * 26 + byte) mod bucketCount taken after every byte,
// whatever the key's length and the bucket count.
TEST(HashTableBuckets, LongKeysLandWhereThePerByteFormulaSays) {
    const std::string keys[] = {"a", std::string(40, '\xFF'), "Sequence_123456789012345678901234",
                                std::string(200, 'z') + "tail"};
    for (int32_t count : {1, 7, 50, 100, 65521}) {
        HashTable table = {nullptr, 0};
        ASSERT_EQ(1, HashTableInit(&table, count));
        for (const std::string &key : keys) {
            SCOPED_TRACE(std::to_string(count) + " " + key.substr(0, 12));
            uint64_t h = 0;
            for (unsigned char c : key) {
                h = (h * 26 + c) % static_cast<uint64_t>(count);
            }
            ASSERT_EQ(1, HashTablePut(&table, key.c_str(), nullptr));
            bool found = false;
            for (HashEntry *e = table.buckets[h]; e != nullptr && e->key != nullptr; e = e->next) {
                found = found || key == e->key;
            }
            EXPECT_TRUE(found);
            EXPECT_EQ(1, HashTableContains(&table, key.c_str()));
        }
        HashTableFree(&table);
    }
}

TEST(HashTableUnready, CallsOnAnEmptyRecordAreHarmless) {
    HashTable table = {nullptr, 0};
    EXPECT_EQ(0, HashTablePut(&table, "a", nullptr));
    EXPECT_EQ(nullptr, HashTableGet(&table, "a"));
    EXPECT_EQ(0, HashTableRemove(&table, "a"));
    EXPECT_EQ(0, HashTableCount(&table));
    HashTableFree(&table);
    HashTableFree(nullptr);
    EXPECT_EQ(nullptr, HashTableGet(nullptr, "a"));
}

}  // namespace
