#!/usr/bin/env bash
# Renders the icon, dist/quorvel.svg, as the PNGs desktops look for, into
# dist/icons/NxN.png (installed as share/icons/hicolor/NxN/apps/quorvel.png),
# and notes the drawing they were rendered from in dist/icons/quorvel.svg.sha256,
# which the tests compare with the drawing; and the 48 x 48 one as
# dist/icons/quorvel.xpm, the icon the player gives its window. Run it after changing the SVG and
# commit what it writes: the build installs these files as they are, so that
# it needs no SVG renderer.
#   scripts/render-icons.sh        (needs rsvg-convert: apt-get install librsvg2-bin)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert > /dev/null \
  || { echo "$0: rsvg-convert is missing: apt-get install librsvg2-bin" >&2; exit 1; }
mkdir -p dist/icons
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" dist/quorvel.svg -o "dist/icons/${size}x${size}.png"
done
scripts/png-to-xpm.py dist/icons/48x48.png quorvel_icon > dist/icons/quorvel.xpm
(cd dist && sha256sum quorvel.svg) > dist/icons/quorvel.svg.sha256
ls -l dist/icons
