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
# also gifsicle. The build goes to build/ (HEAP_VIEW_BUILD_DIR to change it).
set -euo pipefail

typed_in=$PWD
repo=$(cd "$(dirname "$0")/.." && pwd)
readonly growth_seconds=52 # 200 steps of 250 ms, and a little to spare
readonly mutation_seconds=6
readonly frame_us=250000
readonly max_gif_bytes=$((3 * 1024 * 1024))

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
usage_error() {
    echo "run.sh: $1 (see scripts/run.sh --help)" >&2
    exit 2
}
die() {
    echo "run.sh: $1" >&2
    exit 1
}
# An output path that names something other than a file: status 2, as for a
# bad argument, but the help would not say more.
refuse() {
    echo "run.sh: $1" >&2
    exit 2
}

# What kind of file, other than a regular one, path is or leads to.
file_kind() {
    if [[ -d $1 ]]; then
        echo "a directory"
    elif [[ -c $1 ]]; then
        echo "a character device"
    elif [[ -b $1 ]]; then
        echo "a block device"
    elif [[ -p $1 ]]; then
        echo "a FIFO"
    elif [[ -S $1 ]]; then
        echo "a socket"
    else
        echo "not a regular file"
    fi
}

# The absolute path of the file an output option's FILE names, to be
# replaced whole by a regular file, given as typed, the option, and the
# suffix its file name must have. A symbolic link is followed: its target is
# written and the link stays. Anything there that is not a regular file (a
# device, a FIFO, a directory...) is refused rather than replaced. The
# target's directory is made, and writing there is tried, now: before
# anything is installed or built.
output_path() {
    local path=$1 option=$2 suffix=$3 dir probe
    [[ $path == /* ]] || path=$typed_in/$path
    if [[ -e $path && ! -f $path ]]; then
        refuse "cannot write '$path': it is $(file_kind "$path")"
    fi
    [[ $path != */ ]] || refuse "cannot write '$path': it names a directory"
    [[ ${path,,} == *"$suffix" ]] || usage_error "$option FILE must end in $suffix, not '$1'"
    if [[ -L $path ]]; then
        path=$(readlink -m -- "$path")
        # Still a link: one that leads back to itself.
        [[ ! -L $path ]] || refuse "cannot write '$1': its links go round in a loop"
    fi
    dir=$(dirname -- "$path")
    mkdir -p -- "$dir" 2>/dev/null || die "cannot create the directory of '$path'"
    probe=$(mktemp -p "$dir" .run-sh-probe.XXXXXX 2>/dev/null) || die "cannot write to '$dir'"
    rm -f -- "$probe"
    [[ ! -e $path || -w $path ]] || die "cannot write '$path'"
    printf '%s\n' "$path"
}

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
# output. The work directory is made first, so that an unusable TMPDIR is
# found out before anything is installed.
work=
child_pid=
build_pid=
xvfb_pid=
viewer_pid=
unfinished=()
# A process and all its descendants, from /proc (procps may be missing).
process_tree() {
    local child
    echo "$1"
    # shellcheck disable=SC2013 # ids separated by spaces
    for child in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
        process_tree "$child"
    done
}
cleanup() {
    local status=$?
    trap '' INT TERM HUP # a second Ctrl-C must not cut the cleanup short
    if [[ -n $build_pid ]]; then
        # The build runs in a process group of its own: stop all of it. Its
        # leader is ours to wait for; the rest are gone once the group is.
        kill -TERM -- "-$build_pid" 2>/dev/null || true
        wait "$build_pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 -- "-$build_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL -- "-$build_pid" 2>/dev/null || true
    fi
    if [[ -n $child_pid ]]; then
        # shellcheck disable=SC2046 # one id a word
        kill $(process_tree "$child_pid") 2>/dev/null || true
    fi
    for pid in $viewer_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf -- "${work:-}" "${unfinished[@]}"
    exit "$status"
}
trap cleanup EXIT
trap 'echo "run.sh: interrupted" >&2; exit 130' INT
trap 'echo "run.sh: terminated" >&2; exit 143' TERM HUP
work=$(mktemp -d 2>/dev/null) ||
    die "cannot make a temporary directory in TMPDIR ('${TMPDIR:-/tmp}')"

# Runs a command as a child and waits for it. Waiting with the wait builtin,
# rather than in the foreground, lets a signal's trap run at once, and the
# cleanup then stops the child.
run_child() {
    local status=0
    "$@" <&0 & # without <&0 a background command reads /dev/null
    child_pid=$!
    wait "$child_pid" || status=$?
    child_pid=
    return "$status"
}

groups=(run)
if $headless; then groups+=(headless); fi
if [[ -n $record ]]; then groups+=(record); fi
run_child "$repo/scripts/install-deps.sh" "${groups[@]}"

build=${HEAP_VIEW_BUILD_DIR:-build}
[[ $build == /* ]] || build=$repo/$build
echo "run.sh: building heap-view in $build"
build_log=$work/build.log
# setsid makes the build a session and process group of its own (its id is
# the build's pid), so that the cleanup can stop every process in it.
# shellcheck disable=SC2016 # expanded by the inner bash
setsid --wait bash -c 'cmake -S "$1" -B "$2" -DBUILD_TESTING=OFF &&
    cmake --build "$2" -j"$(nproc)" --target heap-view' build "$repo" "$build" \
    </dev/null >"$build_log" 2>&1 &
build_pid=$!
build_status=0
wait "$build_pid" || build_status=$?
build_pid=
if ((build_status != 0)); then
    cat "$build_log" >&2
    die "the build failed (its output above)"
fi
viewer=$build/viewer/heap-view

if ! $headless; then
    trap - EXIT INT TERM HUP
    rm -rf -- "$work"
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

# Ends the script if the viewer has stopped: nothing is left to picture.
check_viewer() {
    if ! kill -0 "$viewer_pid" 2>/dev/null; then
        local status=0
        wait "$viewer_pid" || status=$?
        viewer_pid=
        die "heap-view exited early, with status $status"
    fi
}
capture() {
    xwd -silent -name "Heap View" >"$1" 2>/dev/null
}

# The clock starts with the first frame on the screen.
for _ in $(seq 200); do
    check_viewer
    ! capture "$work/first.xwd" || break
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
        capture "$frame" || die "could not capture the Heap View window"
    fi
    if ((tick == growth_frames)) && [[ -n $screenshot ]]; then
        cp "$frame" "$work/screenshot.xwd"
    fi
    ((tick % (1000000 / frame_us) != 0)) || progress $((tick * frame_us / 1000000))
done
[[ ! -t 1 ]] || echo

# Results go to a temporary name beside the file, renamed once complete.
finish() {
    local target=$1
    local partial=$(dirname -- "$target")/.$(basename -- "$target").partial-$$
    unfinished+=("$partial")
    shift
    # A child, so that a signal stops a long conversion at once.
    run_child "$@" "$partial" || die "could not write $target"
    # Checked again: something else may have been put there meanwhile.
    if [[ -e $target && ! -f $target || -L $target ]]; then
        die "did not replace '$target': it is no longer a regular file"
    fi
    mv -fT -- "$partial" "$target"
}
# Prefer ImageMagick's own convert over any wrapper earlier on PATH.
convert=convert
[[ ! -x /usr/bin/convert ]] || convert=/usr/bin/convert
png() { "$convert" "xwd:$work/screenshot.xwd" "png:$1"; }
gif() {
    # A frame per step at the step's own pace, looping; gifsicle then keeps
    # only what changes from frame to frame.
    "$convert" -delay 25 -loop 0 "$work"/frames/*.xwd "gif:$work/raw.gif" &&
        gifsicle -O3 "$work/raw.gif" -o "$1" || return 1
    if (($(stat -c %s -- "$1") > max_gif_bytes)); then
        echo "run.sh: the recording came out larger than 3 MiB" >&2
        return 1
    fi
}
if [[ -n $screenshot ]]; then
    finish "$screenshot" png
    echo "run.sh: screenshot of the Heap View window: $screenshot"
fi
if [[ -n $record ]]; then
    finish "$record" gif
    echo "run.sh: recording of Heap View ($frames frames): $record"
fi
