#!/usr/bin/env bash
# One end-to-end case: a copy of the built program in a fresh program folder,
# started on a display of its own (tests/display) and driven as a user does,
# with keys and clicks; the checks look at its windows, the X focus and the
# files it writes.
#
#   tests/e2e/e2e.sh CASE /path/to/tarvolin
#
# Prints one line per failed check and exits non-zero when one failed.
set -u
usage="usage: e2e.sh CASE /path/to/tarvolin"
case=${1:?$usage}
program=$(readlink -f "${2:?$usage}")
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# No tv.ini: the defaults are written (core_test checks them whole), and the
# editor opens with the focus.
case_first_run() {
  start_bar
  wait_until 10 grep -q $'^AutoUpdate= 1\r$' "$dir/tv.ini" || fail "tv.ini was not written: $(cat -A "$dir/tv.ini")"
  wait_until 10 window_shown "Edit Quickcommands" || fail "the quickcommand editor did not open"
  wait_until 5 focus_on "$(windows_named "Edit Quickcommands" | head -1)" || fail "the editor does not have the focus"
}

# With tv.ini the editor stays shut; F2 makes the bar's line a quickcommand,
# which then runs by its word in any case, in its own folder; after a pause
# a typed beginning completes to it. An application runs by its name.
case_quickcommand() {
  start_bar 4 0
  not window_shown "Edit Quickcommands" || fail "the editor opened although tv.ini exists"
  open_editor 'c:\games\run.exe' || return
  add_quickcommand play
  type_in_bar PLAY Return
  wait_until 10 file_has_line "$work/run.ran" "$drive/Games" || fail "the quickcommand play did not run"
  rm -f "$work/run.ran"
  type_in_bar PL
  sleep 3
  press Return
  wait_until 10 test -e "$work/run.ran" || fail "PL did not complete to PLAY"
  rm -f "$work/run.ran"
  type_in_bar "games RUNNER" Return
  wait_until 10 test -e "$work/run.ran" || fail "the application Games Runner did not start"
}

# Tab unrolls a list right above the bar, which keeps the focus; a click on
# a row puts it in the line. A name two desktop entries share opens the
# list of both, and Down and Enter start the second. muParser's library is
# loaded at the first "=", not before.
case_list() {
  printf 'www.notes.org\r\nnotes\r\nwww.news.org\r\nnews\r\n' >"$dir/files.cfg"
  printf '[Desktop Entry]\nType=Application\nName=Games Runner\nIcon=utilities-terminal\nExec=sh -c "echo two >%s"\n' \
    "$work/second.ran" >"$work/share/applications/zrunner.desktop"
  start_bar 4 0
  type_in_bar n Tab
  wait_until 5 window_shown "Tarvolin list" || { fail "Tab showed no list"; return; }
  local x y width height bx by bw bh
  read -r x y width height <<<"$(geometry "$(windows_named "Tarvolin list")")"
  read -r bx by bw bh <<<"$(geometry "$(bar_window)")"
  [ "$x,$((y + height)),$width" = "$bx,$by,$bw" ] || fail "the list ($x $y ${width}x$height) is not above the bar ($bx $by)"
  focus_on "$(bar_window)" || fail "with the list shown the focus is on '$(focus_name)'"
  click_at $((x + width / 2)) $((y + 1 + bh + bh / 2)) # the second row
  wait_until 5 not window_shown "Tarvolin list" || fail "a click on a row left the list open"
  wait_until 5 focus_on "$(bar_window)" || fail "after the click the focus is on '$(focus_name)'"
  press Return
  wait_until 10 file_has_line "$opened" http://www.news.org || fail "the row clicked did not run: $(cat "$opened" 2>/dev/null)"
  type_in_bar "games runner" Return
  wait_until 5 window_shown "Tarvolin list" || { fail "two applications of one name showed no list"; return; }
  [ ! -e "$work/run.ran" ] || fail "the first of two applications started without a choice"
  press Down Return
  wait_until 10 test -e "$work/second.ran" || fail "Down and Enter did not start the second application"
  not window_shown "Tarvolin list" || fail "the list stayed after Enter"
  ! grep -q muparser "/proc/$bar_pid/maps" || fail "muParser's library was loaded before the first ="
  type_in_bar "=2^10" Return
  wait_until 5 grep -q muparser "/proc/$bar_pid/maps" || fail "the first = loaded no calculator"
}

# The editor's message box and its file dialog, once closed, leave the focus
# in the editor, where the name typed next is added.
case_focus_editor() {
  start_bar 4 0
  open_editor 'c:\games\run.exe' || return
  press Return
  wait_until 10 message_shown || { fail "Enter with no name showed no message box"; return; }
  press Return
  wait_until 10 not message_shown || fail "Return did not close the message box"
  focus_on_editor "the message box"
  local before
  before=$(window_count)
  click_at --window "$editor" 204 217 # the button Browse
  wait_until 10 test "$(window_count)" -gt "$before" || { fail "Browse did not open a file dialog"; return; }
  press Escape
  wait_until 10 test "$(window_count)" -le "$before" || fail "Escape did not close the file dialog"
  focus_on_editor "the file dialog"
  add_quickcommand play
}

case_tray() {
  start_bar 4 0
  bar_key Escape
  wait_until 10 not bar_mapped || fail "Escape did not hide the bar"
  click_at --window "$(xdotool search --onlyvisible --class trayer | head -1)" 12 12
  wait_until 10 bar_mapped || fail "a click on the tray icon did not bring the bar back"
  # Hidden in a notification area that goes away, the bar comes back.
  bar_key Escape
  wait_until 10 not bar_mapped || fail "Escape did not hide the bar again"
  kill "$TARVOLIN_TRAY_PID"
  wait_until 10 bar_mapped || fail "the bar stayed hidden once the notification area was gone"
  type_in_bar quit Return
  wait_until 10 bar_ended || fail "quit did not end the process"
}

# One bar: a second start, --toggle and the hotkey bring it to the front
# with the focus in its box; the flags answer without starting a bar. Eight
# silent clients and one sending a byte every 0.9 s hold up no --toggle.
# Where another user's lock lies (one a bar run by sudo left, say), a start
# runs a bar that says it is unguarded, and --toggle then starts none.
case_resident() {
  start_bar 4 0
  "$dir/tarvolin" --version | grep -qx 'tarvolin [0-9.]*' || fail "--version did not print the version"
  "$dir/tarvolin" --help | grep -q -- --toggle || fail "--help did not list --toggle"
  "$dir/tarvolin" --bogus 2>/dev/null
  [ $? = 2 ] || fail "an unknown option did not end with status 2"
  python3 -c 'import socket, sys, time
clients = [socket.socket(socket.AF_UNIX) for _ in range(9)]
for c in clients: c.connect(sys.argv[1])
print("connected", flush=True)
for _ in range(60): clients[0].send(b"s"); time.sleep(0.9)' "$work"/tarvolin-*.socket >"$work/clients" 2>&1 &
  pids+=($!)
  wait_until 5 grep -q connected "$work/clients" || fail "the slow clients did not connect: $(cat "$work/clients")"
  local start answered
  start=$(date +%s%N)
  "$dir/tarvolin" --toggle
  answered=$((($(date +%s%N) - start) / 1000000))
  wait_until 5 not bar_mapped || fail "--toggle did not hide the bar"
  echo "--toggle behind slow clients: answered in $answered ms, bar hidden in $((($(date +%s%N) - start) / 1000000)) ms"
  [ "$answered" -lt 500 ] || fail "--toggle waited $answered ms behind slow clients"
  "$dir/tarvolin" --toggle
  wait_until 5 bar_mapped || fail "--toggle did not bring the bar back"
  # A start the desktop announced: the bar ends its launch feedback.
  timeout 10 xev -root -event property >"$work/xev" 2>&1 &
  pids+=($!)
  sleep 0.3
  DESKTOP_STARTUP_ID=menu-42_TIME0 "$dir/tarvolin"
  [ "$(windows_named Tarvolin | wc -l)" = 1 ] || fail "a second start opened a second bar"
  wait_until 5 focus_on "$(bar_window)" || fail "after a second start the focus is on '$(focus_name)'"
  xprop -id "$(bar_window)" _NET_STARTUP_ID | grep -qF '"menu-42_TIME0"' ||
    fail "the startup id is not on the bar: $(xprop -id "$(bar_window)" _NET_STARTUP_ID)"
  wait_until 5 grep -q _NET_STARTUP_INFO_BEGIN "$work/xev" || fail "the bar did not end the launch feedback"
  "$dir/tarvolin" --toggle
  wait_until 5 not bar_mapped || fail "--toggle did not hide the bar again"
  press ctrl+alt+space
  wait_until 5 focus_on "$(bar_window)" || fail "the hotkey did not bring the bar back with the focus"
  type_text quit
  press Return
  wait_until 10 bar_ended || fail "quit typed after the hotkey did not reach the bar"
  [ "$(id -u)" = 0 ] && id tvattacker >/dev/null 2>&1 ||
    { echo "SKIP: another user's lock needs root and the user tvattacker (tools/install-deps)"; return; }
  chown tvattacker "$work"/tarvolin-*.socket.lock
  : >"$work/bar.log"
  start_bar
  [ "$(grep -c unguarded "$work/bar.log")" = 1 ] || fail "the bar did not say once it is unguarded: $(cat "$work/bar.log")"
  timeout 5 "$dir/tarvolin" --toggle 2>"$work/toggle.log" && fail "--toggle claimed to reach an unguarded bar"
  grep -q 'cannot safely reach' "$work/toggle.log" || fail "--toggle did not say why it failed: $(cat "$work/toggle.log")"
  sleep 1
  [ "$(windows_named Tarvolin | wc -l)" = 1 ] || fail "--toggle hid the unguarded bar or started a second"
}

# The update check, on the first tick of the 55-second timer, asks the server
# that tv.ini names; Yes in its offer opens the download page.
case_update_offer() {
  mkdir -p "$work/server/prog/Tarvolin"
  printf '9.99' >"$work/server/prog/Tarvolin/version.txt"
  python3 -u -m http.server --bind 127.0.0.1 --directory "$work/server" 0 \
    >"$work/server.out" 2>"$work/server.log" &
  pids+=($!)
  wait_until 10 grep -q ' port ' "$work/server.out" || fail "the update server did not start"
  port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out")
  start_bar 1 1
  wait_until 75 grep -q 'prog/Tarvolin/version.txt' "$work/server.log" || fail "the update server was not asked"
  wait_until 10 message_shown || { fail "no update offer was shown"; return; }
  timeout 10 xdotool windowactivate --sync "$(message_box | head -1)" key Return
  wait_until 10 file_has_line "$opened" "http://127.0.0.1:$port/prog/download.html" ||
    fail "Yes did not open the download page: $(cat "$opened" 2>/dev/null)"
}

[ "$(type -t "case_$case")" = function ] || { echo "e2e.sh: no case '$case'" >&2; exit 2; }
if [ -z "${TARVOLIN_E2E_DISPLAY:-}" ]; then
  tray=()
  [ "$case" = tray ] && tray=(--tray)
  TARVOLIN_E2E_DISPLAY=1 exec "$root/tests/display" "${tray[@]}" "$0" "$@"
fi
# shellcheck source=tests/e2e/lib.sh
. "$root/tests/e2e/lib.sh"
"case_$case"
[ "$failures" -eq 0 ]
