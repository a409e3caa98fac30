#include "datalayer/memstore/mem_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

size_t SpaceLeft(const MemNode *node) {
    return static_cast<size_t>(node->endp - node->firstAvail);
}

int ListLength(const MemNode *list) {
    int n = 0;
    for (; list != nullptr; list = list->next) {
        ++n;
    }
    return n;
}

// The ring links both ways, starts at active, and the nodes after active come
// by decreasing whole free pages.
::testing::AssertionResult RingOrdered(const MemPool *pool) {
    const MemNode *node = pool->active;
    uint32_t previous = UINT32_MAX;
    int steps = 0;
    for (const MemNode *n = node->next; n != node; n = n->next) {
        if (n->prev->next != n || ++steps > 10000) {
            return ::testing::AssertionFailure() << "ring links broken";
        }
        if (n->freeIndex > previous) {
            return ::testing::AssertionFailure()
                   << "free pages " << n->freeIndex << " after " << previous;
        }
        previous = n->freeIndex;
    }
    return ::testing::AssertionSuccess();
}

class MemPoolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(1, InitializeMemPool());
        ASSERT_EQ(1, CreateMemPool(&pool_, nullptr, nullptr));
    }
    void TearDown() override { TerminateMemPool(); }  // the pool goes with the root
    MemPool *pool_ = nullptr;
};

TEST(MemPoolStartUp, ReferenceCounted) {
    EXPECT_EQ(0, TerminateMemPool());
    EXPECT_EQ(nullptr, GetRootMemPool());
    ASSERT_EQ(1, InitializeMemPool());
    MemPool *root = GetRootMemPool();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(nullptr, root->parent);
    EXPECT_EQ(root, root->allocator->owner);
    ASSERT_EQ(1, InitializeMemPool());
    EXPECT_EQ(root, GetRootMemPool());
    EXPECT_EQ(1, TerminateMemPool());
    EXPECT_EQ(root, GetRootMemPool());
    EXPECT_EQ(1, TerminateMemPool());
    EXPECT_EQ(nullptr, GetRootMemPool());
    EXPECT_EQ(0, TerminateMemPool());
}

TEST(MemPoolStartUp, CreateBeforeInitializeIsRefused) {
    TempDir dir;
    std::string log = OpenTestLog(dir, 2);
    MemPool *pool = nullptr;
    EXPECT_EQ(0, CreateMemPool(&pool, nullptr, nullptr));
    EXPECT_EQ(nullptr, pool);
    ResetLog();
    EXPECT_NE(std::string::npos, ReadFile(log).find("CreateMemPool : no allocator"));
}

// Pools and their memory that are never released one by one go with the
// root: LeakSanitizer checks this process at exit.
TEST(MemPoolStartUp, TerminateReleasesEverything) {
    ASSERT_EQ(1, InitializeMemPool());
    for (int i = 0; i < 5; ++i) {
        MemPool *pool = nullptr;
        ASSERT_EQ(1, CreateMemPool(&pool, nullptr, nullptr));
        MemPool *child = nullptr;
        ASSERT_EQ(1, CreateMemPool(&child, pool, nullptr));
        for (size_t size : {1, 100, 5000, 20000, 300000}) {
            ASSERT_NE(nullptr, MemPoolAlloc(child, size));
        }
    }
    EXPECT_EQ(1, TerminateMemPool());
}

TEST_F(MemPoolTest, AlignedAndAdvancedByMultiplesOfEight) {
    auto *p1 = static_cast<char *>(MemPoolAlloc(pool_, 1));
    auto *p2 = static_cast<char *>(MemPoolAlloc(pool_, 8));
    auto *p3 = static_cast<char *>(MemPoolAlloc(pool_, 9));
    auto *p4 = static_cast<char *>(MemPoolAlloc(pool_, 1));
    EXPECT_EQ(8, p2 - p1);
    EXPECT_EQ(8, p3 - p2);
    EXPECT_EQ(16, p4 - p3);
    for (size_t size = 1; size < 3000; size += 37) {
        void *p = MemPoolAlloc(pool_, size);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % 8) << size;
    }
}

TEST_F(MemPoolTest, FirstNodeIsEightKilobytesWithTheRecordInside) {
    const MemNode *self = pool_->self;
    EXPECT_EQ(MEM_MIN_NODE_SIZE,
              static_cast<size_t>(self->endp - reinterpret_cast<const char *>(self)));
    EXPECT_EQ(reinterpret_cast<const char *>(self) + MEM_NODE_HEADER_SIZE,
              reinterpret_cast<const char *>(pool_));
    EXPECT_EQ(pool_->selfFirstAvail, self->firstAvail);
    EXPECT_EQ(self, pool_->active);
}

// Strictly less than the space left: a request that would leave exactly
// nothing is served from a new node.
TEST_F(MemPoolTest, ARequestLeavingZeroBytesTakesANewNode) {
    size_t space = SpaceLeft(pool_->active);
    ASSERT_EQ(0u, space % 8);
    void *fits = MemPoolAlloc(pool_, space - 8);
    EXPECT_EQ(pool_->selfFirstAvail, fits);
    EXPECT_EQ(pool_->self, pool_->active);

    ClearMemPool(pool_);
    void *exact = MemPoolAlloc(pool_, space);
    EXPECT_NE(pool_->self, pool_->active);
    EXPECT_EQ(reinterpret_cast<char *>(pool_->active) + MEM_NODE_HEADER_SIZE, exact);
    EXPECT_TRUE(RingOrdered(pool_));
}

// A node above 8192 bytes is rounded up to whole pages and, once the pool is
// cleared, serves the next request of its class or a smaller one.
TEST_F(MemPoolTest, LargeNodeIsReusedAfterClear) {
    void *first = MemPoolAlloc(pool_, 10000);
    MemNode *node = pool_->active;
    EXPECT_EQ(2u, node->index);  // 12288 bytes
    EXPECT_EQ(12288, node->endp - reinterpret_cast<char *>(node));
    ClearMemPool(pool_);
    EXPECT_EQ(pool_->self, pool_->active);
    EXPECT_EQ(pool_->self, pool_->self->next);
    EXPECT_EQ(first, MemPoolAlloc(pool_, 9000));
    ClearMemPool(pool_);

    MemNode *again = MemAllocatorAlloc(pool_->allocator, 100);  // class 1 from list 2
    EXPECT_EQ(node, again);
    MemAllocatorFree(pool_->allocator, again);
}

TEST_F(MemPoolTest, RingStaysOrderedByFreePages) {
    // Nodes with pages to spare come back from the free lists after a clear.
    MemPoolAlloc(pool_, 40000);
    MemPoolAlloc(pool_, 60000);
    ClearMemPool(pool_);
    MemPoolAlloc(pool_, 9000);  // the 40960-byte node: 7 pages left
    MemNode *sevenPages = pool_->active;
    MemPoolAlloc(pool_, 35000);  // the 61440-byte node: 6 pages left
    MemPoolAlloc(pool_, 30000);  // back to the first: 0 pages left
    EXPECT_EQ(sevenPages, pool_->active);
    EXPECT_TRUE(RingOrdered(pool_));
    MemPoolAlloc(pool_, 70000);  // a new node; the emptied one moves to the end
    EXPECT_TRUE(RingOrdered(pool_));
    EXPECT_EQ(sevenPages, pool_->active->prev);

    std::mt19937 random(3);
    for (int i = 0; i < 2000; ++i) {
        if (i % 300 == 299) {
            ClearMemPool(pool_);
        }
        ASSERT_NE(nullptr, MemPoolAlloc(pool_, random() % 50000));
        ASSERT_TRUE(RingOrdered(pool_)) << i;
    }
}

TEST_F(MemPoolTest, CopiesEndWithAZeroByte) {
    char *text = MemPoolStrdup(pool_, "pooled");
    EXPECT_STREQ("pooled", text);
    auto *bytes = static_cast<char *>(MemPoolMemdup(pool_, "a\0b", 3));
    EXPECT_EQ(0, memcmp("a\0b\0", bytes, 4));
    EXPECT_EQ(nullptr, MemPoolStrdup(pool_, nullptr));
    EXPECT_STREQ("", static_cast<char *>(MemPoolMemdup(pool_, nullptr, 0)));
}

TEST_F(MemPoolTest, NestedPoolsGoWithTheirParent) {
    MemPool *sibling = nullptr;
    MemPool *parent = nullptr;
    MemPool *child = nullptr;
    MemPool *grandchild = nullptr;
    ASSERT_EQ(1, CreateMemPool(&sibling, pool_, nullptr));
    ASSERT_EQ(1, CreateMemPool(&parent, pool_, nullptr));
    ASSERT_EQ(1, CreateMemPool(&child, parent, nullptr));
    ASSERT_EQ(1, CreateMemPool(&grandchild, child, nullptr));
    MemPoolAlloc(grandchild, 20000);
    EXPECT_EQ(parent, pool_->child);  // new children go first
    EXPECT_EQ(sibling, parent->sibling);
    EXPECT_EQ(&parent->sibling, sibling->ref);

    const MemAllocator *allocator = pool_->allocator;
    int before = ListLength(allocator->free[1]) + ListLength(allocator->free[4]);
    DestroyMemPool(parent);
    EXPECT_EQ(sibling, pool_->child);
    EXPECT_EQ(&pool_->child, sibling->ref);
    // Three first nodes and the grandchild's large one wait for reuse.
    EXPECT_EQ(before + 4, ListLength(allocator->free[1]) + ListLength(allocator->free[4]));

    MemPool *last = nullptr;
    ASSERT_EQ(1, CreateMemPool(&last, sibling, nullptr));
    ClearMemPool(pool_);  // destroys sibling and its child too
    EXPECT_EQ(nullptr, pool_->child);
}

TEST_F(MemPoolTest, IsAncestorTable) {
    MemPool *child = nullptr;
    MemPool *other = nullptr;
    ASSERT_EQ(1, CreateMemPool(&child, pool_, nullptr));
    ASSERT_EQ(1, CreateMemPool(&other, pool_, nullptr));
    MemPool *root = GetRootMemPool();
    struct Case {
        const MemPool *a;
        const MemPool *b;
        int result;
    };
    const Case cases[] = {
        {nullptr, child, 1}, {child, child, 1}, {pool_, child, 1},   {root, child, 1},
        {child, pool_, 0},   {other, child, 0}, {child, nullptr, 0},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].result, MemPoolIsAncestor(cases[i].a, cases[i].b));
    }
}

// Pools that draw from an allocator of their own, which goes with its owner.
TEST(MemAllocator, OwnedAllocatorGoesWithItsPool) {
    ASSERT_EQ(1, InitializeMemPool());
    MemAllocator *allocator = nullptr;
    ASSERT_EQ(1, CreateMemAllocator(&allocator));
    MemPool *pool = nullptr;
    ASSERT_EQ(1, CreateMemPool(&pool, nullptr, allocator));
    allocator->owner = pool;
    EXPECT_EQ(GetRootMemPool(), pool->parent);
    MemPoolAlloc(pool, 50000);
    ClearMemPool(pool);
    DestroyMemPool(pool);  // LeakSanitizer: the allocator and its lists are gone
    EXPECT_EQ(1, TerminateMemPool());
}

TEST(MemAllocator, SizeClassesAndFreeLists) {
    MemAllocator *allocator = nullptr;
    ASSERT_EQ(1, CreateMemAllocator(&allocator));
    struct Case {
        size_t request;
        uint32_t index;
    };
    const Case cases[] = {
        {0, 1},
        {8192 - MEM_NODE_HEADER_SIZE, 1},
        {8192 - MEM_NODE_HEADER_SIZE + 1, 2},
        {40000, 9},
        {20 * 4096, 20},  // the header pushes it over 81920 bytes: class 20
        {100000, 24},
    };
    std::vector<MemNode *> nodes;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.request);
        MemNode *node = MemAllocatorAlloc(allocator, c.request);
        ASSERT_NE(nullptr, node);
        EXPECT_EQ(c.index, node->index);
        EXPECT_EQ(nullptr, node->next);
        EXPECT_GE(SpaceLeft(node), c.request);
        EXPECT_EQ((c.index + 1) * 4096u,
                  static_cast<size_t>(node->endp - reinterpret_cast<char *>(node)));
        nodes.push_back(node);
    }
    for (MemNode *node : nodes) {
        MemAllocatorFree(allocator, node);
    }
    EXPECT_EQ(9u, allocator->maxIndex);
    EXPECT_EQ(2, ListLength(allocator->free[1]));
    EXPECT_EQ(2, ListLength(allocator->free[0]));  // classes 20 and 24

    // List 0 is searched first fit in list order: 24 was freed last, so it
    // comes first and serves a request of class 21.
    MemNode *large = MemAllocatorAlloc(allocator, 21 * 4096);
    EXPECT_EQ(24u, large->index);
    EXPECT_EQ(nodes[5], large);
    // Taking the only node of the highest small class lowers maxIndex.
    MemNode *nine = MemAllocatorAlloc(allocator, 30000);
    EXPECT_EQ(nodes[3], nine);
    EXPECT_EQ(2u, allocator->maxIndex);
    MemAllocatorFree(allocator, large);
    MemAllocatorFree(allocator, nine);
    DestroyMemAllocator(allocator);
}

TEST(MemAllocator, ACapSendsTheExcessBackToTheSystem) {
    MemAllocator *allocator = nullptr;
    ASSERT_EQ(1, CreateMemAllocator(&allocator));
    allocator->maxFreeIndex = 3;
    allocator->currentFreeIndex = 3;
    MemNode *a = MemAllocatorAlloc(allocator, 8000);   // class 1
    MemNode *b = MemAllocatorAlloc(allocator, 10000);  // class 2
    MemNode *c = MemAllocatorAlloc(allocator, 10000);  // class 2
    a->next = b;
    b->next = c;
    MemAllocatorFree(allocator, a);  // 1 and 2 are kept, the last 2 exceeds the cap
    EXPECT_EQ(0u, allocator->currentFreeIndex);
    EXPECT_EQ(1, ListLength(allocator->free[1]));
    EXPECT_EQ(1, ListLength(allocator->free[2]));
    MemNode *again = MemAllocatorAlloc(allocator, 10000);
    EXPECT_EQ(2u, allocator->currentFreeIndex);
    MemAllocatorFree(allocator, again);
    DestroyMemAllocator(allocator);
}

// Threads that each use pools of their own meet in the shared allocator and
// in the root's list of children.
TEST(MemPoolThreads, PoolsOfTheirOwnOnSeveralThreads) {
    ASSERT_EQ(1, InitializeMemPool());
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([t] {
            std::mt19937 random(static_cast<unsigned>(t));
            for (int round = 0; round < 300; ++round) {
                MemPool *pool = nullptr;
                if (CreateMemPool(&pool, nullptr, nullptr) == 0) {
                    ADD_FAILURE();
                    return;
                }
                for (int i = 0; i < 10; ++i) {
                    auto *p = static_cast<char *>(MemPoolAlloc(pool, random() % 20000));
                    p[0] = 1;
                }
                DestroyMemPool(pool);
            }
        });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
    EXPECT_EQ(nullptr, GetRootMemPool()->child);
    EXPECT_EQ(1, TerminateMemPool());
}

}  // namespace
