// SPDX-License-Identifier: MIT
// What a figure's pairs come to: the median of linked time / peer time with
// its interquartile range, the linked heap's time per item and both sides'
// page faults.
#ifndef HEAP_BENCH_STATS_H
#define HEAP_BENCH_STATS_H

#include "Sample.h"

#include <vector>

namespace bench {

/// One workload at one size against one peer.
struct Figure {
    double ratio = 0;       ///< median of linked / peer over the pairs
    double lowQuartile = 0; ///< of the same ratios
    double highQuartile = 0;
    double linkedNanosPerItem = 0; ///< median over the pairs
    double linkedFaultsPerRun = 0; ///< means over every counted run
    double peerFaultsPerRun = 0;
};

/// The counted pairs of one figure so far.
class Tally {
  public:
    /// Counts one pair: each side's two samples, added up.
    void add(const Sample& linked, const Sample& peer);
    Figure figure() const;

  private:
    std::vector<double> ratios_;
    std::vector<double> linkedNanos_;
    Sample linkedTotal_;
    Sample peerTotal_;
};

} // namespace bench

#endif // HEAP_BENCH_STATS_H
