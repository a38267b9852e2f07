# Shared by the scripts that run the Windows program under wine on a private X
# display (with x-session.sh): a wine prefix of their own, copied from the
# build's test prefix, with the program installed at C:\Brennic, and a wine
# server that is stopped again whatever happens.
# shellcheck shell=bash

# Copies the prefix $1 to $2, exports WINEPREFIX and the quiet wine settings of
# the build, and installs the program file $3 with the help page beside it.
ws_prepare() {
  local template=$1 prefix=$2 program=$3
  cp -a "$template" "$prefix"
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  # The tests' offscreen setting must not reach the program, which is drawn by
  # the Windows platform on the display.
  unset QT_QPA_PLATFORM QT_QPA_FONTDIR
  mkdir -p "$prefix/drive_c/Brennic"
  cp "$program" "$prefix/drive_c/Brennic/brennic.exe"
  cp "$(dirname "$program")/BrennicHelp.html" "$prefix/drive_c/Brennic/"
  # shellcheck disable=SC2034 # for the scripts that source this file
  WS_PROGRAM_DIR="$prefix/drive_c/Brennic"
  wineserver --persistent
  wine wineboot </dev/null >/dev/null 2>&1
}

# Ends the prefix's wine server and every program still running on it.
ws_cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver --kill 2>/dev/null || true
  fi
}
