# Sourced by the tests that run gbcode.exe in Wine's console inside a tmux pane: the prefix's
# settings, a work folder, a tmux server per case, and the helpers that type, read the pane
# and count failures. Each case's name is in $case_name.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
work=$(mktemp -d)
socket="$work/tmux-0"  # in the work folder, so that no socket outlives the script
cases=0
failures=0
case_name=
trap 'tmux -S "$socket" kill-server 2> /dev/null; rm -rf "$work"' EXIT
program=$("${wine_environment[@]}" winepath -w "$gbcode" 2> /dev/null)

# new_pane COMMAND: starts COMMAND (a shell command line) in a fresh pane of 100 by 30. A
# server of its own for each case: a new one on the socket of one still exiting can fail.
new_pane() {
  tmux -S "$socket" kill-server 2> /dev/null
  cases=$((cases + 1))
  socket="$work/tmux-$cases"
  tmux -S "$socket" -f /dev/null new-session -d -s case -x 100 -y 30 "$1"
}

# wait_for_console: Wine's console drops keys typed before it has the terminal, so wait until
# it has put the pane's terminal out of canonical mode, however long a first start on a fresh
# prefix takes; fails if the pane's command ends first. Then turns the terminal's signal keys
# off, as a console has none.
wait_for_console() {
  local tty command
  tty=$(tmux -S "$socket" display -p -t case '#{pane_tty}') || return 1
  until stty -F "$tty" -a 2> /dev/null | grep -q -- '-icanon'; do
    command=$(tmux -S "$socket" display -p -t case '#{pane_current_command}' 2> /dev/null) || return 1
    [ "$command" = sleep ] && return 1  # each pane's command line ends in a sleep
    sleep 0.05
  done
  stty -F "$tty" -isig
}

screen() { tmux -S "$socket" capture-pane -p -S - -t case; }
fail() { echo "FAIL ${case_name:+$case_name: }$1"; screen | sed 's/^/  | /' | head -30; failures=$((failures + 1)); }
type_text() { tmux -S "$socket" send-keys -t case -l "$1"; }
press() { tmux -S "$socket" send-keys -t case "$@"; }
press_bytes() { tmux -S "$socket" send-keys -t case -H "$@"; }
# screen_shows TEXT: the pane shows TEXT within ten seconds.
screen_shows() {
  local i
  for ((i = 0; i < 200; i++)); do
    screen | grep -qF -- "$1" && return 0
    sleep 0.05
  done
  return 1
}
# expect NAME TEXT: the pane shows TEXT within ten seconds.
expect() { if screen_shows "$2"; then echo "ok   $1"; else fail "$1: no '$2'"; fi; }
# finish: the count of failures, and the script's status.
finish() { echo "$failures failed"; [ "$failures" = 0 ]; }
