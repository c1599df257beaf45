#!/usr/bin/env bash
# The README's table of the API lists exactly the functions of the export list.
set -euo pipefail
readme=$1
def_file=$2
expected=$(grep -vE '^\s*(;|LIBRARY|EXPORTS|$)' "$def_file" | awk '{print $1}' | grep -v '^_Z' | sort)
listed=$(sed -n 's/^| `\([A-Za-z]*\)(.*/\1/p' "$readme" | sort)
if [ "$expected" != "$listed" ]; then
  echo "the README's API table and $def_file differ (< exported, > in the README):"
  diff <(echo "$expected") <(echo "$listed") || true
  exit 1
fi
echo "README lists all $(echo "$expected" | wc -l) functions"
