/*
 * mem_pool.h - region allocators: memory taken from a pool by a pointer bump
 * and released only with the whole pool.
 *
 * Conventions
 * - Pools form a tree below one global root pool, which InitializeMemPool
 *   creates with the global allocator. Destroying or clearing a pool
 *   destroys its children first.
 * - A pool's nodes form a ring: active (the node allocations come from)
 *   first, the others after it by decreasing whole free pages. The MemPool
 *   record lives at the start of the pool's first node (8192 bytes in all),
 *   so it goes with the pool.
 * - Memory from a pool is 8-byte aligned, not zeroed unless said, and valid
 *   until the pool (or an ancestor) is cleared or destroyed; it is never
 *   freed piece by piece.
 * - Threads: one pool is used by one thread at a time (MemPoolAlloc,
 *   ClearMemPool and DestroyMemPool on the same pool are not serialised).
 *   Different pools may be used from different threads at once: the shared
 *   allocator and the links between pools are guarded inside.
 * - Results are 1 (true) and 0 (false), or a pointer that is NULL on failure;
 *   nothing is logged for a failed allocation.
 */
#ifndef FW_DATALAYER_MEMSTORE_MEM_POOL_H
#define FW_DATALAYER_MEMSTORE_MEM_POOL_H

#include <stddef.h>

#include "datalayer/memstore/mem_allocator.h"
#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct MemPool {
    struct MemPool *parent;  /* NULL for a root */
    struct MemPool *child;   /* first child */
    struct MemPool *sibling; /* next child of the same parent */
    struct MemPool **ref;    /* the link that points at this pool */
    MemAllocator *allocator; /* where the nodes come from */
    MemNode *active;         /* node allocations are served from */
    MemNode *self;           /* node that holds this record */
    char *selfFirstAvail;    /* first byte after this record in self */
} MemPool;

/* Reference-counted start-up of the global allocator and root pool: the
 * first call creates them, later ones only count. 1; 0 when memory runs out
 * (the count stays 0 and nothing is left allocated). Safe from any thread. */
FW_API int InitializeMemPool(void);

/* Reference-counted shut-down: the call that brings the count to 0 destroys
 * the root pool with every pool below it, and the global allocator. 1; 0
 * when not initialised. Safe from any thread. */
FW_API int TerminateMemPool(void);

/* The global root pool, or NULL when not initialised. */
FW_API MemPool *GetRootMemPool(void);

/* Creates a pool below parent (NULL: the global root) drawing from allocator
 * (NULL: the parent's) and stores it in *pool: 1. 0 when memory runs out, and
 * after an ERROR record when there is no allocator to draw from (NULL parent
 * and allocator before InitializeMemPool). The pool goes with
 * DestroyMemPool, or with its parent. */
FW_API int CreateMemPool(MemPool **pool, MemPool *parent, MemAllocator *allocator);

/* size bytes (rounded up to a multiple of 8), 8-byte aligned, not zeroed;
 * NULL when memory runs out. */
FW_API void *MemPoolAlloc(MemPool *pool, size_t size);

/* A copy of text in the pool, NUL included; NULL for NULL text. */
FW_API char *MemPoolStrdup(MemPool *pool, const char *text);

/* A copy of length bytes in the pool followed by a zero byte; NULL when bytes
 * is NULL with a positive length. */
FW_API void *MemPoolMemdup(MemPool *pool, const void *bytes, size_t length);

/* Destroys the children, gives every node but the first back to the
 * allocator and makes the pool empty again; the pool itself stays. */
FW_API void ClearMemPool(MemPool *pool);

/* Destroys the children, unlinks the pool from its parent and gives all its
 * nodes (the record included) back to the allocator; destroys the allocator
 * too when the pool is its owner. Nothing for NULL. */
FW_API void DestroyMemPool(MemPool *pool);

/* 1 when a is NULL, is b, or is found by following b's parents. */
FW_API int MemPoolIsAncestor(const MemPool *a, const MemPool *b);

FW_END_DECLS

#endif /* FW_DATALAYER_MEMSTORE_MEM_POOL_H */
