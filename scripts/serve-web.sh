#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: scripts/serve-web.sh [--screenshot FILE.png]
#
# Builds Heap View for the browser (scripts/build-web.sh) and serves it on
# http://127.0.0.1:8000/, or the first free port above, printing the URL.
# Ctrl-C stops the server.
#
# With --screenshot FILE.png it serves nothing for you: it loads the page in
# headless Chromium, lets the heap grow through its 200 steps (about 52 s) and
# saves a picture of the whole page to FILE.png instead. Chromium and the npm
# packages that drive it (tools/web) are installed if missing.
#
# Options:
#   --screenshot FILE.png  save a picture of the page instead of serving it
#   -h, --help             show this help and exit
set -euo pipefail

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
usage_error() {
    echo "serve-web: $1 (see scripts/serve-web.sh --help)" >&2
    exit 2
}
screenshot=
while (($# > 0)); do
    case $1 in
    -h | --help)
        usage
        exit 0
        ;;
    --screenshot)
        (($# >= 2)) || usage_error "--screenshot needs a file name"
        screenshot=$2
        shift 2
        ;;
    *) usage_error "unknown argument '$1'" ;;
    esac
done

repo=$(cd "$(dirname "$0")/.." && pwd)
site=$repo/build-web
"$repo/scripts/build-web.sh" "$site" >/dev/null

if [[ -z $screenshot ]]; then
    echo "Serving Heap View; open the URL below in a browser (Ctrl-C stops):"
    exec node "$repo/tools/web/serve.mjs" "$site"
fi

"$repo/scripts/install-deps.sh" browser
mkdir -p "$(dirname "$screenshot")"
node "$repo/tools/web/screenshot.mjs" "$site" "$screenshot"
echo "Screenshot of the Heap View page: $(realpath "$screenshot")"
