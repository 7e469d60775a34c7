#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Heap View for the browser (scripts/build-web.sh) and serves it on
# http://127.0.0.1:8000/, or the first free port above, printing the URL.
# Ctrl-C stops the server.
#
# With --screenshot FILE.png it serves nothing for you: it loads the page in
# headless Chromium, lets the heap grow through its 200 steps (about 52 s) and
# saves a picture of the whole page to FILE.png instead. Chromium and the npm
# packages that drive it (tools/web) are installed if missing.
#
# Usage: scripts/serve-web.sh [--screenshot FILE.png]
set -euo pipefail

usage() { echo "usage: scripts/serve-web.sh [--screenshot FILE.png]"; }
screenshot=
while (($# > 0)); do
    case $1 in
    -h | --help)
        usage
        exit 0
        ;;
    --screenshot)
        (($# >= 2)) || { echo "serve-web: --screenshot needs a file name" >&2; exit 2; }
        screenshot=$2
        shift 2
        ;;
    *)
        usage >&2
        exit 2
        ;;
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
