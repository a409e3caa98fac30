#include "util/vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

// Elements are small integers stored in the pointer itself.
void *Int(intptr_t value) {
    return reinterpret_cast<void *>(value);
}

int8_t CompareInts(const VectorNode *added, const VectorNode *present) {
    intptr_t a = reinterpret_cast<intptr_t>(added->element);
    intptr_t b = reinterpret_cast<intptr_t>(present->element);
    return static_cast<int8_t>((a > b) - (a < b));
}

VectorNode *NewNode(intptr_t value) {
    auto *node = static_cast<VectorNode *>(calloc(1, sizeof(VectorNode)));
    node->element = Int(value);
    return node;
}

std::vector<intptr_t> Elements(const Vector &v) {
    std::vector<intptr_t> values;
    for (VectorNode *node = v.head; node != nullptr; node = node->next) {
        values.push_back(reinterpret_cast<intptr_t>(node->element));
    }
    return values;
}

// Count equals the nodes reachable from head, and tail is the last of them.
::testing::AssertionResult Consistent(const Vector &v) {
    int reachable = 0;
    VectorNode *last = nullptr;
    for (VectorNode *node = v.head; node != nullptr; node = node->next) {
        ++reachable;
        last = node;
    }
    if (reachable != v.count) {
        return ::testing::AssertionFailure()
               << "count " << v.count << " but " << reachable << " nodes reachable";
    }
    if (last != v.tail) {
        return ::testing::AssertionFailure() << "tail is not the last node";
    }
    return ::testing::AssertionSuccess();
}

class VectorTest : public ::testing::Test {
  protected:
    void SetUp() override { InitVector(&v_, nullptr); }
    void TearDown() override { FreeVector(&v_); }

    void Fill(std::initializer_list<intptr_t> values) {
        for (intptr_t value : values) {
            ASSERT_EQ(1, AddElementValue(&v_, Int(value)));
        }
    }

    Vector v_;
};

class SortedVectorTest : public VectorTest {
  protected:
    void SetUp() override {
        VectorCompareFunction compare = CompareInts;
        InitVector(&v_, &compare);
    }
};

TEST_F(VectorTest, AppendsInOrderThroughTheTail) {
    Fill({3, 1, 2});
    EXPECT_EQ((std::vector<intptr_t>{3, 1, 2}), Elements(v_));
    EXPECT_TRUE(Consistent(v_));
}

TEST_F(SortedVectorTest, InsertsInOrderAndRefusesEqualElements) {
    Fill({1, 3, 5});
    struct Case {
        intptr_t value;
        int result;
        std::vector<intptr_t> after;
    };
    const Case cases[] = {
        {4, 1, {1, 3, 4, 5}},
        {0, 1, {0, 1, 3, 4, 5}},
        {6, 1, {0, 1, 3, 4, 5, 6}},
        {3, 0, {0, 1, 3, 4, 5, 6}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        VectorNode *node = NewNode(c.value);
        EXPECT_EQ(c.result, AddElement(&v_, node));
        if (c.result == 0) {
            free(node);  // a refused node stays the caller's
        }
        EXPECT_EQ(c.after, Elements(v_));
        EXPECT_TRUE(Consistent(v_));
    }
}

// Every size and every position of the binary search: shuffled values with
// duplicates always come out sorted, each once.
TEST_F(SortedVectorTest, AnyInsertionOrderEndsSorted) {
    std::mt19937 random(7);
    for (int size = 1; size <= 40; ++size) {
        SCOPED_TRACE(size);
        FreeVector(&v_);
        std::vector<intptr_t> values;
        for (int i = 0; i < size; ++i) {
            values.push_back(i);
            values.push_back(i);
        }
        std::shuffle(values.begin(), values.end(), random);
        int added = 0;
        for (intptr_t value : values) {
            added += AddElementValue(&v_, Int(value));
        }
        EXPECT_EQ(size, added);
        std::vector<intptr_t> expected(static_cast<size_t>(size));
        for (int i = 0; i < size; ++i) {
            expected[static_cast<size_t>(i)] = i;
        }
        EXPECT_EQ(expected, Elements(v_));
        EXPECT_TRUE(Consistent(v_));
    }
}

// The tail stays right on the sorted path too, so a later insertion by
// position at the end links after the real last node and loses nothing.
TEST_F(SortedVectorTest, InsertAtCountAfterSortedAppendsKeepsEveryNode) {
    Fill({1, 2, 3});
    ASSERT_EQ(1, InsertElementAt(&v_, NewNode(0), 3));
    EXPECT_EQ((std::vector<intptr_t>{1, 2, 3, 0}), Elements(v_));
    EXPECT_TRUE(Consistent(v_));
}

TEST_F(VectorTest, ElementAtBounds) {
    EXPECT_EQ(nullptr, ElementAt(&v_, 0));
    Fill({10, 20, 30});
    struct Case {
        int index;
        intptr_t value;  // 0: none
    };
    const Case cases[] = {{0, 10}, {2, 30}, {3, 0}, {-1, 0}, {1000, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        VectorNode *node = ElementAt(&v_, c.index);
        EXPECT_EQ(c.value, node == nullptr ? 0 : reinterpret_cast<intptr_t>(node->element));
    }
    VectorNode *head = ElementAt(&v_, 0);
    EXPECT_EQ(30, reinterpret_cast<intptr_t>(GetNthElement(&v_, 2, head)->element));
    EXPECT_EQ(nullptr, GetNthElement(&v_, 3, head));
    EXPECT_EQ(nullptr, GetNthElement(&v_, -1, head));
    EXPECT_EQ(nullptr, GetNthElement(&v_, 2, head->next));  // runs off the end
}

TEST_F(VectorTest, InsertElementAtPositions) {
    struct Case {
        int index;
        int result;
        std::vector<intptr_t> after;
    };
    const Case cases[] = {
        {0, 1, {9, 1, 2, 3}}, {2, 1, {1, 2, 9, 3}},
        {3, 1, {1, 2, 3, 9}},  // at count: appended, the new tail
        {4, 0, {1, 2, 3}},     // count + 1: refused, nothing changes
        {-1, 0, {1, 2, 3}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        FreeVector(&v_);
        Fill({1, 2, 3});
        VectorNode *node = NewNode(9);
        EXPECT_EQ(c.result, InsertElementAt(&v_, node, c.index));
        if (c.result == 0) {
            free(node);
        }
        EXPECT_EQ(c.after, Elements(v_));
        EXPECT_TRUE(Consistent(v_));
    }
    FreeVector(&v_);
    ASSERT_EQ(1, InsertElementAt(&v_, NewNode(5), 0));
    EXPECT_EQ(v_.head, v_.tail);
}

// Deleting at head, middle and tail keeps the tail right, so the next append
// goes after the real last node.
TEST_F(VectorTest, DeletionAtEachPositionKeepsTheTail) {
    struct Case {
        int index;
        std::vector<intptr_t> after;
    };
    const Case cases[] = {
        {0, {2, 3, 4, 7}},
        {1, {1, 3, 4, 7}},
        {3, {1, 2, 3, 7}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        for (bool byNode : {false, true}) {
            FreeVector(&v_);
            Fill({1, 2, 3, 4});
            if (byNode) {
                EXPECT_EQ(1, DeleteElement(&v_, ElementAt(&v_, c.index)));
            } else {
                EXPECT_EQ(1, DeleteElementAt(&v_, c.index));
            }
            EXPECT_TRUE(Consistent(v_));
            Fill({7});
            EXPECT_EQ(c.after, Elements(v_));
            EXPECT_TRUE(Consistent(v_));
        }
    }
    FreeVector(&v_);
    Fill({1});
    EXPECT_EQ(1, DeleteElementAt(&v_, 0));
    EXPECT_EQ(nullptr, v_.head);
    EXPECT_EQ(nullptr, v_.tail);
    EXPECT_EQ(0, v_.count);
}

TEST_F(VectorTest, DeletionResultsAtTheEdges) {
    VectorNode stranger = {Int(1), nullptr};
    EXPECT_EQ(0, DeleteElement(&v_, &stranger));  // empty vector
    EXPECT_EQ(0, DeleteElementAt(&v_, 0));
    Fill({1, 2});
    EXPECT_EQ(1, DeleteElement(&v_, &stranger));  // not in it: true, no change
    EXPECT_EQ((std::vector<intptr_t>{1, 2}), Elements(v_));
    EXPECT_EQ(0, DeleteElementAt(&v_, 2));
    EXPECT_EQ(0, DeleteElementAt(&v_, -1));

    Fill({1});
    EXPECT_EQ(1, DeleteLCDVector(&v_, Int(1)));  // the first of the two 1s
    EXPECT_EQ((std::vector<intptr_t>{2, 1}), Elements(v_));
    EXPECT_EQ(0, DeleteLCDVector(&v_, Int(5)));
    EXPECT_TRUE(Consistent(v_));
}

TEST_F(VectorTest, FreeVectorLeavesAReusableEmptyVector) {
    Fill({1, 2, 3});
    FreeVector(&v_);
    EXPECT_EQ(0, v_.count);
    ASSERT_EQ(1, AddElement(&v_, NewNode(4)));
    EXPECT_EQ(1, v_.count);
    EXPECT_EQ(v_.head, v_.tail);
    EXPECT_EQ(nullptr, v_.head->next);
}

TEST_F(VectorTest, MergeMovesEveryElementAndEmptiesTheSource) {
    Fill({1, 2});
    Vector source;
    InitVector(&source, nullptr);
    for (intptr_t value : {3, 4, 5}) {
        AddElementValue(&source, Int(value));
    }
    EXPECT_EQ(1, MergeVector(&v_, &source));
    EXPECT_EQ((std::vector<intptr_t>{1, 2, 3, 4, 5}), Elements(v_));
    EXPECT_TRUE(Consistent(v_));
    EXPECT_EQ(0, source.count);
    EXPECT_EQ(nullptr, source.head);
    EXPECT_EQ(0, MergeVector(&v_, &v_));  // would never end
    EXPECT_EQ(0, MergeVector(&v_, nullptr));
}

TEST_F(SortedVectorTest, MergeIntoSortedKeepsOrderAndRefusesEquals) {
    Fill({2, 4});
    Vector source;
    InitVector(&source, nullptr);
    for (intptr_t value : {5, 4, 1}) {
        AddElementValue(&source, Int(value));
    }
    EXPECT_EQ(1, MergeVector(&v_, &source));
    EXPECT_EQ((std::vector<intptr_t>{1, 2, 4, 5}), Elements(v_));
    EXPECT_TRUE(Consistent(v_));
    EXPECT_EQ(0, source.count);
}

TEST_F(VectorTest, CloneCopiesTheTexts) {
    char a[] = "alpha";
    char b[] = "";
    AddElementValue(&v_, a);
    AddElementValue(&v_, b);
    Vector *clone = CloneVector(&v_);
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(nullptr, clone->compare);
    ASSERT_EQ(2, clone->count);
    EXPECT_TRUE(Consistent(*clone));
    std::vector<std::string> texts;
    for (VectorNode *node = clone->head; node != nullptr; node = node->next) {
        EXPECT_NE(a, node->element);
        EXPECT_NE(b, node->element);
        texts.emplace_back(static_cast<char *>(node->element));
        free(node->element);
    }
    EXPECT_EQ((std::vector<std::string>{"alpha", ""}), texts);
    FreeVector(clone);
    free(clone);
}

TEST(VectorLog, MessagesOfCloneAndTrace) {
    TempDir dir;
    std::string log = OpenTestLog(dir, 4);
    EXPECT_EQ(nullptr, CloneVector(nullptr));
    Vector v;
    InitVector(&v, nullptr);
    ElementAt(&v, 0);
    ResetLog();
    std::string content = ReadFile(log);
    EXPECT_NE(std::string::npos, content.find("@@@@ Inside CloneVector @@@@\n"));
    EXPECT_NE(std::string::npos, content.find("[ERROR] Cannot clone vector.  Vector is NULL.\n"));
    EXPECT_NE(std::string::npos, content.find("[TRACE] \n\t@@@@@ Inside InitVector() @@@@@ \n"));
    EXPECT_NE(std::string::npos, content.find("[TRACE] \n\t@@@@@ Inside ElementAt() @@@@@ \n"));
}

// Two threads change one vector at once; every single operation holds the
// vector's lock, so it stays consistent throughout.
TEST(VectorThreads, ConcurrentAddsAndDeletesStayConsistent) {
    Vector v;
    InitVector(&v, nullptr);
    constexpr int kRounds = 20000;
    std::atomic<int> deleted{0};
    std::thread adder([&] {
        for (int i = 0; i < kRounds; ++i) {
            AddElementValue(&v, Int(i));
            if (i % 3 == 0) {
                InsertElementAt(&v, NewNode(-1), 0);
            }
        }
    });
    std::thread deleter([&] {
        for (int i = 0; i < kRounds; ++i) {
            int n = i % 2 == 0 ? DeleteElementAt(&v, 0) : DeleteLCDVector(&v, Int(-1));
            deleted += n;
            ElementAt(&v, i % 7);
        }
    });
    adder.join();
    deleter.join();
    EXPECT_TRUE(Consistent(v));
    EXPECT_EQ(kRounds + (kRounds + 2) / 3 - deleted.load(), v.count);
    FreeVector(&v);
}

}  // namespace
