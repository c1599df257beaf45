#!/usr/bin/env bash
# The .NET source and a test program, compiled with Mono's C# compiler and run against the
# library just built, which the loader finds through LD_LIBRARY_PATH.
#   dotnet.sh MCS MONO BINDING_SOURCE TEST_SOURCE LIBRARY_DIR WORK_DIR
set -euo pipefail
mcs=$1 mono=$2 binding=$3 test=$4 library_dir=$5 work=$6
rm -rf "$work"
mkdir -p "$work"
"$mcs" -warnaserror -out:"$work/StationTest.exe" "$binding" "$test"
LD_LIBRARY_PATH=$library_dir "$mono" "$work/StationTest.exe" "$work"
