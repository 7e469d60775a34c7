// SPDX-License-Identifier: MIT
#include "HeapModel.h"

#include <heap/BinaryHeap.h>
#include <heap/TypedKey.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

using heapmodel::checkStructure;

static_assert(!std::is_copy_constructible_v<MinBinaryHeap> &&
                  !std::is_copy_assignable_v<MinBinaryHeap>,
              "a copied heap would free the same nodes twice");

namespace {

std::string printed(const MinBinaryHeap& heap) {
    testing::internal::CaptureStdout();
    heap.print();
    return testing::internal::GetCapturedStdout();
}

void insertAll(MinBinaryHeap& heap, std::initializer_list<IntNodeData*> items) {
    for (IntNodeData* item : items) {
        heap.insert(item);
    }
}

// Long random runs against the reference heap, with a full check after every
// step, and on one step in twenty after lt threw at each comparison in turn.
// Values are drawn mostly from a narrow range so that ties are common, and
// the target size wanders so the heap keeps emptying and growing again.
class RandomOperations : public testing::TestWithParam<unsigned> {};

TEST_P(RandomOperations, MatchTheReferenceHeapAfterEveryStep) {
    std::mt19937 rng(GetParam());
    auto pick = [&rng](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(rng);
    };
    const std::int32_t extremes[] = {INT32_MIN, INT32_MIN + 1, -1, 0, INT32_MAX - 1, INT32_MAX};
    auto value = [&] {
        const std::int64_t kind = pick(0, 9);
        return static_cast<std::int32_t>(kind < 6   ? pick(-20, 20)
                                         : kind < 9 ? pick(INT32_MIN, INT32_MAX)
                                                    : extremes[pick(0, 5)]);
    };
    auto delta = [&] {
        const std::int64_t kind = pick(0, 9);
        return kind < 2 ? 0 : kind < 7 ? pick(-10, 10) : pick(-(1LL << 32), 1LL << 32);
    };

    heapmodel::HeapDriver driver;
    std::size_t target = 0, largest = 0;
    for (int step = 0; step < 6000; ++step) {
        if (step % 600 == 0) {
            target = static_cast<std::size_t>(pick(0, 3) == 0 ? pick(0, 2) : pick(100, 400));
        }
        const bool grow = driver.size() < target;
        const std::int64_t roll = pick(0, 99);
        const std::size_t position = static_cast<std::size_t>(pick(0, 1 << 20));
        // Now and then lt throws at every comparison of the step in turn.
        driver.exhaustive = pick(0, 19) == 0;
        // The rare kind: whole-heap operations, mostly swap and move.
        auto whole = [&] {
            const std::int64_t kind = pick(0, 99);
            return kind < 3    ? driver.clear()
                   : kind < 50 ? driver.swap(pick(0, 1) == 1)
                               : driver.move(kind < 80);
        };
        ASSERT_EQ(roll < (grow ? 55 : 15)   ? driver.insert(value())
                  : roll < (grow ? 63 : 45) ? driver.deleteMin()
                  : roll < (grow ? 68 : 58) ? driver.deleteLast()
                  : roll < 88 ? driver.nudge(position, delta(), pick(0, 1) == 1, pick(0, 3) == 0)
                  : roll < 93 ? driver.remove(position)
                  : roll < 96 ? driver.contains(position)
                  : roll < 98 ? driver.member(value())
                              : whole(),
                  "")
            << "seed " << GetParam() << ", step " << step;
        largest = std::max(largest, driver.size());
    }
    EXPECT_GE(largest, 150u) << "the run never built a large heap";
    EXPECT_EQ(driver.drain(), "");
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomOperations, testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

TEST(HeapVersion, TheHeaderSaysTheProjectVersion) {
    EXPECT_STREQ(BINARYHEAP_VERSION, HEAP_PROJECT_VERSION);
    EXPECT_EQ(std::to_string(BINARYHEAP_VERSION_MAJOR) + "." +
                  std::to_string(BINARYHEAP_VERSION_MINOR) + "." +
                  std::to_string(BINARYHEAP_VERSION_PATCH),
              BINARYHEAP_VERSION);
}

TEST(HeapOrder, ExchangesFollowTheTieRules) {
    MinBinaryHeap heap;
    IntNodeData a(1), b(6), c(4), d(0);
    // Sets a new value, calls the hook for its direction and checks the order.
    auto rekey = [&heap](IntNodeData& item, std::int32_t value, bool raise,
                         const std::vector<NodeData*>& after) {
        item.value = value;
        raise ? heap.increaseKey(&item) : heap.decreaseKey(&item);
        return checkStructure(heap, after);
    };
    insertAll(heap, {&a, &b, &c}); // none is smaller than its parent: no exchange
    ASSERT_EQ(checkStructure(heap, {&a, &b, &c}), "");
    // The right child is strictly smaller than the left: it wins.
    ASSERT_EQ(rekey(a, 10, true, {&c, &b, &a}), "");
    ASSERT_EQ(rekey(c, 6, true, {&c, &b, &a}), "");  // equal to the chosen child: no exchange
    ASSERT_EQ(rekey(a, 6, false, {&c, &b, &a}), ""); // equal to the parent: no exchange
    ASSERT_EQ(rekey(c, 7, true, {&b, &c, &a}), "");  // equal children: the left one is taken
    heap.insert(&d);                                 // climbs two levels from under c
    ASSERT_EQ(checkStructure(heap, {&d, &b, &a, &c}), "");
    EXPECT_EQ(heap.min(), &d);
}

TEST(HeapOrder, IncreasingInsertsKeepInsertionOrder) {
    std::vector<std::unique_ptr<IntNodeData>> items;
    std::vector<NodeData*> inOrder;
    MinBinaryHeap heap;
    for (int i = 0; i < 21; ++i) {
        items.push_back(std::make_unique<IntNodeData>(10 * i - 50));
        inOrder.push_back(items.back().get());
        heap.insert(items.back().get());
        ASSERT_EQ(checkStructure(heap, inOrder), "") << "after insert " << i + 1;
    }
    // Counting from 1, the i-th item's parent is the (i/2)-th, as in an array heap.
    for (std::size_t i = 2; i <= items.size(); ++i) {
        EXPECT_EQ(items[i - 1]->node->parent, items[i / 2 - 1]->node) << "item " << i;
    }
}

// Positions next to each other in level order get records next to each other
// in memory, within a block (16 records, then 32), and a position keeps its
// record when the heap shrinks and grows again.
TEST(HeapPool, ConsecutivePositionsGetConsecutiveRecords) {
    std::vector<std::unique_ptr<IntNodeData>> items;
    MinBinaryHeap heap;
    for (int i = 0; i < 40; ++i) {
        items.push_back(std::make_unique<IntNodeData>(0));
        heap.insert(items.back().get()); // equal keys: every item stays where it was added
    }
    std::vector<BinaryHeapNode*> records;
    for (BinaryHeapNode* node = heap.root; node != nullptr; node = node->next) {
        records.push_back(node);
    }
    ASSERT_EQ(records.size(), items.size());
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (i != 16) {
            EXPECT_EQ(records[i], records[i - 1] + 1) << "position " << i;
        }
    }
    for (std::size_t i = 0; i < 30; ++i) {
        heap.deleteLast();
    }
    for (std::size_t i = 10; i < items.size(); ++i) {
        heap.insert(items[i].get());
        EXPECT_EQ(items[i]->node, records[i]) << "position " << i;
    }
}

TEST(HeapEmpty, EveryOperationAnswersNull) {
    MinBinaryHeap heap;
    IntNodeData probe(0);
    EXPECT_EQ(heap.deleteLast(), nullptr);
    EXPECT_EQ(heap.deleteMin(), nullptr);
    EXPECT_EQ(heap.min(), nullptr);
    EXPECT_TRUE(heap.isEmpty());
    EXPECT_FALSE(heap.member(&probe));
    EXPECT_EQ(printed(heap), "");
    EXPECT_EQ(checkStructure(heap, {}), "");
}

TEST(HeapRemove, DeleteMinAndDeleteLastOnSmallHeaps) {
    IntNodeData only(4), one(1), two(2), three(3), low(1), firstFour(4), secondFour(4), lower(1),
        higher(2);
    MinBinaryHeap heap, ties, pair;
    heap.insert(&only);
    EXPECT_EQ(heap.deleteMin(), &only);
    EXPECT_EQ(only.node, nullptr);
    EXPECT_EQ(checkStructure(heap, {}), ""); // root and last null again

    // The third item goes into the root and sinks below the strictly smaller 2.
    insertAll(heap, {&one, &two, &three});
    EXPECT_EQ(heap.deleteMin(), &one);
    EXPECT_EQ(one.node, nullptr);
    EXPECT_EQ(checkStructure(heap, {&two, &three}), ""); // the root has a left child only

    // Against an equal left child the moved item stays in the root.
    insertAll(ties, {&low, &firstFour, &secondFour});
    EXPECT_EQ(ties.deleteMin(), &low);
    EXPECT_EQ(checkStructure(ties, {&secondFour, &firstFour}), "");

    // deleteLast takes the last position without reordering: 2, under 1 after an exchange.
    insertAll(pair, {&higher, &lower});
    EXPECT_EQ(pair.deleteLast(), &higher);
    EXPECT_EQ(higher.node, nullptr);
    EXPECT_EQ(checkStructure(pair, {&lower}), ""); // root is last and has no children
}

TEST(HeapMember, ComparesKeysNotIdentity) {
    MinBinaryHeap heap;
    IntNodeData a(3), b(-7), c(3), equal(-7), missing(4), extreme(INT32_MIN);
    insertAll(heap, {&a, &b, &c});
    EXPECT_TRUE(heap.member(&equal));
    EXPECT_FALSE(heap.member(&missing));
    EXPECT_FALSE(heap.member(&extreme));
    EXPECT_EQ(heap.deleteMin(), &b);
    EXPECT_FALSE(heap.member(&equal));
    EXPECT_EQ(equal.node, nullptr); // a probe is only read
#ifdef NDEBUG
    EXPECT_FALSE(heap.member(nullptr)); // no key: nothing stored equals it
#endif
}

static_assert(std::is_copy_constructible_v<IntNodeData> && std::is_copy_assignable_v<IntNodeData>,
              "items are values: copied and assigned as keys");

// node is the item's hook, like an intrusive container's: it belongs to the
// item's place, never to its key.
TEST(HeapItemCopy, ACopyIsANewItemInNoHeap) {
    MinBinaryHeap heap;
    IntNodeData a(5), b(7), c(9);
    insertAll(heap, {&a, &b, &c});
    IntNodeData copy = b;
    EXPECT_EQ(copy.value, 7);
    EXPECT_EQ(copy.node, nullptr);
    // A move hands the place over: the new object is stored where c was.
    BinaryHeapNode* const place = c.node;
    IntNodeData moved = std::move(c);
    EXPECT_EQ(moved.node, place);
    EXPECT_EQ(c.node, nullptr);
    // A subclass's copy goes through NodeData's too.
    struct Tagged : IntNodeData {
        using IntNodeData::IntNodeData;
        int tag = 0;
    };
    Tagged tagged(3);
    heap.insert(&tagged);
    const Tagged tagCopy = tagged;
    EXPECT_EQ(tagCopy.node, nullptr);
    std::vector<IntNodeData> copies(3, b);
    EXPECT_EQ(copies[2].node, nullptr);

    // The copy goes in as an item of its own; b is untouched.
    heap.insert(&copy);
    EXPECT_EQ(checkStructure(heap, {&tagged, &a, &moved, &b, &copy}), "");
    copy.value = -1;
    heap.decreaseKey(&copy);
    EXPECT_EQ(checkStructure(heap, {&copy, &tagged, &moved, &b, &a}), "");
}

// Items kept by value in a growing vector: every reallocation moves the
// stored ones into new objects, which must take their places, so the heap
// stays sound and drains in order. Subclasses move through NodeData too.
TEST(HeapItemCopy, StoredItemsMayMoveInMemory) {
    struct Tagged : IntNodeData {
        using IntNodeData::IntNodeData;
        int tag = 0;
    };
    MinBinaryHeap heap;
    std::vector<Tagged> items;
    std::vector<std::int32_t> values;
    for (std::int32_t i = 0; i < 100; ++i) {
        items.emplace_back(i * 37 % 101 - 50); // reallocates now and then
        heap.insert(&items.back());
        values.push_back(items.back().value);
        std::vector<NodeData*> stored;
        for (const BinaryHeapNode* node = heap.root; node != nullptr; node = node->next) {
            stored.push_back(node->data);
        }
        for (NodeData* item : stored) {
            ASSERT_TRUE(item >= &items.front() && item <= &items.back()) << "after " << i;
        }
        ASSERT_EQ(checkStructure(heap, stored), "") << "after " << i;
    }
    // Move assignment changes keys, never places: the heap sees no change.
    items[3] = std::move(items[4]);
    items[3].value = values[3];
    std::sort(values.begin(), values.end());
    for (std::int32_t expected : values) {
        NodeData* item = heap.deleteMin();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(static_cast<IntNodeData*>(item)->value, expected);
    }
}

TEST(HeapItemCopy, AssignmentChangesTheKeyAndKeepsThePlace) {
    MinBinaryHeap heap;
    IntNodeData a(1), b(2), c(3), outside(8);
    insertAll(heap, {&a, &b, &c});
    BinaryHeapNode* const place = c.node;
    c = IntNodeData(-1);
    EXPECT_EQ(c.value, -1);
    EXPECT_EQ(c.node, place); // not moved until the hook is called
    heap.decreaseKey(&c);
    EXPECT_EQ(checkStructure(heap, {&c, &b, &a}), "");

    // Between two stored items, and from a stored item to one in no heap.
    b = c;
    EXPECT_EQ(b.value, -1);
    EXPECT_EQ(checkStructure(heap, {&c, &b, &a}), "");
    a = outside; // a's key goes up from 1 to 8
    heap.increaseKey(&a);
    outside = c;
    EXPECT_EQ(outside.node, nullptr);
    EXPECT_EQ(checkStructure(heap, {&c, &b, &a}), "");
    EXPECT_EQ(heap.deleteMin(), &c);
    EXPECT_EQ(heap.deleteMin(), &b);
    EXPECT_EQ(heap.deleteMin(), &a);
    EXPECT_EQ(a.value, 8);
}

// An event queue on the typed layer: a time and an id, ties by id, kept by
// value in a vector that grows while its items are stored; random cancels
// and reschedules; the drain must come out in (time, id) order, as a sorted
// copy says. Then the same with the largest first through std::greater.
struct Event {
    double time;
    int id;
};
struct Earlier {
    bool operator()(const Event& a, const Event& b) const {
        return std::tie(a.time, a.id) < std::tie(b.time, b.id);
    }
};
using Timer = binaryheap::Key<Event, Earlier>;

TEST(TypedKeys, EventQueueDrainsInOrderAfterCancelsAndReschedules) {
    std::mt19937 rng(7);
    auto pick = [&rng](int high) { return std::uniform_int_distribution<int>(0, high)(rng); };
    binaryheap::TypedHeap<Timer> queue;
    std::vector<Timer> timers; // no reserve: reallocation moves stored timers
    for (int id = 0; id < 300; ++id) {
        timers.emplace_back(Event{pick(50) * 0.5, id});
        queue.insert(timers.back());
    }
    std::vector<std::pair<double, int>> expected;
    for (Timer& timer : timers) {
        const int roll = pick(9);
        if (roll < 2) {
            queue.remove(timer); // cancelled
            EXPECT_FALSE(queue.contains(timer));
            continue;
        }
        if (roll < 5) {
            timer.value.time = pick(50) * 0.5; // rescheduled, either way
            queue.update(timer);
        }
        expected.emplace_back(timer.value.time, timer.value.id);
    }
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(queue.size(), expected.size());
    for (const auto& [time, id] : expected) {
        const Timer* next = queue.min();
        Timer* got = queue.deleteMin();
        ASSERT_EQ(got, next);
        ASSERT_NE(got, nullptr);
        EXPECT_EQ(got->value.time, time);
        EXPECT_EQ(got->value.id, id);
    }
    EXPECT_EQ(queue.deleteMin(), nullptr);

    using Largest = binaryheap::Key<int, std::greater<int>>;
    binaryheap::TypedHeap<Largest> top;
    std::vector<Largest> values{Largest(3), Largest(-1), Largest(8), Largest(8), Largest(0)};
    for (Largest& value : values) {
        top.insert(value);
    }
    values[1].value = 10;
    top.decreaseKey(values[1]); // first in this order: "decreased" toward the front
    std::vector<int> drained;
    while (Largest* item = top.deleteMin()) {
        drained.push_back(item->value);
    }
    EXPECT_EQ(drained, (std::vector<int>{10, 8, 8, 3, 0}));
    testing::internal::CaptureStdout();
    values[2].print();
    Timer(Event{1.5, 2}).print(); // no printKey for Event: nothing
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "8");
    MinBinaryHeap raw;
    raw.insert(&values[0]);
    EXPECT_EQ(Largest::from(raw.min()), &values[0]); // typed access to a raw heap's result
    EXPECT_EQ(Largest::from(nullptr), nullptr);
}

// Death tests run first, while the process has a single thread.
TEST(HeapContractDeathTest, MisuseStopsWithOneLineNamingOperationAndFault) {
#ifdef NDEBUG
    GTEST_SKIP() << "the contract checks are compiled out of NDEBUG builds";
#else
    MinBinaryHeap heap, other;
    IntNodeData a(1), b(2), c(3), stranger(4), impostor(5), otherRoot(0), foreign(6);
    insertAll(heap, {&a, &b, &c});
    insertAll(other, {&otherRoot, &foreign}); // below a root: found by the walk up
    impostor.node = b.node;                   // points at a node carrying b
    struct Misuse {
        std::function<void()> call;
        std::string line;
    };
    std::vector<Misuse> misuses{
        {[&] { heap.insert(nullptr); }, "MinBinaryHeap::insert: null item"},
        {[&] { heap.insert(&b); }, "MinBinaryHeap::insert: item already in a heap"},
        {[&] { heap.insert(&foreign); }, "MinBinaryHeap::insert: item already in a heap"},
        {[&] { heap.member(nullptr); }, "MinBinaryHeap::member: null item"},
    };
    // An item whose heap is gone still names a freed record: reported
    // without following it (the sanitizers would see a read).
    IntNodeData orphan(7);
    {
        MinBinaryHeap gone;
        gone.insert(&orphan);
    }
    // Keys moved against the hook's direction, each seen at a neighbour: the
    // child now below its parent, the parent now above its child.
    IntNodeData raisedPastChild(2), loweredPastParent(0);
    MinBinaryHeap wrongWay;
    insertAll(wrongWay, {&loweredPastParent, &raisedPastChild});
    raisedPastChild.value = -5;  // went down, reported as raised
    loweredPastParent.value = 9; // went up, reported as lowered
    misuses.push_back({[&] { wrongWay.increaseKey(&raisedPastChild); },
                       "MinBinaryHeap::increaseKey: key went down; decreaseKey or update moves "
                       "it up"});
    misuses.push_back({[&] { wrongWay.decreaseKey(&loweredPastParent); },
                       "MinBinaryHeap::decreaseKey: key went up; increaseKey or update moves it "
                       "down"});
    using Hook = void (MinBinaryHeap::*)(NodeData*);
    for (const auto& [hook, name] :
         {std::pair<Hook, std::string>{&MinBinaryHeap::increaseKey, "increaseKey"},
          {&MinBinaryHeap::decreaseKey, "decreaseKey"},
          {&MinBinaryHeap::update, "update"},
          {&MinBinaryHeap::remove, "remove"}}) {
        for (const auto& [item, fault] : {std::pair<NodeData*, const char*>{nullptr, "null item"},
                                          {&stranger, "item in no heap"},
                                          {&impostor, "item's node does not carry it"},
                                          {&foreign, "item in another heap"},
                                          {&orphan, "item in another heap"}}) {
            misuses.push_back({[&heap, hook = hook, item = item] { (heap.*hook)(item); },
                               "MinBinaryHeap::" + name + ": " + fault});
        }
    }
    // Two key kinds in one heap: caught when a Key compares.
    binaryheap::Key<int> typed(1);
    MinBinaryHeap mixed;
    IntNodeData plain(0);
    mixed.insert(&plain);
    misuses.push_back({[&] { mixed.insert(&typed); },
                       "binaryheap::Key: compared with an item of another key kind"});
    misuses.push_back({[&] { binaryheap::Key<int>::from(&plain); },
                       "binaryheap::Key: compared with an item of another key kind"});
    for (const Misuse& misuse : misuses) {
        EXPECT_EXIT(misuse.call(), testing::KilledBySignal(SIGABRT), "^" + misuse.line + "\n$");
    }
    // Nothing was changed in this process; correct use goes on.
    EXPECT_EQ(checkStructure(heap, {&a, &b, &c}), "");
    EXPECT_EQ(heap.deleteMin(), &a);
    EXPECT_EQ(other.deleteMin(), &otherRoot);
    wrongWay.update(&raisedPastChild);
    EXPECT_EQ(checkStructure(wrongWay, {&raisedPastChild, &loweredPastParent}), "");
#endif
}

TEST(HeapLifetime, ItemsOutliveTheirHeap) {
    std::vector<std::unique_ptr<IntNodeData>> items;
    {
        MinBinaryHeap heap;
        for (int i = 0; i < 50; ++i) {
            items.push_back(std::make_unique<IntNodeData>(i * 37 % 50 - 25));
            heap.insert(items.back().get());
        }
    } // frees the nodes only; the sanitizers report a leak or a double free
    MinBinaryHeap again;
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(items[i]->value, i * 37 % 50 - 25);
        items[i]->node = nullptr; // still names a freed record: reset before reuse
        again.insert(items[i].get());
    }
    for (int expected = -25; expected < 25; ++expected) {
        NodeData* item = again.deleteMin();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(static_cast<IntNodeData*>(item)->value, expected);
        EXPECT_EQ(item->node, nullptr);
    }
    EXPECT_TRUE(again.isEmpty());
}

TEST(HeapPrint, OneLinePerNodeInLevelOrder) {
    MinBinaryHeap byHand, single, extremes; // byHand: 5, 3, 8 placed without ordering
    IntNodeData five(5), three(3), eight(8), seven(7), low(INT32_MIN), minusOne(-1),
        high(INT32_MAX);
    for (IntNodeData* item : {&five, &three, &eight}) {
        (item->node = byHand.addLast())->data = item;
    }
    ASSERT_EQ(checkStructure(byHand, {&five, &three, &eight}), "");
    EXPECT_EQ(printed(byHand), "5 prev= next=3 parent= leftChild=3 rightChild=8\n"
                               "3 prev=5 next=8 parent=5 leftChild= rightChild=\n"
                               "8 prev=3 next= parent=5 leftChild= rightChild=\n");
    single.insert(&seven);
    EXPECT_EQ(printed(single), "7 prev= next= parent= leftChild= rightChild=\n");
    insertAll(extremes, {&low, &minusOne, &high});
    EXPECT_EQ(printed(extremes),
              "-2147483648 prev= next=-1 parent= leftChild=-1 rightChild=2147483647\n"
              "-1 prev=-2147483648 next=2147483647 parent=-2147483648 leftChild= rightChild=\n"
              "2147483647 prev=-1 next= parent=-2147483648 leftChild= rightChild=\n");
}

} // namespace
