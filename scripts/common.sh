# SPDX-License-Identifier: MIT
# shellcheck shell=bash disable=SC2154 # me and typed_in are set by the script that sources this
# Sourced by scripts/run.sh and scripts/serve-web.sh, which set `me` (the
# name their messages start with) and `typed_in` (where the command was typed)
# first. What they share: their messages, the checks on an output file, and
# the cleanup that, whatever ends the script, stops every process it started
# and removes its work files and any unfinished output.

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
usage_error() {
    echo "$me: $1 (see scripts/$(basename "$0") --help)" >&2
    exit 2
}
die() {
    echo "$me: $1" >&2
    exit 1
}
# An output path that names something other than a file: status 2, as for a
# bad argument, but the help would not say more.
refuse() {
    echo "$me: $1" >&2
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
# anything is installed or built. The file is checked again before it is
# replaced (finish, below).
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

# Why writing into dir failed, when it is for want of room: a full disk says
# so, and where, rather than leave a bare "could not write".
space_note() {
    local free
    free=$(stat -f -c '%a %S' -- "$1" 2>/dev/null) || return 0
    free=$((${free% *} * ${free#* } / 1024))
    if ((free < 1024)); then
        printf ": the disk is full ('%s' has only %d KB free)" "$1" "$free"
    fi
}

work=
child_pid=
build_pid=
started=()    # processes started in the background, stopped at the end
unfinished=() # output files not yet complete, removed at the end

# A process and all its descendants, from /proc (procps may be missing).
process_tree() {
    local child
    echo "$1"
    # shellcheck disable=SC2013 # ids separated by spaces
    for child in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
        process_tree "$child"
    done
}
# Whether pid is a process still running (a zombie has finished).
running() {
    local stat
    stat=$(cat /proc/"$1"/stat 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}
# Stops a child and every process below it (a browser's own children too),
# and waits for them all: asked first, killed if still there after 5 s.
stop_tree() {
    local pids left pid
    pids=$(process_tree "$1")
    # shellcheck disable=SC2086 # one id a word
    kill $pids 2>/dev/null || true
    for _ in $(seq 50); do
        left=
        for pid in $pids; do
            if running "$pid"; then left+=" $pid"; fi
        done
        [[ -n $left ]] || break
        sleep 0.1
    done
    # shellcheck disable=SC2086
    [[ -z $left ]] || kill -KILL $left 2>/dev/null || true
    wait "$1" 2>/dev/null || true
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
    [[ -z $child_pid ]] || stop_tree "$child_pid"
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf -- "${work:-}" "${unfinished[@]}"
    exit "$status"
}
# From here on the cleanup runs however the script ends. The work directory
# is made first, so that an unusable TMPDIR is found out before anything is
# installed.
start_cleanup() {
    trap cleanup EXIT
    trap 'echo "$me: interrupted" >&2; exit 130' INT
    trap 'echo "$me: terminated" >&2; exit 143' TERM HUP
    work=$(mktemp -d 2>/dev/null) ||
        die "cannot make a temporary directory in TMPDIR ('${TMPDIR:-/tmp}')"
}
# Leaves the cleanup behind, before the script becomes another program.
end_cleanup() {
    trap - EXIT INT TERM HUP
    rm -rf -- "$work"
}

# Runs a command as a child and waits for it. Waiting with the wait builtin,
# rather than in the foreground, lets a signal's trap run at once, and the
# cleanup then stops the child and all it started.
run_child() {
    local status=0
    "$@" <&0 & # without <&0 a background command reads /dev/null
    child_pid=$!
    wait "$child_pid" || status=$?
    child_pid=
    return "$status"
}
# Runs a build, which starts many processes of its own (compilers, linkers),
# as a child in a session and process group of its own, whose id is the
# child's, so that the cleanup can stop every process in it.
run_build() {
    local status=0
    setsid --wait "$@" </dev/null &
    build_pid=$!
    wait "$build_pid" || status=$?
    build_pid=
    return "$status"
}
# Takes a lock on a build directory, made if missing, held through the
# descriptor build_lock until the script ends or closes it: two builds into
# one directory would break each other. A second one says that it waits.
build_lock=
lock_build_dir() {
    mkdir -p -- "$1" 2>/dev/null || die "cannot create the build directory '$1'"
    exec {build_lock}<"$1"
    if ! flock -n "$build_lock"; then
        echo "$me: waiting for another build in $1 to finish" >&2
        run_child flock "$build_lock"
    fi
}

# Puts a result, made in the work directory under a name of the script's own,
# at target: it is copied to a temporary file beside target, which becomes
# target only if target is still a regular file or nothing.
finish() {
    local made=$1 target=$2 dir partial
    dir=$(dirname -- "$target")
    partial=$(mktemp -p "$dir" ".$(basename -- "$target").partial-XXXXXX" 2>/dev/null) ||
        die "could not write '$target'$(space_note "$dir")"
    unfinished+=("$partial")
    chmod "$(printf '%o' $((0666 & ~$(umask))))" -- "$partial"
    run_child cp -- "$made" "$partial" 2>/dev/null ||
        die "could not write '$target'$(space_note "$dir")"
    # Checked again: something else may have been put there meanwhile.
    if [[ -e $target && ! -f $target || -L $target ]]; then
        die "did not replace '$target': it is no longer a regular file"
    fi
    mv -fT -- "$partial" "$target"
}
