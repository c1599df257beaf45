#!/usr/bin/env bash
# The DLL exports exactly the names of the export list under their plain (or, for the control
# accessors, decorated) names, is a DLL of the expected word size, and carries a version resource.
#   check_dll_exports.sh <objdump> <dll> <export list> <pei-i386 | pei-x86-64>
set -euo pipefail
objdump=$1
dll=$2
def_file=$3
format=$4
actual_format=$("$objdump" -f "$dll" | sed -n 's/.*file format //p')
if [ "$actual_format" != "$format" ]; then
  echo "$dll is $actual_format, not $format"
  exit 1
fi
expected=$(grep -vE '^\s*(;|LIBRARY|EXPORTS|$)' "$def_file" | awk '{print $1}' | sort)
actual=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)
if [ "$expected" != "$actual" ]; then
  echo "exports differ from $def_file (< expected, > exported):"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
for field in FileVersion ProductName; do
  strings -el "$dll" | grep -qx "$field" || { echo "no $field in the version resource"; exit 1; }
done
echo "$format DLL; exports match: $(echo "$expected" | wc -l) names; version resource present"
