// SPDX-License-Identifier: MIT
#include "Options.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {
namespace {

const char usage[] =
    "Usage: heap-bench [--pairs N] [--sizes N,N,...] [--peers NAME,...] [--workloads NAME,...]\n"
    "Times the linked heap against each peer in paired repetitions and prints Markdown tables\n"
    "of linked time / peer time (median and interquartile range over the pairs).\n"
    "  --pairs N          counted pairs per figure, at least 15 (default 31)\n"
    "  --sizes LIST       heap sizes, 16 to 10000000 (default 1000,10000,100000)\n"
    "  --peers LIST       boost-binary, boost-4ary, boost-pairing, std-pq (default all)\n"
    "  --workloads LIST   drain, update, insert, dijkstra, dijkstra-typed (default all)\n";

[[noreturn]] void badUsage(const std::string& message) {
    std::fprintf(stderr, "heap-bench: %s (see --help)\n", message.c_str());
    std::exit(2);
}

std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        parts.push_back(list.substr(start, comma - start));
        if (comma == std::string::npos) {
            return parts;
        }
        start = comma + 1;
    }
}

/// A count written in decimal digits and nothing else: no sign, no spaces,
/// which strtoull would pass over.
std::size_t parseCount(const std::string& text, std::size_t least, std::size_t most,
                       const char* what) {
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    errno = 0;
    const unsigned long long value = digits ? std::strtoull(text.c_str(), nullptr, 10) : 0;
    if (!digits || errno != 0 || value < least || value > most) {
        badUsage(std::string(what) + " must be a whole number from " + std::to_string(least) +
                 " to " + std::to_string(most) + ", not '" + text + "'");
    }
    return static_cast<std::size_t>(value);
}

template <class Named>
std::vector<const Named*> pickByName(const std::string& list, const std::vector<Named>& all,
                                     const char* what) {
    std::vector<const Named*> picked;
    for (const std::string& name : splitList(list)) {
        const auto found = std::find_if(all.begin(), all.end(),
                                        [&](const Named& one) { return name == one.name; });
        if (found == all.end()) {
            badUsage(std::string("unknown ") + what + " '" + name + "'");
        }
        if (std::find(picked.begin(), picked.end(), &*found) == picked.end()) {
            picked.push_back(&*found);
        }
    }
    return picked;
}

} // namespace

Options parseOptions(int argc, char** argv) {
    Options options;
    std::string peerList = "boost-binary,boost-4ary,boost-pairing,std-pq";
    std::string workloadList = "drain,update,insert,dijkstra,dijkstra-typed";
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        }
        if (option != "--pairs" && option != "--sizes" && option != "--peers" &&
            option != "--workloads") {
            badUsage("unknown option '" + option + "'");
        }
        if (i + 1 == argc) {
            badUsage(option + " needs a value");
        }
        const std::string value = argv[++i];
        if (option == "--pairs") {
            options.pairs = parseCount(value, 15, 10'000, "--pairs");
        } else if (option == "--sizes") {
            options.sizes.clear();
            for (const std::string& size : splitList(value)) {
                options.sizes.push_back(parseCount(size, 16, 10'000'000, "a size"));
            }
        } else if (option == "--peers") {
            peerList = value;
        } else {
            workloadList = value;
        }
    }
    options.peers = pickByName(peerList, peers(), "peer");
    options.workloads = pickByName(workloadList, workloads(), "workload");
    return options;
}

} // namespace bench
