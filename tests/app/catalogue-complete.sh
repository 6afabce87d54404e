#!/usr/bin/env bash
# The Japanese catalogue holds a translation of every text the program's sources mark for
# translation: Qt's lupdate, run over a copy of it, finds nothing new, nothing unfinished and
# nothing gone.
#   catalogue-complete.sh LUPDATE APP_SOURCE_FOLDER
set -euo pipefail
lupdate=$1
app=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$app/translations/simplescope_ja.ts" "$work/catalogue.ts"
"$lupdate" -silent -locations none "$app"/*.cpp -ts "$work/catalogue.ts"
if grep -q 'type="\(unfinished\|vanished\|obsolete\)"' "$work/catalogue.ts"; then
  echo "The catalogue is not complete (new texts unfinished, old ones vanished):" >&2
  grep -B2 'type="\(unfinished\|vanished\|obsolete\)"' "$work/catalogue.ts" >&2
  exit 1
fi
echo "catalogue complete: $(grep -c '<message>' "$work/catalogue.ts") texts"
