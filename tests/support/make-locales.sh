#!/bin/sh
# Makes the locales the language tests run the player under, in a folder of
# the build's own (tests point LOCPATH at it): no root, nothing of the
# system changed. Needs the locale sources of Debian's `locales` package
# (scripts/install-deps.sh test installs it). A locale made before is kept.
#   make-locales.sh DIR
set -eu
dir=$1
mkdir -p "$dir"
for locale in en_US ru_RU; do
  if [ ! -f "$dir/$locale.UTF-8/LC_MESSAGES/SYS_LC_MESSAGES" ]; then
    localedef -i "$locale" -f UTF-8 "$dir/$locale.UTF-8.new"
    rm -rf "$dir/$locale.UTF-8"
    mv "$dir/$locale.UTF-8.new" "$dir/$locale.UTF-8"
  fi
done
