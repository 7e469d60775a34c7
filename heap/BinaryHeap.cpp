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
#include "BinaryHeap.h"

#include <cinttypes>
#include <cstdio>

namespace {

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
/// right one when its item is strictly smaller. Null at a leaf.
BinaryHeapNode* smallerChild(const BinaryHeapNode* node) {
    BinaryHeapNode* left = node->leftChild;
    BinaryHeapNode* right = node->rightChild;
    if (right != nullptr && right->data->lt(left->data)) {
        return right;
    }
    return left;
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

bool IntNodeData::lt(NodeData* other) const { return value < intValue(other); }

bool IntNodeData::gt(NodeData* other) const { return value > intValue(other); }

bool IntNodeData::eq(NodeData* other) const { return value == intValue(other); }

void IntNodeData::print() const { std::printf("%" PRId32, value); }

MinBinaryHeap::~MinBinaryHeap() {
    BinaryHeapNode* node = root;
    while (node != nullptr) {
        BinaryHeapNode* following = node->next;
        delete node;
        node = following;
    }
}

BinaryHeapNode* MinBinaryHeap::addLast() {
    // Allocate before touching any link, so a failed allocation leaves the
    // heap as it was.
    auto* fresh = new BinaryHeapNode;
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
    delete gone;
    last = before;
    // The item is in no heap now; its old node is freed.
    if (item != nullptr) {
        item->node = nullptr;
    }
    return item;
}

void MinBinaryHeap::insert(NodeData* item) {
    placeItem(addLast(), item);
    decreaseKey(item);
}

NodeData* MinBinaryHeap::min() const { return root == nullptr ? nullptr : root->data; }

NodeData* MinBinaryHeap::deleteMin() {
    if (root == nullptr) {
        return nullptr;
    }
    NodeData* moved = deleteLast();
    if (root == nullptr) {
        return moved;
    }
    NodeData* smallest = root->data;
    placeItem(root, moved);
    increaseKey(moved);
    smallest->node = nullptr;
    return smallest;
}

bool MinBinaryHeap::isEmpty() const { return root == nullptr; }

bool MinBinaryHeap::member(NodeData* item) {
    for (BinaryHeapNode* node = root; node != nullptr; node = node->next) {
        if (node->data->eq(item)) {
            return true;
        }
    }
    return false;
}

void MinBinaryHeap::increaseKey(NodeData* item) {
    // Invariant 4 below the item: instead of exchanging at every level, carry
    // the item down a hole; each smaller child item moves up one level.
    BinaryHeapNode* hole = item->node;
    for (BinaryHeapNode* child = smallerChild(hole);
         child != nullptr && child->data->lt(item); child = smallerChild(hole)) {
        placeItem(hole, child->data);
        hole = child;
    }
    placeItem(hole, item);
}

void MinBinaryHeap::decreaseKey(NodeData* item) {
    // Invariant 4 above the item: carry it up a hole; each larger parent item
    // moves down one level.
    BinaryHeapNode* hole = item->node;
    while (hole->parent != nullptr && item->lt(hole->parent->data)) {
        placeItem(hole, hole->parent->data);
        hole = hole->parent;
    }
    placeItem(hole, item);
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
