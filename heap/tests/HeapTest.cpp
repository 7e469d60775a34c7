#include <heap/BinaryHeap.h>

#include <gtest/gtest.h>

TEST(Smoke, InsertAndDrain) {
    MinBinaryHeap heap;
    IntNodeData a(5), b(3), c(8);
    heap.insert(&a);
    heap.insert(&b);
    heap.insert(&c);
    EXPECT_EQ(heap.deleteMin(), &b);
    EXPECT_EQ(heap.deleteMin(), &a);
    EXPECT_EQ(heap.deleteMin(), &c);
    EXPECT_TRUE(heap.isEmpty());
}
