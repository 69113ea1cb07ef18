# Sourced by the Wine test scripts: the prefix, locale, temporary folder and quiet logging they
# all share.
#
# The prefix is the build directory's own (CTest names it in GBCODE_BUILD_WINE_HOME), or the one
# under GBCODE_WINE_HOME where that is set; a script run by hand outside CTest falls back to one
# under $TMPDIR. A WINEPREFIX inherited from the caller is never used: the tests start and stop
# Wine servers, and must touch no one else's.
: "${GBCODE_WINE_HOME:=${GBCODE_BUILD_WINE_HOME:-${TMPDIR:-/tmp}/gbcode-wine-$(id -u)}}"
export GBCODE_WINE_HOME
if [ ! -d "$GBCODE_WINE_HOME/locale/zh_CN.UTF-8" ]; then
  mkdir -p "$GBCODE_WINE_HOME/locale"
  cp -r /usr/lib/locale/C.utf8 "$GBCODE_WINE_HOME/locale/zh_CN.UTF-8"
fi
# Given to Wine processes only: this shell cannot load that locale itself. Wine's server makes
# its socket's folder under TMPDIR, kept here so that nothing of it is left outside the prefix.
mkdir -p "$GBCODE_WINE_HOME/tmp"
wine_environment=(env "LOCPATH=$GBCODE_WINE_HOME/locale" LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
                  "TMPDIR=$GBCODE_WINE_HOME/tmp")
export WINEPREFIX="$GBCODE_WINE_HOME/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers
