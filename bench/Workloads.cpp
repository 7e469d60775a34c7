// SPDX-License-Identifier: MIT
#include "Workloads.h"

#include "HeapAdapters.h"
#include "Inputs.h"
#include "PairedRun.h"
#include "Sides.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {
namespace {

// The sides make their inputs before their heaps, in this order: what a
// process allocated and freed before decides where glibc puts what follows,
// and with it the page faults of a whole life.

template <class Life> void drainSide(std::size_t n, std::size_t, int orders, int results) {
    KeySetSide<DrainRun<Life>> side(n, 1);
    servePairs([&](std::size_t pair) { return side.sample(pair); }, orders, results);
}

template <class Adapter> void insertSide(std::size_t n, std::size_t, int orders, int results) {
    KeySetSide<InsertRun<Adapter>> side(n, 4);
    servePairs([&](std::size_t pair) { return side.sample(pair); }, orders, results);
}

template <class Adapter>
void updateSide(std::size_t n, std::size_t round, int orders, int results) {
    std::vector<Key> keys(n);
    std::copy_n(KeySets(n, 2).set(0), n, keys.begin());
    UpdateSide<Adapter> side(n, keys);
    // Each round starts a new stream, so no round replays another's changes.
    ChangeStream stream(n, std::max(4 * n, sampleWork), 1000 + static_cast<std::uint32_t>(round));
    servePairs([&](std::size_t) { return side.sample(stream.next()); }, orders, results);
}

template <class Adapter> void dijkstraSide(std::size_t n, std::size_t, int orders, int results) {
    const Graph graph = randomGraph(n, 5);
    DijkstraSide<Adapter> side(n, graph);
    const std::size_t runs = runsPerSample(n);
    servePairs([&](std::size_t) { return side.sample(runs); }, orders, results);
}

/// The example's Dijkstra, with its typed keys, on the same graphs.
void typedDijkstraSide(std::size_t n, std::size_t, int orders, int results) {
    const Graph graph = randomGraph(n, 5);
    ExampleDijkstraSide side(n, graph);
    const std::size_t runs = runsPerSample(n);
    servePairs([&](std::size_t) { return side.sample(runs); }, orders, results);
}

/// The drain and update use plain keys; Dijkstra needs ids back from popMin,
/// so its Boost heaps carry {key, id} entries.
template <template <class> class BoostHeap> Peer boostPeer(const char* name) {
    return {name,
            drainSide<ValueLife<BoostHeap<Key>>>,
            updateSide<BoostAdapter<BoostHeap<Key>>>,
            insertSide<BoostAdapter<BoostHeap<Key>>>,
            dijkstraSide<BoostAdapter<BoostHeap<Entry>>>,
            dijkstraSide<BoostAdapter<BoostHeap<Entry>>>};
}
template <class Value> using BoostBinary = BoostDary<Value, 2>;
template <class Value> using BoostFourAry = BoostDary<Value, 4>;

template <class Named>
const Named* findByName(const std::vector<Named>& all, const std::string& name) {
    const auto found =
        std::find_if(all.begin(), all.end(), [&](const Named& one) { return name == one.name; });
    return found == all.end() ? nullptr : &*found;
}

} // namespace

const std::vector<Peer>& peers() {
    static const std::vector<Peer> all = {
        boostPeer<BoostBinary>("boost-binary"),
        boostPeer<BoostFourAry>("boost-4ary"),
        boostPeer<BoostPairing>("boost-pairing"),
        {"std-pq", drainSide<ValueLife<StdQueue>>, updateSide<StdQueueAdapter>,
         insertSide<StdQueueAdapter>, dijkstraSide<StdQueueAdapter>, dijkstraSide<StdQueueAdapter>},
    };
    return all;
}

const Peer& linkedHeap() {
    static const Peer linked = {"linked",
                                drainSide<LinkedLife>,
                                updateSide<LinkedAdapter>,
                                insertSide<LinkedAdapter>,
                                dijkstraSide<LinkedAdapter>,
                                typedDijkstraSide};
    return linked;
}

const std::vector<Workload>& workloads() {
    static const std::vector<Workload> all = {
        {"drain", "drain (whole life)", &Peer::drain},
        {"update", "update", &Peer::update},
        {"insert", "insert", &Peer::insert},
        {"dijkstra", "dijkstra", &Peer::dijkstra},
        {"dijkstra-typed", "dijkstra, example's typed keys", &Peer::dijkstraTyped},
    };
    return all;
}

int serveSide(char** argv) {
    const std::string heapName = argv[3];
    const Workload* workload = findByName(workloads(), argv[2]);
    const Peer* heap =
        heapName == linkedHeap().name ? &linkedHeap() : findByName(peers(), heapName);
    if (workload == nullptr || heap == nullptr) {
        std::fputs("heap-bench: --serve is for heap-bench's own use\n", stderr);
        return 2;
    }
    const auto number = [](const char* text) { return std::strtoull(text, nullptr, 10); };
    (heap->*(workload->side))(number(argv[4]), number(argv[5]), static_cast<int>(number(argv[6])),
                              static_cast<int>(number(argv[7])));
    return 0;
}

} // namespace bench
