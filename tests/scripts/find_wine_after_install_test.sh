#!/usr/bin/env bash
# The set-up scripts source their helpers before scripts/install runs, so on
# a bare machine Wine appears only after the helpers were read. Here the
# machine has no Wine when setup.sh is sourced; then an "install" puts a
# loader and a server in place, and the Wine environment must find them.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/bin" "$tmp/lib/wine"
chmod=$(command -v chmod)

# What the "install" puts in place: a loader that says what it ran.
install_wine() {
  printf '#!/bin/sh\necho "ran $*"\n' >"$tmp/lib/wine/wine64"
  printf '#!/bin/sh\n' >"$tmp/lib/wine/wineserver64"
  "$chmod" +x "$tmp/lib/wine/wine64" "$tmp/lib/wine/wineserver64"
}

failures=0
check() {
  if [ "$1" = "$2" ]; then
    printf 'ok   %s\n' "$3"
  else
    printf 'FAIL %s: got "%s", want "%s"\n' "$3" "$1" "$2"
    failures=$((failures + 1))
  fi
}

# Nothing on PATH but what sourcing needs, and Wine's folders pointed at one
# that is empty for now.
ln -s "$(command -v dirname)" "$tmp/bin/dirname"
outcome=$(
  export PATH=$tmp/bin NUMPL_WINE_DIRS=$tmp/lib/wine NUMPL_BUILD_ROOT=$tmp/build
  unset NUMPL_WINE NUMPL_WINESERVER
  # shellcheck source=scripts/setup.sh
  source "$root/scripts/setup.sh"
  numpl_wine_env 2>/dev/null && echo "found before the install"
  install_wine
  numpl_wine_env && echo "$NUMPL_WINE $NUMPL_WINESERVER"
)
check "$outcome" "$tmp/lib/wine/wine64 $tmp/lib/wine/wineserver64" \
  "Wine installed after setup.sh was sourced is found, and not before"

# cmake/wine-run is started by CTest long after any install; it must find
# the same loader and run the program through it.
check "$(env -u NUMPL_WINE -u NUMPL_WINESERVER PATH="$tmp/bin" NUMPL_WINE_DIRS="$tmp/lib/wine" \
  /bin/sh "$root/cmake/wine-run" numpl.exe 2>&1)" "ran numpl.exe" "cmake/wine-run runs through it"
[ "$failures" -eq 0 ]
