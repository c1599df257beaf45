#!/usr/bin/env bash
# The shared library exports exactly the names of the export list, nothing of its internals.
set -euo pipefail
library=$1
def_file=$2
expected=$(grep -vE '^\s*(;|LIBRARY|EXPORTS|$)' "$def_file" | awk '{print $1}' | sort)
actual=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TWVDBRi]$/ {print $3}' | sed 's/@.*//' | sort)
if [ "$expected" != "$actual" ]; then
  echo "exports differ from $def_file (< expected, > exported):"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "exports match: $(echo "$expected" | wc -l) names"
