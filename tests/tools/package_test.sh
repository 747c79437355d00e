#!/usr/bin/env bash
# Builds the Debian package from the build tree given and checks what it
# holds and what it depends on: the programs, their data, the menu entry,
# the icon and the manual pages; the run-time libraries as dpkg-shlibdeps
# found them in the programs.
#   tests/package_test.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
cd "$build"
rm -f package/quorvel_*.deb
cpack -G DEB > package.log 2>&1 || { cat package.log; exit 1; }
debs=(package/quorvel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no package made"; cat package.log; exit 1; }
deb=${debs[0]}

failed=0
fail() { echo "FAIL: $*"; failed=1; }

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/quorvel ./usr/bin/quorvel-check ./usr/bin/quorvel-mkfont \
            ./usr/share/quorvel/font.dat ./usr/share/quorvel/pico/title.png \
            ./usr/share/quorvel/books/demo/pages.dat ./usr/share/quorvel/books/demo/pico/forest.png \
            ./usr/share/quorvel/books/demo/audio/wind.ogg \
            ./usr/share/applications/quorvel.desktop \
            ./usr/share/icons/hicolor/scalable/apps/quorvel.svg \
            ./usr/share/man/man1/quorvel.1.gz ./usr/share/man/man1/quorvel-check.1.gz \
            ./usr/share/man/man1/quorvel-mkfont.1.gz; do
  grep -qxF "$file" <<<"$contents" || fail "$file is not in the package"
done
# Nothing from the build tree or the tests.
if grep -E 'test|bench|fuzz|mkassets|CMake' <<<"$contents"; then
  fail "the package holds files of the build"
fi

depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
for library in liballegro4.4 libloadpng4.4 liblogg4.4 libvorbisfile3 libc6 libstdc++6 x11-utils; do
  grep -qxF "$library" <<<"$names" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = quorvel ] || fail "the package is not named quorvel"

# The installed programs look for nothing in the build tree.
extract=$(mktemp -d)
trap 'rm -rf "$extract"' EXIT
dpkg-deb -x "$deb" "$extract"
for program in quorvel quorvel-check quorvel-mkfont; do
  if grep -qF "$build" "$extract/usr/bin/$program"; then
    fail "$program names the build folder $build"
  fi
done
desktop=$extract/usr/share/applications/quorvel.desktop
grep -qx 'Exec=quorvel %f' "$desktop" || fail "the menu entry does not start quorvel"
grep -qx 'Icon=quorvel' "$desktop" || fail "the menu entry has not the icon"
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$desktop" || fail "the menu entry is not valid"
fi
zcat "$extract/usr/share/man/man1/quorvel.1.gz" | grep -q '^\.SH SYNOPSIS' \
  || fail "the manual page of quorvel has no synopsis"

echo "$deb: $(stat -c %s "$deb") bytes; Depends: $depends"
exit $failed
