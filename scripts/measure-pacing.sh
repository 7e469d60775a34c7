#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: scripts/measure-pacing.sh [BUILD_DIR]      (default: build)
#
# Measures heap-view's pacing and CPU use once its heap is full, on a private
# Xvfb, and fails unless: no two steps come closer than 250 ms, the mean step
# period is within 2% of 250 ms, and the process uses under 3% of one core.
# The CPU share is of one core; status 2 when the program cannot be measured.
# Takes about 75 s. Needs xvfb-run and strace (scripts/install-deps.sh).
#
# The program is not instrumented: every step follows one 250 ms pause, which
# strace sees as a clock_nanosleep (or nanosleep) call asking for 250 ms, so
# the time from one such call to the next is one step period. Only those calls
# are traced (seccomp filter), so tracing costs the program almost nothing.
#
# Options:
#   -h, --help  show this help and exit
set -euo pipefail

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
usage_error() {
    echo "measure-pacing.sh: $1 (see scripts/measure-pacing.sh --help)" >&2
    exit 2
}
while (($# > 0)); do
    case $1 in
    -h | --help)
        usage
        exit 0
        ;;
    --)
        shift
        break
        ;;
    -*) usage_error "unknown option '$1'" ;;
    *) break ;;
    esac
done
(($# <= 1)) || usage_error "one build folder at most"

if [[ -z ${MEASURE_PACING_XVFB:-} ]]; then
    export MEASURE_PACING_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
[[ $build == /* ]] || build=$repo/$build
program=$build/viewer/heap-view
if [[ ! -x $program ]]; then
    echo "measure-pacing: no $program; build it first" >&2
    exit 2
fi

readonly items=200        # steps until the heap is full
readonly span=20          # seconds measured once it is
readonly period_ns=250000000
readonly max_cpu_percent=3
readonly mean_tolerance_percent=2

work=$(mktemp -d)
log=$work/pauses.log
pid=
tracer=
cleanup() {
    # Ending heap-view ends strace as well; strace hands a fatal signal on to it.
    if [[ -n $pid ]]; then
        kill "$pid" 2>/dev/null || true
    elif [[ -n $tracer ]]; then
        kill "$tracer" 2>/dev/null || true
    fi
    if [[ -n $tracer ]]; then
        wait "$tracer" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The shell notes its pid and becomes heap-view, which keeps that pid.
strace -f --seccomp-bpf -e trace=nanosleep,clock_nanosleep -ttt -T -o "$log" \
    sh -c 'echo $$ >"$1"; exec "$2"' sh "$work/pid" "$program" >"$work/stdout" 2>"$work/stderr" &
tracer=$!
for _ in {1..100}; do
    if [[ -s $work/pid ]]; then
        pid=$(<"$work/pid")
        break
    fi
    sleep 0.1
done
if [[ -z $pid ]]; then
    echo "measure-pacing: heap-view did not start" >&2
    exit 2
fi

# Pauses the main thread has begun; the heap is full once more than $items began.
pauses() {
    local count
    count=$(grep -c "^$pid .*tv_sec=0, tv_nsec=$period_ns}" "$log" 2>/dev/null) || true
    echo "${count:-0}"
}
deadline=$((SECONDS + 120))
until (($(pauses) > items)); do
    if ! kill -0 "$pid" 2>/dev/null || ((SECONDS > deadline)); then
        echo "measure-pacing: heap-view stopped or stalled before its heap was full" >&2
        cat "$work/stderr" >&2
        exit 2
    fi
    sleep 1
done

# utime + stime of all the process's threads, in clock ticks.
cpu_ticks() { sed 's/^.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }'; }
start=$(date +%s.%N)
cpu_start=$(cpu_ticks)
load_start=$(cut -d' ' -f1 /proc/loadavg)
sleep "$span"
end=$(date +%s.%N)
cpu_end=$(cpu_ticks)
load_end=$(cut -d' ' -f1 /proc/loadavg)

awk -v pid="$pid" -v start="$start" -v end="$end" -v ticks="$(getconf CLK_TCK)" \
    -v cpu="$((cpu_end - cpu_start))" -v period="$period_ns" -v max_cpu="$max_cpu_percent" \
    -v tolerance="$mean_tolerance_percent" -v load="$load_start to $load_end" -v cores="$(nproc)" '
    $1 == pid && index($0, "tv_sec=0, tv_nsec=" period "}") && $2 >= start && $2 <= end {
        if (match($NF, /^<[0-9.]+>$/)) {
            slept += substr($NF, 2, length($NF) - 2) * 1000
            sleeps++
        }
        if (n > 0) {
            gap = ($2 - last) * 1000
            sum += gap
            if (n == 1 || gap < min) min = gap
            if (n == 1 || gap > max) max = gap
        }
        last = $2
        n++
    }
    END {
        if (n < 2) { print "measure-pacing: no steps seen" > "/dev/stderr"; exit 2 }
        target = period / 1e6
        mean = sum / (n - 1)
        cpu_percent = cpu / ticks / (end - start) * 100
        printf "heap-view, full heap, %.1f s: %d step periods\n", end - start, n - 1
        printf "  step period: min %.2f ms, mean %.2f ms, max %.2f ms\n", min, mean, max
        if (sleeps > 0) {
            printf "  of which: pause %.2f ms, frame and events %.2f ms (means)\n",
                slept / sleeps, mean - slept / sleeps
        }
        printf "  CPU: %.2f%% of one core, %.1f ms a step\n", cpu_percent, cpu / ticks * 1000 / (n - 1)
        # Most of a frame is waiting for the threads of a software renderer and
        # the X server; on a busy machine that wait grows with the load.
        printf "  load average: %s (%d cores)\n", load, cores
        ok = 1
        if (min < target) { print "FAIL: steps closer than " target " ms"; ok = 0 }
        if (mean < target * (1 - tolerance / 100) || mean > target * (1 + tolerance / 100)) {
            print "FAIL: mean step period not within " tolerance "% of " target " ms"; ok = 0
        }
        if (cpu_percent >= max_cpu) { print "FAIL: CPU use not under " max_cpu "% of one core"; ok = 0 }
        if (ok) print "OK"
        exit ok ? 0 : 1
    }' "$log"
