#!/bin/sh
# The translations keep up with the player's texts: the message ids that
# xgettext finds in src/ now are those of po/quorvel.pot, neither more nor
# fewer, and every shipped translation (po/LINGUAS) gives each of them a
# translation that is not marked fuzzy, in a file msgfmt takes with --check.
#   translations_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
cmake --build "$build" --target pot-fresh > /dev/null
fresh=$build/po/quorvel.pot
status=0
msgcmp --use-untranslated "$source/po/quorvel.pot" "$fresh" \
  || { echo "po/quorvel.pot lacks texts of src/: cmake --build build --target pot, then translate them"; status=1; }
msgcmp --use-untranslated "$fresh" "$source/po/quorvel.pot" \
  || { echo "po/quorvel.pot holds texts src/ no longer has: cmake --build build --target pot"; status=1; }
for language in $(cat "$source/po/LINGUAS"); do
  po=$source/po/$language.po
  msgfmt --check -o /dev/null "$po" || status=1
  msgcmp "$po" "$source/po/quorvel.pot" || { echo "$po: texts without a translation"; status=1; }
done
[ $status -eq 0 ] && echo "translations: every text of src/ is in po/quorvel.pot and translated in $(cat "$source/po/LINGUAS")"
exit $status
