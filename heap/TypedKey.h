// SPDX-License-Identifier: MIT
// Typed keys for MinBinaryHeap, header-only.
//
// Key<T, Compare> is a NodeData holding a T, ordered by Compare on the T: the
// comparisons and print are written once here, so a key kind is one line,
//
//     using Timer = binaryheap::Key<Event, Earlier>;          // any T, any order
//     using Largest = binaryheap::Key<int, std::greater<int>>; // a max-heap
//
// and TypedHeap<K> is a MinBinaryHeap that takes and returns K, so no call
// site casts. Code built without NDEBUG stops with one line on standard error
// when a Key is compared with an item of another kind (two kinds mixed in one
// MinBinaryHeap); TypedHeap rules that out at compile time.
#ifndef HEAP_TYPEDKEY_H
#define HEAP_TYPEDKEY_H

#include <heap/BinaryHeap.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace binaryheap {

namespace detail {

// How Key::print writes a T: printKey(value) if the T's namespace declares
// one, a number as std::to_string writes it, or else nothing.
template <class T> auto printValue(const T& value, int) -> decltype(printKey(value), void()) {
    printKey(value);
}
template <class T>
auto printValue(const T& value, long) ->
    typename std::enable_if<std::is_arithmetic<T>::value>::type {
    std::fputs(std::to_string(value).c_str(), stdout);
}
template <class T> void printValue(const T& /*value*/, ...) {}

} // namespace detail

/// A heap item with a key of type T, ordered by Compare (a stateless function
/// object; std::less<T> puts the smallest first, std::greater<T> the
/// largest). Items are copied and moved as NodeData says: a copy is in no
/// heap, a moved-from stored item hands its place to the new one. Open to
/// subclassing, say to hang more data on an item.
template <class T, class Compare = std::less<T>> class Key : public NodeData {
  public:
    /// The key. After changing it while stored, tell the heap (update, or
    /// the hook for the direction).
    T value;

    Key() : value() {}
    explicit Key(const T& initial) : value(initial) {}
    explicit Key(T&& initial) : value(std::move(initial)) {}

    bool lt(NodeData* other) const override { return Compare()(value, of(other).value); }
    bool gt(NodeData* other) const override { return Compare()(of(other).value, value); }
    /// Neither orders before the other.
    bool eq(NodeData* other) const override { return !lt(other) && !gt(other); }
    void print() const override { detail::printValue(value, 0); }

    /// item, which must be a Key of this kind (or null), as one. Checked
    /// in code built without NDEBUG. O(1).
    static Key* from(NodeData* item) {
        if (item != nullptr) {
            (void)of(item);
        }
        return static_cast<Key*>(item);
    }

  private:
    /// The other item of a comparison, as a Key of this kind.
    static const Key& of(const NodeData* other) {
#ifndef NDEBUG
        if (dynamic_cast<const Key*>(other) == nullptr) {
            std::fputs("binaryheap::Key: compared with an item of another key kind\n", stderr);
            std::abort();
        }
#endif
        return *static_cast<const Key*>(other);
    }
};

/// A MinBinaryHeap of K items (a Key or a subclass of NodeData), taking and
/// returning K: no casts, no other kind. The operations, their costs and
/// their checks are MinBinaryHeap's.
template <class K> class TypedHeap {
    static_assert(std::is_base_of<NodeData, K>::value, "a heap item derives from NodeData");

  public:
    void insert(K& item) { heap_.insert(&item); }
    /// The first item in K's order, or null when empty.
    K* min() const { return static_cast<K*>(heap_.min()); }
    /// Removes and returns the first item, or null when empty.
    K* deleteMin() { return static_cast<K*>(heap_.deleteMin()); }
    void increaseKey(K& item) { heap_.increaseKey(&item); }
    void decreaseKey(K& item) { heap_.decreaseKey(&item); }
    void update(K& item) { heap_.update(&item); }
    void remove(K& item) { heap_.remove(&item); }
    bool contains(const K& item) const { return heap_.contains(&item); }
    bool isEmpty() const { return heap_.isEmpty(); }
    std::size_t size() const { return heap_.size(); }
    void clear() { heap_.clear(); }
    void swap(TypedHeap& other) noexcept { heap_.swap(other.heap_); }

    /// The heap itself, for what takes a MinBinaryHeap (print, member, the
    /// tree's links). Inserting another kind through it breaks the typing.
    MinBinaryHeap& base() { return heap_; }
    const MinBinaryHeap& base() const { return heap_; }

  private:
    MinBinaryHeap heap_;
};

template <class K> void swap(TypedHeap<K>& a, TypedHeap<K>& b) noexcept {
    a.swap(b);
}

} // namespace binaryheap

#endif // HEAP_TYPEDKEY_H
