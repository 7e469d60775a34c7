#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# scripts/run.sh as a person meets it, from outside; and how
# scripts/measure-pacing.sh answers its options.
#
# Usage: run-command.sh arguments
#        run-command.sh headless BUILD_DIR [SITE_DIR]
#
#   arguments  help, bad options and output paths (run.sh's and serve-web.sh's):
#              each answers at once, and nothing is installed or built (package
#              and build tools on PATH are replaced by tripwires that log
#              their call)
#   headless   real runs on a private Xvfb, building into BUILD_DIR: builds
#              interrupted by SIGINT and SIGTERM (one while a second run.sh
#              waits for it), a recording and a screenshot at relative
#              paths with a % in them (one through a symbolic link), a viewer
#              that dies at start, a TMPDIR with no room, and an interrupt;
#              with SITE_DIR, a page built there also: its build stopped by
#              SIGTERM, its screenshot stopped by SIGTERM, taken, and taken
#              to a path that became a FIFO meanwhile. After each, nothing of
#              the run is left running and no file of it is left behind
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
        "--screenshot /dev/null|2|^serve-web: cannot write '/dev/null': it is a character device$|serve-web.sh"
        "--screenshot $scratch/fifo.png|2|^serve-web: cannot write '$scratch/fifo.png': it is a FIFO$|serve-web.sh"
        "--screenshot $scratch/dir-link.png|2|^serve-web: cannot write '$scratch/dir-link.png': it is a directory$|serve-web.sh"
        "--screenshot page.gif|2|^serve-web: --screenshot FILE must end in .png, not 'page.gif' |serve-web.sh"
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

# Becomes run.sh, started from the typed directory with DISPLAY unset,
# TMPDIR $tmp, the build directory $build and the page's site $site. Every
# process it starts inherits RUN_COMMAND_TEST, which marks it as this test's,
# and as the run named $job_name's, whatever else runs on the machine. Call
# it in a subshell.
job_name=run
become_headless_run() {
    cd "$scratch/typed"
    exec env -u DISPLAY TMPDIR="$tmp" RUN_COMMAND_TEST="$scratch/$job_name" \
        HEAP_VIEW_BUILD_DIR="$build" HEAP_VIEW_WEB_DIR="$site" "$run" "$@"
}
headless_run() {
    status=0
    job_name=run
    (become_headless_run "$@") >"$scratch/out" 2>"$scratch/err" || status=$?
}

# The processes of the run named NAME, or of every run, still there, by name.
run_processes() {
    grep -lzx "RUN_COMMAND_TEST=$scratch/${1:-.*}" /proc/[0-9]*/environ 2>/dev/null |
        sed 's|^/proc/\([0-9]*\)/environ$|\1|' | xargs -r ps -o comm= -p || true
}
# Nothing the run named NAME (or any run) started is still running, and it
# left no temporary files.
expect_clean() {
    sleep 0.2
    local left
    left=$(run_processes "${2:-}")
    [[ -z $left ]] || fail "$1: still running: ${left//$'\n'/ }"
    [[ -z $(ls -A "$tmp") ]] || fail "$1: left $(ls -A "$tmp") in TMPDIR"
    [[ -z $(find "$scratch" -name '.*partial*') ]] || fail "$1: left a partial output file"
}

# Waits up to 30 s until file has a line matching pattern.
wait_for_line() {
    for _ in $(seq 300); do
        ! grep -q "$2" "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}
# Starts run.sh in a process group of its own (job control), which it leads,
# with its output in $scratch/NAME.out and .err, and waits until it has
# printed pattern (on either).
start_headless_job() {
    local name=$1 pattern=$2
    shift 2
    job_name=$name
    set -m
    (become_headless_run "$@") >"$scratch/$name.out" 2>"$scratch/$name.err" &
    job=$!
    set +m
    for _ in $(seq 600); do
        ! grep -qh "$pattern" "$scratch/$name.out" "$scratch/$name.err" 2>/dev/null || return 0
        kill -0 "$job" 2>/dev/null || break
        sleep 0.1
    done
    fail "run.sh $*: did not print '$pattern': $(cat "$scratch/$name.out" "$scratch/$name.err")"
}
# Signals a job, if it still runs, and waits for it: status is its exit
# status.
stop_job() {
    if [[ $1 == INT ]]; then kill -INT -- "-$2"; else kill "-$1" "$2"; fi 2>/dev/null || true
    status=0
    wait "$2" || status=$?
}

headless() {
    build=$1
    site=${2:-}
    tmp=$scratch/tmp
    mkdir -p "$scratch/typed" "$tmp"
    local job web_site=$site
    site=

    # Interrupted while building, from the terminal (SIGINT to the process
    # group) and by SIGTERM to run.sh alone: each stops the whole build, its
    # compilers and linkers too, and removes its log. A fresh build directory
    # keeps the build going long enough. The second time, another run.sh
    # starts into the same directory and waits, saying so, until the first
    # is gone; it is then stopped while building.
    local signal expected_status
    for signal in INT TERM; do
        expected_status=$((128 + $(kill -l "$signal")))
        build=$scratch/interrupted-build
        rm -rf "$build"
        start_headless_job first "^run.sh: building heap-view" --screenshot built.png
        sleep 1
        if [[ $signal == TERM ]]; then
            local first=$job
            start_headless_job second "waiting for another build in $build to finish$" \
                --screenshot built.png
            [[ ! -s $scratch/second.out ]] || fail "second run.sh: went on: $(cat "$scratch/second.out")"
            grep -qx "run.sh: waiting for another build in $build to finish" "$scratch/second.err" ||
                fail "second run.sh: said '$(cat "$scratch/second.err")'"
            stop_job TERM "$first"
            [[ $status == 143 ]] || fail "first run.sh, SIGTERM: status $status"
            wait_for_line "$scratch/second.out" "^run.sh: building heap-view" ||
                fail "second run.sh: did not go on once the first was gone"
            sleep 1
        fi
        stop_job "$signal" "$job"
        [[ $status == "$expected_status" ]] || fail "build SIG$signal: status $status"
        expect_clean "build SIG$signal"
    done
    rm -rf "$build"
    build=$1

    # The screenshot goes through a symbolic link, which stays, to a file in
    # a directory yet to be made; the recording replaces a file already there.
    # The names, and TMPDIR, hold what ImageMagick would take for a pattern.
    # Meanwhile two pictures of the page are taken: one to a name with a %
    # in it, and one to a path that becomes a FIFO while the page grows,
    # which it must not write into; and two more runs of the page are
    # stopped.
    tmp="$scratch/odd tmp%d"
    mkdir -p "$scratch/typed/out" "$tmp"
    echo old >"$scratch/typed/out/rec%d.gif"
    ln -s '../elsewhere/shot%d-target.png' "$scratch/typed/shot%d.png"
    local page_jobs=()
    if [[ -n $web_site ]]; then
        site=$web_site
        # Each has checked its path once it builds.
        start_headless_job web-fine "^serve-web: building" --web --screenshot 'page%d.png'
        page_jobs+=("$job")
        start_headless_job web-fifo "^serve-web: building" --web --screenshot fifo-later.png
        page_jobs+=("$job")
        mkfifo "$scratch/typed/fifo-later.png"
    fi
    start_headless_job recording "^run.sh: building" --record 'out/rec%d.gif' --screenshot 'shot%d.png'
    local recording=$job
    if [[ -n $web_site ]]; then
        tmp=$scratch/tmp
        site=$scratch/fresh-site
        # The page's build, stopped by SIGTERM to run.sh as soon as it runs
        # CMake: nothing of it is left running.
        start_headless_job web-build "^serve-web: building the page in $site$" --web
        for _ in $(seq 300); do
            [[ $(run_processes web-build) != *cmake* ]] || break
            sleep 0.1
        done
        sleep 1
        stop_job TERM "$job"
        [[ $status == 143 ]] || fail "page's build, SIGTERM: status $status"
        expect_clean "page's build, SIGTERM" web-build
        rm -rf "$site" "$site-cmake"

        # The page's screenshot, stopped by SIGTERM once the page is drawn:
        # no browser, node or server left, and no picture written.
        site=$web_site
        start_headless_job web-cancel "^First frame" --web --screenshot cancel.png
        stop_job TERM "$job"
        [[ $status == 143 ]] || fail "page's screenshot, SIGTERM: status $status"
        [[ ! -e $scratch/typed/cancel.png ]] || fail "page's screenshot, SIGTERM: a picture was written"
        expect_clean "page's screenshot, SIGTERM" web-cancel
        tmp="$scratch/odd tmp%d"
    fi

    status=0
    wait "$recording" || status=$?
    [[ $status == 0 ]] || fail "recording: status $status: $(cat "$scratch/recording.err")"
    [[ $(readlink "$scratch/typed/shot%d.png") == '../elsewhere/shot%d-target.png' ]] ||
        fail "recording: the link to the screenshot was replaced"
    local gif=$scratch/typed/out/rec%d.gif png=$scratch/elsewhere/shot%d-target.png
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
    if [[ -n $web_site ]]; then
        local page_status=()
        for job in "${page_jobs[@]}"; do
            # The page's screenshots end 52 s after their first frame.
            for _ in $(seq 300); do
                kill -0 "$job" 2>/dev/null || break
                sleep 0.1
            done
            stop_job TERM "$job"
            page_status+=("$status")
        done
        [[ ${page_status[0]} == 0 ]] || fail "page's screenshot: status ${page_status[0]}: $(cat "$scratch/web-fine.err")"
        [[ $(identify -format '%m' "$scratch/typed/page%d.png" 2>/dev/null) == PNG ]] ||
            fail "page's screenshot: no PNG at the name given"
        [[ ${page_status[1]} == 1 ]] || fail "page's screenshot to a FIFO: status ${page_status[1]}"
        grep -qx "serve-web: did not replace '$scratch/typed/fifo-later.png': it is no longer a regular file" \
            "$scratch/web-fifo.err" || fail "page's screenshot to a FIFO: said '$(cat "$scratch/web-fifo.err")'"
        [[ -p $scratch/typed/fifo-later.png ]] || fail "page's screenshot to a FIFO: the FIFO was replaced"
    fi
    expect_clean recording
    tmp=$scratch/tmp

    # GLUT cannot open this display, so the viewer dies at once.
    headless_run --screenshot dead.png -- -display :9999
    [[ $status == 1 ]] || fail "dead viewer: status $status"
    grep -q "^run.sh: heap-view exited early, with status 1$" "$scratch/err" ||
        fail "dead viewer: said $(cat "$scratch/err")"
    [[ ! -e $scratch/typed/dead.png ]] || fail "dead viewer: a screenshot was written"
    expect_clean "dead viewer"

    # A TMPDIR with no room for the window's pictures (a 64 KB tmpfs, mounted
    # in a mount namespace of the run's own, so that it goes with the run),
    # once the build is done: a compiler needs room in TMPDIR too.
    # Where no mount namespace of our own can be made (a chroot whose root is
    # no mount point, say), the case is skipped and said.
    # shellcheck disable=SC2046 # no word, or one
    if ! unshare --mount $( ((EUID == 0)) || echo --map-root-user) true 2>"$scratch/err"; then
        echo "skipped: full TMPDIR (no private mount namespace here: $(cat "$scratch/err"))"
    else
        mkdir -p "$scratch/full"
        status=0
        (
            cd "$scratch/typed"
            # shellcheck disable=SC2046,SC2016 # no word, or one; expanded by sh
            exec unshare --mount $( ((EUID == 0)) || echo --map-root-user) \
                sh -c 'mount -t tmpfs -o size=64k heap-view-full "$0" && exec "$@"' "$scratch/full" \
                env -u DISPLAY TMPDIR="$scratch/full" RUN_COMMAND_TEST="$scratch" \
                HEAP_VIEW_BUILD_DIR="$build" "$run" --screenshot full.png
        ) >"$scratch/out" 2>"$scratch/err" || status=$?
        [[ $status == 1 ]] || fail "full TMPDIR: status $status"
        grep -qx "run.sh: could not capture the Heap View window: the disk is full ('$scratch/full' has only [0-9]* KB free)" \
            "$scratch/err" || fail "full TMPDIR: said '$(cat "$scratch/err")'"
        [[ ! -e $scratch/typed/full.png ]] || fail "full TMPDIR: a screenshot was written"
        expect_clean "full TMPDIR"
    fi

    # Ctrl-C during the growth phase: SIGINT to the whole process group, of
    # which run.sh leads here. Job control gives it a group of its own, and
    # keeps SIGINT from being ignored as it is in other background jobs.
    start_headless_job interrupt "runs on a private Xvfb" --screenshot interrupted.png
    stop_job INT "$job"
    [[ $status == 130 ]] || fail "interrupt: status $status"
    grep -q "^run.sh: interrupted$" "$scratch/interrupt.err" ||
        fail "interrupt: said $(cat "$scratch/interrupt.err")"
    [[ ! -e $scratch/typed/interrupted.png ]] || fail "interrupt: a screenshot was written"
    expect_clean interrupt
}

case ${1:-} in
arguments) arguments ;;
headless) headless "${2:?headless needs the build directory}" "${3:-}" ;;
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
