// What the unit tests and the fuzzer both measure MinBinaryHeap against.
//
// ReferenceHeap is a plain array heap that exchanges one pair at a time: it
// defines where every item must end up, ties included, so a faster way of
// re-ordering in the linked heap has to land items on the same nodes.
// HeapDriver runs each operation on the linked heap, that array and a multiset
// of values, then checks them all. Checks return an empty string when all is
// well, else the first fault: a test prints it, the fuzzer aborts on it.
#ifndef HEAP_TESTS_HEAPMODEL_H
#define HEAP_TESTS_HEAPMODEL_H

#include <heap/BinaryHeap.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace heapmodel {

/// Items in level order, kept in heap order by whole exchanges only.
class ReferenceHeap {
  public:
    std::vector<NodeData*> slots;

    void insert(NodeData* item) {
        slots.push_back(item);
        up(slots.size() - 1);
    }
    NodeData* deleteLast() {
        if (slots.empty()) {
            return nullptr;
        }
        NodeData* item = slots.back();
        slots.pop_back();
        return item;
    }
    NodeData* deleteMin() {
        NodeData* moved = deleteLast();
        if (slots.empty()) {
            return moved;
        }
        NodeData* smallest = slots.front();
        slots.front() = moved;
        down(0);
        return smallest;
    }
    void decreaseKey(NodeData* item) { up(indexOf(item)); }
    void increaseKey(NodeData* item) { down(indexOf(item)); }

  private:
    std::size_t indexOf(NodeData* item) const {
        return static_cast<std::size_t>(std::find(slots.begin(), slots.end(), item) -
                                        slots.begin());
    }
    // Exchange with the parent while strictly smaller: an equal item stays.
    void up(std::size_t i) {
        while (i > 0 && slots[i]->lt(slots[(i - 1) / 2])) {
            std::swap(slots[i], slots[(i - 1) / 2]);
            i = (i - 1) / 2;
        }
    }
    // The left child unless the right one is strictly smaller; exchange only
    // while that child is strictly smaller than the moving item.
    void down(std::size_t i) {
        for (std::size_t child = 2 * i + 1; child < slots.size(); child = 2 * i + 1) {
            if (child + 1 < slots.size() && slots[child + 1]->lt(slots[child])) {
                ++child;
            }
            if (!slots[child]->lt(slots[i])) {
                return;
            }
            std::swap(slots[i], slots[child]);
            i = child;
        }
    }
};

inline std::string atNode(std::size_t i, const char* fault) {
    return "node " + std::to_string(i) + ": " + fault;
}

/// Compares the linked heap with the expected items in level order: the tree
/// shape of an array heap, the level-order list both ways, root and last,
/// every back-link and the identity of every item. Ignores key order, so it
/// also serves heaps filled by hand.
inline std::string checkStructure(const MinBinaryHeap& heap,
                                  const std::vector<NodeData*>& expected) {
    const std::size_t n = expected.size();
    std::vector<const BinaryHeapNode*> nodes;
    // Collect at most one node too many, so a cycle or a missing end shows
    // as a wrong count instead of a hang.
    for (const BinaryHeapNode* node = heap.root; node != nullptr && nodes.size() <= n;
         node = node->next) {
        nodes.push_back(node);
    }
    if (nodes.size() != n) {
        return "the list from root holds " + std::to_string(nodes.size()) + " nodes, expected " +
               std::to_string(n);
    }
    if (heap.last != (n == 0 ? nullptr : nodes.back())) {
        return "last is not the end of the list";
    }
    auto nodeAt = [&](std::size_t i) { return i < n ? nodes[i] : nullptr; };
    for (std::size_t i = 0; i < n; ++i) {
        const BinaryHeapNode* node = nodes[i];
        if (node->prev != (i == 0 ? nullptr : nodes[i - 1]) ||
            node->parent != (i == 0 ? nullptr : nodes[(i - 1) / 2]) ||
            node->leftChild != nodeAt(2 * i + 1) || node->rightChild != nodeAt(2 * i + 2)) {
            return atNode(i, "wrong prev, parent or child link");
        }
        if (node->data != expected[i] || node->data->node != node) {
            return atNode(i, "wrong item, or its node does not point back");
        }
    }
    return {};
}

/// Runs operations on a linked heap and on both models, then checks them.
/// Owns every item it makes; removed items are reused, so inserting an item
/// that has been in the heap before is exercised too.
class HeapDriver {
  public:
    std::size_t size() const { return reference.slots.size(); }

    std::string insert(std::int32_t value) {
        if (spare.empty()) {
            owned.push_back(std::make_unique<IntNodeData>(value));
            spare.push_back(owned.back().get());
        }
        IntNodeData* item = spare.back();
        spare.pop_back();
        item->value = value;
        heap.insert(item);
        reference.insert(item);
        values.insert(value);
        return check();
    }

    std::string deleteMin() {
        NodeData* got = heap.deleteMin();
        NodeData* want = reference.deleteMin();
        if (got != want || (got != nullptr && valueOf(got) != *values.begin())) {
            return "deleteMin did not return the expected minimum";
        }
        return removed(got, want, "deleteMin");
    }

    std::string deleteLast() {
        NodeData* got = heap.deleteLast();
        return removed(got, reference.deleteLast(), "deleteLast");
    }

    /// Moves the value of the item at level-order position (position mod
    /// size) by delta, clamped to 32 bits, and calls the hook for the
    /// direction; an unchanged value calls the hook chosen by raiseIfSame.
    std::string nudge(std::size_t position, std::int64_t delta, bool raiseIfSame) {
        if (size() == 0) {
            return check();
        }
        auto* item = static_cast<IntNodeData*>(reference.slots[position % size()]);
        const std::int64_t wanted = std::clamp<std::int64_t>(
            std::int64_t{item->value} + delta, std::numeric_limits<std::int32_t>::min(),
            std::numeric_limits<std::int32_t>::max());
        const bool raise = wanted > item->value || (wanted == item->value && raiseIfSame);
        values.erase(values.find(item->value));
        item->value = static_cast<std::int32_t>(wanted);
        values.insert(item->value);
        if (raise) {
            heap.increaseKey(item);
            reference.increaseKey(item);
        } else {
            heap.decreaseKey(item);
            reference.decreaseKey(item);
        }
        return check();
    }

    /// member with a distinct probe object: equality of keys, not identity.
    std::string member(std::int32_t value) {
        IntNodeData probe(value);
        if (heap.member(&probe) != (values.count(value) != 0)) {
            return "member(" + std::to_string(value) + ") disagrees with the stored values";
        }
        return check();
    }

    /// Empties the heap through deleteMin, which checks every value against
    /// the multiset's minimum, so they come out sorted.
    std::string drain() {
        while (size() != 0) {
            std::string fault = deleteMin();
            if (!fault.empty()) {
                return fault;
            }
        }
        return deleteMin(); // one more on the empty heap must return null
    }

    std::string check() const {
        std::string fault = checkStructure(heap, reference.slots);
        if (!fault.empty()) {
            return fault;
        }
        // The linked heap now matches the array item for item, so heap order
        // is checked on the array, independently of the exchange rules.
        const std::vector<NodeData*>& slots = reference.slots;
        for (std::size_t i = 1; i < size(); ++i) {
            if (slots[i]->lt(slots[(i - 1) / 2])) {
                return atNode(i, "item is less than its parent's");
            }
        }
        if (heap.isEmpty() != (size() == 0) || values.size() != size() ||
            heap.min() != (size() == 0 ? nullptr : slots.front()) ||
            (size() != 0 && valueOf(heap.min()) != *values.begin())) {
            return "isEmpty or min disagrees with the models";
        }
        return {};
    }

  private:
    static std::int32_t valueOf(const NodeData* item) {
        return static_cast<const IntNodeData*>(item)->value;
    }

    std::string removed(NodeData* got, NodeData* want, const std::string& operation) {
        if (got != want) {
            return operation + " returned the wrong item";
        }
        if (got != nullptr) {
            if (got->node != nullptr) {
                return operation + " left the returned item's node set";
            }
            values.erase(values.find(valueOf(got)));
            spare.push_back(static_cast<IntNodeData*>(got));
        }
        return check();
    }

    std::vector<std::unique_ptr<IntNodeData>> owned;
    std::vector<IntNodeData*> spare; ///< Owned items outside the heap.
    std::multiset<std::int32_t> values;
    ReferenceHeap reference;
    MinBinaryHeap heap; ///< Declared last, so it goes first, while its items still live.
};

} // namespace heapmodel

#endif // HEAP_TESTS_HEAPMODEL_H
