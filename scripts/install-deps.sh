#!/usr/bin/env bash
# Installs the Debian packages the project needs and the machine lacks.
#   install-deps.sh run       what building and running the player needs
#   install-deps.sh package   that, plus what making its Debian package needs
#   install-deps.sh test      all that, plus what the tests need
set -euo pipefail

run_packages=(
  g++ cmake make pkg-config
  liballegro4-dev libloadpng4-dev liblogg4-dev libvorbis-dev libogg-dev libpng-dev
  libsndfile1-dev   # sound files beyond what the library and logg read
  libzip-dev        # books as one file: zip archives read in place
  libfreetype-dev fonts-dejavu-core
  x11-utils   # xmessage: the library's message box on X11
)
package_packages=(
  dpkg-dev file   # dpkg-shlibdeps finds the package's library dependencies; CPack runs file
)
test_packages=(
  googletest libgtest-dev
  xvfb xauth libx11-dev libxtst-dev   # virtual display (xvfb-run needs xauth); window capture and input
  clang libclang-rt-14-dev      # sanitizers and fuzzing
  valgrind
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
