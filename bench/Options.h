// SPDX-License-Identifier: MIT
// heap-bench's command line.
#ifndef HEAP_BENCH_OPTIONS_H
#define HEAP_BENCH_OPTIONS_H

#include "Workloads.h"

#include <cstddef>
#include <vector>

namespace bench {

struct Options {
    std::size_t pairs = 31; ///< counted pairs per figure
    std::vector<std::size_t> sizes{1'000, 10'000, 100'000};
    std::vector<const Peer*> peers;         ///< in the order given, each once
    std::vector<const Workload*> workloads; ///< the same
};

/// The options of argv. --help prints the usage and exits with status 0; a
/// bad option prints one line on standard error and exits with status 2.
Options parseOptions(int argc, char** argv);

} // namespace bench

#endif // HEAP_BENCH_OPTIONS_H
