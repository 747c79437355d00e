#!/usr/bin/env bash
# Follows the README's "Installing" steps word for word, as a new user would,
# then uses and removes what they installed: meant for a clean machine,
#   scripts/clean-machine.sh scripts/try-installing.sh
# where it shows that the steps install everything they need. It runs each
# line of the section's first command block (dropping `sudo` when run as
# root without it), then, as a reader with an account of their own,
# `quorvel --version` and `quorvel-check` on the installed demo book; then
# removes the package with `apt-get remove`, purges it and autoremoves what
# it brought, and checks that the system's files are as they were before the
# package was installed. Says how long each step took. Run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "$0: run it as root (on a clean machine)" >&2; exit 2; }
started=$SECONDS
took() { echo "== try-installing: $1 ($(( SECONDS - started )) s in all)"; }

# The README's steps: the indented lines of the first block under "## Installing".
mapfile -t steps < <(awk '
  /^## / { inside = ($0 == "## Installing"); next }
  inside && /^    / { print substr($0, 5); seen = 1; next }
  inside && seen && !/^    / { exit }
' README.md)
[ ${#steps[@]} -gt 0 ] || { echo "$0: README.md has no Installing steps" >&2; exit 1; }

# Every file of the system outside what changes by itself (logs, caches,
# apt's and dpkg's records, the project's own folder).
snapshot() {
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
    -o -path /var/log -o -path /var/cache -o -path /var/lib/apt -o -path /var/lib/dpkg \
    -o -path "$PWD" \) -prune -o -print | sort
}

id reader > /dev/null 2>&1 || useradd -m reader
for step in "${steps[@]}"; do
  if [[ $step == sudo\ * ]] && ! command -v sudo > /dev/null; then
    step=${step#sudo }
  fi
  if [[ $step == *"apt-get install ./"* ]]; then
    snapshot > /tmp/before-package
    dpkg-query -W -f='${Package}\n' | sort > /tmp/before-packages
  fi
  echo "== try-installing: $step"
  # A reader at the terminal answers apt's "Do you want to continue?" (asked
  # when the package's recommendations come along) with yes.
  bash -c "$step" < <(yes)
  took "done"
done
[ -s /tmp/before-package ] || { echo "$0: no step installs the package with apt-get install ./" >&2; exit 1; }

failed=0
fail() { echo "FAIL: $*"; failed=1; }
dpkg-query -W -f='${Status}\n' quorvel | grep -qx 'install ok installed' || fail "quorvel is not installed"
# As a reader: a login shell's PATH, which has /usr/games.
version=$(su - reader -c 'quorvel --version') || fail "quorvel --version exits $?"
echo "$version"
[ "$version" = "quorvel $(dpkg-query -W -f='${Version}' quorvel)" ] || fail "quorvel --version says '$version'"
check=$(su - reader -c 'quorvel-check /usr/share/quorvel/books/demo' 2>&1) || fail "quorvel-check exits $?"
echo "$check"
grep -q '^0 errors' <<<"$check" || fail "quorvel-check finds errors in the installed demo book"
grep -qF 'no font.dat' <<<"$check" && fail "quorvel-check does not find the installed font"
took "the installed programs ran"

# (Without a terminal to log through: a chroot has no /dev/pts.)
apt=(apt-get -y -qq -o Dpkg::Use-Pty=0)
files=$(dpkg -L quorvel)
"${apt[@]}" remove quorvel > /dev/null
left=$(while read -r path; do if [ -f "$path" ]; then echo "$path"; fi; done <<<"$files")
[ -z "$left" ] || fail "apt-get remove left files: $left"
# Purged too: dpkg forgets the package (it has no configuration files, so
# that removing it already did), and apt what came with it.
dpkg --purge quorvel
if dpkg-query -W quorvel > /dev/null 2>&1; then
  fail "dpkg still knows quorvel after purging it: $(dpkg-query -W -f='${db:Status-Abbrev}' quorvel)"
fi
"${apt[@]}" autoremove --purge > /dev/null
# What came with the package and stays is kept by the build's own packages
# (libspeechd-dev keeps the speech service it recommends); on a reader's
# machine it goes with the package. Purged here, and named, so that the
# comparison below finds only what the package itself left.
kept=$(dpkg-query -W -f='${Package}\n' | sort | comm -13 /tmp/before-packages -)
if [ -n "$kept" ]; then
  echo "try-installing: kept by the build's packages, purged by hand:" $kept
  # shellcheck disable=SC2086
  "${apt[@]}" purge $kept > /dev/null
fi
snapshot > /tmp/after-package
if ! diff /tmp/before-package /tmp/after-package; then
  fail "removing the package did not leave the system as it was (above: < gone, > new)"
fi
took "removed and purged, nothing left"
[ $failed -eq 0 ] && echo "try-installing: the README's Installing steps work here"
exit $failed
