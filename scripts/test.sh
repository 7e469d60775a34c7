#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: scripts/test.sh
#
# Builds and runs the whole test suite twice: a plain build with the default
# compiler, then a clang build under AddressSanitizer and UndefinedBehaviorSanitizer
# that also runs the heap fuzzer for a bounded time. The browser build and its
# tests in headless Chromium run once, with the plain build. Installs first
# what that needs (scripts/install-deps.sh test).
#
# Options:
#   -h, --help  show this help and exit
set -euo pipefail

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
usage_error() {
    echo "test.sh: $1 (see scripts/test.sh --help)" >&2
    exit 2
}
case ${1-} in
-h | --help)
    usage
    exit 0
    ;;
-*) usage_error "unknown option '$1'" ;;
esac
(($# == 0)) || usage_error "takes no arguments"
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
jobs=$(nproc)

echo "== plain build =="
cmake -S . -B build -DBUILD_TESTING=ON -DHEAP_BUILD_BENCH=ON -DHEAP_TEST_WEB=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure)

echo "== sanitized build (ASan + UBSan, clang) =="
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DHEAP_SANITIZE=ON -DHEAP_FUZZ=ON -DHEAP_TEST_WEB=OFF
cmake --build build-sanitize -j"$jobs"
(cd build-sanitize && ctest --output-on-failure)
