#!/usr/bin/env bash
# The conformance scenarios against the Win32 bar: conformance_win32.exe
# under Wine, in a Wine prefix of its own, on the display tests/display
# gives (Xvfb, openbox, trayer), so that the bar has a window manager and a
# notification area as on a desktop.
#
#   tests/display --tray tests/windows/conformance.sh BUILD_FOLDER/bin
set -u
[ $# -eq 1 ] || { echo "usage: $0 WINDOWS_BIN_FOLDER" >&2; exit 2; }
bin=$(cd "$1" && pwd)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvolin-wine-conformance.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$wineserver" -k >/dev/null 2>&1; rm -rf "$work"' EXIT

timeout 120 "$wine" wineboot --init >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
timeout 240 "$wine" "$bin/conformance_win32.exe" 2>&1 | tr -d '\r'
exit "${PIPESTATUS[0]}"
