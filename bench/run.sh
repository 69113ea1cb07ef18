#!/usr/bin/env bash
# gbcode against its peers, as whole processes: listing a 32 MiB token to a file against the
# fastest hex dumper here (basenc --base16) and against cat writing as many bytes, a start-up
# against an empty C program, and peak memory on a 64 MiB token. Prints ratios; a benchmark,
# not a test: it never fails on a number.
#
# Run it with `cmake --build --preset bench`, which builds the programs it names below.
set -euo pipefail
: "${GBCODE:?path to gbcode}" "${EMPTY_PROGRAM:?}" "${PAIRED_RUNS:?}"

if ! command -v hyperfine >/dev/null && [ "$(id -u)" = 0 ]; then
  apt-get install -y -qq hyperfine >/dev/null 2>&1 || true
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Random bytes with no blank among them, zero bytes included: one token of the exact size.
make_token() {  # the first head ends by SIGPIPE, by design
  set +o pipefail
  head -c $(($1 * 5 / 4)) /dev/urandom | tr -d '\t\n\v\f\r ' | head -c "$1" > "$2"
}
make_token $((32 << 20)) "$work/token32"
make_token $((64 << 20)) "$work/token64"
head -c 99 "$work/token32" > "$work/token99"
setsid "$GBCODE" < "$work/token32" > "$work/listing32" || true  # cat writes as many bytes

echo "== whole process, 32 MiB token, output to a file (hyperfine)"
if command -v hyperfine >/dev/null; then
  peers=("basenc --base16 < $work/token32 > $work/out" "cat $work/listing32 > $work/out")
  command -v xxd >/dev/null && peers+=("xxd -p < $work/token32 > $work/out")
  hyperfine -i -w 3 -r 20 --prepare "rm -f $work/out" \
    "setsid $GBCODE < $work/token32 > $work/out" "${peers[@]}" 2>&1 | grep -E 'Benchmark|Time'
else
  echo "(hyperfine is not installed)"
fi

echo
echo "== ratios: medians of paired runs (gbcode first; peak memory: median peak resident set)"
printf '%-44s' "throughput vs basenc --base16 (target 0.8):"
"$PAIRED_RUNS" 21 "$work/token32" "$work/out" -- "$GBCODE" -- basenc --base16
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  printf '%-44s' "  the same, output on tmpfs (/dev/shm):"
  "$PAIRED_RUNS" 21 "$work/token32" /dev/shm/gbcode-bench-out -- "$GBCODE" -- basenc --base16
  rm -f /dev/shm/gbcode-bench-out
fi
printf '%-44s' "throughput vs cat, same output (target 1.5):"
"$PAIRED_RUNS" 21 "$work/token32" "$work/out" -- "$GBCODE" -- cat "$work/listing32"
printf '%-44s' "start-up, 99-byte token (target 1.10):"
"$PAIRED_RUNS" 501 "$work/token99" /dev/null -- "$GBCODE" -- "$EMPTY_PROGRAM"
printf '%-44s' "peak memory, 64 MiB token (target 1.5):"
"$PAIRED_RUNS" 3 "$work/token64" "$work/out" -- "$GBCODE" -- "$EMPTY_PROGRAM"

if [ -n "${LISTING_BENCHMARK:-}" ]; then
  echo
  echo "== the listing core over in-memory buffers"
  "$LISTING_BENCHMARK" --benchmark_min_time=0.3 2>&1 | grep -E 'Benchmark|bytes|----'
fi
