# Sourced by the Windows tests: the Wine environment of a test, and the skip
# for a Wine that cannot run programs of this architecture on this machine.
#   wine_setup WINE WINESERVER PREFIX
# Exit status 77 tells CTest that the test was skipped.

wine_setup() {
  wine=$1 wineserver=$2
  # The sound devices are the test's own, through ALSA alone: never a sound
  # server that happens to run on this machine.
  export WINEPREFIX=$3 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree=;mshtml=;winepulse.drv='
  export ALSA_CONFIG_PATH=/dev/null
  # A 32-bit Wine is itself a 32-bit program: a kernel built or booted
  # without 32-bit support cannot start it at all.
  if ! "$wine" --version >/dev/null 2>&1; then
    echo "SKIP: $wine cannot run on this machine ($(uname -r) runs no programs of its architecture)"
    exit 77
  fi
  [ -d "$WINEPREFIX" ] || { echo "FAIL: no Wine prefix at $WINEPREFIX"; exit 1; }
}

# Ends every Wine process of the prefix and waits until they are gone.
wine_stop() {
  "$wineserver" -k 2>/dev/null
  "$wineserver" -w 2>/dev/null
}
