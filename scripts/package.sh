#!/usr/bin/env bash
# Builds the Debian package of the project's files as they are in this
# folder, committed or not: `dpkg-buildpackage -us -uc -b` (debian/) on a copy
# of them in OUT/src/, so that nothing is written beside the project nor
# into it, then moves the package and its build records into OUT:
#   scripts/package.sh [OUT]     OUT defaults to build-deb/
#   ->  OUT/quorvel_<version>_<arch>.deb   (and the -dbgsym .ddeb, .buildinfo, .changes)
# Needs the packages of `scripts/install-deps.sh package`. The last line
# printed is the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$(pwd)
out=${1:-build-deb}
mkdir -p "$out"
out=$(cd "$out" && pwd)
case "$out/" in
  "$project/"build*|"$project/"build*/*) ;;
  "$project/"*) echo "$0: OUT must be outside the project or in a build folder of it (build*/), not $out" >&2; exit 2 ;;
esac

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
work=$out/src
source=$work/quorvel-$version
# What an earlier build left, so that OUT holds one package.
rm -rf --one-file-system "$work"
rm -f "$out"/quorvel_* "$out"/quorvel-dbgsym_*
mkdir -p "$source"
# The project's files without its build folders and its history.
tar -C "$project" --exclude=./.git --exclude='./build*' --exclude='./obj-*' -cf - . | tar -C "$source" -xf -

(cd "$source" && dpkg-buildpackage -us -uc -b -Jauto)

changes=$work/quorvel_${version}_${arch}.changes
# The files the build made, as its .changes lists them, and the .changes.
made=$(awk '/^Files:/ { inside = 1; next } /^[^ ]/ { inside = 0 } inside { print $5 }' "$changes")
for file in $made; do
  mv -f "$work/$file" "$out/"
done
mv -f "$changes" "$out/"
rm -rf --one-file-system "$work"
echo "$out/quorvel_${version}_${arch}.deb"
