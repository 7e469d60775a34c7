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

/// What ThrowingKey throws.
struct LtThrew {};

/// An integer key whose lt throws on the countdown-th comparison, counting
/// every key's comparisons together, while countdown is above zero.
struct ThrowingKey : IntNodeData {
    using IntNodeData::IntNodeData;
    static inline long countdown = 0;

    bool lt(NodeData* other) const override {
        if (countdown > 0 && --countdown == 0) {
            throw LtThrew{};
        }
        return IntNodeData::lt(other);
    }
};

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
    /// Up past a strictly larger parent, else down: where either hook would go.
    void update(NodeData* item) { settle(indexOf(item)); }
    /// The last item fills the hole and settles from there.
    void remove(NodeData* item) {
        const std::size_t i = indexOf(item);
        NodeData* moved = deleteLast();
        if (moved != item) {
            slots[i] = moved;
            settle(i);
        }
    }
    bool holds(const NodeData* item) const {
        return std::find(slots.begin(), slots.end(), item) != slots.end();
    }

  private:
    void settle(std::size_t i) {
        if (i > 0 && slots[i]->lt(slots[(i - 1) / 2])) {
            up(i);
        } else {
            down(i);
        }
    }
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
/// that has been in the heap before is exercised too. A second heap, other,
/// with its own array, takes part through swap and move assignment, so the
/// operations keep landing on heaps that have been moved and swapped.
class HeapDriver {
  public:
    std::size_t size() const { return reference.slots.size(); }

    /// While set, each operation that compares keys is first run with lt
    /// throwing at its 1st comparison, then its 2nd, and so on until it gets
    /// through; after every throw the heap must be exactly as before.
    bool exhaustive = false;

    std::string insert(std::int32_t value) {
        if (spare.empty()) {
            spare.push_back(owned.emplace_back(std::make_unique<ThrowingKey>(value)).get());
        }
        IntNodeData* item = spare.back();
        spare.pop_back();
        item->value = value;
        std::string fault = guarded([&] { heap.insert(item); }, item);
        if (!fault.empty()) {
            return fault;
        }
        reference.insert(item);
        return check();
    }

    std::string deleteMin() {
        NodeData* got = nullptr;
        const std::string fault = guarded([&] { got = heap.deleteMin(); });
        return fault.empty() ? removed(got, reference.deleteMin(), "deleteMin") : fault;
    }
    std::string deleteLast() {
        NodeData* got = heap.deleteLast();
        return removed(got, reference.deleteLast(), "deleteLast");
    }

    /// Moves the value of the item at level-order position (position mod
    /// size) by delta, clamped to 32 bits, and calls the hook for the
    /// direction; an unchanged value calls the hook chosen by raiseIfSame.
    /// With either set, update is called instead, whichever way it went.
    std::string nudge(std::size_t position, std::int64_t delta, bool raiseIfSame,
                      bool either = false) {
        if (size() == 0) {
            return check();
        }
        auto* item = static_cast<IntNodeData*>(reference.slots[position % size()]);
        const std::int64_t wanted =
            std::clamp<std::int64_t>(std::int64_t{item->value} + delta, INT32_MIN, INT32_MAX);
        const bool raise = wanted > item->value || (wanted == item->value && raiseIfSame);
        item->value = static_cast<std::int32_t>(wanted);
        const auto hook = either  ? &MinBinaryHeap::update
                          : raise ? &MinBinaryHeap::increaseKey
                                  : &MinBinaryHeap::decreaseKey;
        const std::string fault = guarded([&] { (heap.*hook)(item); }, nullptr, true);
        if (!fault.empty()) {
            return fault;
        }
        (reference.*(either  ? &ReferenceHeap::update
                     : raise ? &ReferenceHeap::increaseKey
                             : &ReferenceHeap::decreaseKey))(item);
        return check();
    }

    /// Takes out the item at level-order position (position mod size).
    std::string remove(std::size_t position) {
        if (size() == 0) {
            return check();
        }
        NodeData* item = reference.slots[position % size()];
        const std::string fault = guarded([&] { heap.remove(item); });
        if (!fault.empty()) {
            return fault;
        }
        reference.remove(item);
        return removed(item, item, "remove");
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

    /// contains for any item ever made (stored here, in other, or in none),
    /// and for a probe equal in key to a stored one: identity, not eq.
    std::string contains(std::size_t which) {
        if (owned.empty()) {
            return check();
        }
        const IntNodeData* item = owned[which % owned.size()].get();
        const IntNodeData probe(item->value);
        if (heap.contains(item) != reference.holds(item) ||
            other.contains(item) != otherReference.holds(item) || heap.contains(&probe) ||
            heap.contains(nullptr)) {
            return "contains disagrees with the arrays";
        }
        return check();
    }

    /// Every item leaves with a null node; the heap is reused afterwards.
    std::string clear() {
        heap.clear();
        const std::string fault = leftBehind(reference);
        return fault.empty() ? check() : fault;
    }

    /// Exchanges the two heaps, as std::swap and the member do alike.
    std::string swap(bool member) {
        if (member) {
            heap.swap(other);
        } else {
            using std::swap;
            swap(heap, other);
        }
        std::swap(reference, otherReference);
        return check();
    }

    /// heap = std::move(other): heap's items leave with a null node, other's
    /// items come over, other is left empty and usable. Or, with throughTemporary,
    /// the heap is moved into a temporary that is checked and moved back.
    std::string move(bool throughTemporary) {
        if (throughTemporary) {
            MinBinaryHeap temporary(std::move(heap));
            std::string fault = checkStructure(heap, {});
            if (fault.empty()) {
                fault = checkStructure(temporary, reference.slots);
            }
            heap = std::move(temporary);
            return fault.empty() ? checkStructure(temporary, {}) + check() : fault;
        }
        heap = std::move(other);
        std::string fault = leftBehind(reference);
        std::swap(reference, otherReference);
        return fault.empty() ? check() : fault;
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
        std::string fault = checkHeap(heap, reference);
        if (fault.empty()) {
            fault = checkHeap(other, otherReference);
            fault = fault.empty() ? fault : "other heap: " + fault;
        }
        return fault;
    }

  private:
    /// Runs call once, or, when exhaustive, as the flag says; outside, if
    /// given, must be left in no heap by every throw. After a key changed
    /// and before its hook ran, heap order is not there to check: the items'
    /// places are.
    template <class Call>
    std::string guarded(Call call, const NodeData* outside = nullptr, bool keyChanged = false) {
        for (long k = exhaustive ? 1 : 0;; ++k) {
            ThrowingKey::countdown = k;
            try {
                call();
                ThrowingKey::countdown = 0;
                return {};
            } catch (const LtThrew&) {
                ThrowingKey::countdown = 0;
                std::string fault = keyChanged ? checkStructure(heap, reference.slots) : check();
                if (fault.empty() && outside != nullptr && outside->node != nullptr) {
                    fault = "the item given is left in the heap";
                }
                if (!fault.empty()) {
                    return "after lt threw at comparison " + std::to_string(k) + ": " + fault;
                }
            }
        }
    }

    static std::string checkHeap(const MinBinaryHeap& linked, const ReferenceHeap& array) {
        const std::vector<NodeData*>& slots = array.slots;
        std::string fault = checkStructure(linked, slots);
        // The linked heap now matches the array item for item, so heap order
        // is checked on the array, independently of the exchange rules.
        for (std::size_t i = 1; fault.empty() && i < slots.size(); ++i) {
            if (slots[i]->lt(slots[(i - 1) / 2])) {
                fault = atNode(i, "item is less than its parent's");
            }
        }
        if (fault.empty() && (linked.isEmpty() != slots.empty() ||
                              linked.min() != (slots.empty() ? nullptr : slots.front()))) {
            fault = "isEmpty or min disagrees with the array";
        }
        if (fault.empty() && linked.size() != slots.size()) {
            fault = "size " + std::to_string(linked.size()) + ", expected " +
                    std::to_string(slots.size());
        }
        return fault;
    }

    /// The array's items, just taken out of the linked heap all at once,
    /// must have a null node; they become spare and the array empty.
    std::string leftBehind(ReferenceHeap& array) {
        for (NodeData* item : array.slots) {
            if (item->node != nullptr) {
                return "an item taken out with the others kept its node";
            }
            spare.push_back(static_cast<IntNodeData*>(item));
        }
        array.slots.clear();
        return {};
    }

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

    std::vector<std::unique_ptr<ThrowingKey>> owned;
    std::vector<IntNodeData*> spare; ///< Owned items outside both heaps.
    ReferenceHeap reference, otherReference;
    /// Declared last, so they go first, while their items still live.
    MinBinaryHeap heap, other;
};

} // namespace heapmodel

#endif // HEAP_TESTS_HEAPMODEL_H
