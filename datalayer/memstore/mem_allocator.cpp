#include "datalayer/memstore/mem_allocator.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "datalayer/memstore/mem_guard.hpp"

namespace fw::memstore {

std::mutex &PoolGuard() {
    static std::mutex guard;
    return guard;
}

}  // namespace fw::memstore

namespace {

bool Capped(const MemAllocator *allocator) {
    return allocator->maxFreeIndex != 0;
}

void TakeOut(MemAllocator *allocator, MemNode *node) {
    if (Capped(allocator)) {
        uint64_t pages = uint64_t{allocator->currentFreeIndex} + node->index;
        allocator->currentFreeIndex = static_cast<uint32_t>(
            pages > allocator->maxFreeIndex ? allocator->maxFreeIndex : pages);
    }
    node->next = nullptr;
    node->firstAvail = reinterpret_cast<char *>(node) + MEM_NODE_HEADER_SIZE;
}

// Step 1 of a request: the exact fit among the small classes, or the first
// larger one, lowering maxIndex when its list runs empty.
MemNode *TakeFromSmallLists(MemAllocator *allocator, uint32_t index) {
    for (uint32_t k = index; k <= allocator->maxIndex; ++k) {
        MemNode *node = allocator->free[k];
        if (node == nullptr) {
            continue;
        }
        allocator->free[k] = node->next;
        if (node->next == nullptr && k == allocator->maxIndex) {
            uint32_t highest = k;
            while (highest > 0 && allocator->free[highest] == nullptr) {
                --highest;
            }
            allocator->maxIndex = highest;
        }
        return node;
    }
    return nullptr;
}

// Step 2: first fit in list 0, in list order.
MemNode *TakeFromLargeList(MemAllocator *allocator, uint32_t index) {
    MemNode **link = &allocator->free[0];
    for (MemNode *node = *link; node != nullptr; link = &node->next, node = node->next) {
        if (node->index >= index) {
            *link = node->next;
            return node;
        }
    }
    return nullptr;
}

}  // namespace

int CreateMemAllocator(MemAllocator **allocator) {
    if (allocator == nullptr) {
        return 0;
    }
    *allocator = static_cast<MemAllocator *>(calloc(1, sizeof(MemAllocator)));
    return *allocator != nullptr;
}

void DestroyMemAllocator(MemAllocator *allocator) {
    if (allocator == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(fw::memstore::PoolGuard());
        for (MemNode *&list : allocator->free) {
            while (list != nullptr) {
                MemNode *next = list->next;
                free(list);
                list = next;
            }
        }
    }
    free(allocator);
}

MemNode *MemAllocatorAlloc(MemAllocator *allocator, size_t size) {
    if (allocator == nullptr || size > SIZE_MAX - MEM_NODE_HEADER_SIZE - MEM_PAGE_SIZE) {
        return nullptr;
    }
    size_t nodeSize =
        (size + MEM_NODE_HEADER_SIZE + MEM_PAGE_SIZE - 1) / MEM_PAGE_SIZE * MEM_PAGE_SIZE;
    if (nodeSize < MEM_MIN_NODE_SIZE) {
        nodeSize = MEM_MIN_NODE_SIZE;
    }
    if (nodeSize / MEM_PAGE_SIZE - 1 > UINT32_MAX) {
        return nullptr;
    }
    auto index = static_cast<uint32_t>(nodeSize / MEM_PAGE_SIZE - 1);
    {
        std::lock_guard<std::mutex> lock(fw::memstore::PoolGuard());
        MemNode *node = nullptr;
        if (index <= allocator->maxIndex) {
            node = TakeFromSmallLists(allocator, index);
        }
        if (node == nullptr && allocator->free[0] != nullptr) {
            node = TakeFromLargeList(allocator, index);
        }
        if (node != nullptr) {
            TakeOut(allocator, node);
            return node;
        }
    }
    auto *node = static_cast<MemNode *>(malloc(nodeSize));
    if (node == nullptr) {
        return nullptr;
    }
    node->next = nullptr;
    node->prev = nullptr;
    node->index = index;
    node->freeIndex = 0;
    node->firstAvail = reinterpret_cast<char *>(node) + MEM_NODE_HEADER_SIZE;
    node->endp = reinterpret_cast<char *>(node) + nodeSize;
    return node;
}

void MemAllocatorFree(MemAllocator *allocator, MemNode *firstNode) {
    if (allocator == nullptr) {
        return;
    }
    MemNode *release = nullptr;
    {
        std::lock_guard<std::mutex> lock(fw::memstore::PoolGuard());
        MemNode *node = firstNode;
        while (node != nullptr) {
            MemNode *next = node->next;
            uint32_t index = node->index;
            if (Capped(allocator) && index > allocator->currentFreeIndex) {
                node->next = release;
                release = node;
            } else {
                if (Capped(allocator)) {
                    allocator->currentFreeIndex -= index;
                }
                uint32_t list = index < MEM_FREE_LISTS ? index : 0;
                node->next = allocator->free[list];
                allocator->free[list] = node;
                if (list > allocator->maxIndex) {
                    allocator->maxIndex = list;
                }
            }
            node = next;
        }
    }
    while (release != nullptr) {
        MemNode *next = release->next;
        free(release);
        release = next;
    }
}
