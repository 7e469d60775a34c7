#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# heap-bench's command line, from outside: the help, and every malformed
# option refused with one line on standard error and status 2 before any
# measuring starts.
#
# Usage: options.sh HEAP_BENCH
set -euo pipefail

bench=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# arguments, split on ';' | the one line expected on stderr
cases=(
    "--sizes; 100|^heap-bench: a size must be a whole number from 16 to 10000000, not ' 100' "
    "--sizes;+100|not '\+100' "
    "--sizes;100 |not '100 ' "
    "--sizes;-100|not '-100' "
    "--sizes;1e3|not '1e3' "
    "--sizes;0x100|not '0x100' "
    "--sizes;1000,|not '' "
    "--sizes;15|not '15' "
    "--sizes;10000001|not '10000001' "
    "--sizes;99999999999999999999999|not '99999999999999999999999' "
    "--pairs;14|^heap-bench: --pairs must be a whole number from 15 to 10000, not '14' "
    "--pairs; 31|not ' 31' "
    "--pairs|^heap-bench: --pairs needs a value "
    "--peers;boost-binary,heap|^heap-bench: unknown peer 'heap' "
    "--workloads;drain,|^heap-bench: unknown workload '' "
    "--quick|^heap-bench: unknown option '--quick' "
    "--serve;drain;linked|^heap-bench: unknown option '--serve' "
)
for entry in "${cases[@]}"; do
    IFS='|' read -r joined expected <<<"$entry"
    IFS=';' read -r -a args <<<"$joined"
    status=0
    timeout 10 "$bench" "${args[@]}" >"$scratch/out" 2>"$scratch/err" || status=$?
    err=$(<"$scratch/err")
    [[ $status == 2 ]] || fail "heap-bench $joined: status $status, expected 2"
    [[ $err =~ $expected && $err != *$'\n'* && ! -s $scratch/out ]] ||
        fail "heap-bench $joined: printed '$(<"$scratch/out")' / '$err'"
done

for help in --help -h; do
    status=0
    "$bench" --sizes 100 "$help" >"$scratch/out" 2>"$scratch/err" || status=$?
    [[ $status == 0 && -s $scratch/out && ! -s $scratch/err ]] ||
        fail "heap-bench $help: status $status, stderr '$(<"$scratch/err")'"
    for word in --pairs --sizes --peers --workloads boost-binary std-pq dijkstra; do
        grep -q -- "$word" "$scratch/out" || fail "heap-bench $help does not mention $word"
    done
done

if ((failures > 0)); then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "heap-bench: ${#cases[@]} malformed command lines refused, help shown"
