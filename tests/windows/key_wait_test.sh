#!/usr/bin/env bash
# gbcode.exe's key wait under Wine, in Wine's console inside a tmux pane, run from a batch
# file so that cmd shows each exit status and the console's state after each wait:
# - a character typed at the wait is taken whole: the line cmd reads next has nothing of it;
# - its code is its first byte in the console's code page, or in code page 936 with --utf8,
#   whatever the console's, where it has an exact pair there; the wait never changes the
#   code page.
set -uo pipefail
gbcode=$1
source "$(dirname "$0")/wine-console.sh"
# A token and Enter for the listing, then, once the listing shows, the key.
token_then_key() { type_text ab; press Enter; screen_shows 6162 && type_text "$1"; }

printf '@echo off\r\n%s\r\necho first [%%ERRORLEVEL%%]\r\nset /p LINE=\r\necho line [%%LINE%%]\r\n' \
  "$program" > "$work/keys.bat"
printf 'chcp 65001\r\n%s\r\necho second [%%ERRORLEVEL%%]\r\n' "$program" >> "$work/keys.bat"
printf '%s --utf8\r\necho %s [%%ERRORLEVEL%%]\r\n' "$program" third "$program" fourth \
  >> "$work/keys.bat"
printf 'chcp\r\n' >> "$work/keys.bat"
new_pane "$here/wine-run.sh cmd /c $work/keys.bat; sleep 600"
wait_for_console || { fail "Wine's console never took the terminal"; finish; exit; }

token_then_key 汉
expect "han in code page 936 gives 186" 'first [186]'
type_text x
tmux -S "$socket" send-keys -t case Enter
expect "nothing of it is left for the next reader" 'line [x]'
token_then_key 汉
expect "han in code page 65001 gives 230" 'second [230]'
token_then_key 汉
expect "han with --utf8 in code page 65001 gives 186" 'third [186]'
# Exact pairs only: Windows' best-fit conversion would give the yen sign as A3 A4.
token_then_key ¥
expect "the yen sign, without a GBK pair, gives 63 with --utf8" 'fourth [63]'
# chcp shows the code page twice: once set before the waits, once after them.
for ((i = 0; i < 200; i++)); do [ "$(screen | grep -c 65001)" = 2 ] && break; sleep 0.05; done
if [ "$i" -lt 200 ]; then echo "ok   the code page stays 65001"; else fail "the code page changed"; fi

echo "$failures failed"
[ "$failures" = 0 ]
