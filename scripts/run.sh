#!/usr/bin/env bash
# Installs what Heap View needs, builds it and starts it.
#
# With a display (DISPLAY set) the window opens there and runs until you press
# q. Without one, the viewer runs on a private Xvfb through its growth phase,
# a screenshot of its window is saved as a PNG and its path printed.
#
#   scripts/run.sh [--screenshot FILE.png] [-- viewer arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

screenshot=build/heap-view.png
while (($# > 0)); do
    case $1 in
    --screenshot)
        screenshot=$2
        shift 2
        ;;
    --)
        shift
        break
        ;;
    *) break ;;
    esac
done

scripts/install-deps.sh
cmake -S . -B build -DBUILD_TESTING=OFF
cmake --build build -j"$(nproc)" --target heap-view
viewer=build/viewer/heap-view

if [[ -n ${DISPLAY:-} ]]; then
    exec "$viewer" "$@"
fi

# Headless: a private X server on a free display number.
workdir=$(mktemp -d)
cleanup() {
    [[ -n ${viewer_pid:-} ]] && kill "$viewer_pid" 2>/dev/null
    [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$workdir/display" 2>"$workdir/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s $workdir/display ]] && break
    sleep 0.1
done
[[ -s $workdir/display ]] || { echo "Xvfb did not start:" >&2; cat "$workdir/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$workdir/display")

"$viewer" "$@" &
viewer_pid=$!
# 200 growth steps at one per 250 ms, with a little to spare.
echo "No display: running Heap View on a private Xvfb ($DISPLAY) through its growth phase (~52 s)..."
sleep 52
kill -0 "$viewer_pid" 2>/dev/null || { echo "heap-view exited early" >&2; exit 1; }

# Prefer ImageMagick's own convert over any wrapper earlier on PATH.
convert=convert
[[ -x /usr/bin/convert ]] && convert=/usr/bin/convert
mkdir -p "$(dirname "$screenshot")"
xwd -silent -name "Heap View" | "$convert" xwd:- "png:$screenshot"
echo "Screenshot of the Heap View window: $(realpath "$screenshot")"
