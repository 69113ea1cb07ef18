#!/usr/bin/env bash
# gbcode.exe's key wait under Wine, in Wine's console inside a tmux pane, run from a batch
# file so that cmd shows each exit status and the console's state after each wait:
# - a character typed at the wait is taken whole: the line cmd reads next has nothing of it;
# - its code is its first byte in the console's code page, or in code page 936 with --utf8,
#   whatever the console's; the wait never changes the code page.
set -uo pipefail
gbcode=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
work=$(mktemp -d)
socket="gbcode-wine-keys-$$"
trap 'tmux -L "$socket" kill-server 2> /dev/null; rm -rf "$work"' EXIT
failures=0

screen() { tmux -L "$socket" capture-pane -p -S - -t case; }
fail() { echo "FAIL $1"; screen | sed 's/^/  | /' | head -30; failures=$((failures + 1)); }
type_text() { tmux -L "$socket" send-keys -t case -l "$1"; }
screen_shows() {
  for ((i = 0; i < 200; i++)); do
    screen | grep -qF -- "$1" && return 0
    sleep 0.05
  done
  return 1
}
# expect NAME TEXT: the screen shows TEXT within ten seconds.
expect() { if screen_shows "$2"; then echo "ok   $1"; else fail "$1: no '$2'"; fi; }
# A token and Enter for the listing, then, once the listing shows, the key.
token_then_key() { type_text ab; tmux -L "$socket" send-keys -t case Enter; screen_shows 6162 && type_text "$1"; }

program=$("${wine_locale[@]}" winepath -w "$gbcode" 2> /dev/null)
printf '@echo off\r\n%s\r\necho first [%%ERRORLEVEL%%]\r\nset /p LINE=\r\necho line [%%LINE%%]\r\n' \
  "$program" > "$work/keys.bat"
printf 'chcp 65001\r\n%s\r\necho second [%%ERRORLEVEL%%]\r\n%s --utf8\r\necho third [%%ERRORLEVEL%%]\r\nchcp\r\n' \
  "$program" "$program" >> "$work/keys.bat"
tmux -L "$socket" -f /dev/null new-session -d -s case -x 100 -y 30 \
  "$here/wine-run.sh cmd /c $work/keys.bat; sleep 600"
# Wine's console drops keys typed before it has the terminal: wait until it is out of
# canonical mode, and turn the terminal's signal keys off as a console has none.
tty=$(tmux -L "$socket" display -p -t case '#{pane_tty}')
for ((i = 0; i < 300; i++)); do
  stty -F "$tty" -a 2> /dev/null | grep -q -- '-icanon' && break
  sleep 0.05
done
stty -F "$tty" -isig

token_then_key 汉
expect "han in code page 936 gives 186" 'first [186]'
type_text x
tmux -L "$socket" send-keys -t case Enter
expect "nothing of it is left for the next reader" 'line [x]'
token_then_key 汉
expect "han in code page 65001 gives 230" 'second [230]'
token_then_key 汉
expect "han with --utf8 in code page 65001 gives 186" 'third [186]'
# chcp shows the code page twice: once set before the waits, once after them.
for ((i = 0; i < 200; i++)); do [ "$(screen | grep -c 65001)" = 2 ] && break; sleep 0.05; done
if [ "$i" -lt 200 ]; then echo "ok   the code page stays 65001"; else fail "the code page changed"; fi

echo "$failures failed"
[ "$failures" = 0 ]
