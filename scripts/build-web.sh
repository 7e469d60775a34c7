#!/usr/bin/env bash
# Builds Heap View for the browser with Emscripten: a static site of index.html,
# heap-view.js and heap-view.wasm in SITE_DIR (default build-web/), with
# CMake's own files under SITE_DIR/cmake. Installs Emscripten and Node.js from
# Debian's packages first if they are missing.
#
# Usage: scripts/build-web.sh [SITE_DIR]
set -euo pipefail

usage() { echo "usage: scripts/build-web.sh [SITE_DIR]   (default: build-web)"; }
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
site=${1:-build-web}
mkdir -p "$site"
site=$(cd "$site" && pwd)

# emcc runs its JavaScript optimizer under node; cmake drives the build.
needed=()
command -v emcc >/dev/null || needed+=(emscripten)
command -v node >/dev/null || needed+=(nodejs)
command -v cmake >/dev/null || needed+=(cmake)
if ((${#needed[@]} > 0)); then
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "Installing: ${needed[*]}" >&2
    if ! { DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
        -o DPkg::Lock::Timeout=600 "${needed[@]}" >/dev/null; } 2>/dev/null; then
        echo "build-web: cannot install ${needed[*]} (apt-get install failed); install it and retry" >&2
        exit 1
    fi
fi

# Debian's emcc needs its acorn module from Debian's Node.js library path. The
# system libraries come prebuilt in Debian's read-only Emscripten cache, so the
# build compiles only our own sources and writes nothing outside SITE_DIR.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
export TMPDIR=$site/cmake/tmp
mkdir -p "$TMPDIR"
emcmake cmake -S "$repo" -B "$site/cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE=-O2 -DBUILD_TESTING=OFF -DHEAP_WEB_SITE_DIR="$site" >/dev/null
cmake --build "$site/cmake" -j"$(nproc)" --target heap-view
echo "Built Heap View for the browser in $site"
