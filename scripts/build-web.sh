#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: scripts/build-web.sh [--cmake-dir CMAKE_DIR] [SITE_DIR]
#
# Builds Heap View for the browser with Emscripten into SITE_DIR (default:
# build-web/ in the repository), which then holds only what is published:
# index.html, page.js, heap-view.js and heap-view.wasm. CMake's own tree goes
# to CMAKE_DIR (default: build-web-cmake/ in the repository). Paths given are
# taken from the current directory. Installs Emscripten and Node.js from
# Debian's packages first if they are missing. A second build into the same
# CMAKE_DIR waits for the first to finish.
#
# Options:
#   --cmake-dir CMAKE_DIR  where CMake's tree goes
#   -h, --help             show this help and exit
set -euo pipefail

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
usage_error() {
    echo "build-web: $1 (see scripts/build-web.sh --help)" >&2
    exit 2
}
repo=$(cd "$(dirname "$0")/.." && pwd)
tree=$repo/build-web-cmake
site=
while (($# > 0)); do
    case $1 in
    -h | --help)
        usage
        exit 0
        ;;
    --cmake-dir)
        [[ $# -ge 2 && -n $2 ]] || usage_error "--cmake-dir needs a directory"
        tree=$2
        shift 2
        ;;
    -*) usage_error "unknown option '$1'" ;;
    *)
        [[ -z $site ]] || usage_error "one SITE_DIR at most"
        site=$1
        shift
        ;;
    esac
done
site=${site:-$repo/build-web}
mkdir -p "$site" "$tree"
site=$(cd "$site" && pwd)
tree=$(cd "$tree" && pwd)
[[ $site != "$tree" ]] || usage_error "the site and the CMake tree must differ"
# Two builds into one tree would break each other: a second one waits.
exec {lock}<"$tree"
if ! flock -n "$lock"; then
    echo "build-web: waiting for another build in $tree to finish" >&2
    flock "$lock"
fi
# Sites built before the CMake tree moved out kept it in SITE_DIR/cmake.
if [[ -f $site/cmake/CMakeCache.txt ]]; then rm -rf "${site:?}/cmake"; fi

# emcc runs its JavaScript optimizer under node; cmake drives the build.
"$repo/scripts/install-deps.sh" web

# Debian's emcc needs its acorn module from Debian's Node.js library path. The
# system libraries come prebuilt in Debian's read-only Emscripten cache, so the
# build compiles only our own sources and writes nothing outside the two
# directories.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
export TMPDIR=$tree/tmp
mkdir -p "$TMPDIR"
if ! emcmake cmake -S "$repo" -B "$tree" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE=-O2 -DBUILD_TESTING=OFF -DHEAP_WEB_SITE_DIR="$site" \
    >"$tree/configure.log" 2>&1; then
    cat "$tree/configure.log" >&2
    exit 1
fi
cmake --build "$tree" -j"$(nproc)" --target heap-view
echo "Built Heap View for the browser in $site"
