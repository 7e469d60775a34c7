// SPDX-License-Identifier: MIT
// Paired repetitions, each side in a process of its own.
//
// A repetition (a pair) runs the linked heap and one peer back to back,
// linked, peer, peer, linked, each sample on fresh input that both sides
// share, and gives one ratio of linked time to peer time. Whatever else the
// machine is doing hits both halves of most pairs alike, and the median
// ignores the pairs where it did not, so the ratios hold up on a shared
// machine where separately taken times do not.
//
// Each side runs in a process of its own, heap-bench started afresh and
// driven in lockstep by the parent through two pipes, so each heap lives
// with its own allocator; all three processes stay on one core.
#ifndef HEAP_BENCH_PAIREDRUN_H
#define HEAP_BENCH_PAIREDRUN_H

#include "Options.h"
#include "Sample.h"
#include "Stats.h"
#include "Workloads.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace bench {

/// Rounds each figure's repetitions are split into (see runFigures).
constexpr std::size_t rounds = 4;

/// One figure being measured: a workload at one size against one peer.
struct Cell {
    const Workload* workload;
    std::size_t n;
    const Peer* peer;
    Tally tally;
    std::size_t nextInput = 0; ///< the next repetition's inputs
};

/// Measures every figure the options ask for and returns them in the
/// tables' order: by workload, then size, then peer.
std::vector<Cell> runFigures(const Options& options);

/// A measuring process's end of the pipes: for every pair number the parent
/// sends on `orders`, writes sample(pair) to `results`, until the parent
/// closes `orders`.
void servePairs(const std::function<Sample(std::size_t pair)>& sample, int orders, int results);

} // namespace bench

#endif // HEAP_BENCH_PAIREDRUN_H
