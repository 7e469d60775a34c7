#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Heap View for the browser with Emscripten: a static site of index.html,
# heap-view.js and heap-view.wasm in SITE_DIR (default: build-web/ in the
# repository; a path given is taken from the current directory), with
# CMake's own files under SITE_DIR/cmake. Installs Emscripten and Node.js from
# Debian's packages first if they are missing.
#
# Usage: scripts/build-web.sh [SITE_DIR]
set -euo pipefail

usage() { echo "usage: scripts/build-web.sh [SITE_DIR]   (default: build-web/ in the repository)"; }
case ${1:-} in
-h | --help)
    usage
    exit 0
    ;;
-*)
    usage >&2
    exit 2
    ;;
esac
(($# <= 1)) || { usage >&2; exit 2; }

repo=$(cd "$(dirname "$0")/.." && pwd)
site=${1:-$repo/build-web}
mkdir -p "$site"
site=$(cd "$site" && pwd)

# emcc runs its JavaScript optimizer under node; cmake drives the build.
"$repo/scripts/install-deps.sh" web

# Debian's emcc needs its acorn module from Debian's Node.js library path. The
# system libraries come prebuilt in Debian's read-only Emscripten cache, so the
# build compiles only our own sources and writes nothing outside SITE_DIR.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
export TMPDIR=$site/cmake/tmp
mkdir -p "$TMPDIR"
if ! emcmake cmake -S "$repo" -B "$site/cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE=-O2 -DBUILD_TESTING=OFF -DHEAP_WEB_SITE_DIR="$site" \
    >"$site/cmake/configure.log" 2>&1; then
    cat "$site/cmake/configure.log" >&2
    exit 1
fi
cmake --build "$site/cmake" -j"$(nproc)" --target heap-view
echo "Built Heap View for the browser in $site"
