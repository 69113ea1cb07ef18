# Sourced by the Wine test scripts: the prefix, locale and quiet logging they all share.
: "${GBCODE_WINE_HOME:=${TMPDIR:-/tmp}/gbcode-wine-$(id -u)}"
if [ ! -d "$GBCODE_WINE_HOME/locale/zh_CN.UTF-8" ]; then
  mkdir -p "$GBCODE_WINE_HOME/locale"
  cp -r /usr/lib/locale/C.utf8 "$GBCODE_WINE_HOME/locale/zh_CN.UTF-8"
fi
# Given to Wine processes only: this shell cannot load that locale itself.
wine_locale=(env "LOCPATH=$GBCODE_WINE_HOME/locale" LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8)
export WINEPREFIX="${WINEPREFIX:-$GBCODE_WINE_HOME/prefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers
