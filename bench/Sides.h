// SPDX-License-Identifier: MIT
// The timed loops of the workloads (see Workloads.h), one class template per
// workload that every heap adapter fits. A side makes its inputs and heap
// once, then takes one sample per pair: sample(...) times it and reports it.
#ifndef HEAP_BENCH_SIDES_H
#define HEAP_BENCH_SIDES_H

#include "HeapAdapters.h"
#include "Inputs.h"
#include "Sample.h"

#include <ShortestPaths.h>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace bench {

/// Item operations a sample aims at: small sizes repeat their run until a
/// sample is long enough to time well, large ones run once.
constexpr std::size_t sampleWork = std::size_t{1} << 17;

/// Runs in one drain, insert or dijkstra sample at size n.
inline std::size_t runsPerSample(std::size_t n) {
    return std::max<std::size_t>(1, (sampleWork + n - 1) / n);
}

inline volatile std::int64_t sink; // results land here so no run is optimised away

/// Seconds of processor time this thread has used, in user and kernel mode.
/// Unlike wall time, it stops while other processes have the core.
inline double now() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + 1e-9 * static_cast<double>(time.tv_nsec);
}

inline long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

/// A drain run: a heap's whole life, over keys loaded outside the timing.
template <class Life> class DrainRun {
  public:
    static constexpr bool countsFaults = true;
    explicit DrainRun(std::size_t n) : life_(n) {}
    void prepare(const Key* keys, std::size_t n) { life_.load(keys, n); }
    void timed(std::size_t n) { sum_ = life_.life(n); }
    std::int64_t finish() { return sum_; }

  private:
    Life life_;
    std::int64_t sum_ = 0;
};

/// An insert run: n pushes into an empty heap made and destroyed untimed.
template <class Adapter> class InsertRun {
  public:
    static constexpr bool countsFaults = false;
    explicit InsertRun(std::size_t) {}
    void prepare(const Key* keys, std::size_t n) {
        keys_ = keys;
        heap_ = std::make_unique<Adapter>(n);
    }
    void timed(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            heap_->push(static_cast<Id>(i), keys_[i]);
        }
    }
    std::int64_t finish() {
        const Key top = heap_->key(0);
        heap_.reset();
        return top;
    }

  private:
    const Key* keys_ = nullptr;
    std::unique_ptr<Adapter> heap_;
};

/// The drain's or the insert's side: each run of a sample takes the next key
/// set, gets ready outside the timing and is timed alone. Both sides of a
/// pair get the same key sets, and every pair moves on to the next ones.
template <class Run> class KeySetSide {
  public:
    KeySetSide(std::size_t n, std::uint32_t seed) : n_(n), keys_(n, seed), run_(n) {}

    Sample sample(std::size_t pair) {
        const std::size_t runs = runsPerSample(n_);
        Sample result;
        std::int64_t sum = 0;
        for (std::size_t run = 0; run < runs; ++run) {
            run_.prepare(keys_.set(pair * runs + run), n_);
            const long faults = Run::countsFaults ? minorFaults() : 0;
            const double start = now();
            run_.timed(n_);
            result.seconds += now() - start;
            if constexpr (Run::countsFaults) {
                result.faults += static_cast<double>(minorFaults() - faults);
            }
            sum += run_.finish();
        }
        sink = sum;
        result.items = static_cast<double>(runs * n_);
        result.runs = static_cast<double>(runs);
        return result;
    }

  private:
    std::size_t n_;
    const KeySets keys_;
    Run run_;
};

template <class Adapter> class UpdateSide {
  public:
    UpdateSide(std::size_t n, const std::vector<Key>& keys) : heap_(n) {
        for (std::size_t i = 0; i < n; ++i) {
            heap_.push(static_cast<Id>(i), keys[i]);
        }
    }

    Sample sample(const std::vector<Change>& changes) {
        const double start = now();
        for (const Change& change : changes) {
            if (change.key < heap_.key(change.id)) {
                heap_.lower(change.id, change.key);
            } else {
                heap_.raise(change.id, change.key);
            }
        }
        Sample result;
        result.seconds = now() - start;
        result.items = static_cast<double>(changes.size());
        result.runs = 1;
        return result;
    }

  private:
    Adapter heap_;
};

template <class Adapter> class DijkstraSide {
  public:
    DijkstraSide(std::size_t n, const Graph& graph) : graph_(graph), distance_(n), heap_(n) {}

    Sample sample(std::size_t runs) {
        Sample result;
        for (std::size_t run = 0; run < runs; ++run) {
            const double start = now();
            shortestPaths();
            result.seconds += now() - start;
            sink = distance_.back();
        }
        result.items = static_cast<double>(runs * distance_.size());
        result.runs = static_cast<double>(runs);
        return result;
    }

  private:
    void shortestPaths() {
        constexpr Key unreached = std::numeric_limits<Key>::max();
        std::fill(distance_.begin(), distance_.end(), unreached);
        distance_[0] = 0;
        heap_.push(0, 0);
        while (!heap_.empty()) {
            const Popped nearest = heap_.popMin();
            if (nearest.key > distance_[nearest.id]) {
                continue; // a stale entry of a lazily deleting heap
            }
            for (std::size_t arc = graph_.firstArc[nearest.id];
                 arc < graph_.firstArc[nearest.id + 1]; ++arc) {
                const Id to = graph_.target[arc];
                const Key through = nearest.key + graph_.weight[arc];
                if (through < distance_[to]) {
                    if (distance_[to] == unreached) {
                        heap_.push(to, through);
                    } else {
                        heap_.lower(to, through);
                    }
                    distance_[to] = through;
                }
            }
        }
    }

    const Graph& graph_;
    std::vector<Key> distance_;
    Adapter heap_;
};

/// Dijkstra as examples/ShortestPaths.h writes it, timed like DijkstraSide.
class ExampleDijkstraSide {
  public:
    ExampleDijkstraSide(std::size_t n, const Graph& graph) : graph_(graph), paths_(n) {}

    Sample sample(std::size_t runs) {
        Sample result;
        const std::size_t n = graph_.firstArc.size() - 1;
        for (std::size_t run = 0; run < runs; ++run) {
            const double start = now();
            paths_.run(graph_.firstArc, graph_.target, graph_.weight, 0);
            result.seconds += now() - start;
            sink = paths_.distance(n - 1);
        }
        result.items = static_cast<double>(runs * n);
        result.runs = static_cast<double>(runs);
        return result;
    }

  private:
    const Graph& graph_;
    ShortestPaths<Key> paths_;
};

} // namespace bench

#endif // HEAP_BENCH_SIDES_H
