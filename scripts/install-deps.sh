#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: scripts/install-deps.sh GROUP...
#
# Installs, with apt-get, the Debian packages that one of the project's
# commands needs, and nothing it does not.
#
# Groups:
#   run       build and start heap-view: compiler, CMake, GLUT and OpenGL
#   headless  a private X server and the image tools for screenshots
#   record    the GIF optimiser for recordings
#   web       the browser build: Emscripten, Node.js and CMake
#   browser   Chromium, to take the browser build's picture headless, Firefox
#             ESR for the browser tests' second browser, and the npm
#             packages that drive them (tools/web, by npm ci)
#   test      everything the whole test suite needs (includes the groups above)
#
# Packages already installed are left alone; when nothing is missing the script
# prints nothing. Otherwise it prints one line naming what it installs, then
# runs apt-get quietly, without recommended packages (every group works
# without them), keeping apt's output in a log that is shown only on failure.
# Where Debian releases name a package differently, the first name that
# apt-cache knows is taken; a package known under none of its names is named
# on standard error, and nothing is installed.
set -euo pipefail

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
usage_error() {
    echo "install-deps: $1 (see scripts/install-deps.sh --help)" >&2
    exit 2
}

# What each group asks for, by package name. A|B: A, or where the release has
# no A, B (the first that apt-cache knows). CLANG stands for the major version
# of the release's default clang.
declare -A groups=(
    [run]="g++ make cmake libglut-dev|freeglut3-dev"
    [headless]="xvfb x11-apps imagemagick"
    [record]="gifsicle"
    [web]="emscripten nodejs cmake"
    [browser]="chromium firefox-esr nodejs"
    # clang and its sanitizer and fuzzer runtimes for the sanitized build
    # (Debian ships them apart from clang, under a versioned name before the
    # unversioned one came, inside libclang-common before that); xauth for
    # xvfb-run; XTest for the end-to-end input; Boost for the benchmark build;
    # dpkg-dev, lintian and man-db (man -l, groff) for the package checks;
    # strace for scripts/measure-pacing.sh.
    [test]="build-essential pkg-config clang
            libclang-rt-dev|libclang-rt-CLANG-dev|libclang-common-CLANG-dev
            libgtest-dev libgmock-dev libxtst-dev xauth libboost-dev dpkg-dev file lintian
            man-db strace"
)

(($# > 0)) || usage_error "names no group (run, headless, record, web, browser or test)"
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
        ;;
    run | headless | record | web | browser) wanted+=(${groups[$group]}) ;;
    *)
        usage_error "unknown group '$group' (run, headless, record, web, browser or test)"
        ;;
    esac
done

# The browser group's npm packages (playwright-core, puppeteer-core, axe-core,
# pngjs), pinned
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
# Whether the package lists have a real package of that name. (Read whole: with
# pipefail, grep -q would fail the pipe by closing it early.)
known() {
    local record
    record=$(apt-cache show --no-all-versions "$1" 2>/dev/null) || return 1
    [[ $record == *Package:* ]]
}
# The major version of the clang that the release's "clang" depends on.
clang_major() {
    local depends
    depends=$(apt-cache depends clang 2>/dev/null) || return 0
    sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/;T;p;q' <<<"$depends"
}
# A wanted entry is satisfied when any of its names is installed.
missing=()
for entry in $(printf '%s\n' "${wanted[@]}" | sort -u); do
    satisfied=false
    for package in ${entry//|/ }; do
        if [[ $package != *CLANG* ]] && installed "$package"; then
            satisfied=true
        fi
    done
    $satisfied || missing+=("$entry")
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
for entry in "${missing[@]}"; do
    chosen=
    for package in ${entry//|/ }; do
        if [[ $package == *CLANG* ]]; then
            major=$(clang_major)
            [[ -n $major ]] || continue
            package=${package//CLANG/$major}
        fi
        if known "$package"; then
            chosen=$package
            break
        fi
    done
    if [[ -z $chosen ]]; then
        echo "install-deps: no package $(echo "${entry//|/ or }" | sed 's/CLANG/<clang version>/g') in this release's lists" >&2
        exit 1
    fi
    installed "$chosen" || available+=("$chosen")
done
((${#available[@]} > 0)) || exit 0
apt=(apt-get install -y -qq --no-install-recommends)
total=$(apt-get -s "${apt[@]:1}" "${available[@]}" 2>/dev/null | grep -c '^Inst ') || true
echo "install-deps: installing ${available[*]} (${total:-?} packages with their dependencies)"
"${sudo[@]}" "${apt[@]}" "${available[@]}" >"$log" 2>&1 || fail "apt-get install failed"
