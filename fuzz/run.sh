#!/usr/bin/env bash
# Builds the fuzzers and runs both at once (one per core) on top of the committed seed corpus.
#   fuzz/run.sh BUILD_DIR SECONDS [--smoke]
# Each target runs for SECONDS. Normally the corpus grows in BUILD_DIR/corpus/<target> from one
# run to the next; with --smoke each run starts from a scratch copy of the seeds. The committed
# corpus is only ever read. An input that fails is kept in BUILD_DIR/artifacts/.
set -euo pipefail

build=$1
seconds=$2
smoke=false
[ "${3:-}" = --smoke ] && smoke=true
here=$(cd "$(dirname "$0")" && pwd)
targets=(xml_engine settings_api)

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

# The settings files are larger than the engine's inputs, and each of them costs some hundred
# calls.
declare -A max_len=([xml_engine]=4096 [settings_api]=12288)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
  if $smoke; then
    corpus=$work/corpus-$target
  else
    corpus=$build/corpus/$target
  fi
  mkdir -p "$corpus"
  cp -n "$here/corpus/$target"/* "$corpus"/
  echo "fuzzing $target for ${seconds}s"
  UBSAN_OPTIONS=print_stacktrace=1 "$build/${target}_fuzzer" "$corpus" \
    -dict="$here/$target.dict" -max_len="${max_len[$target]}" -max_total_time="$seconds" \
    -timeout=30 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    >"$work/$target.log" 2>&1 &
  echo $! >"$work/$target.pid"
done

failed=0
for target in "${targets[@]}"; do
  if wait "$(cat "$work/$target.pid")"; then
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
    coverage=$(grep -o 'cov: [0-9]*' "$work/$target.log" | tail -1 | cut -d' ' -f2)
    echo "$target: $executions executions, $coverage coverage points, no failure"
  else
    failed=1
    echo "$target FAILED; its report:"
    sed -n '/ERROR: \|^\*\*\* [A-Za-z]/,$p' "$work/$target.log" | head -40
    grep -E '^SUMMARY|Test unit written to' "$work/$target.log"
  fi
done
exit $failed
