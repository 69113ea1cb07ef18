#!/usr/bin/env bash
# gbcode.exe --utf8 under Wine in a console whose code page is not 936: Wine's terminal
# console inside a tmux pane, where the console's UTF-16 text shows as the pane's UTF-8. The
# prompt and the listing must show as Chinese, and typed Chinese must list its GBK codes, in
# code page 437 and 65001 alike. Each case runs cmd, which sets the code page with chcp, runs
# gbcode, then shows its exit status and the code page (chcp), which must be the same.
set -uo pipefail
gbcode=$1
source "$(dirname "$0")/wine-console.sh"

# utf8_case CODE-PAGE KEYS LINE...: presses KEYS (tmux key names or text, split at spaces) and
# Enter at the prompt, expects each LINE (the pair as shown, two spaces, its hex) on the
# screen, then ends the wait with Enter.
utf8_case() {
  local code_page=$1 keys
  read -ra keys <<< "$2"
  shift 2
  case_name="code page $code_page: ${keys[*]} lists $*"
  printf '@echo off\r\nchcp %s > nul\r\n%s --utf8\r\necho status [%%ERRORLEVEL%%]\r\nchcp\r\n' \
    "$code_page" "$program" > "$work/case.bat"
  new_pane "$here/wine-run.sh cmd /c $work/case.bat; sleep 600"
  wait_for_console || { fail "Wine's console never took the terminal"; return; }
  screen_shows '输入汉字：' || { fail "the prompt is not shown as Chinese"; return; }
  tmux -S "$socket" send-keys -t case "${keys[@]}" Enter
  for line in "$@"; do screen_shows "$line" || { fail "no line '$line'"; return; }; done
  tmux -S "$socket" send-keys -t case Enter
  if ! screen_shows 'status [13]'; then fail "no status 13"
  elif ! screen_shows ": $code_page"; then fail "the console left code page $code_page"
  else echo "ok   $case_name"; fi
}

utf8_case 437 '汉字' '汉  baba' '字  d7d6'
utf8_case 65001 '汉字' '汉  baba' '字  d7d6'
# U+E000, the first of the user-defined area, is AA A1 and shows as itself again.
utf8_case 437 $'\xee\x80\x80汉' $'\xee\x80\x80  aaa1' '汉  baba'
# A character beyond U+FFFF comes as a surrogate pair, read as one character; it has no GBK
# code and lists as ?, with a word on standard error.
utf8_case 437 $'\xf0\x9f\x98\x80' '3f0' 'U+1F600 has no GBK code'
# A control byte typed (Ctrl+], 1D) shows as its control picture, not as itself.
utf8_case 437 'a C-] b' $'a\xe2\x90\x9d  611d'
# As in the text mode: Ctrl+Z ends the line's data, the token goes on with the next line.
utf8_case 65001 'ab C-z Enter cd' 'ab  6162' 'cd  6364'

echo "$failures failed"
[ "$failures" = 0 ]
