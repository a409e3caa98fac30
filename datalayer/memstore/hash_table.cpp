#include "datalayer/memstore/hash_table.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

bool Usable(const HashTable *table, const char *key) {
    return table != nullptr && table->buckets != nullptr && table->bucketCount > 0 &&
           key != nullptr;
}

// The bucket (h = (h * 26 + byte) mod bucketCount, byte by byte) and a
// digest of the key, in one pass. Reducing only when h grows large gives the
// same bucket as reducing after every byte, without a division per byte.
struct KeyHash {
    uint64_t bucket;
    uint32_t digest;
};

KeyHash HashKey(const HashTable *table, const char *key) {
    constexpr uint64_t kReduceAbove = uint64_t{1} << 58;  // h * 26 + 255 stays below 2^64
    const auto count = static_cast<uint64_t>(table->bucketCount);
    uint64_t h = 0;
    uint32_t digest = 2166136261u;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(key); *p != 0; ++p) {
        h = h * 26 + *p;
        if (h >= kReduceAbove) {
            h %= count;
        }
        digest = (digest ^ *p) * 16777619u;
    }
    return {h % count, digest};
}

HashEntry *&BucketOf(const HashTable *table, const KeyHash &hash) {
    return table->buckets[hash.bucket];
}

HashEntry *Find(const HashTable *table, const char *key) {
    if (!Usable(table, key)) {
        return nullptr;
    }
    KeyHash hash = HashKey(table, key);
    HashEntry *head = BucketOf(table, hash);
    if (head->key == nullptr) {
        return nullptr;
    }
    for (HashEntry *entry = head; entry != nullptr; entry = entry->next) {
        if (entry->digest == hash.digest && strcmp(entry->key, key) == 0) {
            return entry;
        }
    }
    return nullptr;
}

template <class Visit>
void ForEachEntry(const HashTable *table, Visit visit) {
    for (int32_t b = 0; b < table->bucketCount; ++b) {
        HashEntry *head = table->buckets[b];
        if (head->key == nullptr) {
            continue;
        }
        for (HashEntry *entry = head; entry != nullptr; entry = entry->next) {
            visit(entry);
        }
    }
}

}  // namespace

int HashTableInit(HashTable *table, int32_t bucketCount) {
    if (table == nullptr || bucketCount < 0) {
        return 0;
    }
    if (bucketCount == 0) {
        bucketCount = HASH_TABLE_DEFAULT_BUCKETS;
    }
    auto **buckets =
        static_cast<HashEntry **>(calloc(static_cast<size_t>(bucketCount), sizeof(HashEntry *)));
    if (buckets == nullptr) {
        return 0;
    }
    for (int32_t b = 0; b < bucketCount; ++b) {
        buckets[b] = static_cast<HashEntry *>(calloc(1, sizeof(HashEntry)));
        if (buckets[b] == nullptr) {
            for (int32_t i = 0; i < b; ++i) {
                free(buckets[i]);
            }
            free(buckets);
            return 0;
        }
    }
    table->buckets = buckets;
    table->bucketCount = bucketCount;
    return 1;
}

int HashTablePut(HashTable *table, const char *key, void *value) {
    if (!Usable(table, key)) {
        return 0;
    }
    KeyHash hash = HashKey(table, key);
    HashEntry *head = BucketOf(table, hash);
    if (head->key == nullptr) {
        head->key = strdup(key);
        if (head->key == nullptr) {
            return 0;
        }
        head->value = value;
        head->digest = hash.digest;
        return 1;
    }
    HashEntry *last = head;
    for (HashEntry *entry = head; entry != nullptr; entry = entry->next) {
        if (entry->digest == hash.digest && strcmp(entry->key, key) == 0) {
            entry->value = value;
            return 1;
        }
        last = entry;
    }
    auto *entry = static_cast<HashEntry *>(calloc(1, sizeof(HashEntry)));
    if (entry == nullptr) {
        return 0;
    }
    entry->key = strdup(key);
    if (entry->key == nullptr) {
        free(entry);
        return 0;
    }
    entry->value = value;
    entry->digest = hash.digest;
    last->next = entry;
    return 1;
}

void *HashTableGet(const HashTable *table, const char *key) {
    HashEntry *entry = Find(table, key);
    return entry != nullptr ? entry->value : nullptr;
}

HashEntry *HashTableGetEntry(const HashTable *table, const char *key) {
    return Find(table, key);
}

int HashTableContains(const HashTable *table, const char *key) {
    return Find(table, key) != nullptr;
}

int HashTableRemove(HashTable *table, const char *key) {
    if (!Usable(table, key)) {
        return 0;
    }
    KeyHash hash = HashKey(table, key);
    HashEntry *&head = BucketOf(table, hash);
    if (head->key == nullptr) {
        return 0;
    }
    if (head->digest == hash.digest && strcmp(head->key, key) == 0) {
        HashEntry *removed = head;
        if (removed->next != nullptr) {
            head = removed->next;
            free(removed->key);
            free(removed);
        } else {
            free(removed->key);
            removed->key = nullptr;
            removed->value = nullptr;
        }
        return 1;
    }
    for (HashEntry *previous = head; previous->next != nullptr; previous = previous->next) {
        HashEntry *entry = previous->next;
        if (entry->digest == hash.digest && strcmp(entry->key, key) == 0) {
            previous->next = entry->next;
            free(entry->key);
            free(entry);
            return 1;
        }
    }
    return 0;
}

int HashTableCount(const HashTable *table) {
    if (table == nullptr || table->buckets == nullptr) {
        return 0;
    }
    int count = 0;
    ForEachEntry(table, [&count](HashEntry *) { ++count; });
    return count;
}

char **HashTableKeys(const HashTable *table) {
    int count = HashTableCount(table);
    auto **keys = static_cast<char **>(calloc(static_cast<size_t>(count) + 1, sizeof(char *)));
    if (keys == nullptr || count == 0) {
        return keys;
    }
    int i = 0;
    ForEachEntry(table, [&](HashEntry *entry) { keys[i++] = entry->key; });
    return keys;
}

void HashTableFree(HashTable *table) {
    if (table == nullptr || table->buckets == nullptr) {
        return;
    }
    for (int32_t b = 0; b < table->bucketCount; ++b) {
        HashEntry *entry = table->buckets[b];
        while (entry != nullptr) {
            HashEntry *next = entry->next;
            free(entry->key);
            free(entry);
            entry = next;
        }
    }
    free(table->buckets);
    table->buckets = nullptr;
    table->bucketCount = 0;
}

int HashTableMerge(const HashTable *source, HashTable *target) {
    if (source == nullptr || target == nullptr || source->buckets == nullptr ||
        target->buckets == nullptr) {
        return 0;
    }
    // What the merge changed, so that a failed allocation can be undone.
    struct Change {
        const char *key;
        bool added;
    };
    std::vector<Change> changes;
    bool failed = false;
    try {
        ForEachEntry(source, [&](HashEntry *entry) {
            if (failed || HashTableGet(target, entry->key) != nullptr) {
                return;
            }
            bool added = !HashTableContains(target, entry->key);
            changes.push_back({entry->key, added});
            if (HashTablePut(target, entry->key, entry->value) == 0) {
                changes.pop_back();
                failed = true;
            }
        });
    } catch (const std::bad_alloc &) {
        failed = true;
    }
    if (!failed) {
        return 1;
    }
    for (const Change &change : changes) {
        if (change.added) {
            HashTableRemove(target, change.key);
        } else {
            HashTableGetEntry(target, change.key)->value = nullptr;
        }
    }
    return 0;
}
