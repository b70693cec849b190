# Shell helpers of scripts/run and scripts/screenshots: build the Windows
# program and its remote control, start it under Wine, take pictures of its
# window and close it. Source it after setup.sh; it runs nothing by itself.
# shellcheck shell=bash

NUMPL_UI_BIN=$NUMPL_BUILD_ROOT/windows/src/ui
NUMPL_REMOTE=$NUMPL_BUILD_ROOT/windows/tools/numpl_remote.exe
# Packages, locale, Wine prefix and the two programs. Builds in the same
# folder as the Windows tests, with the same settings, but only the targets
# needed here.
numpl_ui_prepare() {
  # ImageMagick's import takes the pictures in the virtual X server.
  bash "$NUMPL_ROOT/scripts/install" --ui || return 1
  local dir=$NUMPL_BUILD_ROOT/windows
  numpl_log "building numpl.exe in $dir"
  cmake -S "$NUMPL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NUMPL_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null || return 1
  cmake --build "$dir" -j "$NUMPL_JOBS" --target numpl numpl_remote || return 1
  numpl_wine_prefix
}

numpl_display_reachable() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Starts numpl.exe in the background (NUMPL_UI_PID) on a running Wine
# server. The virtual X server has no window manager, so Wine draws the
# window frames itself (Managed=N); that also spares the 2 s that Wine
# otherwise waits for a manager when the window closes.
numpl_ui_start() {
  numpl_wine_start || return 1
  "$NUMPL_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  "$NUMPL_WINE" "$NUMPL_UI_BIN/numpl.exe" </dev/null >/dev/null 2>&1 &
  NUMPL_UI_PID=$!
}

# numpl_ui_snapshot FILE: saves the frame window, and only it, as a PNG.
numpl_ui_snapshot() {
  local file=$1 geometry
  geometry=$("$NUMPL_WINE" "$NUMPL_REMOTE" rect | tr -d '\r') || return 1
  mkdir -p "$(dirname "$file")"
  import -window root -crop "$geometry" +repage "$file"
}

# Closes the window as the close box does and checks that the program ends
# with exit code 0.
numpl_ui_stop() {
  local status=0
  "$NUMPL_WINE" "$NUMPL_REMOTE" close || status=1
  wait "$NUMPL_UI_PID" || {
    numpl_error "numpl.exe ended with exit code $?"
    status=1
  }
  numpl_wine_stop
  return "$status"
}
