#!/usr/bin/env bash
# The Windows program end to end: the real tarvolin.exe under Wine, on the
# display tests/display gives (Xvfb, openbox, trayer), in a Wine prefix and
# a portable program folder of its own, driven with xdotool as a person
# would; the bar's text is read through the clipboard, which Wine shares.
#
#   tests/display --tray tests/windows/e2e.sh BUILD_FOLDER/bin
set -u
[ $# -eq 1 ] || { echo "usage: $0 WINDOWS_BIN_FOLDER" >&2; exit 2; }
bin=$(cd "$1" && pwd)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvolin-wine-e2e.XXXXXX")
dir=$work/program
failures=0

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
finish() {
  "$wineserver" -k >/dev/null 2>&1
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "screenshots and logs: $work"; fi
}
trap finish EXIT
fail() {
  failures=$((failures + 1))
  echo "FAIL: $*"
  timeout 10 import -window root "$work/failure-$failures.png" 2>/dev/null
}
# shellcheck source=tests/wait.sh
. "$(dirname "${BASH_SOURCE[0]}")/../wait.sh"
# Every X client call is bounded too: a program that grabs the display and
# stops answering would otherwise hold the case until the test's timeout.
xdo() { timeout 10 xdotool "$@"; }
xwin() { timeout 5 xwininfo "$@"; }
# Where the case stands, shown with the output when it fails.
step() { echo "[$SECONDS s] $*"; }
window() { xdo search --name "^$1\$" 2>/dev/null | head -1; }
mapped() {
  local id
  id=$(window "$1")
  [ -n "$id" ] && xwin -id "$id" 2>/dev/null | grep -q IsViewable
}
focused() { [ "$(xdo getwindowfocus getwindowname 2>/dev/null)" = "$1" ]; }
# The bar's text once the program selected it all: copied to the clipboard.
# Every call that waits on another program is bounded: a Wine process that
# never answers fails the check instead of hanging the case.
bar_text() {
  local attempt shown=
  for attempt in 1 2 3; do
    # xclip stays behind to serve the selection until another program takes
    # it: with this output it would hold the caller's $(...) open.
    printf '' | timeout 5 xclip -selection clipboard >/dev/null 2>&1
    xdo key ctrl+c
    sleep 0.3
    shown=$(timeout 5 xclip -o -selection clipboard 2>/dev/null) && [ -n "$shown" ] && break
  done
  printf '%s' "$shown"
}
expect_bar() {
  local shown
  shown=$(bar_text)
  [ "$shown" = "$1" ] || fail "the bar shows '$shown', not '$1' ($2)"
}
# The X server gives the focus a moment before Wine has taken it in: keys
# typed at once could go to the window that had it.
expect_focus() {
  wait_until 5 focused "$1" || fail "the focus is not in '$1' $2"
  sleep 0.3
}
# The bars running in this case's Wine prefix.
processes() {
  local pid count=0
  for pid in $(pgrep -f 'tarvolin\.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
      count=$((count + 1))
  done
  echo "$count"
}
no_bar() { [ "$(processes)" = 0 ]; }
# The bar and a message box of its own, both titled Tarvolin.
boxes() { [ "$(xdo search --onlyvisible --name '^Tarvolin$' 2>/dev/null | wc -l)" -ge 2 ]; }
# Where the bar stands: "X,Y WIDTHxHEIGHT".
geometry() {
  xwin -id "$(window Tarvolin)" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width/ {w=$NF} /Height/ {h=$NF} END {print x "," y " " w "x" h}'
}

timeout 120 "$wine" wineboot --init >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1

# A portable program folder, with a program on a drive path for a
# quickcommand: Z: is the root of the file system under Wine.
mkdir -p "$dir/Games"
cp "$bin/tarvolin.exe" "$bin/ReadMe.txt" "$bin/Changelog.txt" "$dir/"
cp "$bin/start_marker.exe" "$dir/Games/"
games="Z:$(printf '%s' "$dir/Games" | tr / '\\')"
printf '[Tarvolin]\r\nloca=4\r\nCaseSensitive=0\r\nAutoUpdate=0\r\nWebExtensions=com,org\r\n' \
  >"$dir/tv.ini"
cp "$dir/tv.ini" "$work/tv.ini"
printf '%s\r\nmark\r\n' "$games\\start_marker.exe" >"$dir/files.cfg"

step "the key held elsewhere"
# Another program holds the bar's key: the bar says so, once, in its box.
"$wine" "$bin/hotkey_holder.exe" &
holder=$!
sleep 1
(cd "$dir" && exec "$wine" ./tarvolin.exe >"$work/bar.log" 2>&1) &
wait_until 30 mapped Tarvolin || { fail "the bar was not shown"; exit 1; }
# Wine may report the window mapped a moment before its place.
in_corner() { [ "$(geometry)" = "774,717 250x19" ]; }
wait_until 2 in_corner || fail "the bar stands at $(geometry), not 774,717 250x19"
# Wider than the box, the text has a box of its own; the focus comes back.
if wait_until 10 boxes; then
  sleep 0.5
  xdo key Return
else
  fail "the key held elsewhere was not told"
fi
expect_focus Tarvolin "after the box about the key"
grep -q "Ctrl+Alt+Space is taken by another program" "$work/bar.log" || fail "stderr does not name the key"
kill "$holder"

step "a quickcommand"
# A quickcommand starts its program in the program's own folder.
xdo type mark
xdo key Return
wait_until 10 test -f "$dir/Games/start_marker.txt" || fail "the quickcommand started nothing"
ran=$(head -1 "$dir/Games/start_marker.txt" 2>/dev/null | tr -d '\r')
[ "${ran,,}" = "${games,,}" ] || fail "the program started in '$ran', not '$games'"
expect_focus Tarvolin "after the quickcommand ran"
xdo type frobnicate
xdo key Return
expect_bar "Unknown command (F1 for help)" "for an unknown word"

step "the dialogs"
# F1, F2 and F3 unroll their windows, which take the focus and give it back.
xdo key F1
expect_focus "Tarvolin - Version 0.87 BETA" "after F1"
xdo key alt+F4
expect_focus Tarvolin "after the help closed"

xdo key F2
expect_focus "Edit Quickcommands" "after F2"
# The target box first; the name box is the sixth stop of the Tab key.
xdo type www.x.org
xdo key Tab Tab Tab Tab Tab
xdo type x
xdo key Return Escape
expect_focus Tarvolin "after the editor closed"
expected=$(printf '%s\r\nmark\r\nwww.x.org\r\nx\r\n' "$games\\start_marker.exe")
saved() { [ "$(cat "$dir/files.cfg")" = "$expected" ]; }
wait_until 5 saved || fail "files.cfg after the editor: $(od -c "$dir/files.cfg" | head -5)"

xdo key F3
expect_focus Options "after F3"
xdo key alt+F4
expect_focus Tarvolin "after the options closed"
expect_bar "Settings Saved..." "after the options closed"

step "the tray"
# Escape hides the bar behind its icon; a click on the icon brings it back.
xdo key Escape
wait_until 5 not mapped Tarvolin || fail "Escape did not hide the bar"
icon=$(xwin -root -tree | awk '/"explorer.exe"/ && /20x22/ {print $1; exit}')
if [ -z "$icon" ]; then
  fail "no icon in the notification area"
else
  xdo mousemove --window "$icon" 10 10 click 1
  wait_until 5 mapped Tarvolin || fail "a click on the icon did not bring the bar back"
  expect_focus Tarvolin "after the icon was clicked"
fi

step "a second start"
# A second start hands over and ends; --toggle hides and shows.
(cd "$dir" && timeout 20 "$wine" ./tarvolin.exe --toggle) || fail "--toggle failed"
wait_until 5 not mapped Tarvolin || fail "--toggle did not hide the bar"
(cd "$dir" && timeout 20 "$wine" ./tarvolin.exe --show) || fail "--show failed"
wait_until 5 mapped Tarvolin || fail "--show did not bring the bar back"
expect_focus Tarvolin "after --show"
[ "$(processes)" = 1 ] || fail "$(processes) bars run after a second start"
[ "$(timeout 20 "$wine" "$dir/tarvolin.exe" --version | tr -d '\r')" = "tarvolin 0.8.7" ] ||
  fail "--version"

xdo type quit
xdo key Return
wait_until 10 no_bar || fail "quit did not end the program"

step "the update check"
# The update check, once a minute in the background: a higher version on
# the server is offered, and Yes opens the download page in the desktop's
# browser (Wine hands web addresses to xdg-open).
mkdir -p "$work/server/prog/Tarvolin" "$work/path"
printf '9.99' >"$work/server/prog/Tarvolin/version.txt"
python3 -u -m http.server --bind 127.0.0.1 --directory "$work/server" 0 \
  >"$work/server.out" 2>"$work/server.log" &
server=$!
wait_until 10 grep -qs ' port ' "$work/server.out" || fail "the update server did not start"
port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out")
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$work/opened" >"$work/path/xdg-open"
chmod +x "$work/path/xdg-open"
printf '[Tarvolin]\r\nloca=4\r\nCaseSensitive=0\r\nAutoUpdate=1\r\nWebExtensions=com\r\nUpdateServer=http://127.0.0.1:%s/\r\n' \
  "$port" >"$dir/tv.ini"
(cd "$dir" && PATH="$work/path:$PATH" exec "$wine" ./tarvolin.exe >>"$work/bar.log" 2>&1) &
wait_until 30 mapped Tarvolin || fail "the bar was not shown again"
wait_until 75 grep -q 'prog/Tarvolin/version.txt' "$work/server.log" || fail "the update server was not asked"
if wait_until 10 boxes; then
  sleep 0.5
  xdo key Return
  wait_until 15 grep -qs "http://127.0.0.1:$port/prog/download.html" "$work/opened" ||
    fail "Yes did not open the download page: $(cat "$work/opened" 2>/dev/null)"
else
  fail "no update offer was shown"
fi
grep -q 'prog/statsupdate.asp' "$work/server.log" || fail "no usage report"
kill "$server"
expect_focus Tarvolin "after the offer"
xdo type quit
xdo key Return
wait_until 10 no_bar || fail "the bar did not end after the offer"

step "the name held elsewhere"
# Another process holds the bar's name but shows no bar: the bar runs all
# the same and says so in a box; Enter closes it.
"$wine" "$bin/name_holder.exe" &
holder=$!
sleep 1
(cd "$dir" && exec "$wine" ./tarvolin.exe >>"$work/bar.log" 2>&1) &
if wait_until 30 boxes; then
  sleep 0.5
  xdo key Return
  wait_until 5 mapped Tarvolin || fail "the unguarded bar went with its box"
  expect_focus Tarvolin "after the box about the name closed"
  xdo type quit
  xdo key Return
  wait_until 10 no_bar || fail "the unguarded bar did not end"
else
  fail "with its name held elsewhere, no bar and box: $(tail -2 "$work/bar.log")"
fi
kill "$holder" 2>/dev/null

step "the installer"
# The installer, silently: the program into Program Files with a Start-menu
# entry; installed, it keeps the user's files in %APPDATA%\Tarvolin; the
# uninstaller removes the program and leaves them.
setup=$(find "$bin/.." -maxdepth 1 -name 'tarvolin-*-setup.exe' | head -1)
installed="$WINEPREFIX/drive_c/Program Files/Tarvolin"
appdata="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/Tarvolin"
if [ -z "$setup" ]; then
  fail "no installer beside $bin"
else
  timeout 60 "$wine" "$setup" /S || fail "the installer failed"
  wait_until 10 test -f "$installed/tarvolin.exe" || fail "the installer installed nothing"
  [ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvolin.lnk" ] ||
    fail "no Start-menu entry"
  "$wine" 'C:\Program Files\Tarvolin\tarvolin.exe' >>"$work/bar.log" 2>&1 &
  # The first run: the editor opens with the focus in its name box.
  wait_until 30 mapped "Edit Quickcommands" || fail "the installed program's first run"
  expect_focus "Edit Quickcommands" "at the first run"
  xdo key Escape
  wait_until 10 test -f "$appdata/files.cfg" || fail "no files.cfg in %APPDATA%\\Tarvolin"
  [ -f "$appdata/tv.ini" ] && [ ! -e "$installed/tv.ini" ] || fail "tv.ini not with the user"
  expect_focus Tarvolin "after the first-run editor closed"
  # Two Start-menu shortcuts of one name: Enter opens the list of both,
  # Escape closes the list alone, and Enter twice starts the first.
  usermenu="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
  mkdir -p "$usermenu/Tools"
  cp "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvolin.lnk" "$usermenu/Tools/"
  xdo type tarvolin
  xdo key Return
  wait_until 10 mapped "Tarvolin list" || fail "two shortcuts of one name showed no list"
  expect_focus Tarvolin "with the list shown"
  xdo key Escape
  wait_until 5 not mapped "Tarvolin list" || fail "Escape left the list"
  mapped Tarvolin || fail "Escape with the list shown hid the bar"
  xdo key Return
  wait_until 5 mapped "Tarvolin list" || fail "Enter did not offer the shortcuts again"
  xdo key Return
  wait_until 5 not mapped "Tarvolin list" || fail "the list stayed after Enter"
  expect_bar "" "after the shortcut started"
  rm -r "$usermenu/Tools"
  xdo type quit
  xdo key Return
  wait_until 10 no_bar || fail "the installed program did not end"
  timeout 60 "$wine" "$installed/uninstall.exe" /S || fail "the uninstaller failed"
  wait_until 15 not test -e "$installed/tarvolin.exe" || fail "the uninstaller left the program"
  [ -f "$appdata/tv.ini" ] && [ -f "$appdata/files.cfg" ] || fail "the uninstaller took the user's files"
fi

step "a change of screen size"
# The screen shrinks and grows back: the bar stands in its corner again by
# its next 750 ms tick, when any program that asks the screen's size on a
# tick sees the change. Xvfb keeps the size it started with, so this runs on
# a nested X server that RandR resizes (Xephyr), with a window manager of its
# own; Wine's processes start afresh there.
"$wineserver" -k >/dev/null 2>&1
cp "$work/tv.ini" "$dir/tv.ini"
Xephyr -displayfd 3 -screen 1024x768 -nolisten tcp 3>"$work/nested" >/dev/null 2>&1 &
nested=($!)
workarea() { timeout 5 xprop -root _NET_WORKAREA 2>/dev/null | grep -q ' = '; }
at() { [ "$(geometry)" = "$1" ]; }
if wait_until 10 test -s "$work/nested"; then
  DISPLAY=":$(tr -d '[:space:]' <"$work/nested")"
  export DISPLAY
  openbox >/dev/null 2>&1 &
  nested+=($!)
  wait_until 10 workarea || fail "no window manager on the nested screen"
  (cd "$dir" && exec "$wine" ./tarvolin.exe >>"$work/bar.log" 2>&1) &
  wait_until 30 mapped Tarvolin || fail "the bar was not shown on the nested screen"
  wait_until 5 at "774,717 250x19" || fail "on the nested screen the bar stands at $(geometry)"
  for change in "800x600 550,549" "1024x768 774,717"; do
    timeout 10 xrandr -s "${change% *}" 2>/dev/null || fail "xrandr -s ${change% *}"
    # The next tick, and a little for Wine and the window manager.
    start=${EPOCHREALTIME/./}
    until at "${change#* } 250x19" || [ $((${EPOCHREALTIME/./} - start)) -gt 1000000 ]; do
      sleep 0.05
    done
    took=$(((${EPOCHREALTIME/./} - start) / 1000))
    if at "${change#* } 250x19" && [ "$took" -le 1000 ]; then
      step "the bar in its corner $took ms after the screen became ${change% *}"
    else
      fail "$took ms after the screen became ${change% *} the bar stands at $(geometry)"
    fi
  done
  expect_focus Tarvolin "after the screen changed"
  xdo type quit
  xdo key Return
  wait_until 10 no_bar || fail "the bar on the nested screen did not end"
else
  fail "the nested X server did not start"
fi
kill "${nested[@]}" 2>/dev/null

[ "$failures" -eq 0 ] && echo "windows e2e: every check passed"
exit $((failures > 0))
