#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# scripts/run.sh as a person meets it, from outside; and how
# scripts/measure-pacing.sh answers its options.
#
# Usage: run-command.sh arguments
#        run-command.sh headless BUILD_DIR
#
#   arguments  help, bad options and output paths:
#              each answers at once, and nothing is installed or built (package
#              and build tools on PATH are replaced by tripwires that log
#              their call)
#   headless   real runs on a private Xvfb, building into BUILD_DIR: builds
#              interrupted by SIGINT and SIGTERM, a recording and a screenshot
#              at relative paths (one through a symbolic link), a viewer that
#              dies at start, and an interrupt; after each, nothing of the run
#              is left running and no file of it is left behind
set -euo pipefail

run=$(cd "$(dirname "$0")/.." && pwd)/run.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

arguments() {
    local tripwires=$scratch/tripwires
    mkdir -p "$tripwires" "$scratch/typed"
    for tool in apt-get dpkg-query sudo cmake Xvfb xvfb-run strace; do
        printf '#!/bin/sh\necho "%s $*" >>"%s/called"\nexit 97\n' "$tool" "$scratch" \
            >"$tripwires/$tool"
        chmod +x "$tripwires/$tool"
    done
    : >"$scratch/not-a-directory"
    # What an output path must never replace: devices, FIFOs, sockets and
    # directories, named directly or through a symbolic link.
    mkfifo "$scratch/fifo.png"
    python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' \
        "$scratch/socket.png"
    ln -s /dev/null "$scratch/null-link.gif"
    ln -s "$scratch" "$scratch/dir-link.png"
    ln -s loop-b.png "$scratch/loop-a.png"
    ln -s loop-a.png "$scratch/loop-b.png"

    # [NAME=VALUE...] arguments | status | the one line expected (on stderr
    # unless status 0) [| the script, when not run.sh]
    local cases=(
        "--help|0|Usage: scripts/run.sh "
        "-h|0|Usage: scripts/run.sh "
        "--bogus|2|^run.sh: unknown option '--bogus' "
        "-x -- --help|2|^run.sh: unknown option '-x' "
        "--screenshot|2|^run.sh: --screenshot needs a file name "
        "--record|2|^run.sh: --record needs a file name "
        "--screenshot --record x.gif|2|^run.sh: --screenshot needs a file name "
        "--record /proc/none/x.gif|1|^run.sh: cannot create the directory of '/proc/none/x.gif'$"
        "--screenshot $scratch/not-a-directory/x.png|1|^run.sh: cannot create the directory of "
        "--screenshot $scratch|2|^run.sh: cannot write '$scratch': it is a directory$"
        "--screenshot /dev/null|2|^run.sh: cannot write '/dev/null': it is a character device$"
        "--record $scratch/null-link.gif|2|^run.sh: cannot write '$scratch/null-link.gif': it is a character device$"
        "--screenshot $scratch/fifo.png|2|^run.sh: cannot write '$scratch/fifo.png': it is a FIFO$"
        "--screenshot $scratch/socket.png|2|^run.sh: cannot write '$scratch/socket.png': it is a socket$"
        "--screenshot $scratch/dir-link.png|2|^run.sh: cannot write '$scratch/dir-link.png': it is a directory$"
        "--screenshot $scratch/loop-a.png|2|^run.sh: cannot write '$scratch/loop-a.png': its links go round in a loop$"
        "--screenshot newdir/|2|^run.sh: cannot write '$scratch/typed/newdir/': it names a directory$"
        "--record x.png|2|^run.sh: --record FILE must end in .gif, not 'x.png' "
        "--screenshot x.gif|2|^run.sh: --screenshot FILE must end in .png, not 'x.gif' "
        "--web --screenshot page|2|^run.sh: --screenshot FILE must end in .png, not 'page' "
        "TMPDIR=$scratch/not-a-directory --screenshot x.png|1|^run.sh: cannot make a temporary directory in TMPDIR \\('$scratch/not-a-directory'\\)$"
        "--web --record x.gif|2|^run.sh: --web cannot --record "
        "--web -- -sync|2|^run.sh: --web takes no viewer arguments "
        "--help|0|^Usage: scripts/measure-pacing.sh |measure-pacing.sh"
        "-h|0|^Usage: scripts/measure-pacing.sh |measure-pacing.sh"
        "--build|2|^measure-pacing.sh: unknown option '--build' |measure-pacing.sh"
        "build other|2|^measure-pacing.sh: one build folder at most |measure-pacing.sh"
        "--help|0|^Usage: scripts/test.sh[[:space:]]|test.sh"
        "--bogus|2|^test.sh: unknown [a-z]+ '--bogus' .*\\(see scripts/test.sh --help\\)$|test.sh"
        "--help|0|^Usage: scripts/build-web.sh |build-web.sh"
        "--bogus|2|^build-web: unknown [a-z]+ '--bogus' .*\\(see scripts/build-web.sh --help\\)$|build-web.sh"
        "--help|0|^Usage: scripts/serve-web.sh |serve-web.sh"
        "--bogus|2|^serve-web: unknown [a-z]+ '--bogus' .*\\(see scripts/serve-web.sh --help\\)$|serve-web.sh"
        "--help|0|^Usage: scripts/install-deps.sh |install-deps.sh"
        "--bogus|2|^install-deps: unknown [a-z]+ '--bogus' .*\\(see scripts/install-deps.sh --help\\)$|install-deps.sh"
        "--help|0|^Usage: scripts/fresh-root.sh |fresh-root.sh"
        "--bogus|2|^fresh-root: unknown [a-z]+ '--bogus' .*\\(see scripts/fresh-root.sh --help\\)$|fresh-root.sh"
        "-h|0|^Usage: scripts/bench.sh |bench.sh"
    )
    local entry args status expected script out err got start elapsed assignments
    for entry in "${cases[@]}"; do
        IFS='|' read -r args status expected script <<<"$entry"
        script=${script:-run.sh}
        assignments=()
        while [[ $args =~ ^([A-Z]+=[^ ]*)\ (.*)$ ]]; do
            assignments+=("${BASH_REMATCH[1]}")
            args=${BASH_REMATCH[2]}
        done
        rm -f "$scratch/called"
        start=${EPOCHREALTIME/./}
        got=0
        # shellcheck disable=SC2086 # the arguments are split as typed
        (cd "$scratch/typed" && env PATH="$tripwires:$PATH" "${assignments[@]}" "$(dirname "$run")/$script" $args) \
            >"$scratch/out" 2>"$scratch/err" || got=$?
        elapsed=$(((${EPOCHREALTIME/./} - start) / 1000))
        out=$(<"$scratch/out")
        err=$(<"$scratch/err")
        [[ $got == "$status" ]] || fail "$script $args: status $got, expected $status"
        if ((status == 0)); then
            [[ $out =~ $expected && -z $err ]] || fail "$script $args: printed '${out%%$'\n'*}' / '$err'"
        else
            [[ $err =~ $expected && $err != *$'\n'* && -z $out ]] || fail "$script $args: printed '$out' / '$err'"
        fi
        [[ ! -e $scratch/called ]] || fail "$script $args: reached $(head -n1 "$scratch/called")"
        [[ -p $scratch/fifo.png && -S $scratch/socket.png && -L $scratch/null-link.gif && -c /dev/null ]] ||
            fail "$script $args: replaced a FIFO, a socket, a link or a device"
        ((elapsed < 1000)) || fail "$script $args: took $elapsed ms"
    done

    # The help names every option, the headless mode, where files go and
    # how viewer arguments are passed.
    local help
    help=$("$run" --help)
    for word in --screenshot --record --web --help Xvfb build/heap-view.png "typed" "after --"; do
        [[ $help == *"$word"* ]] || fail "the help does not mention '$word'"
    done

    # A relative path's directory is made where the command was typed, before
    # any install; arguments after -- are the viewer's, even --help.
    rm -f "$scratch/called"
    (cd "$scratch/typed" && PATH=$tripwires:$PATH "$run" --record a/b/rec.gif -- --help) \
        >/dev/null 2>&1 && fail "run.sh went on past a failed install"
    [[ -d $scratch/typed/a/b ]] || fail "the relative directory was not made where typed"
    [[ -e $scratch/called ]] || fail "run.sh -- --help did not go on to install"
    [[ ! -e $scratch/typed/a/b/rec.gif ]] || fail "a failed run left an output file"
}

# Becomes run.sh, started from the typed directory with DISPLAY unset, a
# private TMPDIR and the given build directory. Call it in a subshell.
become_headless_run() {
    cd "$scratch/typed"
    exec env -u DISPLAY TMPDIR="$scratch/tmp" HEAP_VIEW_BUILD_DIR="$build" "$run" "$@"
}
headless_run() {
    status=0
    (become_headless_run "$@") >"$scratch/out" 2>"$scratch/err" || status=$?
}

# Nothing the run started is still running, and it left no temporary files.
expect_clean() {
    sleep 0.2
    # Every process the run started inherited its private TMPDIR, whatever
    # else runs on the machine.
    local left
    left=$(grep -lzx "TMPDIR=$scratch/tmp" /proc/[0-9]*/environ 2>/dev/null |
        sed 's|^/proc/\([0-9]*\)/environ$|\1|' | xargs -r ps -o comm= -p || true)
    [[ -z $left ]] || fail "$1: still running: $(echo $left)"
    [[ -z $(ls -A "$scratch/tmp") ]] || fail "$1: left $(ls -A "$scratch/tmp") in TMPDIR"
    [[ -z $(find "$scratch" -name '.*partial*') ]] || fail "$1: left a partial output file"
}

# Starts run.sh in a process group of its own (job control), which it leads,
# and waits until it has printed pattern.
start_headless_job() {
    local pattern=$1
    shift
    set -m
    (become_headless_run "$@") >"$scratch/out" 2>"$scratch/err" &
    job=$!
    set +m
    for _ in $(seq 300); do
        ! grep -q "$pattern" "$scratch/out" 2>/dev/null || break
        sleep 0.1
    done
}

headless() {
    build=$1
    mkdir -p "$scratch/typed" "$scratch/tmp"
    local job

    # Interrupted while building, from the terminal (SIGINT to the process
    # group) and by SIGTERM to run.sh alone: each stops the whole build, its
    # compilers and linkers too, and removes its log. A fresh build directory
    # keeps the build going long enough.
    local signal expected_status
    for signal in INT TERM; do
        expected_status=$((128 + $(kill -l "$signal")))
        build=$scratch/interrupted-build
        rm -rf "$build"
        start_headless_job "^run.sh: building heap-view" --screenshot built.png
        sleep 1
        if [[ $signal == INT ]]; then kill -INT -- "-$job"; else kill -TERM "$job"; fi
        status=0
        wait "$job" || status=$?
        [[ $status == "$expected_status" ]] || fail "build SIG$signal: status $status"
        expect_clean "build SIG$signal"
    done
    rm -rf "$build"
    build=$1

    # The screenshot goes through a symbolic link, which stays, to a file in
    # a directory yet to be made; the recording replaces a file already there.
    mkdir -p "$scratch/typed/out"
    echo old >"$scratch/typed/out/rec.gif"
    ln -s ../elsewhere/shot-target.png "$scratch/typed/shot.png"
    headless_run --record out/rec.gif --screenshot shot.png
    [[ $status == 0 ]] || fail "recording: status $status: $(cat "$scratch/err")"
    [[ $(readlink "$scratch/typed/shot.png") == ../elsewhere/shot-target.png ]] ||
        fail "recording: the link to the screenshot was replaced"
    local gif=$scratch/typed/out/rec.gif png=$scratch/elsewhere/shot-target.png
    if [[ -f $gif && -f $png ]]; then
        local frames size difference
        frames=$(identify "$gif" | wc -l)
        size=$(stat -c %s "$gif")
        ((frames >= 30)) || fail "recording: only $frames frames"
        ((size <= 3 * 1024 * 1024)) || fail "recording: $size bytes"
        # Frames after the first hold only what changed: compare whole pictures.
        convert "$gif" -coalesce "$scratch/frame-%d.png"
        difference=$(compare -metric AE "$scratch/frame-0.png" \
            "$scratch/frame-$((frames - 1)).png" null: 2>&1 || true)
        ((${difference%% *} > 0)) || fail "recording: first and last frames are the same"
        [[ $(identify -format '%m %wx%h' "$png") == "PNG 400x400" ]] || fail "screenshot: not a 400x400 PNG"
        echo "recording: $frames frames, $size bytes; screenshot $(stat -c %s "$png") bytes"
    else
        fail "recording: no file at the relative paths given"
    fi
    expect_clean recording

    # GLUT cannot open this display, so the viewer dies at once.
    headless_run --screenshot dead.png -- -display :9999
    [[ $status == 1 ]] || fail "dead viewer: status $status"
    grep -q "^run.sh: heap-view exited early, with status 1$" "$scratch/err" ||
        fail "dead viewer: said $(cat "$scratch/err")"
    [[ ! -e $scratch/typed/dead.png ]] || fail "dead viewer: a screenshot was written"
    expect_clean "dead viewer"

    # Ctrl-C during the growth phase: SIGINT to the whole process group, of
    # which run.sh leads here. Job control gives it a group of its own, and
    # keeps SIGINT from being ignored as it is in other background jobs.
    start_headless_job "runs on a private Xvfb" --screenshot interrupted.png
    kill -INT -- "-$job"
    status=0
    wait "$job" || status=$?
    [[ $status == 130 ]] || fail "interrupt: status $status"
    grep -q "^run.sh: interrupted$" "$scratch/err" || fail "interrupt: said $(cat "$scratch/err")"
    [[ ! -e $scratch/typed/interrupted.png ]] || fail "interrupt: a screenshot was written"
    expect_clean interrupt
}

case ${1:-} in
arguments) arguments ;;
headless) headless "${2:?headless needs the build directory}" ;;
*)
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" >&2
    exit 2
    ;;
esac
if ((failures > 0)); then
    echo "$failures failed" >&2
    exit 1
fi
echo "all passed"
