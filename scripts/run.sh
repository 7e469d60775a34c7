#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: scripts/run.sh [OPTION...] [-- VIEWER-ARGUMENT...]
#
# Builds Heap View and starts it, installing first what that needs.
#
# With a display (DISPLAY set) and no option, the window opens there and runs
# until you press q. Without a display, or with --screenshot or --record,
# heap-view runs instead on a private Xvfb, which is stopped afterwards, for
# its growth phase (200 steps, about 52 s) and the picture is saved to a file.
#
# Options:
#   --screenshot FILE  save a PNG of the window once the heap is full; with no
#                      display and no option, the picture goes to
#                      build/heap-view.png in the repository
#   --record FILE      save a looping animated GIF of the growth phase and a
#                      few seconds of the mutation phase, about one frame per
#                      step (about 60 s in all)
#   --web              the browser version instead (scripts/serve-web.sh):
#                      build it and serve it on http://127.0.0.1:8000/ (or the
#                      first free port), printing the URL; with --screenshot,
#                      save a headless Chromium picture of the whole page once
#                      the heap is full instead
#   -h, --help         show this help and exit
#
# Relative FILE paths are taken from the directory where the command was
# typed; missing directories are created. A screenshot's FILE must end in
# .png, a recording's in .gif. Something already at FILE must be a regular
# file, or a symbolic link to one or to nothing yet: the link's target is
# written and the link stays; a device, FIFO, socket or directory is refused.
# Arguments after -- go to heap-view, which passes GLUT's own options
# (-display, -sync, ...) to GLUT.
#
# Packages come from scripts/install-deps.sh: for the window alone a compiler,
# CMake and GLUT; without a display also Xvfb and ImageMagick; for a recording
# also gifsicle. The build goes to build/ (HEAP_VIEW_BUILD_DIR to change it);
# a second run.sh building there at the same time waits for the first.
set -euo pipefail

typed_in=$PWD
repo=$(cd "$(dirname "$0")/.." && pwd)
readonly growth_seconds=52 # 200 steps of 250 ms, and a little to spare
readonly mutation_seconds=6
readonly frame_us=250000
readonly max_gif_bytes=$((3 * 1024 * 1024))

me=run.sh
# shellcheck source=scripts/common.sh
source "$repo/scripts/common.sh"

screenshot=
record=
web=false
while (($# > 0)); do
    case $1 in
    -h | --help)
        usage
        exit 0
        ;;
    --screenshot | --record)
        [[ $# -ge 2 && -n $2 && $2 != -* ]] || usage_error "$1 needs a file name"
        if [[ $1 == --screenshot ]]; then screenshot=$2; else record=$2; fi
        shift 2
        ;;
    --web)
        web=true
        shift
        ;;
    --)
        shift
        break
        ;;
    -*) usage_error "unknown option '$1'" ;;
    *) break ;;
    esac
done
viewer_args=("$@")

if $web; then
    [[ -z $record ]] || usage_error "--web cannot --record"
    (($# == 0)) || usage_error "--web takes no viewer arguments"
fi
[[ -z $screenshot ]] || screenshot=$(output_path "$screenshot" --screenshot .png)
[[ -z $record ]] || record=$(output_path "$record" --record .gif)
if $web; then
    web_args=()
    [[ -z $screenshot ]] || web_args=(--screenshot "$screenshot")
    exec "$repo/scripts/serve-web.sh" "${web_args[@]}"
fi
headless=false
if [[ -z ${DISPLAY:-} || -n $screenshot || -n $record ]]; then
    headless=true
    if [[ -z $screenshot && -z $record ]]; then
        screenshot=$(output_path "$repo/build/heap-view.png" --screenshot .png)
    fi
fi

# From here on, whatever ends the script, the cleanup stops every child it
# started (the build with all its compilers and linkers, the X server, the
# viewer) and waits for them, and removes the work files and any unfinished
# output.
start_cleanup
tmp_root=$(dirname -- "$work")

groups=(run)
if $headless; then groups+=(headless); fi
if [[ -n $record ]]; then groups+=(record); fi
run_child "$repo/scripts/install-deps.sh" "${groups[@]}"

build=${HEAP_VIEW_BUILD_DIR:-build}
[[ $build == /* ]] || build=$repo/$build
lock_build_dir "$build"
echo "run.sh: building heap-view in $build"
build_log=$work/build.log
# shellcheck disable=SC2016 # expanded by the inner bash
if ! run_build bash -c 'cmake -S "$1" -B "$2" -DBUILD_TESTING=OFF &&
    cmake --build "$2" -j"$(nproc)" --target heap-view' build "$repo" "$build" \
    >"$build_log" 2>&1; then
    cat "$build_log" >&2
    die "the build failed (its output above)$(space_note "$tmp_root")"
fi
exec {build_lock}<&-
viewer=$build/viewer/heap-view

if ! $headless; then
    end_cleanup
    exec "$viewer" "${viewer_args[@]}"
fi

# Headless from here on.
# Xvfb picks a free display itself and writes its number to fd 3. It must
# not reset when a client leaves, and the viewer starts only once a client has
# been served: one that connects while the server is still coming up or
# resetting is turned away.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
    2>"$work/xvfb.log" &
xvfb_pid=$!
started+=("$xvfb_pid")
export DISPLAY=
serving=false
for _ in $(seq 100); do
    if [[ -z $DISPLAY && -s $work/display ]]; then
        DISPLAY=:$(head -n1 "$work/display")
    fi
    if [[ -n $DISPLAY ]] && xwd -root -silent >/dev/null 2>&1; then
        serving=true
        break
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if ! $serving; then
    die "Xvfb did not start: $(grep -m1 -v '^$' "$work/xvfb.log" || echo 'no message')"
fi

"$viewer" "${viewer_args[@]}" &
viewer_pid=$!
started+=("$viewer_pid")

# Ends the script if the viewer has stopped: nothing is left to picture.
check_viewer() {
    if ! kill -0 "$viewer_pid" 2>/dev/null; then
        local status=0
        wait "$viewer_pid" || status=$?
        started=("$xvfb_pid")
        die "heap-view exited early, with status $status"
    fi
}
# A picture of the window into file; xwd's complaint, if any, is kept in
# capture_error (not in a file: the disk may be full).
capture_error=
capture() {
    capture_error=$(xwd -silent -name "Heap View" 2>&1 >"$1") && return 0
    capture_error=${capture_error%%$'\n'*}
    return 1
}
# Why a capture failed, for good: no room in TMPDIR, or xwd's own words.
capture_failed() {
    local note
    note=$(space_note "$tmp_root")
    [[ -n $note ]] || note=${capture_error:+: $capture_error}
    die "could not capture the Heap View window$note"
}

# The clock starts with the first frame on the screen.
for _ in $(seq 200); do
    check_viewer
    ! capture "$work/first.xwd" || break
    # Until the window is there xwd finds none; a full disk will not mend.
    [[ -z $(space_note "$tmp_root") ]] || capture_failed
    sleep 0.1
done
[[ -s $work/first.xwd ]] || die "the Heap View window did not appear on the private Xvfb"

total_seconds=$growth_seconds
[[ -z $record ]] || total_seconds=$((growth_seconds + mutation_seconds))
frames=$((total_seconds * 1000000 / frame_us))
growth_frames=$((growth_seconds * 1000000 / frame_us))
echo "run.sh: no display needed: heap-view runs on a private Xvfb ($DISPLAY) for $total_seconds s"
mkdir "$work/frames"

# Progress: one line kept up to date on a terminal, a line every 10 s in a log.
progress() {
    local seconds=$1 phase="growing the heap"
    ((seconds <= growth_seconds)) || phase="recording the mutation phase"
    if [[ -t 1 ]]; then
        printf '\rrun.sh: %s: %d/%d s ' "$phase" "$seconds" "$total_seconds"
    elif ((seconds % 10 == 0 || seconds == total_seconds)); then
        printf 'run.sh: %s: %d/%d s\n' "$phase" "$seconds" "$total_seconds"
    fi
}

# One tick per step: capture a frame when recording, and the screenshot at the
# end of growth. Ticks keep to the clock however long a capture takes.
now_us() { echo "${EPOCHREALTIME/./}"; }
start=$(now_us)
for ((tick = 1; tick <= frames; tick++)); do
    wait_us=$((start + tick * frame_us - $(now_us)))
    if ((wait_us > 0)); then
        sleep "$((wait_us / 1000000)).$(printf '%06d' $((wait_us % 1000000)))"
    fi
    check_viewer
    frame=$work/frames/$(printf '%05d' "$tick").xwd
    if [[ -n $record ]] || ((tick == growth_frames)); then
        capture "$frame" || capture_failed
    fi
    if ((tick == growth_frames)) && [[ -n $screenshot ]]; then
        cp "$frame" "$work/screenshot.xwd"
    fi
    ((tick % (1000000 / frame_us) != 0)) || progress $((tick * frame_us / 1000000))
done
[[ ! -t 1 ]] || echo

# The pictures are made under fixed names inside the work directory, which
# is the current one, so that nothing in a name given (a %d, say) is taken by
# ImageMagick as a pattern; finish then puts them in place.
# ImageMagick keeps what does not fit in memory in the work directory too,
# where the cleanup finds it if a conversion is cut short.
export MAGICK_TEMPORARY_PATH=$work
# Prefer ImageMagick's own convert over any wrapper earlier on PATH.
convert=convert
[[ ! -x /usr/bin/convert ]] || convert=/usr/bin/convert
png() {
    cd "$work" && "$convert" xwd:screenshot.xwd png:screenshot.png
}
gif() {
    # A frame per step at the step's own pace, looping; gifsicle then keeps
    # only what changes from frame to frame.
    cd "$work" && "$convert" -delay 25 -loop 0 frames/*.xwd gif:raw.gif &&
        gifsicle -O3 raw.gif -o record.gif
}
if [[ -n $screenshot ]]; then
    # A child, so that a signal stops a long conversion at once.
    run_child png || die "could not make the screenshot$(space_note "$tmp_root")"
    finish "$work/screenshot.png" "$screenshot"
    echo "run.sh: screenshot of the Heap View window: $screenshot"
fi
if [[ -n $record ]]; then
    run_child gif || die "could not make the recording$(space_note "$tmp_root")"
    if (($(stat -c %s -- "$work/record.gif") > max_gif_bytes)); then
        die "the recording came out larger than 3 MiB"
    fi
    finish "$work/record.gif" "$record"
    echo "run.sh: recording of Heap View ($frames frames): $record"
fi
