# Shared shell helpers for scripts/test, scripts/run and scripts/screenshots:
# the three CMake builds and the Wine prefix (scripts/install sets up the
# machine). Source it from bash; it defines functions and variables and runs
# nothing by itself.
# shellcheck shell=bash

NUMPL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NUMPL_BUILD_ROOT=${NUMPL_BUILD_ROOT:-$NUMPL_ROOT/build}
# Two cores are shared with everything else on the machine.
NUMPL_JOBS=${NUMPL_JOBS:-2}

# shellcheck source=scripts/wine_paths.sh
source "$NUMPL_ROOT/scripts/wine_paths.sh"
NUMPL_WINE_LOCALE=ja_JP.UTF-8

numpl_log() {
  printf '[numpl] %s\n' "$*"
}

numpl_error() {
  printf '[numpl] error: %s\n' "$*" >&2
}

# numpl_build NAME [cmake options...]: configures and builds
# $NUMPL_BUILD_ROOT/NAME.
numpl_build() {
  local name=$1
  shift
  local dir=$NUMPL_BUILD_ROOT/$name
  cmake -S "$NUMPL_ROOT" -B "$dir" "$@" && cmake --build "$dir" -j "$NUMPL_JOBS"
}

# The benchmarks are built here so that their smoke run is part of the tests.
numpl_build_native() {
  numpl_build native -DCMAKE_BUILD_TYPE=Release -DNUMPL_BUILD_BENCH=ON "$@"
}

# Optimised, so that the search-heavy tests stay quick, with line tables for
# readable sanitizer reports: a report needs file and line only, and full
# debug info costs a minute of each build.
NUMPL_SANITIZE_FLAGS="-O2 -g1 -DNDEBUG"
numpl_build_sanitize() {
  numpl_build sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$NUMPL_SANITIZE_FLAGS" \
    -DNUMPL_SANITIZE=ON "$@"
}

# Threads are what it checks; optimised as the sanitizer build is.
numpl_build_tsan() {
  numpl_build tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$NUMPL_SANITIZE_FLAGS" \
    -DNUMPL_SANITIZE_THREAD=ON "$@"
}

numpl_build_windows() {
  numpl_build windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NUMPL_ROOT/cmake/mingw-w64-x86_64.cmake" "$@"
}

# The version that project() in CMakeLists.txt sets, e.g. 1.1.0: read from
# the file itself, so that it needs no build.
numpl_project_version() {
  sed -n 's/^project(numpl VERSION \([0-9][0-9.]*\)[ )].*/\1/p' "$NUMPL_ROOT/CMakeLists.txt"
}

# Exports what every wine call of ours needs: the prefix inside the Windows
# build folder, no debug chatter, and the Japanese locale. Without mscoree and
# mshtml, creating the prefix does not offer to install Mono and Gecko, whose
# dialogs would wait for a click that never comes.
numpl_wine_env() {
  if ! numpl_find_wine; then
    numpl_error "no 64-bit Wine found: run scripts/install, or set NUMPL_WINE and NUMPL_WINESERVER"
    return 1
  fi
  export WINEPREFIX="$NUMPL_BUILD_ROOT/windows/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset LC_ALL LC_CTYPE LC_MESSAGES LC_COLLATE LC_NUMERIC LC_TIME LC_MONETARY LANGUAGE
  export LANG=$NUMPL_WINE_LOCALE
  # cmake/wine-run reads this one.
  export NUMPL_WINE_LANG=$NUMPL_WINE_LOCALE
}

# Creates the Wine prefix unless it exists (about 10 s the first time) and
# waits until wineboot's background work is done, so that the first test does
# not race with it.
numpl_wine_prefix() {
  numpl_wine_env || return 1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    numpl_log "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX" || return 1
    "$NUMPL_WINE" wineboot --init </dev/null || {
      numpl_error "wineboot failed"
      return 1
    }
  fi
  # A crashing program normally gets winedbg attached, and when winedbg lets
  # go the program sometimes ends with exit code 0: a crashed test would pass.
  # With a debugger that cannot start, Wine ends the program with the
  # exception code (0xC0000005 shows as exit status 5), every time.
  if ! grep -q '"Debugger"="numpl-no-debugger.exe"' "$WINEPREFIX/system.reg" 2>/dev/null; then
    "$NUMPL_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /t REG_SZ /d numpl-no-debugger.exe /f </dev/null >/dev/null
  fi
  # Waits for the server to write the registry and quit.
  "$NUMPL_WINESERVER" -w
  grep -q '"Debugger"="numpl-no-debugger.exe"' "$WINEPREFIX/system.reg" 2>/dev/null || {
    numpl_error "could not set up the Wine prefix $WINEPREFIX"
    return 1
  }
}

# Starts a wineserver that stays up until numpl_wine_stop, with Wine's
# service processes already running. Debian's wine otherwise starts a server
# and the services for every program and tears them down after it, about 3 s
# each time. The services are started here with their standard streams on
# /dev/null: started by the first test instead, they would inherit its output
# pipe and hold it open, and CTest would wait on it until its timeout.
numpl_wine_start() {
  numpl_wine_prefix || return 1
  "$NUMPL_WINESERVER" -p || return 1
  "$NUMPL_WINE" wineboot </dev/null >/dev/null 2>&1
}

# Ends every process of our prefix and its server.
numpl_wine_stop() {
  "$NUMPL_WINESERVER" -k 2>/dev/null
  "$NUMPL_WINESERVER" -w 2>/dev/null
  return 0
}

# Runs a command in a fresh virtual X server of 24-bit colour, whatever DISPLAY
# says. xvfb-run is a POSIX shell script that drops exported bash functions,
# so a `bash -c` command given here sources this file again itself.
numpl_xvfb() {
  export NUMPL_ROOT NUMPL_BUILD_ROOT NUMPL_JOBS
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
}
