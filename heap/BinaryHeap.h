// SPDX-License-Identifier: MIT
// A pointer-linked binary min-heap of polymorphic keys.
//
// The tree is made of node records rather than an array. Besides its tree
// links every node is threaded on a doubly linked list in level order, which
// gives the last position at once and lets the next position's parent be found
// from the last node, its parent and that parent's successor, so the heap needs
// neither an array nor an element count.
//
// Keys are NodeData objects that know the node carrying them, so a caller that
// changed a key's value can ask the heap to re-position it with increaseKey or
// decreaseKey.
#ifndef HEAP_BINARYHEAP_H
#define HEAP_BINARYHEAP_H

#include <cstddef>
#include <cstdint>

/// The library's version, equal to its CMake package's and its packages'.
/// Stable from 1.1: the interface of NodeData, IntNodeData, BinaryHeapNode and
/// MinBinaryHeap, and every addition since. Not stable: the static library's
/// ABI (rebuild against each new version).
#define BINARYHEAP_VERSION_MAJOR 1
#define BINARYHEAP_VERSION_MINOR 1
#define BINARYHEAP_VERSION_PATCH 0
#define BINARYHEAP_VERSION "1.1.0"

/// Marks the operations whose contract checks follow the caller's NDEBUG:
/// always inlined, so no out-of-line copy built one way can serve a caller
/// built the other way.
#if defined(__GNUC__)
#define BINARYHEAP_CALLER_CHECKED [[gnu::always_inline]] inline
#else
#define BINARYHEAP_CALLER_CHECKED inline
#endif

class BinaryHeapNode;

/// An abstract heap key. A heap holds one kind of key only: the comparisons of
/// a subclass may read the other item as its own kind.
///
/// node is the item's hook into a heap, and belongs to the item's place, not
/// to its key: a copy is a new item in no heap (its node is null), and
/// assigning to an item, by copy or by move, changes its key and never its
/// node, so a stored item assigned a new key stays where it is until
/// increaseKey, decreaseKey or update moves it. Moving an item into a new
/// object (as a growing std::vector does) hands its place over: the new
/// object is stored where the old one was, and the old one is left in no
/// heap. Subclasses that define their own copy or move operations should keep
/// to this by calling NodeData's.
class NodeData {
  public:
    /// The node carrying this item, or null while the item is in no heap.
    BinaryHeapNode* node = nullptr;

    NodeData() = default;
    /// A new item in no heap, whatever the heap holding \p other.
    NodeData(const NodeData& /*other*/) noexcept {}
    /// Takes over \p other's place, if it has one; \p other is left in no heap.
    inline NodeData(NodeData&& other) noexcept;
    /// Leaves node alone: this item keeps its own place.
    NodeData& operator=(const NodeData& /*other*/) noexcept { return *this; }
    /// Leaves node alone, as the copy does: each item keeps its own place.
    NodeData& operator=(NodeData&& /*other*/) noexcept { return *this; }

    /// This key is less than \p other. The heap orders by this alone.
    virtual bool lt(NodeData* other) const = 0;
    /// This key is greater than \p other.
    virtual bool gt(NodeData* other) const = 0;
    /// The keys are equal (equality of keys, not identity).
    virtual bool eq(NodeData* other) const = 0;
    /// Writes the key to standard output, with nothing before or after it.
    virtual void print() const = 0;

    /// Items are destroyed through NodeData pointers.
    virtual ~NodeData() = default;
};

/// A signed 32-bit integer key.
class IntNodeData : public NodeData {
  public:
    std::int32_t value;

    /// A key with the given value, in no heap yet.
    explicit IntNodeData(std::int32_t initial) : value(initial) {}

    bool lt(NodeData* other) const override;
    bool gt(NodeData* other) const override;
    bool eq(NodeData* other) const override;
    /// Writes value in decimal: no separator, no newline.
    void print() const override;
};

/// One position of the tree. Owned by the heap that links it; callers may read
/// the links but only the heap changes them.
class BinaryHeapNode {
  public:
    BinaryHeapNode* parent = nullptr;     ///< Null at the root.
    BinaryHeapNode* leftChild = nullptr;  ///< Null when absent.
    BinaryHeapNode* rightChild = nullptr; ///< Null when absent.
    BinaryHeapNode* prev = nullptr;       ///< Level-order predecessor; null at the root.
    BinaryHeapNode* next = nullptr;       ///< Level-order successor; null at the last node.
    NodeData* data = nullptr;             ///< The item carried.
};

NodeData::NodeData(NodeData&& other) noexcept : node(other.node) {
    if (node != nullptr) {
        node->data = this;
        other.node = nullptr;
    }
}

/// A min-heap of NodeData items in a complete binary tree of linked nodes.
///
/// Ownership: the heap owns its BinaryHeapNode records. It takes them from a
/// pool of blocks it allocates as it grows; a removed position's record goes
/// back to the pool for the next addLast, and destroying the heap frees every
/// block. It never owns or frees items: an item stays the caller's and leaves
/// the heap by being returned.
///
/// The heap cannot be copied: a copy would free the same blocks twice. It can
/// be moved and swapped; no item moves then.
///
/// Contract: insert takes an item in no heap; increaseKey, decreaseKey,
/// update and remove take an item stored in this heap; increaseKey follows a
/// key that went up (or stayed), decreaseKey one that went down (or stayed),
/// each with heap order intact elsewhere; member takes any item but null.
/// Code compiled without NDEBUG checks this where it calls the heap (the
/// checks are inline here, so they follow the caller's build, not the
/// library's) and calls abort() after one line on standard error naming the
/// operation and the fault; code compiled with NDEBUG runs none of them. The
/// checked operations are inlined into every caller even unoptimised, so
/// files built with and without NDEBUG may share a program. A bottom-up
/// build (addLast for every item, then increaseKey from the last inner node
/// back to the root) is sound but has no heap order above the item, which
/// the check reads as a key that went down: run it from code built with
/// NDEBUG.
/// Empty-heap operations return null.
///
/// Exceptions: the heap throws none of its own, but lets through whatever lt
/// throws, and addLast's std::bad_alloc. Either way the operation has had no
/// effect: every item is where it was, with its node.
///
/// n is the number of items; "log n" is the tree's height.
class MinBinaryHeap {
  public:
    BinaryHeapNode* root = nullptr; ///< First node in level order; null when empty.
    BinaryHeapNode* last = nullptr; ///< Last node in level order; null when empty.

    /// An empty heap. O(1).
    MinBinaryHeap() = default;
    /// Frees every node record and none of the items, which may be gone
    /// already; so an item still stored keeps its node, which then dangles,
    /// until its owner resets it. O(number of pool blocks).
    ~MinBinaryHeap();
    MinBinaryHeap(const MinBinaryHeap&) = delete;
    MinBinaryHeap& operator=(const MinBinaryHeap&) = delete;
    /// Takes over \p other's nodes and items; \p other is left empty and
    /// usable. O(1).
    MinBinaryHeap(MinBinaryHeap&& other) noexcept;
    /// Items stored here leave with a null node, as by clear(); then takes
    /// over \p other's nodes and items, leaving \p other empty and usable. O(n).
    MinBinaryHeap& operator=(MinBinaryHeap&& other) noexcept;
    /// Exchanges the contents of two heaps; no item moves. O(1).
    void swap(MinBinaryHeap& other) noexcept;

    /// Appends an empty position at the end of level order and links it; the
    /// caller fills its data. A failed allocation leaves the heap unchanged.
    /// O(1) amortised.
    BinaryHeapNode* addLast();
    /// Removes the last position and returns its item with a null node, or
    /// null on an empty heap; the record goes back to the pool. Heap order is
    /// not restored. O(1).
    NodeData* deleteLast();
    /// Places \p item, which must be in no heap, at a new last position and
    /// moves it up to its place. O(log n).
    BINARYHEAP_CALLER_CHECKED void insert(NodeData* item) {
#ifndef NDEBUG
        requireContract(Operation::insert, item);
#endif
        insertUnchecked(item);
    }
    /// The smallest item, or null on an empty heap. O(1).
    NodeData* min() const {
        return root == nullptr ? nullptr : root->data;
    }
    /// Removes and returns the smallest item with a null node, or null on an
    /// empty heap. O(log n).
    NodeData* deleteMin();
    /// True when the heap holds no item. O(1).
    bool isEmpty() const {
        return root == nullptr;
    }
    /// True when some stored item eq \p item, which must not be null (a
    /// release build answers false for null). O(n).
    BINARYHEAP_CALLER_CHECKED bool member(NodeData* item) {
#ifndef NDEBUG
        requireContract(Operation::member, item);
#endif
        return memberUnchecked(item);
    }
    /// Moves \p item, which must be stored in this heap, down after its key
    /// went up. O(log n); the check is O(1) more comparisons.
    BINARYHEAP_CALLER_CHECKED void increaseKey(NodeData* item) {
#ifndef NDEBUG
        requireContract(Operation::increaseKey, item);
#endif
        increaseKeyUnchecked(item);
    }
    /// Moves \p item, which must be stored in this heap, up after its key went
    /// down. O(log n); the check is O(1) more comparisons.
    BINARYHEAP_CALLER_CHECKED void decreaseKey(NodeData* item) {
#ifndef NDEBUG
        requireContract(Operation::decreaseKey, item);
#endif
        decreaseKeyUnchecked(item);
    }
    /// Writes one line per node, in level order, to standard output. O(n).
    void print() const;

    /// Moves \p item, which must be stored in this heap, to its place after
    /// its key changed either way. O(log n).
    BINARYHEAP_CALLER_CHECKED void update(NodeData* item) {
#ifndef NDEBUG
        requireContract(Operation::update, item);
#endif
        updateUnchecked(item);
    }
    /// Takes \p item, which must be stored in this heap, out of it: its node
    /// becomes null and heap order is restored. O(log n).
    BINARYHEAP_CALLER_CHECKED void remove(NodeData* item) {
#ifndef NDEBUG
        requireContract(Operation::remove, item);
#endif
        removeUnchecked(item);
    }
    /// True when this very item (identity, not eq) is stored in this heap;
    /// false for null. The item must be in no heap or in a live one. O(log n).
    bool contains(const NodeData* item) const;
    /// The number of items, read from the last node's place in the tree. O(log n).
    std::size_t size() const;
    /// Every stored item leaves with a null node; the heap is empty and keeps
    /// its records for reuse. O(n).
    void clear();

  private:
    /// The operations whose callers' contract is checked.
    enum class Operation : unsigned char {
        insert,
        member,
        increaseKey,
        decreaseKey,
        update,
        remove
    };

    /// Stops the program with one line on standard error if \p item breaks
    /// the contract of \p operation. Always in the library; called only from
    /// callers built without NDEBUG. O(1) comparisons, plus a walk over the
    /// pool's blocks for the items that must be stored here, which never
    /// reads a record this heap did not hand out (an item of a destroyed
    /// heap is reported, not followed).
    void requireContract(Operation operation, NodeData* item) const;
    /// node is a record this heap has carved from its blocks. Reads no record.
    bool carvedHere(const BinaryHeapNode* node) const;
    /// node is a record back in the pool (told apart under AddressSanitizer only).
    bool isPooled(const BinaryHeapNode* node) const;

    // The operations themselves, trusting the caller.
    void insertUnchecked(NodeData* item);
    bool memberUnchecked(NodeData* item);
    void increaseKeyUnchecked(NodeData* item);
    void decreaseKeyUnchecked(NodeData* item);
    void updateUnchecked(NodeData* item);
    void removeUnchecked(NodeData* item);

    /// A block of node records, with what the destructor needs to free it.
    struct NodeBlock;

    /// A cleared record from the pool, growing it when it has none. O(1) amortised.
    BinaryHeapNode* takeNode();
    /// Returns a record no position uses any more to the pool. O(1).
    void releaseNode(BinaryHeapNode* node);
    /// Allocates a block for takeNode to carve records from. O(1).
    void growPool();

    NodeBlock* blocks_ = nullptr;     ///< Every block allocated, newest first.
    BinaryHeapNode* spare_ = nullptr; ///< Unused records, chained through next.
};

/// Exchanges the contents of two heaps. O(1).
inline void swap(MinBinaryHeap& a, MinBinaryHeap& b) noexcept {
    a.swap(b);
}

#endif // HEAP_BINARYHEAP_H
