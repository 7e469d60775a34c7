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
# packages that drive it (tools/web) are installed if missing. FILE.png is
# taken as scripts/run.sh takes its output files: from the directory where
# the command was typed, missing directories made, and only a regular file
# (or a symbolic link to one, or to nothing yet) replaced.
#
# The site goes to build-web/ in the repository and CMake's tree beside it,
# to build-web-cmake/ (HEAP_VIEW_WEB_DIR to change the site's directory; the
# tree's is its name with -cmake added).
#
# Options:
#   --screenshot FILE.png  save a picture of the page instead of serving it
#   -h, --help             show this help and exit
set -euo pipefail

typed_in=$PWD
repo=$(cd "$(dirname "$0")/.." && pwd)
me=serve-web
# shellcheck source=scripts/common.sh
source "$repo/scripts/common.sh"

screenshot=
while (($# > 0)); do
    case $1 in
    -h | --help)
        usage
        exit 0
        ;;
    --screenshot)
        [[ $# -ge 2 && -n $2 && $2 != -* ]] || usage_error "--screenshot needs a file name"
        screenshot=$2
        shift 2
        ;;
    *) usage_error "unknown argument '$1'" ;;
    esac
done
[[ -z $screenshot ]] || screenshot=$(output_path "$screenshot" --screenshot .png)
site=${HEAP_VIEW_WEB_DIR:-build-web}
[[ $site == /* ]] || site=$repo/$site
site=${site%/}

# From here on, whatever ends the script, the cleanup stops the build with
# all its compilers, and node with its browser, and writes nothing.
start_cleanup
echo "serve-web: building the page in $site"
run_build "$repo/scripts/build-web.sh" --cmake-dir "$site-cmake" "$site" >/dev/null ||
    die "the browser build failed"

if [[ -z $screenshot ]]; then
    end_cleanup
    echo "Serving Heap View; open the URL below in a browser (Ctrl-C stops):"
    exec node "$repo/tools/web/serve.mjs" "$site"
fi

run_child "$repo/scripts/install-deps.sh" browser
# The browser writes into the work directory, its temporary files too, so
# that nothing of it is left if it is stopped; finish puts the picture in
# place once it is complete, if the path is still a regular file or nothing.
TMPDIR=$work run_child node "$repo/tools/web/screenshot.mjs" "$site" "$work/page.png" ||
    die "no screenshot was taken$(space_note "$(dirname -- "$work")")"
finish "$work/page.png" "$screenshot"
echo "Screenshot of the Heap View page: $screenshot"
