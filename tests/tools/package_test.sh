#!/usr/bin/env bash
# Builds the Debian package the one way the project makes it
# (scripts/package.sh: debhelper and debian/) and checks it as Debian and a
# reader would: lintian finds no error and no warning; it holds the programs,
# their data, the menu entry and its metadata, the icons and the manual
# pages, and nothing of the build; it depends on the libraries
# dpkg-shlibdeps found in the programs; its version is the programs'. Then
# the programs, unpacked as they are installed, run: --help and --version,
# the checker on the demo book, the font maker, and the player from
# /usr/games finding its data in /usr/share/quorvel.
#   tests/tools/package_test.sh <build folder>     (the package is made in <build folder>/package/)
# Needs the packages of `scripts/install-deps.sh test`.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failed=0
fail() { echo "FAIL: $*"; failed=1; }

"$source_dir/scripts/package.sh" "$build/package" > "$build/package.log" 2>&1 \
  || { tail -n 40 "$build/package.log"; echo "FAIL: the package was not built (log: $build/package.log)"; exit 1; }
deb=$(tail -n 1 "$build/package.log")
[ -f "$deb" ] || { tail -n 40 "$build/package.log"; echo "FAIL: no package at $deb"; exit 1; }
echo "$deb: $(stat -c %s "$deb") bytes"

# As Debian checks packages: no error, no warning (the overrides say why
# where a hint does not apply).
set +e
lint=$(lintian -I --fail-on error,warning "$deb" 2>&1)
status=$?
set -e
grep -v 'root privileges' <<<"$lint" || true
[ "$status" -eq 0 ] || fail "lintian finds errors or warnings (above)"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/games/quorvel ./usr/bin/quorvel-check ./usr/bin/quorvel-mkfont \
            ./usr/share/quorvel/font.dat ./usr/share/quorvel/ini.dat ./usr/share/quorvel/pico/title.png \
            ./usr/share/quorvel/books/demo/pages.dat ./usr/share/quorvel/books/demo/pico/forest.png \
            ./usr/share/quorvel/books/demo/audio/wind.ogg \
            ./usr/share/applications/quorvel.desktop \
            ./usr/share/metainfo/example.quorvel.Quorvel.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/quorvel.svg \
            ./usr/share/man/man6/quorvel.6.gz ./usr/share/man/man1/quorvel-check.1.gz \
            ./usr/share/man/man1/quorvel-mkfont.1.gz \
            ./usr/share/doc/quorvel/copyright ./usr/share/doc/quorvel/changelog.gz; do
  grep -qxF "$file" <<<"$contents" || fail "$file is not in the package"
done
for size in 16 22 24 32 48 64 128 256; do
  grep -qxF "./usr/share/icons/hicolor/${size}x${size}/apps/quorvel.png" <<<"$contents" \
    || fail "the ${size}x${size} icon is not in the package"
done
# Nothing from the build tree or the tests.
if grep -E 'test|bench|fuzz|mkassets|CMake' <<<"$contents"; then
  fail "the package holds files of the build"
fi

depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
for library in liballegro4.4 libloadpng4.4 liblogg4.4 libvorbisfile3 libsndfile1 libzip4 libfreetype6 \
               libc6 libstdc++6 x11-utils; do
  grep -qxF "$library" <<<"$names" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = quorvel ] || fail "the package is not named quorvel"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the package is not in section games"
version=$(dpkg-deb -f "$deb" Version)

root=$scratch/root
dpkg-deb -x "$deb" "$root"

# Each program answers --help and --version, with the package's version.
for program in usr/games/quorvel usr/bin/quorvel-check usr/bin/quorvel-mkfont; do
  name=${program##*/}
  help=$("$root/$program" --help 2>&1) || fail "$name --help exits $?"
  [[ $help == "usage: $name "* ]] || fail "$name --help gives no usage: $help"
  said=$("$root/$program" --version 2>&1) || fail "$name --version exits $?"
  [ "$said" = "$name $version" ] || fail "$name --version says '$said', the package is $version"
  if grep -qF "$build" "$root/$program"; then
    fail "$name names the build folder $build"
  fi
  # The manual page has an entry under OPTIONS for every option the
  # program's usage names (the line after each .TP there is an entry's tag).
  page=$(zcat "$root"/usr/share/man/man*/"$name".[16].gz)
  tags=$(awk '/^\.SH / { inside = ($2 == "OPTIONS") } inside && previous == ".TP" { print } { previous = $0 }' <<<"$page")
  for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -qF -- "${option//-/\\-}" <<<"$tags" || fail "the manual page of $name has no entry for $option"
  done
  grep -q "^\.TH .* [0-9]\{4\}-[0-9]\{2\}-[0-9]\{2\} " <<<"$page" || fail "the manual page of $name has no date"
  grep -qF /usr/local <<<"$page" && fail "the manual page of $name names /usr/local"
  lint=$(mandoc -Tlint -W warning <<<"$page" 2>&1) || true
  [ -z "$lint" ] || fail "mandoc finds faults in the manual page of $name: $lint"
done
grep -qF "/usr/games/quorvel" <<<"$(zcat "$root/usr/share/man/man6/quorvel.6.gz")" \
  || fail "the player's manual page does not say where it is installed"
# The player's manual page lists each exit status the player has
# (src/app/report.h), no more and no fewer.
statuses=$(sed -n 's/^const int EXIT_[A-Z_]* *= *\([0-9]*\);.*/\1/p' "$source_dir/src/app/report.h" | sort -n | tr '\n' ' ')
listed=$(zcat "$root/usr/share/man/man6/quorvel.6.gz" \
  | awk '/^\.SH / { inside = ($0 == ".SH EXIT STATUS") } inside && previous == ".TP" { print $2 } { previous = $0 }' \
  | sort -n | tr '\n' ' ')
[ -n "$statuses" ] && [ "$listed" = "$statuses" ] \
  || fail "the player's manual page lists the exit statuses '$listed', the player has '$statuses'"
metainfo=$root/usr/share/metainfo/example.quorvel.Quorvel.metainfo.xml
grep -qF "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

# The installed checker finds the installed font for the installed demo book.
cd "$scratch"
check=$("$root/usr/bin/quorvel-check" "$root/usr/share/quorvel/books/demo" 2>&1) \
  || fail "quorvel-check on the demo book exits $?: $check"
grep -q '^0 errors' <<<"$check" || fail "quorvel-check finds errors in the demo book: $check"
grep -qF 'no font.dat' <<<"$check" && fail "quorvel-check finds no installed font: $check"
# The installed font maker makes a font the checker takes.
mkdir "$scratch/made"
"$root/usr/bin/quorvel-mkfont" /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf 14 0x20-0x7E "$scratch/made/font.dat" \
  || fail "quorvel-mkfont exits $?"
"$root/usr/bin/quorvel-check" --font "$scratch/made/font.dat" "$root/usr/share/quorvel/books/demo" > /dev/null 2>&1 \
  || fail "quorvel-check does not take the font quorvel-mkfont made"
# The player in /usr/games finds its font and settings in /usr/share/quorvel
# before it reads the book: asked for a page past the demo book, it says so
# and exits 2 (without its font it would stop earlier, in a message box).
# On a virtual display of its own, so that no other test's window meets it.
set +e
player=$(xvfb-run -a -s "-screen 0 1024x768x24" \
  timeout 60 "$root/usr/games/quorvel" --page 999 "$root/usr/share/quorvel/books/demo" 2>&1)
status=$?
set -e
[ "$status" -eq 2 ] && grep -q '^quorvel: --page 999: the book has [0-9]* pages' <<<"$player" \
  || fail "the installed player did not reach the book (exit $status): $player"

desktop=$root/usr/share/applications/quorvel.desktop
grep -qx 'Exec=quorvel %f' "$desktop" || fail "the menu entry does not start quorvel"
grep -qx 'Icon=quorvel' "$desktop" || fail "the menu entry has not the icon"
grep -q '^Keywords=' "$desktop" || fail "the menu entry has no Keywords"
# The task bar matches the running window to its entry by the window's class.
class=$(sed -n 's/^const char\* const WINDOW_CLASS = "\(.*\)";$/\1/p' "$source_dir/src/screen/window.cpp")
[ -n "$class" ] || fail "no WINDOW_CLASS in src/screen/window.cpp"
grep -qx "StartupWMClass=$class" "$desktop" || fail "the menu entry's StartupWMClass is not $class"
grep -qx 'MimeType=inode/directory;application/zip;' "$desktop" \
  || fail "the menu entry does not offer to open folders and zip archives"
desktop-file-validate "$desktop" || fail "the menu entry is not valid"
appstreamcli validate --no-net "$metainfo" || fail "the metainfo is not valid"
grep -qF '<launchable type="desktop-id">quorvel.desktop</launchable>' "$metainfo" \
  || fail "the metainfo does not launch the menu entry"

# Each icon is the size its folder says, rendered from the drawing as it is.
for size in 16 22 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/quorvel.png
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" \
    | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
  [ "$width x $height" = "$size x $size" ] || fail "the ${size}x${size} icon is $width x $height"
done
(cd "$source_dir/dist" && sha256sum --quiet -c icons/quorvel.svg.sha256) \
  || fail "dist/quorvel.svg changed since the PNG icons were rendered: run scripts/render-icons.sh"

grep -q '^License: Bitstream-Vera' "$root/usr/share/doc/quorvel/copyright" \
  || fail "the copyright file lacks the font's licence"

echo "Depends: $depends"
exit $failed
