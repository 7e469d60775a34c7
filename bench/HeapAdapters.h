// SPDX-License-Identifier: MIT
// One small interface over every heap the benchmarks compare, so each workload
// is written once and all heaps run exactly the same sequence of operations.
//
// An adapter holds items named by dense ids 0..capacity-1, each with an int32
// key, and offers:
//   push(id, key)   the item enters the heap with that key;
//   popMin()        removes a smallest item and returns {id, key};
//   lower(id, key)  a stored item's key goes down;
//   raise(id, key)  a stored item's key goes up;
//   key(id)         a stored item's current key;
//   empty().
// Heaps without a decrease operation (std::priority_queue) use lazy deletion:
// every change pushes a fresh entry and popMin may return stale ones, which
// the caller recognises by comparing the key with its own record.
//
// A whole-life class times a heap from construction to destruction instead:
//   load(keys, n)   outside the timing, puts n keys into the items;
//   life(n)         constructs a heap, inserts the n items, removes the
//                   minimum until empty, destroys the heap; returns the sum
//                   of the keys removed, so nothing can be optimised away.
#ifndef HEAP_BENCH_HEAPADAPTERS_H
#define HEAP_BENCH_HEAPADAPTERS_H

#include "Inputs.h"

#include <heap/BinaryHeap.h>

#include <boost/heap/d_ary_heap.hpp>
#include <boost/heap/pairing_heap.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <queue>
#include <type_traits>
#include <vector>

namespace bench {

struct Popped {
    Id id;
    Key key;
};

/// The linked heap with its own integer items, one per id.
class LinkedAdapter {
  public:
    explicit LinkedAdapter(std::size_t capacity) : items_(capacity, IntNodeData(0)) {}

    void push(Id id, Key key) {
        items_[id].value = key;
        heap_.insert(&items_[id]);
    }
    Popped popMin() {
        auto* item = static_cast<IntNodeData*>(heap_.deleteMin());
        return {static_cast<Id>(item - items_.data()), item->value};
    }
    void lower(Id id, Key key) {
        items_[id].value = key;
        heap_.decreaseKey(&items_[id]);
    }
    void raise(Id id, Key key) {
        items_[id].value = key;
        heap_.increaseKey(&items_[id]);
    }
    Key key(Id id) const { return items_[id].value; }
    bool empty() const { return heap_.isEmpty(); }

  private:
    // Declared first so the heap, which points into it, goes first.
    std::vector<IntNodeData> items_;
    MinBinaryHeap heap_;
};

/// An id and its key, for Boost heaps that must return ids (Dijkstra).
struct Entry {
    Key key;
    Id id;
};
struct EntryGreater {
    bool operator()(const Entry& a, const Entry& b) const { return a.key > b.key; }
};

/// A Boost.Heap heap with handles, holding plain keys or id-carrying entries.
/// Boost's "increase" raises the priority, which under std::greater means a
/// lower key.
template <class Heap> class BoostAdapter {
    using Value = typename Heap::value_type;
    static constexpr bool plainKeys = std::is_same_v<Value, Key>;

  public:
    explicit BoostAdapter(std::size_t capacity) : handles_(capacity) {}

    void push(Id id, Key key) { handles_[id] = heap_.push(wrap(id, key)); }
    Popped popMin() {
        // Only Dijkstra pops, and it uses entries: a plain key has no id.
        static_assert(!plainKeys, "popMin needs a heap of entries");
        const Value top = heap_.top();
        heap_.pop();
        return {top.id, top.key};
    }
    void lower(Id id, Key key) { heap_.increase(handles_[id], wrap(id, key)); }
    void raise(Id id, Key key) { heap_.decrease(handles_[id], wrap(id, key)); }
    Key key(Id id) const {
        if constexpr (plainKeys) {
            return *handles_[id];
        } else {
            return (*handles_[id]).key;
        }
    }
    bool empty() const { return heap_.empty(); }

  private:
    static Value wrap(Id id, Key key) {
        if constexpr (plainKeys) {
            return key;
        } else {
            return Entry{key, id};
        }
    }

    Heap heap_;
    std::vector<typename Heap::handle_type> handles_;
};

/// The ordering that makes a Boost heap's top the smallest key.
template <class Value>
using SmallestOnTop = boost::heap::compare<
    std::conditional_t<std::is_same_v<Value, Key>, std::greater<Key>, EntryGreater>>;

template <class Value, std::size_t Arity>
using BoostDary = boost::heap::d_ary_heap<Value, boost::heap::arity<Arity>,
                                          boost::heap::mutable_<true>, SmallestOnTop<Value>>;
template <class Value> using BoostPairing = boost::heap::pairing_heap<Value, SmallestOnTop<Value>>;

/// std::priority_queue with lazy deletion. Stale entries are dropped when the
/// queue has grown to twice the number of live items, so long update runs
/// keep it bounded.
class StdQueueAdapter {
  public:
    explicit StdQueueAdapter(std::size_t capacity) : current_(capacity), live_(capacity, false) {}

    void push(Id id, Key key) {
        current_[id] = key;
        if (!live_[id]) {
            live_[id] = true;
            ++liveCount_;
        }
        queue_.push(Entry{key, id});
    }
    Popped popMin() {
        Entry top = queue_.top();
        queue_.pop();
        if (top.key == current_[top.id] && live_[top.id]) {
            live_[top.id] = false;
            --liveCount_;
        }
        return {top.id, top.key};
    }
    void lower(Id id, Key key) { change(id, key); }
    void raise(Id id, Key key) { change(id, key); }
    Key key(Id id) const { return current_[id]; }
    bool empty() const { return queue_.empty(); }

  private:
    void change(Id id, Key key) {
        current_[id] = key;
        queue_.push(Entry{key, id});
        if (queue_.size() >= 2 * liveCount_ + 16) {
            compact();
        }
    }
    void compact() {
        std::vector<Entry> fresh;
        fresh.reserve(liveCount_);
        for (Id id = 0; id < current_.size(); ++id) {
            if (live_[id]) {
                fresh.push_back(Entry{current_[id], id});
            }
        }
        queue_ = Queue(EntryGreater{}, std::move(fresh));
    }

    using Queue = std::priority_queue<Entry, std::vector<Entry>, EntryGreater>;
    Queue queue_;
    std::vector<Key> current_;
    std::vector<bool> live_;
    std::size_t liveCount_ = 0;
};

/// The linked heap's whole life over one contiguous array of items.
class LinkedLife {
  public:
    explicit LinkedLife(std::size_t capacity) : items_(capacity, IntNodeData(0)) {}

    void load(const Key* keys, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            items_[i].value = keys[i];
        }
    }
    std::int64_t life(std::size_t n) {
        MinBinaryHeap heap;
        for (std::size_t i = 0; i < n; ++i) {
            heap.insert(&items_[i]);
        }
        std::int64_t sum = 0;
        while (NodeData* item = heap.deleteMin()) {
            sum += static_cast<IntNodeData*>(item)->value;
        }
        return sum;
    }

  private:
    std::vector<IntNodeData> items_;
};

/// The whole life of a heap of plain keys with push, top and pop: Boost's
/// heaps and std::priority_queue. The keys are copied into one array first,
/// as the linked heap's items are, so both start from data just written.
template <class Heap> class ValueLife {
  public:
    explicit ValueLife(std::size_t capacity) : keys_(capacity) {}

    void load(const Key* keys, std::size_t n) { std::copy(keys, keys + n, keys_.begin()); }
    std::int64_t life(std::size_t n) {
        Heap heap;
        for (std::size_t i = 0; i < n; ++i) {
            heap.push(keys_[i]);
        }
        std::int64_t sum = 0;
        while (!heap.empty()) {
            sum += heap.top();
            heap.pop();
        }
        return sum;
    }

  private:
    std::vector<Key> keys_;
};

using StdQueue = std::priority_queue<Key, std::vector<Key>, std::greater<Key>>;

} // namespace bench

#endif // HEAP_BENCH_HEAPADAPTERS_H
