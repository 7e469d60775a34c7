// SPDX-License-Identifier: MIT
// Paired timings of the linked heap against Boost.Heap and std::priority_queue.
//
// Every figure compares the linked heap with one peer. A repetition (a pair)
// runs the two back to back, linked, peer, peer, linked, each sample on fresh
// input that both sides share; the figure is the median over the pairs of
// linked time / peer time, with its interquartile range. Whatever else the
// machine is doing hits both halves of most pairs alike, and the median
// ignores the pairs where it did not, so the ratios hold up on a shared
// machine where separately taken times do not.
//
// Times are processor time, which leaves out the slices other processes take
// from the core. Each side runs in a process of its own, driven in lockstep
// by the parent, so each heap lives with its own allocator; all three stay on
// one core. One pair before the counted ones warms caches and the allocator
// and is thrown away.
//
// Workloads, at each size n:
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
//
// The output is Markdown, for scripts/bench.sh; progress goes to stderr.
#include "HeapAdapters.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace bench {
namespace {

constexpr Key maxRandomKey = 1'000'000'000;

/// Item operations a sample aims at: small sizes repeat their run until a
/// sample is long enough to time well, large ones run once.
constexpr std::size_t sampleWork = std::size_t{1} << 17;

/// Rounds each figure's repetitions are split into (see main).
constexpr std::size_t rounds = 4;

/// Runs in one drain, insert or dijkstra sample at size n.
std::size_t runsPerSample(std::size_t n) {
    return std::max<std::size_t>(1, (sampleWork + n - 1) / n);
}

volatile std::int64_t sink; // results land here so no run is optimised away

/// Seconds of processor time this thread has used, in user and kernel mode.
/// Unlike wall time, it stops while other processes have the core.
double now() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + 1e-9 * static_cast<double>(time.tv_nsec);
}

long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

/// One side's share of a pair: time, minor page faults and items handled.
struct Sample {
    double seconds = 0;
    double faults = 0;
    double items = 0;
    double runs = 0;

    Sample& operator+=(const Sample& other) {
        seconds += other.seconds;
        faults += other.faults;
        items += other.items;
        runs += other.runs;
        return *this;
    }
};

/// Many sets of n random keys, so that a run does not replay the keys of the
/// runs just before it and the branch predictor cannot learn them. About
/// 16 MiB at most; beyond 10^5 keys a single set is far too long to learn.
class KeySets {
  public:
    KeySets(std::size_t n, std::uint32_t seed)
        : n_(n), count_(std::clamp<std::size_t>((std::size_t{1} << 22) / n, 4, 64)),
          keys_(n_ * count_) {
        std::mt19937 generator(seed);
        std::uniform_int_distribution<Key> keys(0, maxRandomKey);
        for (Key& key : keys_) {
            key = keys(generator);
        }
    }
    const Key* set(std::size_t index) const { return &keys_[(index % count_) * n_]; }

  private:
    std::size_t n_;
    std::size_t count_;
    std::vector<Key> keys_;
};

/// Which key sets a drain or insert sample uses: both sides of a pair get the
/// same ones, and every pair moves on to the next.
struct KeyRuns {
    std::size_t firstSet;
    std::size_t runs;
};

template <class Life> class DrainSide {
  public:
    DrainSide(std::size_t n, const KeySets& keys) : n_(n), keys_(keys), life_(n) {}

    Sample sample(const KeyRuns& input) {
        Sample result;
        std::int64_t sum = 0;
        for (std::size_t run = 0; run < input.runs; ++run) {
            life_.load(keys_.set(input.firstSet + run), n_);
            const long faults = minorFaults();
            const double start = now();
            sum += life_.life(n_);
            result.seconds += now() - start;
            result.faults += static_cast<double>(minorFaults() - faults);
        }
        sink = sum;
        result.items = static_cast<double>(input.runs * n_);
        result.runs = static_cast<double>(input.runs);
        return result;
    }

  private:
    std::size_t n_;
    const KeySets& keys_;
    Life life_;
};

template <class Adapter> class InsertSide {
  public:
    InsertSide(std::size_t n, const KeySets& keys) : n_(n), keys_(keys) {}

    Sample sample(const KeyRuns& input) {
        Sample result;
        for (std::size_t run = 0; run < input.runs; ++run) {
            const Key* keys = keys_.set(input.firstSet + run);
            auto heap = std::make_unique<Adapter>(n_);
            const double start = now();
            for (std::size_t i = 0; i < n_; ++i) {
                heap->push(static_cast<Id>(i), keys[i]);
            }
            result.seconds += now() - start;
            sink = heap->key(0);
            heap.reset();
        }
        result.items = static_cast<double>(input.runs * n_);
        result.runs = static_cast<double>(input.runs);
        return result;
    }

  private:
    std::size_t n_;
    const KeySets& keys_;
};

struct Change {
    Id id;
    Key key;
};

/// The next changes of an endless random stream: every pair gets new ones.
class ChangeStream {
  public:
    ChangeStream(std::size_t items, std::size_t perSample, std::uint32_t seed)
        : generator_(seed), ids_(0, static_cast<Id>(items - 1)), keys_(0, maxRandomKey),
          changes_(perSample) {}

    const std::vector<Change>& next() {
        for (Change& change : changes_) {
            change.id = ids_(generator_);
            change.key = keys_(generator_);
        }
        return changes_;
    }

  private:
    std::mt19937 generator_;
    std::uniform_int_distribution<Id> ids_;
    std::uniform_int_distribution<Key> keys_;
    std::vector<Change> changes_;
};

template <class Adapter> class UpdateSide {
  public:
    UpdateSide(std::size_t n, const std::vector<Key>& keys) : heap_(n) {
        for (std::size_t i = 0; i < n; ++i) {
            heap_.push(static_cast<Id>(i), keys[i]);
        }
    }

    Sample sample(const std::vector<Change>& changes) {
        const double start = now();
        for (const Change& change : changes) {
            if (change.key < heap_.key(change.id)) {
                heap_.lower(change.id, change.key);
            } else {
                heap_.raise(change.id, change.key);
            }
        }
        Sample result;
        result.seconds = now() - start;
        result.items = static_cast<double>(changes.size());
        result.runs = 1;
        return result;
    }

  private:
    Adapter heap_;
};

/// A random directed graph in compressed rows: a ring through all vertices,
/// so every vertex is reachable, plus four random arcs per vertex.
struct Graph {
    std::vector<std::size_t> firstArc; // arcs of v: [firstArc[v], firstArc[v + 1])
    std::vector<Id> target;
    std::vector<Key> weight;
};

Graph randomGraph(std::size_t vertices, std::uint32_t seed) {
    constexpr std::size_t randomArcs = 4;
    std::mt19937 generator(seed);
    std::uniform_int_distribution<Id> ids(0, static_cast<Id>(vertices - 1));
    std::uniform_int_distribution<Key> weights(1, 1000);
    Graph graph;
    graph.firstArc.reserve(vertices + 1);
    for (std::size_t v = 0; v < vertices; ++v) {
        graph.firstArc.push_back(graph.target.size());
        graph.target.push_back(static_cast<Id>((v + 1) % vertices));
        graph.weight.push_back(weights(generator));
        for (std::size_t k = 0; k < randomArcs; ++k) {
            graph.target.push_back(ids(generator));
            graph.weight.push_back(weights(generator));
        }
    }
    graph.firstArc.push_back(graph.target.size());
    return graph;
}

template <class Adapter> class DijkstraSide {
  public:
    DijkstraSide(std::size_t n, const Graph& graph) : graph_(graph), distance_(n), heap_(n) {}

    Sample sample(std::size_t runs) {
        Sample result;
        for (std::size_t run = 0; run < runs; ++run) {
            const double start = now();
            shortestPaths();
            result.seconds += now() - start;
            sink = distance_.back();
        }
        result.items = static_cast<double>(runs * distance_.size());
        result.runs = static_cast<double>(runs);
        return result;
    }

  private:
    void shortestPaths() {
        constexpr Key unreached = std::numeric_limits<Key>::max();
        std::fill(distance_.begin(), distance_.end(), unreached);
        distance_[0] = 0;
        heap_.push(0, 0);
        while (!heap_.empty()) {
            const Popped nearest = heap_.popMin();
            if (nearest.key > distance_[nearest.id]) {
                continue; // a stale entry of a lazily deleting heap
            }
            for (std::size_t arc = graph_.firstArc[nearest.id];
                 arc < graph_.firstArc[nearest.id + 1]; ++arc) {
                const Id to = graph_.target[arc];
                const Key through = nearest.key + graph_.weight[arc];
                if (through < distance_[to]) {
                    if (distance_[to] == unreached) {
                        heap_.push(to, through);
                    } else {
                        heap_.lower(to, through);
                    }
                    distance_[to] = through;
                }
            }
        }
    }

    const Graph& graph_;
    std::vector<Key> distance_;
    Adapter heap_;
};

/// The value below which a share q of the sorted values lie, interpolated.
double quantile(const std::vector<double>& sorted, double q) {
    const double position = q * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    const double fraction = position - static_cast<double>(below);
    return sorted[below] + fraction * (sorted[above] - sorted[below]);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return quantile(values, 0.5);
}

/// Serves one side of a figure in a child process: for every pair number
/// the parent sends on `orders`, takes that pair's input (made outside the
/// timing; both sides make the same inputs in the same order) and sends the
/// side's sample back on `results`, until the parent closes `orders`.
template <class Side, class Prepare>
void serve(Side& side, Prepare prepare, int orders, int results) {
    std::size_t pair = 0;
    while (read(orders, &pair, sizeof pair) == sizeof pair) {
        const Sample sample = side.sample(prepare(pair));
        if (write(results, &sample, sizeof sample) != sizeof sample) {
            return;
        }
    }
}

/// A side that takes the next key sets for each pair: a heap's whole life
/// (drain) or an insert-only run.
template <class Side> void keySetSide(std::size_t n, std::uint32_t seed, int orders, int results) {
    const KeySets keys(n, seed);
    Side side(n, keys);
    const std::size_t runs = runsPerSample(n);
    serve(
        side,
        [&](std::size_t pair) {
            return KeyRuns{pair * runs, runs};
        },
        orders, results);
}

template <class Life> void drainSide(std::size_t n, std::size_t, int orders, int results) {
    keySetSide<DrainSide<Life>>(n, 1, orders, results);
}

template <class Adapter> void insertSide(std::size_t n, std::size_t, int orders, int results) {
    keySetSide<InsertSide<Adapter>>(n, 4, orders, results);
}

template <class Adapter>
void updateSide(std::size_t n, std::size_t round, int orders, int results) {
    std::vector<Key> keys(n);
    std::copy_n(KeySets(n, 2).set(0), n, keys.begin());
    UpdateSide<Adapter> side(n, keys);
    // Each round starts a new stream, so no round replays another's changes.
    ChangeStream stream(n, std::max(4 * n, sampleWork), 1000 + static_cast<std::uint32_t>(round));
    serve(
        side, [&](std::size_t) -> const std::vector<Change>& { return stream.next(); }, orders,
        results);
}

template <class Adapter> void dijkstraSide(std::size_t n, std::size_t, int orders, int results) {
    const Graph graph = randomGraph(n, 5);
    DijkstraSide<Adapter> side(n, graph);
    const std::size_t runs = runsPerSample(n);
    serve(
        side, [&](std::size_t) { return runs; }, orders, results);
}

using SideFunction = void (*)(std::size_t n, std::size_t round, int orders, int results);

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

/// One workload at one size against one peer.
struct Figure {
    double ratio = 0;       ///< median of linked / peer over the pairs
    double lowQuartile = 0; ///< of the same ratios
    double highQuartile = 0;
    double linkedNanosPerItem = 0; ///< medians over the pairs
    double peerNanosPerItem = 0;
    double linkedFaultsPerRun = 0; ///< means over every counted run
    double peerFaultsPerRun = 0;
};

/// The counted repetitions of one figure so far.
class Tally {
  public:
    /// Runs one round: two fresh side processes, a warm-up repetition that
    /// is not counted, then `count` counted ones. A repetition runs linked,
    /// peer, peer, linked, each sample on fresh input: a sample that follows
    /// one of its own side runs faster than one that follows the other side
    /// (by up to 8 %, for Dijkstra at 10^3), and in this order each side has
    /// one of each.
    void runRound(const char* workload, const char* peerName, std::size_t n, std::size_t round,
                  std::size_t count) {
        SideProcess linked(workload, "linked", n, round);
        SideProcess peer(workload, peerName, n, round);
        for (std::size_t repetition = 0; repetition <= count; ++repetition) {
            const std::size_t input = 2 * next_++;
            Sample ours = linked.sample(input);
            Sample theirs = peer.sample(input);
            theirs += peer.sample(input + 1);
            ours += linked.sample(input + 1);
            if (repetition == 0) {
                continue;
            }
            ratios_.push_back(ours.seconds / theirs.seconds);
            linkedNanos_.push_back(ours.seconds * 1e9 / ours.items);
            peerNanos_.push_back(theirs.seconds * 1e9 / theirs.items);
            linkedTotal_ += ours;
            peerTotal_ += theirs;
        }
    }

    Figure figure() const {
        std::vector<double> ratios = ratios_;
        std::sort(ratios.begin(), ratios.end());
        return {quantile(ratios, 0.5),
                quantile(ratios, 0.25),
                quantile(ratios, 0.75),
                median(linkedNanos_),
                median(peerNanos_),
                linkedTotal_.faults / linkedTotal_.runs,
                peerTotal_.faults / peerTotal_.runs};
    }

  private:
    std::size_t next_ = 0; ///< the next repetition's inputs
    std::vector<double> ratios_;
    std::vector<double> linkedNanos_;
    std::vector<double> peerNanos_;
    Sample linkedTotal_;
    Sample peerTotal_;
};

/// A peer: the side each workload runs it on. The drain and update use plain
/// keys; Dijkstra needs ids back from popMin, so its Boost heaps carry
/// {key, id} entries.
struct Peer {
    const char* name;
    SideFunction drain;
    SideFunction update;
    SideFunction insert;
    SideFunction dijkstra;
};

template <template <class> class BoostHeap> constexpr Peer boostPeer(const char* name) {
    return {name, drainSide<ValueLife<BoostHeap<Key>>>, updateSide<BoostAdapter<BoostHeap<Key>>>,
            insertSide<BoostAdapter<BoostHeap<Key>>>, dijkstraSide<BoostAdapter<BoostHeap<Entry>>>};
}
template <class Value> using BoostBinary = BoostDary<Value, 2>;
template <class Value> using BoostFourAry = BoostDary<Value, 4>;

const Peer peers[] = {
    boostPeer<BoostBinary>("boost-binary"),
    boostPeer<BoostFourAry>("boost-4ary"),
    boostPeer<BoostPairing>("boost-pairing"),
    {"std-pq", drainSide<ValueLife<StdQueue>>, updateSide<StdQueueAdapter>,
     insertSide<StdQueueAdapter>, dijkstraSide<StdQueueAdapter>},
};

/// The linked heap's side of every workload, in the same form.
const Peer linked = {"linked", drainSide<LinkedLife>, updateSide<LinkedAdapter>,
                     insertSide<LinkedAdapter>, dijkstraSide<LinkedAdapter>};

struct Workload {
    const char* name;
    const char* label; ///< the table's first column
    SideFunction Peer::*side;
};

const Workload workloads[] = {
    {"drain", "drain (whole life)", &Peer::drain},
    {"update", "update", &Peer::update},
    {"insert", "insert", &Peer::insert},
    {"dijkstra", "dijkstra", &Peer::dijkstra},
};

struct Options {
    std::size_t pairs = 31;
    std::vector<std::size_t> sizes{1'000, 10'000, 100'000};
    std::vector<const Peer*> peers;
    std::vector<const Workload*> workloads;
};

const char usage[] =
    "Usage: heap-bench [--pairs N] [--sizes N,N,...] [--peers NAME,...] [--workloads NAME,...]\n"
    "Times the linked heap against each peer in paired repetitions and prints Markdown tables\n"
    "of linked time / peer time (median and interquartile range over the pairs).\n"
    "  --pairs N          counted pairs per figure, at least 15 (default 31)\n"
    "  --sizes LIST       heap sizes, 16 to 10000000 (default 1000,10000,100000)\n"
    "  --peers LIST       boost-binary, boost-4ary, boost-pairing, std-pq (default all)\n"
    "  --workloads LIST   drain, update, insert, dijkstra (default all)\n";

/// The --serve entry: runs one side of a figure for the parent (see
/// SideProcess). Arguments: workload, heap (linked or a peer), n, round, and
/// the descriptors to read orders from and write results to.
int serveSide(char** argv) {
    const std::string workloadName = argv[2];
    const std::string heapName = argv[3];
    const Workload* workload =
        std::find_if(std::begin(workloads), std::end(workloads),
                     [&](const Workload& one) { return workloadName == one.name; });
    const Peer* heap = heapName == linked.name
                           ? &linked
                           : std::find_if(std::begin(peers), std::end(peers),
                                          [&](const Peer& one) { return heapName == one.name; });
    if (workload == std::end(workloads) || heap == std::end(peers)) {
        std::fputs("heap-bench: --serve is for heap-bench's own use\n", stderr);
        return 2;
    }
    const auto number = [](const char* text) { return std::strtoull(text, nullptr, 10); };
    (heap->*(workload->side))(number(argv[4]), number(argv[5]), static_cast<int>(number(argv[6])),
                              static_cast<int>(number(argv[7])));
    return 0;
}

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

std::size_t parseCount(const std::string& text, std::size_t least, std::size_t most,
                       const char* what) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || *end != '\0' || errno != 0 || value < least ||
        value > most) {
        badUsage(std::string(what) + " must be a whole number from " + std::to_string(least) +
                 " to " + std::to_string(most) + ", not '" + text + "'");
    }
    return static_cast<std::size_t>(value);
}

template <class Named, std::size_t count>
std::vector<const Named*> pickByName(const std::string& list, const Named (&all)[count],
                                     const char* what) {
    std::vector<const Named*> picked;
    for (const std::string& name : splitList(list)) {
        const Named* found = std::find_if(std::begin(all), std::end(all),
                                          [&](const Named& one) { return name == one.name; });
        if (found == std::end(all)) {
            badUsage(std::string("unknown ") + what + " '" + name + "'");
        }
        if (std::find(picked.begin(), picked.end(), found) == picked.end()) {
            picked.push_back(found);
        }
    }
    return picked;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    std::string peerList = "boost-binary,boost-4ary,boost-pairing,std-pq";
    std::string workloadList = "drain,update,insert,dijkstra";
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
    options.peers = pickByName(peerList, peers, "peer");
    options.workloads = pickByName(workloadList, workloads, "workload");
    return options;
}

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

} // namespace
} // namespace bench

int main(int argc, char** argv) {
    using namespace bench;
    if (argc == 8 && std::strcmp(argv[1], "--serve") == 0) {
        return serveSide(argv);
    }
    const Options options = parseOptions(argc, argv);
    // A measuring process that died shows as a failed write, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    // Both sides of a pair run on one core, the one we started on, so that
    // neither finds the other core's caches, warmed or trashed by something
    // else. The scheduler moves other processes away from a busy core more
    // readily than it would keep the two sides together.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(static_cast<unsigned>(sched_getcpu()), &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) {
        std::perror("heap-bench: sched_setaffinity");
    }

    // Every figure's repetitions are split into rounds, and each round visits
    // every figure once, so that a figure's repetitions are spread over the
    // whole run, and over as many pairs of processes, each with its own
    // memory layout. The spread then includes what changes over minutes (the
    // load, and with it memory latency) and from process to process, which
    // is what a second run would see too.
    struct Cell {
        const Workload* workload;
        std::size_t n;
        const Peer* peer;
        Tally tally;
    };
    std::vector<Cell> cells;
    for (const Workload* workload : options.workloads) {
        for (std::size_t n : options.sizes) {
            for (const Peer* peer : options.peers) {
                cells.push_back({workload, n, peer, {}});
            }
        }
    }
    for (std::size_t round = 0; round < rounds; ++round) {
        const std::size_t count = options.pairs / rounds + (round < options.pairs % rounds ? 1 : 0);
        for (Cell& cell : cells) {
            std::fprintf(stderr, "round %zu of %zu: %s %zu vs %s\n", round + 1, rounds,
                         cell.workload->name, cell.n, cell.peer->name);
            cell.tally.runRound(cell.workload->name, cell.peer->name, cell.n, round, count);
        }
    }

    std::printf("Linked heap time ÷ peer time: median of %zu paired repetitions (linked, peer, "
                "peer, linked; in %zu rounds spread over the run), interquartile range in "
                "brackets; below 1.00 the linked heap is faster. \"linked ns\" is its median "
                "processor time per item (per change for update).\n\n",
                options.pairs, rounds);
    std::printf("| workload | n | linked ns |");
    for (const Peer* peer : options.peers) {
        std::printf(" ÷ %s |", peer->name);
    }
    std::printf("\n|---|---:|---:|");
    for (std::size_t i = 0; i < options.peers.size(); ++i) {
        std::printf("---:|");
    }
    std::printf("\n");
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

    if (!drainFaults.empty()) {
        std::printf(
            "\nMinor page faults per drain run (mean over the counted pairs):\n\n| n | linked |");
        for (const Peer* peer : options.peers) {
            std::printf(" %s |", peer->name);
        }
        std::printf("\n|---:|---:|");
        for (std::size_t i = 0; i < options.peers.size(); ++i) {
            std::printf("---:|");
        }
        std::printf("\n");
        for (std::size_t s = 0; s < options.sizes.size(); ++s) {
            std::printf("| %s |", sizeLabel(options.sizes[s]).c_str());
            for (double faults : drainFaults[s]) {
                std::printf(" %s |", format("%.0f", faults).c_str());
            }
            std::printf("\n");
        }
    }
    return 0;
}
