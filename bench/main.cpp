// SPDX-License-Identifier: MIT
// heap-bench: paired timings of the linked heap against Boost.Heap and
// std::priority_queue (see PairedRun.h for the method and Workloads.h for
// what is timed). The output is Markdown, for scripts/bench.sh; progress
// goes to standard error.
#include "Options.h"
#include "PairedRun.h"
#include "Report.h"
#include "Workloads.h"

#include <cstring>

int main(int argc, char** argv) {
    using namespace bench;
    if (argc == 8 && std::strcmp(argv[1], "--serve") == 0) {
        return serveSide(argv);
    }
    const Options options = parseOptions(argc, argv);
    printReport(options, runFigures(options));
    return 0;
}
