#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs, with apt-get, the Debian packages that one of the project's
# commands needs, and nothing it does not.
#
#   scripts/install-deps.sh GROUP...
#
# Groups:
#   run       build and start heap-view: compiler, CMake, GLUT and OpenGL
#   headless  a private X server and the image tools for screenshots
#   record    the GIF optimiser for recordings
#   web       the browser build: Emscripten, Node.js and CMake
#   browser   Chromium, to take the browser build's picture headless, and
#             the npm packages that drive it (tools/web, by npm ci)
#   test      everything the whole test suite needs (includes the groups above)
#
# Packages already installed are left alone; when nothing is missing the script
# prints nothing. Otherwise it prints one line naming what it installs, then
# runs apt-get quietly, without recommended packages (every group works
# without them), keeping apt's output in a log that is shown only on failure.
set -euo pipefail

usage() {
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}

# What each group asks for, by package name.
declare -A groups=(
    [run]="g++ make cmake freeglut3-dev"
    [headless]="xvfb x11-apps imagemagick"
    [record]="gifsicle"
    [web]="emscripten nodejs cmake"
    [browser]="chromium nodejs"
    # clang and its sanitizer and fuzzer runtimes for the sanitized build;
    # xauth for xvfb-run; XTest for the end-to-end input; Boost for the
    # benchmark build; dpkg-dev, lintian and man-db (man -l, groff) for the
    # package checks; strace for scripts/measure-pacing.sh.
    [test]="build-essential pkg-config clang libgtest-dev libgmock-dev libxtst-dev
            xauth libboost-dev dpkg-dev file lintian man-db strace"
)
# Debian ships clang's sanitizer and libFuzzer runtimes apart from clang;
# releases that bundle them have no such package, and then it is skipped.
optional="libclang-rt-dev"

if (($# == 0)); then
    usage >&2
    exit 2
fi
wanted=()
for group in "$@"; do
    case $group in
    -h | --help)
        usage
        exit 0
        ;;
    test)
        for part in run headless record web browser test; do
            wanted+=(${groups[$part]})
        done
        wanted+=($optional)
        ;;
    run | headless | record | web | browser) wanted+=(${groups[$group]}) ;;
    *)
        echo "install-deps: unknown group '$group' (run, headless, record, web, browser or test)" >&2
        exit 2
        ;;
    esac
done

# The browser group's npm packages (playwright-core, axe-core, pngjs), pinned
# in tools/web/package-lock.json: npm ci installs them into
# tools/web/node_modules once Debian's packages are in, by a second run of this
# script for those alone. npm comes from Debian unless node already brings it.
if [[ " ${wanted[*]} " == *" chromium "* && -n ${HEAP_INSTALL_DEPS_APT_ONLY:-} ]]; then
    command -v npm >/dev/null || wanted+=(npm)
elif [[ " ${wanted[*]} " == *" chromium "* ]]; then
    HEAP_INSTALL_DEPS_APT_ONLY=1 "$0" "$@"
    web_tools=$(cd "$(dirname "$0")/../tools/web" && pwd)
    stamp=$web_tools/node_modules/.installed-from-package-lock.json
    if ! cmp -s "$web_tools/package-lock.json" "$stamp" 2>/dev/null; then
        echo "install-deps: installing the browser tests' npm packages (npm ci in tools/web)"
        npm_log=$(mktemp)
        if ! (cd "$web_tools" && npm ci --no-audit --no-fund) >"$npm_log" 2>&1; then
            cat "$npm_log" >&2
            rm -f "$npm_log"
            echo "install-deps: npm ci failed in $web_tools (its output above)" >&2
            exit 1
        fi
        rm -f "$npm_log"
        cp "$web_tools/package-lock.json" "$stamp"
    fi
    exit 0
fi

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
missing=()
for package in $(printf '%s\n' "${wanted[@]}" | sort -u); do
    installed "$package" || missing+=("$package")
done
((${#missing[@]} > 0)) || exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
fail() {
    cat "$log" >&2
    echo "install-deps: $1, so these are missing: ${missing[*]} (apt-get's output above)" >&2
    exit 1
}

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq >"$log" 2>&1 || fail "apt-get update failed"
available=()
for package in "${missing[@]}"; do
    if [[ $package != "$optional" ]] || apt-cache show "$package" >/dev/null 2>&1; then
        available+=("$package")
    fi
done
((${#available[@]} > 0)) || exit 0
apt=(apt-get install -y -qq --no-install-recommends)
total=$(apt-get -s "${apt[@]:1}" "${available[@]}" 2>/dev/null | grep -c '^Inst ') || true
echo "install-deps: installing ${available[*]} (${total:-?} packages with their dependencies)"
"${sudo[@]}" "${apt[@]}" "${available[@]}" >"$log" 2>&1 || fail "apt-get install failed"
