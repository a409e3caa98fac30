/*
 * mem_allocator.h - the source of the memory pools' nodes: blocks in size
 * classes of 4096 bytes, kept on free lists for reuse.
 *
 * Conventions
 * - A node is one block from malloc with its MemNode header at the start; its
 *   size (header included) is a multiple of 4096 bytes and at least 8192. Its
 *   size class is size / 4096 - 1.
 * - Free list k (1 to 19) holds free nodes of class k; list 0 holds those of
 *   class 20 and above. Freed nodes are kept for reuse until the allocator is
 *   destroyed, unless a cap (maxFreeIndex, in pages) is set: then nodes that
 *   would exceed it go back to the system.
 * - The allocator's calls are safe from any thread: the free lists of every
 *   allocator are changed under one process-wide guard, which the pools also
 *   take to link and unlink themselves.
 * - Results are 1 (true) and 0 (false), or a pointer that is NULL on failure;
 *   nothing is logged for a failed allocation.
 */
#ifndef FW_DATALAYER_MEMSTORE_MEM_ALLOCATOR_H
#define FW_DATALAYER_MEMSTORE_MEM_ALLOCATOR_H

#include <stddef.h>
#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

#define MEM_PAGE_SIZE 4096
#define MEM_MIN_NODE_SIZE 8192
#define MEM_FREE_LISTS 20

struct MemPool;

typedef struct MemNode {
    struct MemNode *next; /* next in a free list, or in a pool's ring */
    struct MemNode *prev; /* previous in a pool's ring */
    uint32_t index;       /* size class */
    uint32_t freeIndex;   /* whole free pages left, kept by pools for ordering */
    char *firstAvail;     /* first free byte */
    char *endp;           /* one past the block's last byte */
} MemNode;

/* The header's size as the nodes lay it out (a multiple of 8, so the memory
 * after it keeps 8-byte alignment). */
#define MEM_NODE_HEADER_SIZE ((sizeof(MemNode) + 7u) & ~(size_t)7u)

typedef struct MemAllocator {
    uint32_t maxIndex;         /* highest class whose free list may be non-empty */
    uint32_t maxFreeIndex;     /* cap in pages on what is kept; 0: no cap */
    uint32_t currentFreeIndex; /* pages that may still be kept under the cap */
    struct MemPool *owner;     /* the pool whose destruction destroys the allocator */
    MemNode *free[MEM_FREE_LISTS];
} MemAllocator;

/* Stores a new allocator (calloc, every counter 0, no owner) in *allocator:
 * 1; 0 when memory runs out. Release it with DestroyMemAllocator. */
FW_API int CreateMemAllocator(MemAllocator **allocator);

/* Releases every node on every free list, then the allocator. Nodes still
 * in use by pools are not touched. Nothing for NULL. */
FW_API void DestroyMemAllocator(MemAllocator *allocator);

/* A node with at least size bytes after its header: from the free lists when
 * one fits, else new from malloc. next is NULL, firstAvail just after the
 * header, endp the end of the block. NULL when memory runs out or size is
 * too large to be a block. The node goes back with MemAllocatorFree. */
FW_API MemNode *MemAllocatorAlloc(MemAllocator *allocator, size_t size);

/* Takes back the chain of nodes linked by next that starts at firstNode. */
FW_API void MemAllocatorFree(MemAllocator *allocator, MemNode *firstNode);

FW_END_DECLS

#endif /* FW_DATALAYER_MEMSTORE_MEM_ALLOCATOR_H */
