#!/usr/bin/env bash
# Builds heap-bench with -O2 in its own build directory, runs it and prints the
# median time of every heap as a ratio of Boost's binary heap's (boost-binary)
# on the same workload and size, as a Markdown table. Below 1.00 is faster.
#
# Arguments go to heap-bench after the defaults, so they can override them, e.g.
#   scripts/bench.sh --benchmark_filter='^(drain|update)/(linked|boost-binary)/'
# The whole suite takes about ten minutes on two cores.
# Environment: HEAP_BENCH_BUILD_DIR (default build-bench), HEAP_BENCH_REPETITIONS
# (default 3: each benchmark runs that many times, interleaved with the others,
# and the table uses the medians).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${HEAP_BENCH_BUILD_DIR:-build-bench}
repetitions=${HEAP_BENCH_REPETITIONS:-3}

# Release with -O2 rather than CMake's default -O3: the figures should hold for
# an ordinary optimised build.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
    -DHEAP_BUILD_BENCH=ON -DHEAP_BUILD_VIEWER=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target heap-bench >/dev/null

raw="$build/bench-raw.txt"
echo "Running heap-bench ($repetitions interleaved repetitions; raw output in $raw)" >&2
"$build/bench/heap-bench" --benchmark_repetitions="$repetitions" --benchmark_min_time=0.2 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_color=false "$@" >"$raw" 2>&1

echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) cores;" \
    "$(${CXX:-c++} --version | head -n 1); -O2"
echo
awk '
    function micros(value, unit) {
        if (unit == "ns") return value / 1000
        if (unit == "ms") return value * 1000
        if (unit == "s") return value * 1000000
        return value
    }
    $1 ~ /_median$/ {
        name = $1
        sub(/_median$/, "", name)
        split(name, part, "/")
        key = part[1] "/" part[3]
        time[key, part[2]] = micros($2, $3)
        if (!((part[1], part[3]) in seen)) {
            seen[part[1], part[3]] = 1
            sizes[part[1]] = sizes[part[1]] " " part[3]
        }
    }
    END {
        heaps = "linked boost-4ary boost-pairing std-pq"
        count = split(heaps, heap, " ")
        printf "| workload | n | boost-binary (us) |"
        for (h = 1; h <= count; ++h) printf " %s |", heap[h]
        printf "\n|---|---:|---:|"
        for (h = 1; h <= count; ++h) printf "---:|"
        printf "\n"
        workloads = split("drain update insert dijkstra", workload, " ")
        for (w = 1; w <= workloads; ++w) {
            n = split(sizes[workload[w]], size, " ")
            # Sizes ascending: a plain insertion sort, as awk has no sort.
            for (i = 2; i <= n; ++i) {
                for (j = i; j > 1 && size[j - 1] + 0 > size[j] + 0; --j) {
                    t = size[j]; size[j] = size[j - 1]; size[j - 1] = t
                }
            }
            for (i = 1; i <= n; ++i) {
                key = workload[w] "/" size[i]
                base = time[key, "boost-binary"]
                printf "| %s | %s | %s |", workload[w], size[i], base == "" ? "-" : sprintf("%.1f", base)
                for (h = 1; h <= count; ++h) {
                    value = time[key, heap[h]]
                    printf " %s |", (value == "" || base == "" || base == 0) ? "-" : sprintf("%.2f", value / base)
                }
                printf "\n"
            }
        }
    }
' "$raw"
