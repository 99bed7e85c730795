#!/usr/bin/env bash
# The Wine prefix that the Windows tests of one run share.
#   wine_prefix.sh create PREFIX WINE WINESERVER   a fresh prefix, Wine's first start done
#   wine_prefix.sh remove PREFIX WINE WINESERVER   ends its Wine processes, deletes it
set -u
action=$1 prefix=$2 wine=$3 wineserver=$4
export WINEPREFIX=$prefix WINEDEBUG=-all
# No downloads or installer dialogs for the .NET and HTML engines.
export WINEDLLOVERRIDES='mscoree=;mshtml='

case $action in
  create)
    if [ -d "$prefix" ]; then
      "$wineserver" -k 2>/dev/null
      "$wineserver" -w 2>/dev/null
    fi
    rm -rf "$prefix"
    # Without a display, so that nothing can wait for a click.
    if ! env -u DISPLAY -u WAYLAND_DISPLAY timeout 300 "$wine" wineboot -i >"$prefix.log" 2>&1; then
      echo "FAIL: Wine could not set up $prefix:"
      grep -v '^ALSA' "$prefix.log" | tail -n 20
      exit 1
    fi
    "$wineserver" -w
    rm -f "$prefix.log"
    ;;
  remove)
    if [ -d "$prefix" ]; then
      "$wineserver" -k 2>/dev/null
      "$wineserver" -w 2>/dev/null
    fi
    rm -rf "$prefix"
    ;;
  *)
    echo "usage: wine_prefix.sh create|remove PREFIX WINE WINESERVER" >&2
    exit 2
    ;;
esac
exit 0
