#!/usr/bin/env bash
# Runs a Windows program under Wine in the tests' own prefix, in code page 936.
#
# Wine takes its code page from the locale's name, and this machine may have no Chinese
# locale, so a copy of C.UTF-8 is named zh_CN.UTF-8 in a private LOCPATH. Every Wine process
# of a prefix must run in the same locale: Wine rewrites the prefix's settings when it changes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
exec "${wine_environment[@]}" wine "$@"
