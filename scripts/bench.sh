#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds heap-bench with -O2 in its own build directory, runs it and prints, as
# Markdown on standard output, the paired ratio table (linked heap time / peer
# time, median and interquartile range) with the machine and its load.
set -euo pipefail

usage() {
    cat <<'EOF'
Usage: scripts/bench.sh [--quick] [--pairs N] [--sizes N,...] [--peers NAME,...] [--workloads NAME,...]

Builds bench/heap-bench with -O2 in build-bench/ (or $HEAP_BENCH_BUILD_DIR) and prints
a Markdown table of linked heap time / peer time for each workload and size: the median
over paired repetitions, each running the linked heap and the peer back to back (linked,
peer, peer, linked), with the interquartile range. Below 1.00 the linked heap is faster.
The machine, the command and the load average come with it. Progress goes to standard
error, so `scripts/bench.sh > table.md` keeps just the tables. A full run takes about
three minutes on two cores.

  --quick            boost-binary only, 15 pairs: about 25 seconds
  --pairs N          counted pairs per figure, at least 15 (default 31)
  --sizes LIST       heap sizes, comma-separated (default 1000,10000,100000)
  --peers LIST       from boost-binary,boost-4ary,boost-pairing,std-pq (default all)
  --workloads LIST   from drain,update,insert,dijkstra (default all)
  -h, --help         this text
EOF
}

command="scripts/bench.sh${*:+ $*}"
arguments=()
while (($# > 0)); do
    case $1 in
    -h | --help)
        usage
        exit 0
        ;;
    --quick)
        arguments+=(--peers boost-binary --pairs 15)
        shift
        ;;
    --pairs | --sizes | --peers | --workloads)
        if (($# < 2)); then
            echo "bench.sh: $1 needs a value (see --help)" >&2
            exit 2
        fi
        # Digits and commas only: strtoull alone would take ' 100' and +100.
        if [[ $1 == --sizes && ! $2 =~ ^[0-9]+(,[0-9]+)*$ ]]; then
            echo "bench.sh: --sizes takes whole numbers separated by commas, not '$2' (see --help)" >&2
            exit 2
        fi
        arguments+=("$1" "$2")
        shift 2
        ;;
    *)
        echo "bench.sh: unknown argument '$1' (see --help)" >&2
        exit 2
        ;;
    esac
done

cd "$(dirname "$0")/.."
build=${HEAP_BENCH_BUILD_DIR:-build-bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log=$work/build.log

# Release with -O2 rather than CMake's default -O3: the figures should hold for
# an ordinary optimised build.
echo "Building heap-bench in $build" >&2
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
    -DHEAP_BUILD_BENCH=ON -DHEAP_BUILD_VIEWER=OFF -DBUILD_TESTING=OFF &&
    cmake --build "$build" -j"$(nproc)" --target heap-bench; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "bench.sh: building heap-bench failed" >&2
    exit 1
fi

loadAverage() { cut -d ' ' -f 1 /proc/loadavg; }
cpuInfo() { lscpu | sed -n "s/^$1: *//p" | head -n 1; }
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
boost=$(sed -n 's/^#define BOOST_LIB_VERSION "\(.*\)"/\1/p' /usr/include/boost/version.hpp | tr _ .)
hypervisor=$(cpuInfo 'Hypervisor vendor')

# The table waits in a file until the run succeeds: an argument heap-bench
# rejects then leaves standard output empty.
table=$work/table.md
loadBefore=$(loadAverage)
start=$SECONDS
"$build/bench/heap-bench" "${arguments[@]}" >"$table"
took=$((SECONDS - start))

echo "Machine: $(cpuInfo 'Model name'), $(nproc) cores${hypervisor:+ ($hypervisor guest)}," \
    "L1d $(cpuInfo 'L1d cache'), L2 $(cpuInfo 'L2 cache'); Linux $(uname -r);" \
    "$("$compiler" --version | head -n 1) at -O2; Boost ${boost:-unknown}."
echo
echo "Command: \`$command\`; load average (1 min)" \
    "$loadBefore at the start and $(loadAverage) at the end; the run took $took s."
echo
cat "$table"
