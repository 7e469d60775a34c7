#!/usr/bin/env bash
# Installs what building, running and testing need, with apt-get.
# Quick when everything is already there: apt-get runs only for missing packages.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    clang libclang-rt-dev          # sanitizers and libFuzzer for the sanitized run
    freeglut3-dev libgl1-mesa-dev libgl1-mesa-dri libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev libboost-dev
    xvfb xauth xdotool x11-apps x11-utils imagemagick
    dpkg-dev file                  # dpkg-shlibdeps for the Debian package
    strace                         # scripts/measure-pacing.sh
)

missing=()
for package in "${packages[@]}"; do
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
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
