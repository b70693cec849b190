# Finds the 64-bit Wine loader and its server: NUMPL_WINE and NUMPL_WINESERVER
# when the caller set them, else the first of the usual names on PATH, else
# the folders where distributions keep them off PATH (Debian's wine64 package
# puts wine64 under /usr/lib/wine). Leaves a variable empty when nothing is
# found. POSIX sh, sourced by the bash scripts and by cmake/wine-run alike.
# shellcheck shell=sh

numpl_find_program() {
  for numpl_name in "$@"; do
    case $numpl_name in
      /*) [ -x "$numpl_name" ] && { printf '%s\n' "$numpl_name"; return 0; } ;;
      *) command -v "$numpl_name" 2>/dev/null && return 0 ;;
    esac
  done
  return 1
}

: "${NUMPL_WINE:=$(numpl_find_program wine64 /usr/lib/wine/wine64 /usr/lib/x86_64-linux-gnu/wine/wine64 \
  /opt/wine-stable/bin/wine64 wine)}"
: "${NUMPL_WINESERVER:=$(numpl_find_program wineserver64 /usr/lib/wine/wineserver64 \
  /usr/lib/x86_64-linux-gnu/wine/wineserver64 /opt/wine-stable/bin/wineserver wineserver)}"
