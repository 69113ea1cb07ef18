#!/usr/bin/env bash
# gbcode against its peers, as whole processes: listing a 32 MiB token to a file, to a pipe
# and to /dev/null against the hex dumpers here (basenc --base16, xxd -p) and against cat
# writing the same listing; start-up and peak memory against empty C programs linked with the
# shared and with the static C library. Prints medians of paired runs, wall and CPU time; a
# benchmark, not a test: it never fails on a number.
#
# Run it with `cmake --build --preset bench`, which builds the programs it names below.
set -euo pipefail
: "${GBCODE:?path to gbcode}" "${EMPTY_PROGRAM:?}" "${EMPTY_STATIC_PROGRAM:?}" "${PAIRED_RUNS:?}"

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
setsid "$GBCODE" < "$work/token32" > "$work/listing32" || true  # cat writes the same bytes

# The figures belong to a machine: name it, and how busy it was (others' work moves wall times
# more than CPU times).
echo "Machine: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), $(nproc) cores," \
     "$(uname -sr), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Each line: gbcode's median / the peer's, and the median of the per-pair ratios."
echo "cat copies the listing from file to file inside the kernel (copy_file_range); to a pipe"
echo "or /dev/null it reads and writes it, as gbcode writes it."
for output in "$work/out" "|" /dev/null; do
  case $output in
    "|") where="to a pipe" ;;
    /dev/null) where="to /dev/null" ;;
    *) where="to a file" ;;
  esac
  echo
  echo "== 32 MiB token, $where"
  printf '%-21s' "basenc --base16:"
  "$PAIRED_RUNS" 21 "$work/token32" "$output" -- "$GBCODE" -- basenc --base16
  if command -v xxd > /dev/null; then
    printf '%-21s' "xxd -p:"
    "$PAIRED_RUNS" 5 "$work/token32" "$output" -- "$GBCODE" -- xxd -p
  fi
  printf '%-21s' "cat, same output:"
  "$PAIRED_RUNS" 21 "$work/token32" "$output" -- "$GBCODE" -- cat "$work/listing32"
done

echo
echo "== start-up, 99-byte token, no terminal, to /dev/null"
printf '%-21s' "empty, shared libc:"
"$PAIRED_RUNS" 501 "$work/token99" /dev/null -- "$GBCODE" -- "$EMPTY_PROGRAM"
printf '%-21s' "empty, static libc:"
"$PAIRED_RUNS" 501 "$work/token99" /dev/null -- "$GBCODE" -- "$EMPTY_STATIC_PROGRAM"

echo
echo "== peak memory, 64 MiB token, to a file (only the memory: the empty programs do no work)"
printf '%-21s' "empty, shared libc:"
"$PAIRED_RUNS" 5 "$work/token64" "$work/out" -- "$GBCODE" -- "$EMPTY_PROGRAM" | sed 's/.*peak/peak/'
printf '%-21s' "empty, static libc:"
"$PAIRED_RUNS" 5 "$work/token64" "$work/out" -- "$GBCODE" -- "$EMPTY_STATIC_PROGRAM" | sed 's/.*peak/peak/'

echo
echo "== the line maker over in-memory buffers"
if [ -n "${LISTING_BENCHMARK:-}" ]; then
  "$LISTING_BENCHMARK" --benchmark_min_time=0.3 2>&1 | grep -E 'Benchmark|bytes|----'
else
  echo "skipped: Google Benchmark was not found when build/ was configured"
  echo "(apt-get install libbenchmark-dev, then cmake --preset default again)"
fi
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
