#!/usr/bin/env bash
# Runs a command of the project, by default the README's test command, in a
# fresh minimal tree of a Debian release, as root on a fresh machine:
#   scripts/test-on.sh RELEASE [COMMAND [ARG...]]     e.g. scripts/test-on.sh trixie
# The tree is made with debootstrap (installed when missing) from the archive
# this machine's own apt sources name, in a new folder under
# $VIDFOLIO_TREES (default /var/tmp); the project is copied into /project
# there without its build folders, and COMMAND runs in that copy with the
# tree's /proc, /sys and /dev (with /dev/pts and /dev/shm) bound to the
# machine's. At the end, also on a failure or a signal, every mount is undone
# and the tree removed; a signal ends the run at once. Exits with COMMAND's
# status. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."

release=${1:-}
if [ -z "$release" ] || [ "$(id -u)" != 0 ]; then
    echo "usage (as root): scripts/test-on.sh RELEASE [COMMAND [ARG...]]" >&2
    exit 2
fi
shift
[ $# -gt 0 ] || set -- scripts/test.sh

# The first archive (not its security or updates suites) of the machine's
# apt sources, in either of their two formats.
archive() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
            { uris = ""; suites = ""
              for (i = 1; i <= NF; i++) {
                  if ($i ~ /^URIs:/) uris = substr($i, 6)
                  if ($i ~ /^Suites:/) suites = substr($i, 8) }
              if (uris != "" && suites !~ /-security/) { split(uris, u, " "); print u[1]; exit } }' \
            "$file"
    done
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '$1 == "deb" { i = 2
                           if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
                           if ($(i + 1) !~ /-(security|updates)$/) print $i }'
}
mirror=$(archive | sed 's/[[:space:]]//g' | grep -m1 . || true)
if [ -z "$mirror" ]; then
    echo "No archive found in /etc/apt/sources.list or /etc/apt/sources.list.d." >&2
    exit 1
fi
if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

tree=$(mktemp -d "${VIDFOLIO_TREES:-/var/tmp}/vidfolio-$release.XXXXXX")
# The tree's root: open to the tree's other users (apt's _apt, the tests'
# unprivileged user), as / is.
chmod 755 "$tree"
child=""
mounted=()
cleanup() {
    local status=$? mount
    trap - EXIT INT TERM HUP
    if [ -n "$child" ] && kill -0 "$child" 2>/dev/null; then
        kill -TERM -- "-$child" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$child" 2>/dev/null || break; sleep 0.1; done
        kill -KILL -- "-$child" 2>/dev/null || true
        wait "$child" 2>/dev/null || true
    fi
    # In reverse order, each with what is mounted below it.
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        mount=${mounted[i]}
        umount -R "$mount" 2>/dev/null || umount -R -l "$mount" || true
    done
    # And whatever debootstrap mounted in the tree, should it have been
    # stopped.
    { grep -F " $tree/" /proc/mounts || true; } | cut -d" " -f2 | sort -r | while read -r mount; do
        umount -l "$mount" || true
    done
    rm -f "$tree.log"
    if grep -qF " $tree/" /proc/mounts; then
        echo "Still mounted under $tree; the tree is left there." >&2
        status=1
    else
        rm -rf --one-file-system "$tree"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

started=$SECONDS
echo "Making a $release tree in $tree from $mirror"
# In the background, as the command below, so that a signal is taken at once.
setsid debootstrap --variant=minbase "$release" "$tree" "$mirror" >"$tree.log" 2>&1 &
child=$!
if ! wait "$child"; then
    child=""
    cat "$tree.log" >&2
    exit 1
fi
child=""
echo "Tree made in $((SECONDS - started)) s"

mkdir -p "$tree/project"
tar -c --exclude='./build*' --exclude=./.git . | tar -x -C "$tree/project"
mount -t proc proc "$tree/proc"
mounted+=("$tree/proc")
mount -t sysfs sysfs "$tree/sys"
mounted+=("$tree/sys")
mount --rbind /dev "$tree/dev"
mounted+=("$tree/dev")
# Undone in the tree alone, never in the machine's /dev.
mount --make-rslave "$tree/dev"

# In a session of its own, so that a signal here can end it and all it
# started; waited for in the background, so that the signal is taken at once.
setsid chroot "$tree" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 /bin/bash -c 'cd /project && exec "$@"' command "$@" &
child=$!
set +e
wait "$child"
status=$?
set -e
child=""
echo "$* in the $release tree: exit status $status after $((SECONDS - started)) s"
exit "$status"
