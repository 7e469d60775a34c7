// SPDX-License-Identifier: MIT
// The Markdown that heap-bench prints: the ratio table, and the page faults
// of the drain when it ran.
#ifndef HEAP_BENCH_REPORT_H
#define HEAP_BENCH_REPORT_H

#include "Options.h"
#include "PairedRun.h"

#include <vector>

namespace bench {

/// Prints the figures of cells, as runFigures(options) returned them, to
/// standard output.
void printReport(const Options& options, const std::vector<Cell>& cells);

} // namespace bench

#endif // HEAP_BENCH_REPORT_H
