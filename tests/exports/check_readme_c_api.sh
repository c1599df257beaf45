#!/usr/bin/env bash
# The README's table of the C interface lists exactly the functions that ViewerSettingsC.h
# declares, and the export list has every one of them.
set -euo pipefail
readme=$1
header=$2
def_file=$3
declared=$(sed -n 's/^VIEWERSETTINGS_API [a-z0-9_]* \(XML[A-Za-z]*\)(.*/\1/p' "$header" | sort)
exported=$(grep -vE '^\s*(;|LIBRARY|EXPORTS|$)' "$def_file" | awk '{print $1}' | sort)
missing=$(comm -23 <(echo "$declared") <(echo "$exported"))
if [ -n "$missing" ]; then
  echo "declared in $header but not in $def_file: $missing"
  exit 1
fi
# The rows of the table under the heading of the C interface, up to the next heading.
listed=$(sed -n '/^### The C interface at a glance/,/^#/p' "$readme" |
  sed -n 's/^| `\([A-Za-z]*\)(.*/\1/p' | sort)
if [ "$declared" != "$listed" ]; then
  echo "the README's table of the C interface and $header differ (< declared, > in the README):"
  diff <(echo "$declared") <(echo "$listed") || true
  exit 1
fi
echo "README lists all $(echo "$declared" | wc -l) functions of the C interface"
