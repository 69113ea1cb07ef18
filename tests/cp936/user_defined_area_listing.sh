#!/usr/bin/env bash
# In --utf8 mode, characters of the Private Use Area read from a pipe list as the pairs of
# code page 936's user-defined area they stand for, shown as the same characters again, with
# nothing said on standard error: U+E000 is AA A1, U+E4C5 is FE FE.
set -uo pipefail
gbcode=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '\xe8\xbe\x93\xe5\x85\xa5\xe6\xb1\x89\xe5\xad\x97\xef\xbc\x9a\n' > "$work/expected"
printf '\t\xee\x80\x80  aaa1\n\t\xee\x93\x85  fefe\n' >> "$work/expected"
printf '\xee\x80\x80\xee\x93\x85\n' | setsid -w "$gbcode" --utf8 > "$work/out" 2> "$work/err"
status=$?
cmp "$work/expected" "$work/out" || { od -An -tx1 "$work/out"; exit 1; }
[ ! -s "$work/err" ] || { cat "$work/err"; exit 1; }
[ "$status" = 255 ] || { echo "exit status $status, not 255"; exit 1; }
