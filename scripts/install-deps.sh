#!/usr/bin/env bash
# Installs the Debian packages the project needs and the machine lacks.
#   install-deps.sh run       what building and running the programs needs
#   install-deps.sh package   that, plus what building the Debian package needs
#                             (debhelper, dpkg-dev: scripts/package.sh)
#   install-deps.sh test      all that, plus what the tests need
# What the programs build with is said once, in debian/control: its
# Build-Depends (less debhelper for `run`), with the compiler, and the
# packages the installed programs depend on besides their libraries
# (Depends, less the ${...} that the package build fills in).
set -euo pipefail
cd "$(dirname "$0")/.."

# The package names in FIELD of debian/control, one a line: versions,
# architectures and build profiles dropped, the first of alternatives taken,
# substitution variables left out.
control_packages() {
  awk -v field="$1" '
    BEGIN { name = tolower(field) ":" }
    /^#/ { next }
    /^$/ { inside = 0; next }
    /^[^ \t]/ {
      inside = index(tolower($0), name) == 1
      if (inside) $0 = substr($0, length(name) + 1)
    }
    inside { print }
  ' debian/control | tr ',' '\n' \
    | sed -e 's/|.*//' -e 's/[[(<].*//' -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' \
          -e '/^$/d' -e '/^\$/d'
}

mapfile -t build_depends < <(control_packages Build-Depends)
mapfile -t depends < <(control_packages Depends)
[ ${#build_depends[@]} -gt 0 ] || { echo "$0: debian/control names no Build-Depends" >&2; exit 1; }
run_packages=(g++ make)   # the compiler (build-essential, which the package build adds, has them)
package_packages=(build-essential)   # dpkg-buildpackage asks for it besides Build-Depends
for p in "${build_depends[@]}"; do
  if [ "$p" = debhelper-compat ]; then
    package_packages+=(debhelper)   # which provides debhelper-compat
  else
    run_packages+=("$p")
  fi
done
run_packages+=("${depends[@]}")
test_packages=(
  googletest libgtest-dev
  xvfb xauth libx11-dev libxtst-dev   # virtual display (xvfb-run needs xauth); window capture and input
  clang libclang-rt-14-dev      # sanitizers and fuzzing
  valgrind
  lintian appstream desktop-file-utils mandoc   # the package test checks the package as Debian does
  locales             # localedef: the locales the language tests run the player under
  speech-dispatcher   # the real service the reading-aloud tests listen to
)

packages=("${run_packages[@]}")
case "${1:-run}" in
  run) ;;
  package) packages+=("${package_packages[@]}") ;;
  test) packages+=("${package_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 [run|package|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo > /dev/null; then
    echo "$0: these Debian packages are missing: ${missing[*]}" >&2
    echo "$0: install them as root (apt-get install ${missing[*]}), or install sudo, then run this again" >&2
    exit 1
  fi
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
