#!/usr/bin/env bash
# Saving where only the settings file is writable, in the Windows build under wine, as an
# ordinary user: root makes the folders and, through the suite, their settings files; then it
# takes the folders' write permission away and runs the suite's test as the user nobody, in a
# wine prefix of nobody's own. All of it happens in a scratch folder that nobody can reach,
# with a copy of the suite, wherever the build lies.
#   unwritable-folders.sh <wine> <suite .exe>     (wine: 32-bit or 64-bit, as the suite is)
set -euo pipefail
wine=$1
shift
test_name=Saving.AsAnOrdinaryUserWhereOnlyTheFileIsWritable

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: preparing folders for another user needs root"
  exit 0
fi
group=$(id -gn nobody)
wine_path() { echo "Z:${1//\//\\}"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"
suite="$work/$(basename "$1")"
cp "$1" "$suite"
chmod 0755 "$suite"
mkdir -p "$work/home" "$work/folders/install" "$work/folders/locked" "$work/folders/empty"
chown nobody:"$group" "$work/home"
VIEWERSETTINGS_PREPARE_FOLDERS=$(wine_path "$work/folders") "$wine" "$suite" --gtest_filter=$test_name
chmod 0666 "$work/folders/install/VorelViewerSysSetting.xml"
chmod 0444 "$work/folders/locked/VorelViewerSysSetting.xml"
chmod 0755 "$work/folders/install" "$work/folders/locked" "$work/folders/empty"

output=$(setpriv --reuid=nobody --regid="$group" --clear-groups \
  env HOME="$work/home" WINEPREFIX="$work/home/wineprefix" \
  VIEWERSETTINGS_UNWRITABLE_FOLDERS="$(wine_path "$work/folders")" \
  "$wine" "$suite" --gtest_filter=$test_name 2>&1) || { echo "$output"; exit 1; }
echo "$output"
grep -q "^\[       OK \] $test_name" <<<"$output"
