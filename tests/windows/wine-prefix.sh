#!/usr/bin/env bash
# Makes the tests' Wine prefix once, then keeps a fresh Wine server running for it. With
# --stop (the tests' cleanup) stops that server, and with it every Wine process of the prefix,
# removes its socket folder, and fails if any process is left.
#
# Consoles started in the server that created the prefix sometimes drop typed keys, so that
# server is stopped and a new persistent one started. Wine helpers keep inherited descriptors
# open, so their output goes to files, never to a pipe someone reads to its end. Every wait
# here is for a state (a server gone, a program ended), never for a fixed time: a first start
# on a fresh prefix takes what it takes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

# The Wine processes of this prefix (its server, Wine's helpers and the tests' programs): Wine
# executables whose environment names the prefix.
prefix_processes() {
  local environ pid
  for environ in $(grep -lxzF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2> /dev/null); do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    case $(readlink "/proc/$pid/exe" 2> /dev/null) in *wine*) echo "$pid" ;; esac
  done
}

if [ "${1:-}" = --stop ]; then
  [ -d "$WINEPREFIX" ] || exit 0
  "${wine_environment[@]}" wineserver -k > /dev/null 2>&1 < /dev/null || true
  "${wine_environment[@]}" wineserver -w > /dev/null 2>&1 < /dev/null || true
  for ((i = 0; i < 100; i++)); do  # the server's children may take a moment to go
    left=$(prefix_processes)
    # The server's socket folder goes with it; a new server makes a new one.
    [ -z "$left" ] && { rm -rf "$GBCODE_WINE_HOME"/tmp/wine-*; exit 0; }
    sleep 0.1
  done
  echo "FAIL: Wine processes of $WINEPREFIX left running:"
  for pid in $left; do echo "  $pid $(tr '\0' ' ' < "/proc/$pid/cmdline" 2> /dev/null)"; done
  exit 1
fi

mkdir -p "$GBCODE_WINE_HOME"
log="$GBCODE_WINE_HOME/wineboot.log"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "${wine_environment[@]}" wineboot --init > "$log" 2>&1 < /dev/null
  "${wine_environment[@]}" wineserver -w > "$log" 2>&1 < /dev/null || true
fi
"${wine_environment[@]}" wineserver -k > /dev/null 2>&1 < /dev/null || true
"${wine_environment[@]}" wineserver -w > /dev/null 2>&1 < /dev/null || true
"${wine_environment[@]}" wineserver -p > /dev/null 2>&1 < /dev/null &
# The server is up once a trivial program runs.
"${wine_environment[@]}" wine cmd /c exit 0 > "$GBCODE_WINE_HOME/warm.log" 2>&1 < /dev/null
