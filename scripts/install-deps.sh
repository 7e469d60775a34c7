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
#   browser   Chromium, to take the browser build's picture headless
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
