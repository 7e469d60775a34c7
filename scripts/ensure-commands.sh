#!/usr/bin/env bash
# Makes sure commands are on PATH, installing the Debian package of each one
# that is missing; if that fails, a one-line error names what is missing.
#
# Usage: scripts/ensure-commands.sh COMMAND=PACKAGE...   e.g. emcc=emscripten
set -euo pipefail

if (($# == 0)) || [[ $1 == -h || $1 == --help ]]; then
    echo "usage: scripts/ensure-commands.sh COMMAND=PACKAGE..."
    (($# > 0)) || exit 2
    exit 0
fi
missing=()
for pair in "$@"; do
    [[ $pair == ?*=?* ]] || { echo "ensure-commands: not COMMAND=PACKAGE: $pair" >&2; exit 2; }
    command -v "${pair%%=*}" >/dev/null || missing+=("${pair#*=}")
done
((${#missing[@]} > 0)) || exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
install() {
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null 2>&1
}
echo "Installing: ${missing[*]}" >&2
# A fresh machine may have no package lists yet.
if ! install && ! { "${sudo[@]}" apt-get update -qq >/dev/null 2>&1 && install; }; then
    echo "missing ${missing[*]}: apt-get install failed; install it and retry" >&2
    exit 1
fi
