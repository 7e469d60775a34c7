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
// Builds without NDEBUG check what callers hand in (requireItem); release
// builds compile the checks out and trust the caller.
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

/// Carries the hole down while the smaller child's item is lt item, moving
/// each such child item up one level, and returns where item goes.
BinaryHeapNode* pullSmallerChildrenUpWhileLess(BinaryHeapNode* hole, NodeData* item) {
    while (BinaryHeapNode* child = smallerChild(hole)) {
        NodeData* below = child->data;
        if (!below->lt(item)) {
            break;
        }
        placeItem(hole, below);
        hole = child;
    }
    return hole;
}

/// Carries the hole at start down the path of smaller children to a leaf,
/// moving each child item on the path up one level, and returns the leaf.
/// One lt per level: the moving item is compared only on the way back.
BinaryHeapNode* pullSmallerChildrenUp(BinaryHeapNode* start) {
    BinaryHeapNode* hole = start;
    while (BinaryHeapNode* child = smallerChild(hole)) {
        placeItem(hole, child->data);
        hole = child;
    }
    return hole;
}

/// Climbs the hole from a leaf back towards start while the item above it is
/// not lt item, moving those items down again, and returns where item goes.
/// By invariant 4 the items on the path never decrease going down, so this
/// is the node where pullSmallerChildrenUpWhileLess would stop, ties included.
BinaryHeapNode* climbBackToPlace(BinaryHeapNode* hole, const BinaryHeapNode* start,
                                 NodeData* item) {
    while (hole != start) {
        BinaryHeapNode* parent = hole->parent;
        NodeData* above = parent->data;
        if (above->lt(item)) {
            break;
        }
        placeItem(hole, above);
        hole = parent;
    }
    return hole;
}

/// Carries the hole up while item is lt the item above it, moving each such
/// item down one level, and returns where item goes. Inline, like
/// smallerChild: insert and decreaseKey both run it, mostly for a level or
/// two, where a call would cost as much as the walk.
inline BinaryHeapNode* pushLargerParentsDown(BinaryHeapNode* hole, NodeData* item) {
    for (BinaryHeapNode* parent = hole->parent; parent != nullptr; parent = hole->parent) {
        NodeData* above = parent->data;
        if (!item->lt(above)) {
            break;
        }
        placeItem(hole, above);
        hole = parent;
    }
    return hole;
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

/// Stops the program when a caller breaks the contract of operation: one line
/// on standard error naming the operation and the fault, then abort(). The
/// item must not be null; with no heap given (insert) it must be in no heap,
/// otherwise it must be stored in heap, which is found by walking up to the
/// root: O(log n). Compiled out when NDEBUG is defined.
void requireItem([[maybe_unused]] const char* operation, [[maybe_unused]] const NodeData* item,
                 [[maybe_unused]] const MinBinaryHeap* heap) {
#ifndef NDEBUG
    const char* fault = nullptr;
    if (item == nullptr) {
        fault = "null item";
    } else if (heap == nullptr) {
        fault = item->node != nullptr ? "item already in a heap" : nullptr;
    } else if (item->node == nullptr) {
        fault = "item in no heap";
    } else if (item->node->data != item) {
        fault = "item's node does not carry it";
    } else {
        const BinaryHeapNode* top = item->node;
        while (top->parent != nullptr) {
            top = top->parent;
        }
        fault = top != heap->root ? "item in another heap" : nullptr;
    }
    if (fault != nullptr) {
        std::fprintf(stderr, "MinBinaryHeap::%s: %s\n", operation, fault);
        std::abort();
    }
#endif
}

/// requireItem for an operation that only reads the item's key (member): any
/// item will do but null.
void requireKey([[maybe_unused]] const char* operation, [[maybe_unused]] const NodeData* item) {
#ifndef NDEBUG
    if (item == nullptr) {
        std::fprintf(stderr, "MinBinaryHeap::%s: null item\n", operation);
        std::abort();
    }
#endif
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

void MinBinaryHeap::insert(NodeData* item) {
    requireItem("insert", item, nullptr);
    placeItem(addLast(), item);
    decreaseKey(item);
}

NodeData* MinBinaryHeap::min() const {
    return root == nullptr ? nullptr : root->data;
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
    // half the comparisons of testing the item at every level, same result.
    BinaryHeapNode* leaf = pullSmallerChildrenUp(root);
    placeItem(climbBackToPlace(leaf, root, moved), moved);
    smallest->node = nullptr;
    return smallest;
}

bool MinBinaryHeap::isEmpty() const {
    return root == nullptr;
}

bool MinBinaryHeap::member(NodeData* item) {
    requireKey("member", item);
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

void MinBinaryHeap::increaseKey(NodeData* item) {
    requireItem("increaseKey", item, this);
    // Restores invariant 4 below the item. A raised key often stays close to
    // where it was, so test it at every level and stop as soon as it fits,
    // rather than walking to a leaf and back as deleteMin does.
    placeItem(pullSmallerChildrenUpWhileLess(item->node, item), item);
}

void MinBinaryHeap::decreaseKey(NodeData* item) {
    requireItem("decreaseKey", item, this);
    // Restores invariant 4 above the item.
    placeItem(pushLargerParentsDown(item->node, item), item);
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

void MinBinaryHeap::update(NodeData* item) {
    requireItem("update", item, this);
    BinaryHeapNode* node = item->node;
    BinaryHeapNode* parent = node->parent;
    if (parent != nullptr && item->lt(parent->data)) {
        // Already known to go up past its parent: start the walk there.
        placeItem(node, parent->data);
        placeItem(pushLargerParentsDown(parent, item), item);
    } else {
        placeItem(pullSmallerChildrenUpWhileLess(node, item), item);
    }
}

void MinBinaryHeap::remove(NodeData* item) {
    requireItem("remove", item, this);
    BinaryHeapNode* hole = item->node;
    NodeData* moved = deleteLast();
    if (moved != item) {
        // The last item fills the hole and finds its place from there.
        placeItem(hole, moved);
        update(moved);
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
