#!/usr/bin/env bash
# Runs a command on a clean Debian 12 (bookworm, minimal), as a new user's
# machine is: nothing installed beyond the base system, the project cloned
# from its committed HEAD (not the work tree). Proves that the README's
# commands install everything they need.
#
#   scripts/clean-machine.sh [COMMAND...]    default: ./run.sh --version
#
# Exit status: the command's; 3 when no clean system can be made here (not
# root, no debootstrap and no way to install it, no network), said in one
# line on standard error, so that a caller can fall back.
#
# Everything lives under build-clean/ in the project: base/ is the minimal
# system made once with `debootstrap --variant=minbase bookworm` (about 30 s)
# and kept; each run works in a fresh copy of it (run.XXXXXX/), removed
# afterwards; apt/ keeps the packages downloaded, shared by the runs as a
# local cache (they are still installed from nothing each time). The script
# unmounts what it mounted even when the command fails, and removes nothing
# outside build-clean/.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$(pwd)
work=$project/build-clean
base=$work/base
[ $# -gt 0 ] || set -- ./run.sh --version

cannot() {
  echo "clean-machine: no clean system can be made here: $*" >&2
  exit 3
}

[ "$(id -u)" -eq 0 ] || cannot "it needs root (debootstrap and chroot)"
git -C "$project" rev-parse --verify -q HEAD > /dev/null || cannot "$project is not a git clone with a commit"

if [ ! -x "$base/bin/bash" ]; then
  if ! command -v debootstrap > /dev/null; then
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends debootstrap > /dev/null; } 2>/dev/null \
      || cannot "debootstrap is not installed and could not be (is the package registry reachable?)"
  fi
  # The mirror this machine already uses, when it names one.
  mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
  mkdir -p "$work"
  rm -rf --one-file-system "$base.tmp"
  echo "clean-machine: making a minimal Debian 12 once (about a minute)" >&2
  debootstrap --variant=minbase bookworm "$base.tmp" ${mirror:+"$mirror"} > "$work/debootstrap.log" 2>&1 \
    || { tail -n 5 "$work/debootstrap.log" >&2; rm -rf --one-file-system "$base.tmp";
         cannot "debootstrap failed (is the package registry reachable?)"; }
  mv "$base.tmp" "$base"
fi

mkdir -p "$work/apt"
root=$(mktemp -d "$work/run.XXXXXX")
mounted=()

# Processes the command left running inside the copy (a display server
# shutting down, a test's player), found by their root directory.
leftovers() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
  done
  return 0
}

cleanup() {
  set +e
  local pids m i
  pids=$(leftovers)
  [ -n "$pids" ] && kill $pids 2>/dev/null && sleep 2
  pids=$(leftovers)
  [ -n "$pids" ] && kill -9 $pids 2>/dev/null && sleep 1
  # Last mounted, first unmounted.
  for (( i = ${#mounted[@]} - 1; i >= 0; i-- )); do
    m=${mounted[i]}
    mountpoint -q "$m" || continue
    umount "$m" 2>/dev/null || { sleep 2; umount "$m" 2>/dev/null; } || umount -l "$m"
  done
  if grep -qF " $root/" /proc/mounts; then
    echo "clean-machine: $root still has mounts: left in place" >&2
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mount_in() { # mount_in TARGET MOUNT-ARGUMENTS...
  local target=$root$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounted+=("$target")
}

cp -a "$base/." "$root/"
cp /etc/resolv.conf "$root/etc/" 2>/dev/null || true
git clone -q "$project" "$root/root/project"
mount_in /proc -t proc proc
mount_in /dev/shm -t tmpfs tmpfs
mount_in /tmp -t tmpfs tmpfs
mount_in /var/cache/apt/archives --bind "$work/apt"

echo "clean-machine: running '$*' on a clean Debian 12" >&2
set +e
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  TERM="${TERM:-dumb}" LANG=C.UTF-8 ${CI:+CI="$CI"} \
  /bin/bash -c 'cd /root/project && "$@"' bash "$@"
rc=$?
set -e
echo "clean-machine: '$*' exited $rc" >&2
exit $rc
