// SPDX-License-Identifier: MIT
// The workloads, written once for every heap, and the heaps they run on.
//
// At each size n:
//   drain     a heap's whole life: construct, insert n items, remove the
//             minimum until empty, destroy. Each run takes the next of many
//             pre-generated key sets, loaded into one contiguous array of
//             items outside the timing. Minor page faults are counted per run.
//   update    a long-lived heap of n items takes a stream of random key
//             changes, at least 4n per sample and never repeated, each
//             reaching its item directly and going through the lower or the
//             raise operation as the new key asks.
//   insert    insert n items into an empty heap (construction and
//             destruction untimed), keys from the same kind of key sets.
//   dijkstra  shortest paths from one vertex of a random graph with n
//             vertices and 5n arcs, lowering keys as shorter paths appear.
//   dijkstra-typed
//             the same search, on the linked heap through the example's
//             code (examples/ShortestPaths.h: typed keys, TypedHeap); the
//             peers run their dijkstra.
//
// Times are the thread's processor time, which leaves out the slices other
// processes take from the core.
#ifndef HEAP_BENCH_WORKLOADS_H
#define HEAP_BENCH_WORKLOADS_H

#include <cstddef>
#include <vector>

namespace bench {

/// Runs one side of a figure in this process (see PairedRun.h): makes its
/// inputs and its heap for size n, then serves a sample for every pair the
/// parent orders on `orders`, writing it to `results`. `round` makes the
/// update's change stream differ from round to round.
using SideFunction = void (*)(std::size_t n, std::size_t round, int orders, int results);

/// A heap, as the side it runs in each workload.
struct Peer {
    const char* name;
    SideFunction drain;
    SideFunction update;
    SideFunction insert;
    SideFunction dijkstra;
    SideFunction dijkstraTyped;
};

struct Workload {
    const char* name;
    const char* label; ///< the table's first column
    SideFunction Peer::*side;
};

/// boost-binary, boost-4ary, boost-pairing and std-pq, in the tables' order.
const std::vector<Peer>& peers();
/// The linked heap's side of every workload.
const Peer& linkedHeap();
/// drain, update, insert, dijkstra and dijkstra-typed, in the tables' order.
const std::vector<Workload>& workloads();

/// The entry of a measuring process, heap-bench started again by its parent
/// with: --serve WORKLOAD HEAP N ROUND ORDERS-FD RESULTS-FD (argv has those
/// seven). HEAP is "linked" or a peer. Returns the exit status.
int serveSide(char** argv);

} // namespace bench

#endif // HEAP_BENCH_WORKLOADS_H
