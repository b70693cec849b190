# Finds the 64-bit Wine loader and its server: NUMPL_WINE and NUMPL_WINESERVER
# when the caller set them, else the first of the usual names on PATH, else
# the folders where distributions keep them off PATH (Debian's wine64 package
# puts wine64 under /usr/lib/wine; NUMPL_WINE_DIRS replaces that list). POSIX
# sh, sourced by the bash scripts and by cmake/wine-run alike.
#
# Sourcing defines functions only. The look-up runs when numpl_find_wine is
# called: the scripts source this before scripts/install has had a chance to
# put Wine on the machine, and a look-up made then would stay empty.
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

# Candidates named NAME in every folder of NUMPL_WINE_DIRS, one a word.
numpl_wine_candidates() {
  for numpl_dir in ${NUMPL_WINE_DIRS:-/usr/lib/wine /usr/lib/x86_64-linux-gnu/wine /opt/wine-stable/bin}; do
    printf '%s/%s ' "$numpl_dir" "$1"
  done
}

# Fills in NUMPL_WINE and NUMPL_WINESERVER where they are empty; leaves a
# variable empty when nothing is found. Returns 1 unless both are known.
numpl_find_wine() {
  # shellcheck disable=SC2046 # the candidates are words on purpose
  : "${NUMPL_WINE:=$(numpl_find_program wine64 $(numpl_wine_candidates wine64) wine)}"
  # shellcheck disable=SC2046
  : "${NUMPL_WINESERVER:=$(numpl_find_program wineserver64 $(numpl_wine_candidates wineserver64) \
    $(numpl_wine_candidates wineserver) wineserver)}"
  [ -n "$NUMPL_WINE" ] && [ -n "$NUMPL_WINESERVER" ]
}
