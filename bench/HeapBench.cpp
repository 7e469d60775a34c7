// Side-by-side timings of the linked heap against Boost.Heap and
// std::priority_queue on four workloads:
//
//   drain    insert n random keys, then remove the minimum until empty;
//   update   n random key changes on n stored items (lower or raise,
//            whichever the new key asks for);
//   insert   insert n random keys into an empty heap;
//   dijkstra shortest paths from one vertex of a random graph with n
//            vertices and 5n arcs, lowering keys as shorter paths appear.
//
// Names are workload/heap/n; scripts/bench.sh turns a run into ratios against
// boost-binary, the mutable Boost d-ary heap of arity 2.
#include "HeapAdapters.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace bench {
namespace {

constexpr Key maxRandomKey = 1'000'000'000;

std::vector<Key> randomKeys(std::size_t count, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<Key> keys(0, maxRandomKey);
    std::vector<Key> result(count);
    for (Key& key : result) {
        key = keys(generator);
    }
    return result;
}

struct Update {
    Id id;
    Key key;
};

/// A cyclic stream of updates several times longer than one timed batch, so
/// successive batches do not replay the same changes on the same keys.
std::vector<Update> randomUpdates(std::size_t items, std::size_t count, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<Id> ids(0, static_cast<Id>(items - 1));
    std::uniform_int_distribution<Key> keys(0, maxRandomKey);
    std::vector<Update> result(count);
    for (Update& update : result) {
        update.id = ids(generator);
        update.key = keys(generator);
    }
    return result;
}

template <class Adapter> void drain(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::vector<Key> keys = randomKeys(n, 1);
    Adapter heap(n);
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; ++i) {
            heap.push(static_cast<Id>(i), keys[i]);
        }
        std::int64_t sum = 0;
        while (!heap.empty()) {
            sum += heap.popMin().key;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

template <class Adapter> void update(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::vector<Key> keys = randomKeys(n, 2);
    const std::vector<Update> updates = randomUpdates(n, 4 * n, 3);
    Adapter heap(n);
    for (std::size_t i = 0; i < n; ++i) {
        heap.push(static_cast<Id>(i), keys[i]);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; ++i) {
            const Update& change = updates[next];
            next = next + 1 == updates.size() ? 0 : next + 1;
            if (change.key < heap.key(change.id)) {
                heap.lower(change.id, change.key);
            } else {
                heap.raise(change.id, change.key);
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

template <class Adapter> void insert(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::vector<Key> keys = randomKeys(n, 4);
    for (auto _ : state) {
        state.PauseTiming();
        std::optional<Adapter> heap(std::in_place, n);
        state.ResumeTiming();
        for (std::size_t i = 0; i < n; ++i) {
            heap->push(static_cast<Id>(i), keys[i]);
        }
        benchmark::ClobberMemory();
        state.PauseTiming();
        heap.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

/// A random directed graph in compressed rows: a ring through all vertices,
/// so every vertex is reachable, plus four random arcs per vertex.
struct Graph {
    std::vector<std::size_t> firstArc; // arcs of v: [firstArc[v], firstArc[v + 1])
    std::vector<Id> target;
    std::vector<Key> weight;
};

Graph randomGraph(std::size_t vertices, std::uint32_t seed) {
    constexpr std::size_t randomArcs = 4;
    std::mt19937 generator(seed);
    std::uniform_int_distribution<Id> ids(0, static_cast<Id>(vertices - 1));
    std::uniform_int_distribution<Key> weights(1, 1000);
    Graph graph;
    graph.firstArc.reserve(vertices + 1);
    for (std::size_t v = 0; v < vertices; ++v) {
        graph.firstArc.push_back(graph.target.size());
        graph.target.push_back(static_cast<Id>((v + 1) % vertices));
        graph.weight.push_back(weights(generator));
        for (std::size_t k = 0; k < randomArcs; ++k) {
            graph.target.push_back(ids(generator));
            graph.weight.push_back(weights(generator));
        }
    }
    graph.firstArc.push_back(graph.target.size());
    return graph;
}

template <class Adapter> void dijkstra(benchmark::State& state) {
    constexpr Key unreached = std::numeric_limits<Key>::max();
    const auto n = static_cast<std::size_t>(state.range(0));
    const Graph graph = randomGraph(n, 5);
    std::vector<Key> distance(n);
    Adapter heap(n);
    for (auto _ : state) {
        std::fill(distance.begin(), distance.end(), unreached);
        distance[0] = 0;
        heap.push(0, 0);
        while (!heap.empty()) {
            const Popped nearest = heap.popMin();
            if (nearest.key > distance[nearest.id]) {
                continue; // a stale entry of a lazily deleting heap
            }
            for (std::size_t arc = graph.firstArc[nearest.id]; arc < graph.firstArc[nearest.id + 1];
                 ++arc) {
                const Id to = graph.target[arc];
                const Key through = nearest.key + graph.weight[arc];
                if (through < distance[to]) {
                    if (distance[to] == unreached) {
                        heap.push(to, through);
                    } else {
                        heap.lower(to, through);
                    }
                    distance[to] = through;
                }
            }
        }
        benchmark::DoNotOptimize(distance.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

using BoostBinary = BoostAdapter<BoostDary<Key, 2>>;
using BoostFourAry = BoostAdapter<BoostDary<Key, 4>>;
using BoostPairingInt = BoostAdapter<BoostPairing<Key>>;
using BoostBinaryEntry = BoostAdapter<BoostDary<Entry, 2>>;
using BoostFourAryEntry = BoostAdapter<BoostDary<Entry, 4>>;
using BoostPairingEntry = BoostAdapter<BoostPairing<Entry>>;

template <class Function> void add(const std::string& name, Function function) {
    benchmark::RegisterBenchmark(name.c_str(), function)
        ->RangeMultiplier(10)
        ->Range(1'000, 1'000'000)
        ->Unit(benchmark::kMicrosecond);
}

} // namespace
} // namespace bench

int main(int argc, char** argv) {
    using namespace bench;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // Dijkstra needs ids back from popMin, so its Boost heaps carry {key, id}
    // entries instead of bare keys.
    const auto every = [](const std::string& workload, auto linked, auto binary, auto fourAry,
                          auto pairing, auto stdQueue) {
        add(workload + "/linked", linked);
        add(workload + "/boost-binary", binary);
        add(workload + "/boost-4ary", fourAry);
        add(workload + "/boost-pairing", pairing);
        add(workload + "/std-pq", stdQueue);
    };
    every("drain", drain<LinkedAdapter>, drain<BoostBinary>, drain<BoostFourAry>,
          drain<BoostPairingInt>, drain<StdQueueAdapter>);
    every("update", update<LinkedAdapter>, update<BoostBinary>, update<BoostFourAry>,
          update<BoostPairingInt>, update<StdQueueAdapter>);
    every("insert", insert<LinkedAdapter>, insert<BoostBinary>, insert<BoostFourAry>,
          insert<BoostPairingInt>, insert<StdQueueAdapter>);
    every("dijkstra", dijkstra<LinkedAdapter>, dijkstra<BoostBinaryEntry>,
          dijkstra<BoostFourAryEntry>, dijkstra<BoostPairingEntry>, dijkstra<StdQueueAdapter>);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
