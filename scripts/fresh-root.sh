#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: scripts/fresh-root.sh RELEASE COMMAND [ARGUMENT...]
#        e.g. scripts/fresh-root.sh trixie scripts/test.sh
#
# Tries one of the README's commands the way a new user meets it: on a fresh
# minimal Debian root, from a clone of this repository's committed HEAD.
#
# Makes a minbase root of RELEASE (bookworm, trixie, ...) with debootstrap from
# http://deb.debian.org/debian under a new directory in /var/tmp (TMPDIR to
# change it), clones the repository's HEAD into it and runs COMMAND there in a
# chroot with an empty environment (HOME, PATH and TERM only, no DISPLAY), with
# /proc, /sys, /dev, /dev/pts and /dev/shm mounted, and this machine's /tmp, so
# that X display numbers in use here are seen as taken there. Then prints one
# line:
#
#   fresh-root: RELEASE COMMAND: status N, S s, P packages installed
#
# with the command's exit status, its wall time and the packages it installed,
# and exits with the command's status. The mounts and the root are removed
# however the run ends. Needs root, debootstrap and the network (about 1.5 GB
# of disk for the test command). The certificate authorities this machine adds
# to its own (/usr/local/share/ca-certificates) are added to the root too. A
# maintainer's tool: no test runs it.
#
# Options:
#   -h, --help  show this help and exit
set -euo pipefail

readonly mirror=http://deb.debian.org/debian
readonly path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
usage_error() {
    echo "fresh-root: $1 (see scripts/fresh-root.sh --help)" >&2
    exit 2
}
die() {
    echo "fresh-root: $1" >&2
    exit 1
}

case ${1-} in
-h | --help)
    usage
    exit 0
    ;;
-*) usage_error "unknown option '$1'" ;;
esac
(($# >= 2)) || usage_error "needs a release and a command"
release=$1
shift
[[ $release =~ ^[a-z]+$ ]] || usage_error "'$release' is not a release name"
command=("$@")

[[ $(id -u) -eq 0 ]] || die "needs root (debootstrap, chroot and mount)"
command -v debootstrap >/dev/null || die "needs debootstrap (apt-get install debootstrap)"
repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
head=$(git -C "$repo" rev-parse --verify HEAD)

base=$(mktemp -d "${TMPDIR:-/var/tmp}/fresh-root.XXXXXX")
root=$base/root
mounted=() # in the order mounted; undone in reverse

# Everything still running inside the root: the command's own leftovers.
processes_in_root() {
    local link pid
    for link in /proc/[0-9]*/root; do
        pid=${link#/proc/}
        pid=${pid%/root}
        [[ $(readlink "$link" 2>/dev/null) == "$root" ]] && echo "$pid"
    done
    return 0
}
cleanup() {
    local status=$? i pids
    trap - EXIT INT TERM
    pids=$(processes_in_root)
    if [[ -n $pids ]]; then
        kill -TERM $pids 2>/dev/null || true
        sleep 1
        pids=$(processes_in_root)
        [[ -z $pids ]] || kill -KILL $pids 2>/dev/null || true
    fi
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount --lazy "${mounted[i]}" ||
            echo "fresh-root: cannot unmount ${mounted[i]}" >&2
    done
    # Never delete through a mount that is still there: rather leave the root.
    if findmnt -rn -o TARGET | grep -q -e "^$root\$" -e "^$root/"; then
        echo "fresh-root: $root still has mounts; left in place" >&2
    else
        rm -rf --one-file-system "$base"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mount_in_root() { # TARGET MOUNT-ARGUMENT...
    local target=$root$1
    shift
    mkdir -p "$target"
    mount "$@" "$target"
    mounted+=("$target")
}

log=$base/debootstrap.log
if ! debootstrap --variant=minbase --include=git,ca-certificates \
    "$release" "$root" "$mirror" >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    die "debootstrap of $release failed (its last lines above)"
fi
# The clone a user would have: the committed HEAD, nothing uncommitted.
git clone -q --no-checkout "$repo" "$root/root/heap-view"
git -C "$root/root/heap-view" fetch -q "$repo" "$head"
git -C "$root/root/heap-view" checkout -q --detach "$head"

# The certificate authorities this machine adds to Debian's own go in too: on
# a network that inspects TLS, the root must trust what this machine trusts,
# or HTTPS downloads (npm's) fail there that succeed here.
if compgen -G '/usr/local/share/ca-certificates/*.crt' >/dev/null; then
    cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
    chroot "$root" update-ca-certificates >/dev/null 2>&1 ||
        die "update-ca-certificates failed in the root"
fi

mount_in_root /proc -t proc proc
mount_in_root /sys -t sysfs sysfs
mount_in_root /dev --bind /dev
mount_in_root /dev/pts --bind /dev/pts
mount_in_root /dev/shm -t tmpfs -o mode=1777,nosuid,nodev shm
# X servers on this machine and in the root meet in one namespace of abstract
# sockets (the network's), so a display number taken out here must look taken
# in there too: the root sees this /tmp and its .X<n>-lock files.
mount_in_root /tmp --bind /tmp

count_packages() {
    chroot "$root" dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii'
}
before=$(count_packages)
started=$SECONDS
status=0
# In the background, waited for, so that a signal to this script is acted on at
# once rather than when the command ends; standard input stays the command's.
chroot "$root" /usr/bin/env -i HOME=/root PATH="$path" TERM="${TERM:-dumb}" \
    /bin/sh -c 'cd /root/heap-view && exec "$@"' sh "${command[@]}" <&0 &
wait $! || status=$?
elapsed=$((SECONDS - started))
after=$(count_packages)
echo "fresh-root: $release ${command[*]}: status $status, $elapsed s, $((after - before)) packages installed"
exit "$status"
