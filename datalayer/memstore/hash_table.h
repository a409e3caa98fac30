/*
 * hash_table.h - a string-keyed table with a fixed number of buckets and
 * separate chaining.
 *
 * Conventions
 * - The HashTable record belongs to the caller (embed it or allocate it);
 *   HashTableInit gives it its buckets and HashTableFree takes them back.
 *   Every bucket always has a head entry; a bucket is empty when its head's
 *   key is NULL. Entries after the head are allocated one by one.
 * - Keys are copied into the table (malloc) and compared byte-wise, case
 *   included; a key occurs at most once. Values are the caller's: the table
 *   never frees or copies them.
 * - The bucket of a key: h = 0, then h = (h * 26 + byte) mod bucketCount for
 *   every byte. The table never grows and never rehashes.
 * - Results are 1 (true) and 0 (false). A failed allocation leaves the table
 *   as it was; nothing is logged for it. An absent table or key gives 0 or
 *   NULL.
 * - No call locks: a table is used by one thread at a time.
 */
#ifndef FW_DATALAYER_MEMSTORE_HASH_TABLE_H
#define FW_DATALAYER_MEMSTORE_HASH_TABLE_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

#define HASH_TABLE_DEFAULT_BUCKETS 10

typedef struct HashEntry {
    char *key;   /* owned copy; NULL in an empty bucket head */
    void *value; /* the caller's */
    struct HashEntry *next;
    uint32_t digest; /* kept by the table: a hash of key, so that a chain walk
                        compares only keys that may be equal */
} HashEntry;

typedef struct HashTable {
    HashEntry **buckets; /* owned; one head entry per bucket */
    int32_t bucketCount;
} HashTable;

/* Gives table bucketCount empty buckets (0 means 10): 1; 0 for a negative
 * count or when memory runs out (nothing is left allocated). */
FW_API int HashTableInit(HashTable *table, int32_t bucketCount);

/* Puts key with value: a new key is appended to its bucket's chain, a
 * present key gets the new value (the old one is not freed). 1; 0 when the
 * key copy cannot be allocated. */
FW_API int HashTablePut(HashTable *table, const char *key, void *value);

/* The key's value, or NULL when the key is absent. */
FW_API void *HashTableGet(const HashTable *table, const char *key);

/* The key's entry itself (it belongs to the table), or NULL. */
FW_API HashEntry *HashTableGetEntry(const HashTable *table, const char *key);

/* 1 when the key is present (even with a NULL value). */
FW_API int HashTableContains(const HashTable *table, const char *key);

/* Removes the key: its entry and key copy are freed, the value is not. A
 * removed head's successor becomes the bucket's head. 0 when absent. */
FW_API int HashTableRemove(HashTable *table, const char *key);

/* The number of keys, counted by walking every chain. */
FW_API int HashTableCount(const HashTable *table);

/* A new array (malloc) of HashTableCount + 1 key pointers, bucket by bucket
 * from bucket 0 and in chain order, ended by NULL. The pointers are the
 * table's own key copies: the caller frees the array only. NULL when memory
 * runs out. */
FW_API char **HashTableKeys(const HashTable *table);

/* Frees every entry, key copy and the bucket array; values are not touched.
 * The table is left with no buckets (HashTableInit may be called again). */
FW_API void HashTableFree(HashTable *table);

/* Puts every key of source (in HashTableKeys order) whose HashTableGet in
 * target is NULL (absent, or present without a value) into target with the
 * source's value; values are shared, not copied. 1; 0 when either table is
 * absent or memory runs out (target is then as it was). */
FW_API int HashTableMerge(const HashTable *source, HashTable *target);

FW_END_DECLS

#endif /* FW_DATALAYER_MEMSTORE_HASH_TABLE_H */
