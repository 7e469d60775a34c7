// SPDX-License-Identifier: MIT
#include "PairedRun.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace bench {
namespace {

[[noreturn]] void fail(const char* what) {
    std::perror(what);
    std::exit(1);
}

/// One side of a figure, running in a child process of its own: this
/// program again, started with --serve. Each heap gets its own allocator
/// that way: the memory a process keeps after a heap is destroyed, and so
/// the page faults of the next one, depends on everything the process
/// allocated before, and when the linked heap and its peer shared one, the
/// peer's pattern changed the linked heap's faults from 8 to 1100 per run.
/// Starting the program afresh, rather than only forking, also gives every
/// round a new randomised address layout, which moved some ratios by 5 %.
class SideProcess {
  public:
    SideProcess(const char* workload, const char* heap, std::size_t n, std::size_t round) {
        int orders[2];
        int results[2];
        if (pipe2(orders, O_CLOEXEC) != 0 || pipe2(results, O_CLOEXEC) != 0) {
            fail("heap-bench: pipe");
        }
        child_ = fork();
        if (child_ < 0) {
            fail("heap-bench: fork");
        }
        if (child_ == 0) {
            // Only these two ends stay open in the new program.
            fcntl(orders[0], F_SETFD, 0);
            fcntl(results[1], F_SETFD, 0);
            std::string arguments[] = {"heap-bench",
                                       "--serve",
                                       workload,
                                       heap,
                                       std::to_string(n),
                                       std::to_string(round),
                                       std::to_string(orders[0]),
                                       std::to_string(results[1])};
            char* argv[std::size(arguments) + 1] = {};
            for (std::size_t i = 0; i < std::size(arguments); ++i) {
                argv[i] = arguments[i].data();
            }
            execv("/proc/self/exe", argv);
            std::perror("heap-bench: execv");
            _exit(1);
        }
        close(orders[0]);
        close(results[1]);
        orders_ = orders[1];
        results_ = results[0];
    }
    SideProcess(const SideProcess&) = delete;
    SideProcess& operator=(const SideProcess&) = delete;
    ~SideProcess() {
        close(orders_);
        close(results_);
        waitpid(child_, nullptr, 0);
    }

    Sample sample(std::size_t pair) {
        Sample result;
        if (write(orders_, &pair, sizeof pair) != sizeof pair ||
            read(results_, &result, sizeof result) != sizeof result) {
            std::fputs("heap-bench: a measuring process failed\n", stderr);
            std::exit(1);
        }
        return result;
    }

  private:
    pid_t child_ = -1;
    int orders_ = -1;
    int results_ = -1;
};

/// Runs one round of a figure: two fresh side processes, a warm-up
/// repetition that is not counted, then `count` counted ones. A repetition
/// runs linked, peer, peer, linked, each sample on fresh input: a sample that
/// follows one of its own side runs faster than one that follows the other
/// side (by up to 8 %, for Dijkstra at 10^3), and in this order each side
/// has one of each.
void runRound(Cell& cell, std::size_t round, std::size_t count) {
    SideProcess linked(cell.workload->name, "linked", cell.n, round);
    SideProcess peer(cell.workload->name, cell.peer->name, cell.n, round);
    for (std::size_t repetition = 0; repetition <= count; ++repetition) {
        const std::size_t input = 2 * cell.nextInput++;
        Sample ours = linked.sample(input);
        Sample theirs = peer.sample(input);
        theirs += peer.sample(input + 1);
        ours += linked.sample(input + 1);
        if (repetition > 0) {
            cell.tally.add(ours, theirs);
        }
    }
}

/// Keeps this process, and the side processes it starts, on the core it
/// runs on, so that neither side finds the other core's caches, warmed or
/// trashed by something else. The scheduler moves other processes away from
/// a busy core more readily than it would keep the two sides together.
void stayOnThisCore() {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(static_cast<unsigned>(sched_getcpu()), &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) {
        std::perror("heap-bench: sched_setaffinity");
    }
}

} // namespace

std::vector<Cell> runFigures(const Options& options) {
    // A measuring process that died shows as a failed write, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    stayOnThisCore();
    std::vector<Cell> cells;
    for (const Workload* workload : options.workloads) {
        for (std::size_t n : options.sizes) {
            for (const Peer* peer : options.peers) {
                cells.push_back({workload, n, peer, {}});
            }
        }
    }
    // Every figure's repetitions are split into rounds, and each round visits
    // every figure once, so that a figure's repetitions are spread over the
    // whole run, and over as many pairs of processes, each with its own
    // memory layout. The spread then includes what changes over minutes (the
    // load, and with it memory latency) and from process to process, which
    // is what a second run would see too.
    for (std::size_t round = 0; round < rounds; ++round) {
        const std::size_t count = options.pairs / rounds + (round < options.pairs % rounds ? 1 : 0);
        for (Cell& cell : cells) {
            std::fprintf(stderr, "round %zu of %zu: %s %zu vs %s\n", round + 1, rounds,
                         cell.workload->name, cell.n, cell.peer->name);
            runRound(cell, round, count);
        }
    }
    return cells;
}

void servePairs(const std::function<Sample(std::size_t pair)>& sample, int orders, int results) {
    std::size_t pair = 0;
    while (read(orders, &pair, sizeof pair) == sizeof pair) {
        const Sample result = sample(pair);
        if (write(results, &result, sizeof result) != sizeof result) {
            return;
        }
    }
}

} // namespace bench
