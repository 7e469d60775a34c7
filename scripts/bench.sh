#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: scripts/bench.sh [--quick] [heap-bench options]
#
# Builds bench/heap-bench with -O2 in build-bench/ (or $HEAP_BENCH_BUILD_DIR) and prints
# a Markdown table of linked heap time / peer time for each workload and size: the median
# over paired repetitions, each running the linked heap and the peer back to back (linked,
# peer, peer, linked), with the interquartile range. Below 1.00 the linked heap is faster.
# The machine, the command and the load average come with it. Progress goes to standard
# error, so `scripts/bench.sh > table.md` keeps just the tables. A full run takes about
# three minutes on two cores, longer on a loaded machine.
#
#   --quick            boost-binary only, 15 pairs: about 25 seconds
#   -h, --help         this text
#
# Every other option goes to heap-bench as it is, which checks it once built:
#   --pairs N          counted pairs per figure, at least 15 (default 31)
#   --sizes LIST       heap sizes, comma-separated (default 1000,10000,100000)
#   --peers LIST       from boost-binary,boost-4ary,boost-pairing,std-pq (default all)
#   --workloads LIST   from drain,update,insert,dijkstra,dijkstra-typed (default all)
set -euo pipefail

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
command="scripts/bench.sh${*:+ $*}"
arguments=()
for argument in "$@"; do
    case $argument in
    -h | --help)
        usage
        exit 0
        ;;
    --quick) arguments+=(--peers boost-binary --pairs 15) ;;
    *) arguments+=("$argument") ;;
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
# rejects (one line on standard error, status 2) then leaves standard output
# empty.
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
