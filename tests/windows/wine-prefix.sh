#!/usr/bin/env bash
# Makes the tests' Wine prefix once, then keeps a fresh Wine server running for it.
#
# Consoles started in the server that created the prefix sometimes drop typed keys, so that
# server is stopped and a new persistent one started. Wine helpers keep inherited descriptors
# open, so their output goes to files, never to a pipe someone reads to its end.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
mkdir -p "$GBCODE_WINE_HOME"
log="$GBCODE_WINE_HOME/wineboot.log"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "${wine_locale[@]}" wineboot --init > "$log" 2>&1 < /dev/null
  "${wine_locale[@]}" wineserver -w > "$log" 2>&1 < /dev/null || true
fi
"${wine_locale[@]}" wineserver -k > /dev/null 2>&1 < /dev/null || true
"${wine_locale[@]}" wineserver -p > /dev/null 2>&1 < /dev/null &
# The server is up once a trivial program runs.
"${wine_locale[@]}" wine cmd /c exit 0 > "$GBCODE_WINE_HOME/warm.log" 2>&1 < /dev/null
