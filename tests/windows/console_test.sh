#!/usr/bin/env bash
# gbcode.exe under Wine in a console: Wine's terminal console inside a tmux pane of fixed size.
# Keys are typed with tmux; the pane's screen and a status file are polled with deadlines.
#
# Wine facts the cases rely on:
# - keys typed before the program's first console read are dropped, so each case waits until
#   Wine has put the pane's terminal out of canonical mode before typing;
# - Wine's console turns a lone Esc into a key event without a character, which the wait
#   rightly ignores; ESC ESC arrives as the Esc key with character 27;
# - Wine leaves the terminal's signal keys on, so a 0x03 byte would be the terminal's SIGINT
#   before Wine saw it; each case turns them off (stty -isig), as a console has none. Then Wine
#   drops a plain 0x03, while ESC 0x03 arrives as a key with character 3; Wine makes that a
#   Ctrl+C event only if processed input were still on, so the case also checks that the
#   wait's mode is 0;
# - with standard input redirected Wine reads no keys at all, so that case only checks that
#   the wait blocks;
# - cursor keys arrive without the enhanced flag, so their codes are left to the unit tests;
# - program output shows as Latin-1 on the pane, so only the hex fields are checked there.
set -uo pipefail
gbcode=$1
source "$(dirname "$0")/wine-console.sh"

# start_case NAME COMMAND...: runs the command in a new pane, recording its exit status, and
# waits until Wine's console has the terminal (unless KEYBOARD=none).
start_case() {
  case_name=$1
  shift
  rm -f "$work/status"
  printf '%q ' "$@" > "$work/command"
  printf '%s; echo $? > %q; sleep 600\n' "$(cat "$work/command")" "$work/status" > "$work/case.sh"
  new_pane "bash $work/case.sh"
  [ "${KEYBOARD:-}" = none ] && return 0
  wait_for_console || { fail "Wine's console never took the terminal"; return 1; }
}

# exit_status: the status file's value once it is written, or "running" after ten seconds.
exit_status() {
  for ((i = 0; i < 200; i++)); do
    [ -s "$work/status" ] && { cat "$work/status"; return; }
    sleep 0.05
  done
  echo running
}

expect_status() {
  local status
  status=$(exit_status)
  if [ "$status" = "$1" ]; then echo "ok   $case_name"; else fail "exit status $status, not $1"; fi
}

still_waiting_after() {
  sleep "$1"
  [ ! -s "$work/status" ]
}

# Cases ----------------------------------------------------------------------------------

key_case() {  # key_case NAME CODE how-to-press...
  local name=$1 code=$2
  shift 2
  start_case "$name" "$here/wine-run.sh" "$gbcode" || return
  type_text '汉字'
  press Enter
  screen_shows 'd7d6' || { fail "no listing"; return; }
  "$@"
  expect_status "$code"
}

start_case "the prompt shows before anything is typed" "$here/wine-run.sh" "$gbcode" && {
  for ((i = 0; i < 100; i++)); do
    [ "$(tmux -S "$socket" display -p -t case '#{cursor_y}')" = 1 ] && break
    sleep 0.05
  done
  if [ "$i" = 100 ]; then fail "the cursor never left the first line"; else
    type_text '汉字'
    press Enter
    if screen_shows 'baba' && screen_shows 'd7d6'; then press Enter; expect_status 13
    else fail "no listing"; fi
  fi
}

key_case "a ends the wait with 97" 97 type_text a
key_case "Esc (ESC ESC under Wine) ends it with 27" 27 press_bytes 1b 1b
key_case "Ctrl+C (ESC 0x03 under Wine) ends it with 3" 3 press_bytes 1b 03
key_case "F1 ends it with 0" 0 press F1
key_case "F12 ends it with 224" 224 press F12

start_case "the rest of the token's line does not end the wait" "$here/wine-run.sh" "$gbcode" && {
  type_text '汉字 rest'
  press Enter
  if ! screen_shows 'baba'; then fail "no listing"
  elif ! still_waiting_after 1.5; then fail "the wait ended by itself"
  else type_text k; expect_status 107; fi
}

start_case "keys typed ahead end the wait at once" "$here/wine-run.sh" "$gbcode" && {
  type_text '汉字'
  press Enter
  type_text q
  expect_status 113
}

printf '\xba\xba\xd7\xd6\r\n' > "$work/token"
KEYBOARD=none start_case "with input from a file the wait still blocks" \
  bash -c '"$0" "$1" < "$2"' "$here/wine-run.sh" "$gbcode" "$work/token" && {
  if ! screen_shows 'd7d6'; then fail "no listing"
  elif still_waiting_after 1.5; then echo "ok   $case_name"
  else fail "the wait ended without a key"; fi
}

# The console mode is only visible from a Windows parent: after the wait, cmd's set /p must
# echo what is typed and read it as a line.
printf '@echo off\r\n%s\r\necho status [%%ERRORLEVEL%%]\r\nset /p LINE=\r\necho line [%%LINE%%]\r\n' \
  "$program" > "$work/mode.bat"
start_case "the console mode is put back after the wait" "$here/wine-run.sh" cmd /c "$work/mode.bat" && {
  type_text '汉字'
  press Enter
  if ! screen_shows 'd7d6'; then fail "no listing"; else
    type_text a
    if ! screen_shows 'status [97]'; then fail "no status 97 in cmd"; else
      type_text hello
      if ! screen_shows 'hello'; then fail "typing is not echoed"; else
        press Enter
        if screen_shows 'line [hello]'; then echo "ok   $case_name"; else fail "no line read"; fi
      fi
    fi
  fi
}

finish
