#!/usr/bin/env bash
# Runs one Windows program under wine64. With LV_WINE_PREFIXES set (a folder
# holding a booted prefix named "template"), each program gets a copy of that
# prefix of its own: the registry lives in the prefix, so test programs that
# install a renderer there cannot see each other's, even when run at once.
set -u
wine=/usr/lib/wine/wine64
if [ -z "${LV_WINE_PREFIXES:-}" ]; then
  exec "$wine" "$@"
fi
prefix=$(mktemp -d "$LV_WINE_PREFIXES/run.XXXXXX")
cp -a "$LV_WINE_PREFIXES/template/." "$prefix/"
WINEPREFIX=$prefix "$wine" "$@"
status=$?
WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null
rm -rf "$prefix"
exit $status
