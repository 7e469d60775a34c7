// SPDX-License-Identifier: MIT
#include "Stats.h"

#include <algorithm>
#include <cstddef>

namespace bench {
namespace {

/// The value below which a share q of the sorted values lie, interpolated.
double quantile(const std::vector<double>& sorted, double q) {
    const double position = q * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    const double fraction = position - static_cast<double>(below);
    return sorted[below] + fraction * (sorted[above] - sorted[below]);
}

std::vector<double> sorted(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values;
}

} // namespace

void Tally::add(const Sample& linked, const Sample& peer) {
    ratios_.push_back(linked.seconds / peer.seconds);
    linkedNanos_.push_back(linked.seconds * 1e9 / linked.items);
    linkedTotal_ += linked;
    peerTotal_ += peer;
}

Figure Tally::figure() const {
    const std::vector<double> ratios = sorted(ratios_);
    return {quantile(ratios, 0.5),
            quantile(ratios, 0.25),
            quantile(ratios, 0.75),
            quantile(sorted(linkedNanos_), 0.5),
            linkedTotal_.faults / linkedTotal_.runs,
            peerTotal_.faults / peerTotal_.runs};
}

} // namespace bench
