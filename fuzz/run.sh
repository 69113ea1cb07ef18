#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (default 60) over a copy of its seed corpus. A crash or a
# sanitizer report fails the run; the input that caused it is kept in fuzz/crashes/ and
# belongs in the seed corpus, as a regression test, once fixed.
#
#   fuzz/run.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$here/crashes"
for target in listing terminal_input; do
  cp -r "$here/corpus/$target" "$work/$target"
  echo "== ${target}_fuzzer, ${seconds} s"
  status=0
  "$build/fuzz/${target}_fuzzer" "$work/$target" -max_total_time="$seconds" \
    -artifact_prefix="$here/crashes/${target}-" -print_final_stats=1 > "$work/log" 2>&1 ||
    status=$?
  grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|==[0-9]+==|SUMMARY)' \
    "$work/log" || true
  if [ "$status" != 0 ]; then
    tail -40 "$work/log"
    echo "${target}_fuzzer failed"
    exit 1
  fi
done
rmdir "$here/crashes" 2> /dev/null || true
