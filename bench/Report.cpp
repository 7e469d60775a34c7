// SPDX-License-Identifier: MIT
#include "Report.h"

#include <cstdio>
#include <string>

namespace bench {
namespace {

/// 10^k for powers of ten, the plain number otherwise.
std::string sizeLabel(std::size_t n) {
    int exponent = 0;
    std::size_t rest = n;
    while (rest % 10 == 0 && rest > 1) {
        rest /= 10;
        ++exponent;
    }
    return rest == 1 && exponent > 0 ? "10^" + std::to_string(exponent) : std::to_string(n);
}

std::string format(const char* pattern, double value) {
    char text[32];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string spread(const Figure& figure) {
    return format("%.2f", figure.ratio) + " (" + format("%.2f", figure.lowQuartile) + "–" +
           format("%.2f", figure.highQuartile) + ")";
}

/// A table's header row, `first` then a column per peer, and its rule.
void printHeader(const char* first, const char* rule, const char* peerPrefix,
                 const Options& options) {
    std::printf("%s", first);
    for (const Peer* peer : options.peers) {
        std::printf(" %s%s |", peerPrefix, peer->name);
    }
    std::printf("\n%s", rule);
    for (std::size_t i = 0; i < options.peers.size(); ++i) {
        std::printf("---:|");
    }
    std::printf("\n");
}

} // namespace

void printReport(const Options& options, const std::vector<Cell>& cells) {
    std::printf("Linked heap time ÷ peer time: median of %zu paired repetitions (linked, peer, "
                "peer, linked; in %zu rounds spread over the run), interquartile range in "
                "brackets; below 1.00 the linked heap is faster. \"linked ns\" is its median "
                "processor time per item (per change for update).\n\n",
                options.pairs, rounds);
    printHeader("| workload | n | linked ns |", "|---|---:|---:|", "÷ ", options);
    // Page faults of the drain, by size, linked first then each peer.
    std::vector<std::vector<double>> drainFaults;
    for (std::size_t row = 0; row < cells.size(); row += options.peers.size()) {
        std::string text;
        std::vector<double> faults;
        for (std::size_t column = 0; column < options.peers.size(); ++column) {
            const Figure figure = cells[row + column].tally.figure();
            if (column == 0) {
                text = format("%.1f", figure.linkedNanosPerItem) + " |";
                faults.push_back(figure.linkedFaultsPerRun);
            }
            faults.push_back(figure.peerFaultsPerRun);
            text += " " + spread(figure) + " |";
        }
        const Cell& first = cells[row];
        std::printf("| %s | %s | %s\n", first.workload->label, sizeLabel(first.n).c_str(),
                    text.c_str());
        if (first.workload->side == &Peer::drain) {
            drainFaults.push_back(faults);
        }
    }
    if (drainFaults.empty()) {
        return;
    }
    std::printf("\nMinor page faults per drain run (mean over the counted pairs):\n\n");
    printHeader("| n | linked |", "|---:|---:|", "", options);
    for (std::size_t s = 0; s < options.sizes.size(); ++s) {
        std::printf("| %s |", sizeLabel(options.sizes[s]).c_str());
        for (double faults : drainFaults[s]) {
            std::printf(" %s |", format("%.0f", faults).c_str());
        }
        std::printf("\n");
    }
}

} // namespace bench
