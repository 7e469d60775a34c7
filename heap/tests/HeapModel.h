// SPDX-License-Identifier: MIT
// What the unit tests and the fuzzer both measure MinBinaryHeap against.
//
// ReferenceHeap is a plain array heap that exchanges one pair at a time: it
// fixes where every item must end up, ties included. HeapDriver runs each
// operation on the linked heap and that array, then checks both, returning
// the first fault or an empty string. Heap order is checked on the array, so
// its root is a minimum: no separate record of the values is needed.
#ifndef HEAP_TESTS_HEAPMODEL_H
#define HEAP_TESTS_HEAPMODEL_H

#include <heap/BinaryHeap.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace heapmodel {

/// Items in level order, kept in heap order by whole exchanges only.
struct ReferenceHeap {
    std::vector<NodeData*> slots;

    void insert(NodeData* item) {
        slots.push_back(item);
        up(slots.size() - 1);
    }
    NodeData* deleteLast() {
        NodeData* item = slots.empty() ? nullptr : slots.back();
        if (item != nullptr) {
            slots.pop_back();
        }
        return item;
    }
    NodeData* deleteMin() {
        NodeData* moved = deleteLast();
        if (slots.empty()) {
            return moved;
        }
        std::swap(moved, slots.front());
        down(0);
        return moved;
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
        for (; i > 0 && slots[i]->lt(slots[(i - 1) / 2]); i = (i - 1) / 2) {
            std::swap(slots[i], slots[(i - 1) / 2]);
        }
    }
    // The left child unless the right one is strictly smaller; exchange only
    // while that child is strictly smaller than the moving item.
    void down(std::size_t i) {
        for (std::size_t child = 2 * i + 1; child < slots.size(); child = 2 * i + 1) {
            child += child + 1 < slots.size() && slots[child + 1]->lt(slots[child]) ? 1 : 0;
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
    // At most one node too many, so a cycle or a missing end is a wrong count, not a hang.
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

/// Runs operations on a linked heap and on the array, then checks them.
/// Owns every item it makes; removed items are reused, so inserting an item
/// that has been in the heap before is exercised too.
class HeapDriver {
  public:
    std::size_t size() const { return reference.slots.size(); }

    std::string insert(std::int32_t value) {
        if (spare.empty()) {
            spare.push_back(owned.emplace_back(std::make_unique<IntNodeData>(value)).get());
        }
        IntNodeData* item = spare.back();
        spare.pop_back();
        item->value = value;
        heap.insert(item);
        reference.insert(item);
        return check();
    }

    std::string deleteMin() {
        NodeData* got = heap.deleteMin();
        return removed(got, reference.deleteMin(), "deleteMin");
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
        const std::int64_t wanted =
            std::clamp<std::int64_t>(std::int64_t{item->value} + delta, INT32_MIN, INT32_MAX);
        const bool raise = wanted > item->value || (wanted == item->value && raiseIfSame);
        item->value = static_cast<std::int32_t>(wanted);
        (heap.*(raise ? &MinBinaryHeap::increaseKey : &MinBinaryHeap::decreaseKey))(item);
        (reference.*(raise ? &ReferenceHeap::increaseKey : &ReferenceHeap::decreaseKey))(item);
        return check();
    }

    /// member with a distinct probe object: equality of keys, not identity.
    std::string member(std::int32_t value) {
        IntNodeData probe(value);
        const auto same = [value](NodeData* item) {
            return static_cast<IntNodeData*>(item)->value == value;
        };
        if (heap.member(&probe) !=
            std::any_of(reference.slots.begin(), reference.slots.end(), same)) {
            return "member(" + std::to_string(value) + ") disagrees with the stored values";
        }
        return check();
    }

    /// Empties the heap through deleteMin, each returning the array's root, a
    /// minimum, so they come out sorted; one more on the empty heap must
    /// return null.
    std::string drain() {
        std::string fault;
        while (fault.empty() && size() != 0) {
            fault = deleteMin();
        }
        return fault.empty() ? deleteMin() : fault;
    }

    std::string check() const {
        const std::vector<NodeData*>& slots = reference.slots;
        std::string fault = checkStructure(heap, slots);
        // The linked heap now matches the array item for item, so heap order
        // is checked on the array, independently of the exchange rules.
        for (std::size_t i = 1; fault.empty() && i < size(); ++i) {
            if (slots[i]->lt(slots[(i - 1) / 2])) {
                fault = atNode(i, "item is less than its parent's");
            }
        }
        if (fault.empty() && (heap.isEmpty() != (size() == 0) ||
                              heap.min() != (size() == 0 ? nullptr : slots.front()))) {
            fault = "isEmpty or min disagrees with the array";
        }
        return fault;
    }

  private:
    std::string removed(NodeData* got, NodeData* want, const std::string& operation) {
        if (got != want) {
            return operation + " returned the wrong item";
        }
        if (got != nullptr && got->node != nullptr) {
            return operation + " left the returned item's node set";
        }
        if (got != nullptr) {
            spare.push_back(static_cast<IntNodeData*>(got));
        }
        return check();
    }

    std::vector<std::unique_ptr<IntNodeData>> owned;
    std::vector<IntNodeData*> spare; ///< Owned items outside the heap.
    ReferenceHeap reference;
    MinBinaryHeap heap; ///< Declared last, so it goes first, while its items still live.
};

} // namespace heapmodel

#endif // HEAP_TESTS_HEAPMODEL_H
