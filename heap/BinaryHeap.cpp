// SPDX-License-Identifier: MIT
// The linked binary min-heap.
//
// Invariants, restored by every public operation before it returns:
//
//  1. Shape: the nodes form a complete binary tree. Every level but the lowest
//     is full and the lowest is filled from the left.
//  2. Level order: following next from root visits every node once, in level
//     order, and ends at last; prev runs the same list backwards. The root's
//     prev and parent and the last node's next are null. root and last are
//     null exactly when the heap is empty.
//  3. Back-links: for every node n, n->data->node == n.
//  4. Heap order: no item is lt its parent's item.
//
// Nodes never move once linked: re-ordering moves items between nodes, so
// invariants 1 and 2 only change in addLast and deleteLast.
//
// Node records come from a pool of blocks owned by the heap. A removed
// position's record is reused by the next addLast, and positions are only
// ever added and removed at the end, so position k keeps the same record for
// the heap's whole life: records sit in level order inside each block, and a
// node's children and parent lie close to it in memory. Moving an item costs
// pointer chasing through nodes and items, so the re-ordering loops are
// written to keep few loads waiting on each other.
//
// What callers hand in is checked by the inline operations of the header,
// in code built without NDEBUG, through requireContract here; the library
// runs no check of its own, so calls from within it go straight to the
// unchecked operations.
//
// If lt throws, every operation puts back what it had moved before the
// exception leaves it: the walks keep where the moving item started, so the
// items shifted one level along the path since then can be shifted back
// without a comparison, and a position taken off the end is re-linked from
// the record just returned to the pool, which cannot fail.
#include "BinaryHeap.h"

#include <algorithm>
#include <cinttypes>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>

// Under AddressSanitizer, pooled records nobody uses are poisoned, so a stale
// pointer to a removed position is still reported as it would be after delete.
#if defined(__SANITIZE_ADDRESS__)
#define HEAP_POOL_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HEAP_POOL_POISONING 1
#endif
#endif
#ifdef HEAP_POOL_POISONING
#include <sanitizer/asan_interface.h>
#endif

// Code built with -fno-exceptions has nothing to undo.
#if defined(__cpp_exceptions) || defined(__EXCEPTIONS)
#define HEAP_TRY try
#define HEAP_CATCH_ALL catch (...)
#define HEAP_RETHROW throw
#else
#define HEAP_TRY if (true)
#define HEAP_CATCH_ALL else
#define HEAP_RETHROW
#endif

/// A block of pooled records: this header, then capacity records, of which
/// the first carved have been handed out.
struct MinBinaryHeap::NodeBlock {
    NodeBlock* older;
    std::size_t capacity;
    std::size_t carved;

    /// The block's records, just past the header.
    BinaryHeapNode* records() { return reinterpret_cast<BinaryHeapNode*>(this + 1); }
};

namespace {

/// Records in the first block; each later block doubles up to the largest.
/// Small heaps stay small, large ones get long level-ordered runs.
constexpr std::size_t firstBlockCapacity = 16;
constexpr std::size_t largestBlockCapacity = std::size_t{1} << 13;

/// Makes a pooled record unusable (under AddressSanitizer) or usable again.
void poison([[maybe_unused]] BinaryHeapNode* node, [[maybe_unused]] std::size_t count) {
#ifdef HEAP_POOL_POISONING
    ASAN_POISON_MEMORY_REGION(node, count * sizeof(BinaryHeapNode));
#endif
}
void unpoison([[maybe_unused]] BinaryHeapNode* node, [[maybe_unused]] std::size_t count) {
#ifdef HEAP_POOL_POISONING
    ASAN_UNPOISON_MEMORY_REGION(node, count * sizeof(BinaryHeapNode));
#endif
}

/// Starts loading a node that is likely needed soon; a hint only, null is fine.
void prefetch([[maybe_unused]] const BinaryHeapNode* node) {
#if defined(__GNUC__)
    __builtin_prefetch(node);
#endif
}

/// Reads the other key of an integer heap; a heap holds one kind of key only.
std::int32_t intValue(const NodeData* other) {
    return static_cast<const IntNodeData*>(other)->value;
}

/// Puts item into node, keeping the two links of invariant 3 in step.
void placeItem(BinaryHeapNode* node, NodeData* item) {
    node->data = item;
    item->node = node;
}

/// The child an item moving down would exchange with: the left child, or the
/// right one when its item is lt the left one's. Null at a leaf. While the
/// comparison waits for the two items it starts loading the next level, which
/// a walk down reads next whichever child wins.
inline BinaryHeapNode* smallerChild(const BinaryHeapNode* node) {
    BinaryHeapNode* left = node->leftChild;
    BinaryHeapNode* right = node->rightChild;
    if (right == nullptr) {
        return left;
    }
    prefetch(left->leftChild);
    prefetch(right->leftChild);
    return right->data->lt(left->data) ? right : left;
}

/// Undoes a walk down from start that has carried the hole to hole: each
/// node on the path from hole up to start takes back the item its parent
/// holds (which came up from it), and start gets item. No comparison.
void restoreWalkDown(BinaryHeapNode* start, BinaryHeapNode* hole, NodeData* item) noexcept {
    for (; hole != start; hole = hole->parent) {
        placeItem(hole, hole->parent->data);
    }
    placeItem(start, item);
}

/// Undoes a walk up from start that has carried the hole to hole: each node
/// on the path from start up to hole gives its item (which came down from
/// its parent) back up, and start gets item. No comparison.
void restoreWalkUp(BinaryHeapNode* start, BinaryHeapNode* hole, NodeData* item) noexcept {
    for (BinaryHeapNode* node = start; node != hole; node = node->parent) {
        NodeData* fromAbove = node->data;
        placeItem(node, item);
        item = fromAbove;
    }
    placeItem(hole, item);
}

/// Carries the hole at start, where item was, down while the smaller child's
/// item is lt item, moving each such child item up one level, then puts item
/// in the hole.
void moveDown(BinaryHeapNode* start, NodeData* item) {
    BinaryHeapNode* hole = start;
    HEAP_TRY {
        while (BinaryHeapNode* child = smallerChild(hole)) {
            NodeData* below = child->data;
            if (!below->lt(item)) {
                break;
            }
            placeItem(hole, below);
            hole = child;
        }
    }
    HEAP_CATCH_ALL {
        restoreWalkDown(start, hole, item);
        HEAP_RETHROW;
    }
    placeItem(hole, item);
}

/// Carries the hole up from hole while item is lt the item above it, moving
/// each such item down one level, then puts item in the hole. The walk began
/// at start, where item was: hole is start or an ancestor the items between
/// have already been moved down from. Inline, like smallerChild: insert and
/// decreaseKey both run it, mostly for a level or two, where a call would
/// cost as much as the walk.
inline void moveUp(BinaryHeapNode* start, BinaryHeapNode* hole, NodeData* item) {
    HEAP_TRY {
        for (BinaryHeapNode* parent = hole->parent; parent != nullptr; parent = hole->parent) {
            NodeData* above = parent->data;
            if (!item->lt(above)) {
                break;
            }
            placeItem(hole, above);
            hole = parent;
        }
    }
    HEAP_CATCH_ALL {
        restoreWalkUp(start, hole, item);
        HEAP_RETHROW;
    }
    placeItem(hole, item);
}

/// Links fresh as the child a complete tree grows next, given the current last
/// node (invariant 1). The next position hangs under last's parent while that
/// parent has no right child, else under the parent's level-order successor,
/// the first node still without children.
void attachAfterLast(BinaryHeapNode* last, BinaryHeapNode* fresh) {
    BinaryHeapNode* parent = last->parent;
    if (parent == nullptr) {
        fresh->parent = last;
        last->leftChild = fresh;
    } else if (parent->leftChild == last) {
        fresh->parent = parent;
        parent->rightChild = fresh;
    } else {
        BinaryHeapNode* firstWithoutChildren = parent->next;
        fresh->parent = firstWithoutChildren;
        firstWithoutChildren->leftChild = fresh;
    }
}

/// Cuts node off from its parent's child links.
void detachFromParent(BinaryHeapNode* node) {
    BinaryHeapNode* parent = node->parent;
    if (parent->leftChild == node) {
        parent->leftChild = nullptr;
    } else {
        parent->rightChild = nullptr;
    }
}

/// Prints a neighbour's item after its label, or nothing when it is absent.
void printNeighbour(const char* label, const BinaryHeapNode* neighbour) {
    std::fputs(label, stdout);
    if (neighbour != nullptr) {
        neighbour->data->print();
    }
}

} // namespace

bool IntNodeData::lt(NodeData* other) const {
    return value < intValue(other);
}

bool IntNodeData::gt(NodeData* other) const {
    return value > intValue(other);
}

bool IntNodeData::eq(NodeData* other) const {
    return value == intValue(other);
}

void IntNodeData::print() const {
    std::printf("%" PRId32, value);
}

MinBinaryHeap::~MinBinaryHeap() {
    // Every record lives in some block, so freeing the blocks frees them all,
    // linked or pooled; items are the caller's and stay untouched.
    NodeBlock* block = blocks_;
    while (block != nullptr) {
        NodeBlock* older = block->older;
        unpoison(block->records(), block->capacity);
        ::operator delete(block);
        block = older;
    }
}

void MinBinaryHeap::growPool() {
    static_assert(sizeof(NodeBlock) % alignof(BinaryHeapNode) == 0,
                  "records must be aligned right after the block header");
    const std::size_t capacity = blocks_ == nullptr
                                     ? firstBlockCapacity
                                     : std::min(blocks_->capacity * 2, largestBlockCapacity);
    // The only step that can fail, and nothing has changed yet.
    void* storage = ::operator new(sizeof(NodeBlock) + capacity * sizeof(BinaryHeapNode));
    blocks_ = ::new (storage) NodeBlock{blocks_, capacity, 0};
    // The records are carved off one by one as positions are added, not
    // chained up front, so a heap touches only the memory its positions use.
    poison(blocks_->records(), capacity);
}

BinaryHeapNode* MinBinaryHeap::takeNode() {
    BinaryHeapNode* node = spare_;
    if (node != nullptr) {
        unpoison(node, 1);
        spare_ = node->next;
    } else {
        // The newest block's next record: consecutive positions get
        // consecutive records, so nodes next to each other in level order
        // are next to each other in memory.
        if (blocks_ == nullptr || blocks_->carved == blocks_->capacity) {
            growPool();
        }
        node = blocks_->records() + blocks_->carved++;
        unpoison(node, 1);
    }
    return ::new (node) BinaryHeapNode;
}

void MinBinaryHeap::releaseNode(BinaryHeapNode* node) {
    node->next = spare_;
    spare_ = node;
    poison(node, 1);
}

BinaryHeapNode* MinBinaryHeap::addLast() {
    // Take the record before touching any link, so a failed allocation leaves
    // the heap as it was.
    BinaryHeapNode* fresh = takeNode();
    fresh->prev = last;
    if (last == nullptr) {
        root = fresh;
    } else {
        last->next = fresh;
        attachAfterLast(last, fresh);
    }
    last = fresh;
    return fresh;
}

NodeData* MinBinaryHeap::deleteLast() {
    if (last == nullptr) {
        return nullptr;
    }
    BinaryHeapNode* gone = last;
    NodeData* item = gone->data;
    BinaryHeapNode* before = gone->prev;
    if (before == nullptr) {
        root = nullptr;
    } else {
        before->next = nullptr;
        detachFromParent(gone);
    }
    releaseNode(gone);
    last = before;
    // The item is in no heap now; its old node is back in the pool.
    if (item != nullptr) {
        item->node = nullptr;
    }
    return item;
}

void MinBinaryHeap::insertUnchecked(NodeData* item) {
    BinaryHeapNode* fresh = addLast();
    placeItem(fresh, item);
    HEAP_TRY {
        moveUp(fresh, fresh, item);
    }
    HEAP_CATCH_ALL {
        deleteLast(); // item is back in fresh: take it out again
        HEAP_RETHROW;
    }
}

NodeData* MinBinaryHeap::deleteMin() {
    if (root == nullptr) {
        return nullptr;
    }
    NodeData* moved = deleteLast();
    if (root == nullptr) {
        return moved;
    }
    NodeData* smallest = root->data;
    // Invariant 4 for the last item moved into the root. It came from the
    // bottom and nearly always sinks back to it, so walk the smaller-child
    // path to a leaf first and climb back the level or two it overshot: about
    // half the comparisons of testing the item at every level, same result
    // (by invariant 4 the items on the path never decrease going down, so the
    // climb stops where a walk testing every level would have, ties included).
    // One lt per level on the way down: the moving item is compared only on
    // the way back.
    BinaryHeapNode* hole = root;
    HEAP_TRY {
        while (BinaryHeapNode* child = smallerChild(hole)) {
            placeItem(hole, child->data);
            hole = child;
        }
        while (hole != root) {
            BinaryHeapNode* parent = hole->parent;
            NodeData* above = parent->data;
            if (above->lt(moved)) {
                break;
            }
            placeItem(hole, above);
            hole = parent;
        }
    }
    HEAP_CATCH_ALL {
        // The path back as it was, smallest in the root, and the last item
        // at the end again, in the record deleteLast just gave back.
        restoreWalkDown(root, hole, smallest);
        placeItem(addLast(), moved);
        HEAP_RETHROW;
    }
    placeItem(hole, moved);
    smallest->node = nullptr;
    return smallest;
}

bool MinBinaryHeap::memberUnchecked(NodeData* item) {
    if (item == nullptr) {
        return false; // no key, so nothing stored equals it
    }
    for (BinaryHeapNode* node = root; node != nullptr; node = node->next) {
        if (node->data->eq(item)) {
            return true;
        }
    }
    return false;
}

void MinBinaryHeap::increaseKeyUnchecked(NodeData* item) {
    // Restores invariant 4 below the item. A raised key often stays close to
    // where it was, so test it at every level and stop as soon as it fits,
    // rather than walking to a leaf and back as deleteMin does.
    moveDown(item->node, item);
}

void MinBinaryHeap::decreaseKeyUnchecked(NodeData* item) {
    // Restores invariant 4 above the item.
    BinaryHeapNode* node = item->node;
    moveUp(node, node, item);
}

void MinBinaryHeap::print() const {
    for (const BinaryHeapNode* node = root; node != nullptr; node = node->next) {
        node->data->print();
        printNeighbour(" prev=", node->prev);
        printNeighbour(" next=", node->next);
        printNeighbour(" parent=", node->parent);
        printNeighbour(" leftChild=", node->leftChild);
        printNeighbour(" rightChild=", node->rightChild);
        std::fputs("\n", stdout);
        std::fflush(stdout);
    }
}

MinBinaryHeap::MinBinaryHeap(MinBinaryHeap&& other) noexcept
    : root(std::exchange(other.root, nullptr)), last(std::exchange(other.last, nullptr)),
      blocks_(std::exchange(other.blocks_, nullptr)), spare_(std::exchange(other.spare_, nullptr)) {
}

MinBinaryHeap& MinBinaryHeap::operator=(MinBinaryHeap&& other) noexcept {
    if (this != &other) {
        clear();
        MinBinaryHeap gone(std::move(*this));
        swap(other);
    }
    return *this;
}

void MinBinaryHeap::swap(MinBinaryHeap& other) noexcept {
    std::swap(root, other.root);
    std::swap(last, other.last);
    std::swap(blocks_, other.blocks_);
    std::swap(spare_, other.spare_);
}

void MinBinaryHeap::updateUnchecked(NodeData* item) {
    BinaryHeapNode* node = item->node;
    BinaryHeapNode* parent = node->parent;
    if (parent != nullptr && item->lt(parent->data)) {
        // Already known to go up past its parent: start the walk there.
        placeItem(node, parent->data);
        moveUp(node, parent, item);
    } else {
        moveDown(node, item);
    }
}

void MinBinaryHeap::removeUnchecked(NodeData* item) {
    BinaryHeapNode* hole = item->node;
    NodeData* moved = deleteLast();
    if (moved != item) {
        // The last item fills the hole and finds its place from there.
        placeItem(hole, moved);
        HEAP_TRY {
            updateUnchecked(moved);
        }
        HEAP_CATCH_ALL {
            // moved is back in the hole: return it to the end, in the record
            // deleteLast just gave back, and item to its place.
            placeItem(addLast(), moved);
            placeItem(hole, item);
            HEAP_RETHROW;
        }
        item->node = nullptr;
    }
}

bool MinBinaryHeap::contains(const NodeData* item) const {
    if (item == nullptr || item->node == nullptr || item->node->data != item) {
        return false;
    }
    const BinaryHeapNode* top = item->node;
    while (top->parent != nullptr) {
        top = top->parent;
    }
    return top == root;
}

std::size_t MinBinaryHeap::size() const {
    if (last == nullptr) {
        return 0;
    }
    // The last node's 1-based level-order index, written in binary, is a
    // leading 1 followed by the path from the root: 0 for left, 1 for right.
    std::size_t path = 0;
    unsigned depth = 0;
    for (const BinaryHeapNode* node = last; node->parent != nullptr; node = node->parent) {
        if (node->parent->rightChild == node) {
            path |= std::size_t{1} << depth;
        }
        ++depth;
    }
    return (std::size_t{1} << depth) | path;
}

void MinBinaryHeap::clear() {
    // From the last position back, so that the root's record is the pool's
    // next and every position gets its old record again as the heap regrows.
    BinaryHeapNode* node = last;
    while (node != nullptr) {
        BinaryHeapNode* before = node->prev;
        if (node->data != nullptr) {
            node->data->node = nullptr;
        }
        releaseNode(node);
        node = before;
    }
    root = nullptr;
    last = nullptr;
}

void MinBinaryHeap::requireContract(Operation operation, NodeData* item) const {
    static const char* const names[] = {"insert",      "member", "increaseKey",
                                        "decreaseKey", "update", "remove"};
    const char* fault = nullptr;
    if (item == nullptr) {
        fault = "null item";
    } else if (operation == Operation::insert) {
        fault = item->node != nullptr ? "item already in a heap" : nullptr;
    } else if (operation == Operation::member) {
        fault = nullptr; // any key will do
    } else if (item->node == nullptr) {
        fault = "item in no heap";
    } else if (!carvedHere(item->node)) {
        // Stored in another heap, or in one destroyed since: either way its
        // node is not followed, as it may have been freed.
        fault = "item in another heap";
    } else if (isPooled(item->node) || item->node->data != item) {
        fault = "item's node does not carry it";
    } else {
        // O(1): the key must not have moved against the hook's direction,
        // which heap order elsewhere lets us see at the item's neighbours.
        const BinaryHeapNode* node = item->node;
        const BinaryHeapNode* parent = node->parent;
        const BinaryHeapNode* left = node->leftChild;
        const BinaryHeapNode* right = node->rightChild;
        if (operation == Operation::increaseKey && parent != nullptr && item->lt(parent->data)) {
            fault = "key went down; decreaseKey or update moves it up";
        } else if (operation == Operation::decreaseKey &&
                   ((left != nullptr && left->data->lt(item)) ||
                    (right != nullptr && right->data->lt(item)))) {
            fault = "key went up; increaseKey or update moves it down";
        }
    }
    if (fault != nullptr) {
        std::fprintf(stderr, "MinBinaryHeap::%s: %s\n", names[static_cast<int>(operation)], fault);
        std::abort();
    }
}

bool MinBinaryHeap::carvedHere(const BinaryHeapNode* node) const {
    // Addresses are compared as integers: node may point into freed memory,
    // which must not be read, and pointers into different objects do not
    // compare with < in C++.
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(node);
    for (NodeBlock* block = blocks_; block != nullptr; block = block->older) {
        const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(block->records());
        if (address >= first && address < first + block->carved * sizeof(BinaryHeapNode)) {
            return (address - first) % sizeof(BinaryHeapNode) == 0;
        }
    }
    return false;
}

bool MinBinaryHeap::isPooled([[maybe_unused]] const BinaryHeapNode* node) const {
#ifdef HEAP_POOL_POISONING
    return __asan_address_is_poisoned(node) != 0;
#else
    // Without the sanitizer a pooled record is not told from a linked one;
    // a pooled record never carries an item whose node names it, as the item
    // left with a null node when the record was returned.
    return false;
#endif
}
