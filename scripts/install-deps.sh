#!/usr/bin/env bash
# Installs what building, running and testing need, with apt-get.
# Quick when everything is already there: apt-get runs only for missing packages.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    clang                          # the sanitized run and libFuzzer
    freeglut3-dev libgl1-mesa-dev libgl1-mesa-dri libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev libboost-dev
    xvfb xauth xdotool x11-apps x11-utils imagemagick
    dpkg-dev file                  # dpkg-shlibdeps for the Debian package
    strace                         # scripts/measure-pacing.sh
    emscripten nodejs chromium     # the browser build and its test in headless Chromium
)
# Debian ships clang's sanitizer and libFuzzer runtimes separately; releases
# that bundle them with clang have no such package.
optional=(libclang-rt-dev)

missing=()
for package in "${packages[@]}" "${optional[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
available=()
for package in "${missing[@]}"; do
    if [[ " ${optional[*]} " != *" $package "* ]] || apt-cache show "$package" >/dev/null 2>&1; then
        available+=("$package")
    fi
done
"${sudo[@]}" apt-get install -y -qq "${available[@]}"
