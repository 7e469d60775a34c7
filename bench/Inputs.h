// SPDX-License-Identifier: MIT
// What the samples run on, all made outside the timing: sets of random keys,
// an endless stream of key changes and a random graph. Both sides of a pair
// make the same inputs from the same seeds, in the same order.
#ifndef HEAP_BENCH_INPUTS_H
#define HEAP_BENCH_INPUTS_H

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace bench {

/// Every heap in the benchmark holds items named by dense ids, with int keys.
using Key = std::int32_t;
using Id = std::uint32_t;

/// Many sets of n random keys, so that a run does not replay the keys of the
/// runs just before it and the branch predictor cannot learn them. About
/// 16 MiB at most; beyond 10^5 keys a single set is far too long to learn.
class KeySets {
  public:
    KeySets(std::size_t n, std::uint32_t seed);
    /// The index-th set, counting round the sets kept.
    const Key* set(std::size_t index) const { return &keys_[(index % count_) * n_]; }

  private:
    std::size_t n_;
    std::size_t count_;
    std::vector<Key> keys_;
};

/// One key change: item id takes the new key.
struct Change {
    Id id;
    Key key;
};

/// The next changes of an endless random stream: every pair gets new ones.
class ChangeStream {
  public:
    ChangeStream(std::size_t items, std::size_t perSample, std::uint32_t seed);
    const std::vector<Change>& next();

  private:
    std::mt19937 generator_;
    std::uniform_int_distribution<Id> ids_;
    std::uniform_int_distribution<Key> keys_;
    std::vector<Change> changes_;
};

/// A random directed graph in compressed rows: a ring through all vertices,
/// so every vertex is reachable, plus four random arcs per vertex.
struct Graph {
    std::vector<std::size_t> firstArc; // arcs of v: [firstArc[v], firstArc[v + 1])
    std::vector<Id> target;
    std::vector<Key> weight;
};

Graph randomGraph(std::size_t vertices, std::uint32_t seed);

} // namespace bench

#endif // HEAP_BENCH_INPUTS_H
