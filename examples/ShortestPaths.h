// SPDX-License-Identifier: MIT
// Dijkstra's shortest paths with the heap's decreaseKey: one item per vertex,
// allocated once, holding the vertex's tentative distance as a typed key.
// A vertex is queued while its item's node is set; a shorter path found to a
// queued vertex lowers its key in place instead of queueing it again, so the
// heap never holds more than one entry per vertex and nothing is allocated
// while the search runs. The benchmark runs this same code.
#ifndef HEAP_EXAMPLES_SHORTESTPATHS_H
#define HEAP_EXAMPLES_SHORTESTPATHS_H

#include <heap/TypedKey.h>

#include <cstddef>
#include <limits>
#include <vector>

/// Shortest paths over a graph in compressed rows: the arcs leaving vertex v
/// are firstArc[v] up to firstArc[v + 1], into target, with weight (not
/// negative). Distance is the type distances are added up in.
template <class Distance> class ShortestPaths {
  public:
    /// What distance() says of a vertex no path reaches.
    static constexpr Distance unreached = std::numeric_limits<Distance>::max();

    explicit ShortestPaths(std::size_t vertices) : tentative_(vertices) {}

    template <class Index, class Vertex, class Weight>
    void run(const std::vector<Index>& firstArc, const std::vector<Vertex>& target,
             const std::vector<Weight>& weight, std::size_t source) {
        for (Tentative& item : tentative_) {
            item.value = unreached;
        }
        tentative_[source].value = 0;
        queue_.insert(tentative_[source]);
        while (Tentative* nearest = queue_.deleteMin()) {
            const std::size_t from = static_cast<std::size_t>(nearest - tentative_.data());
            for (std::size_t arc = firstArc[from]; arc < firstArc[from + 1]; ++arc) {
                Tentative& next = tentative_[target[arc]];
                const Distance through = nearest->value + static_cast<Distance>(weight[arc]);
                if (through < next.value) {
                    const bool queued = next.node != nullptr;
                    next.value = through;
                    if (queued) {
                        queue_.decreaseKey(next);
                    } else {
                        queue_.insert(next);
                    }
                }
            }
        }
    }

    /// The length of a shortest path from the last run's source to vertex.
    Distance distance(std::size_t vertex) const { return tentative_[vertex].value; }

  private:
    using Tentative = binaryheap::Key<Distance>;

    // Declared first, so the heap, which points into it, goes first.
    std::vector<Tentative> tentative_;
    binaryheap::TypedHeap<Tentative> queue_;
};

template <class Distance> constexpr Distance ShortestPaths<Distance>::unreached;

#endif // HEAP_EXAMPLES_SHORTESTPATHS_H
