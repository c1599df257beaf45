#!/usr/bin/env bash
# The C host needs the settings library and the C runtime only: no C++ runtime of its own.
set -euo pipefail
objdump=$1
host=$2
library=$3
needed=$("$objdump" -p "$host" | sed -n 's/^\s*\(DLL Name:\|NEEDED\)\s*//p')
echo "$needed" | grep -qx "$library" || { echo "$host does not import $library:"; echo "$needed"; exit 1; }
if echo "$needed" | grep -Ei 'stdc\+\+|libgcc_s|c\+\+'; then
  echo "$host imports a C++ runtime"
  exit 1
fi
echo "$host imports: $(echo $needed)"
