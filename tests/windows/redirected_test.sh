#!/usr/bin/env bash
# gbcode.exe under Wine with standard input and output redirected to files and no console:
# the listing's exact bytes in the C runtime's text mode (LF written as CR LF, CR LF read as
# LF, Ctrl+Z ending redirected input for good) and exit status 255, the key wait's -1 when
# "CONIN$" cannot be opened.
set -uo pipefail
gbcode=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

prompt='\xca\xe4\xc8\xeb\xba\xba\xd7\xd6\xa3\xba\r\n'
failures=0

# check NAME INPUT LISTING [ARGUMENT]: INPUT and LISTING are printf formats; with --utf8 the
# prompt is the UTF-8 one.
check() {
  printf "$2" > "$work/in"
  if [ "${4:-}" = --utf8 ]; then
    printf '\xe8\xbe\x93\xe5\x85\xa5\xe6\xb1\x89\xe5\xad\x97\xef\xbc\x9a\r\n'"$3" > "$work/expected"
  else
    printf "$prompt$3" > "$work/expected"
  fi
  setsid -w "$here/wine-run.sh" "$gbcode" ${4:+"$4"} < "$work/in" > "$work/out" 2> /dev/null
  local status=$?
  if ! cmp -s "$work/expected" "$work/out"; then
    echo "FAIL $1: output differs"
    od -An -c "$work/out" | head -5
    failures=$((failures + 1))
  elif [ "$status" != 255 ]; then
    echo "FAIL $1: exit status $status, not 255"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

# Lines of N pairs "xx", as a printf format, for the long tokens.
pairs_of_x() { local lines=""; for ((i = 0; i < $1; i++)); do lines+='\txx  7878\r\n'; done; printf '%s' "$lines"; }

check "two Chinese characters" '\xba\xba\xd7\xd6\r\n' '\t\xba\xba  baba\r\n\t\xd7\xd6  d7d6\r\n'
check "one ASCII pair" 'ab' '\tab  6162\r\n'
check "odd byte pairs with the terminator" 'a\r\n' '\ta\x00  610\r\n'
check "ASCII shifts the pairs" 'a\xba\xba' '\ta\xba  61ba\r\n\t\xba\x00  ba0\r\n'
check "no leading zeros" '\x01\x41' '\t\x01\x41  141\r\n'
check "ideographic space is token" '\xa1\xa1' '\t\xa1\xa1  a1a1\r\n'
check "blanks and empty lines first" '  \r\n\t\r\n\xba\xba \xd7\xd6\r\n' '\t\xba\xba  baba\r\n'
check "CR LF ends the token" 'ab\r\ncd\r\n' '\tab  6162\r\n'
check "zero bytes are listed" 'a\x00b' '\ta\x00  610\r\n\tb\x00  620\r\n'
check "Ctrl+Z inside the token ends the input" 'ab\x1acd\r\n' '\tab  6162\r\n'
check "Ctrl+Z before any token" '  \x1a\xba\xba\r\n' ''
check "Ctrl+Z after a blank line" '\r\n\x1a ab' ''
check "empty input" '' ''
check "a token of 600 bytes" "$(printf 'x%.0s' {1..600})\r\n" "$(pairs_of_x 300)"
check "a token of 701 bytes" "$(printf 'x%.0s' {1..701})" "$(pairs_of_x 350)"'\tx\x00  780\r\n'
check "UTF-8 in, GBK codes out" '\xe6\xb1\x89\xe5\xad\x97\r\n' \
  '\t\xe6\xb1\x89  baba\r\n\t\xe5\xad\x97  d7d6\r\n' --utf8
check "UTF-8 with ASCII shifting the pairs" 'a\xe6\xb1\x89' \
  '\ta\xef\xbf\xbd  61ba\r\n\t\xef\xbf\xbd\x00  ba0\r\n' --utf8
check "a token of 200000 bytes" "$(printf 'x%.0s' {1..200000})" "$(pairs_of_x 100000)"

echo "$failures failed"
[ "$failures" = 0 ]
