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
help_caption="Tarvolin - Version 0\.87 BETA"

# No tv.ini: the defaults are written, the editor opens, the bar sits bottom right.
case_first_run() {
  start_bar
  wait_until 10 test -e "$dir/tv.ini" || fail "tv.ini was not written"
  [ "$(tr -d '\r' <"$dir/tv.ini")" = "$(printf '[Tarvolin]\nloca= 4\nAutoUpdate= 1\nCaseSensitive= 0\nWebExtensions=com,org,net')" ] ||
    fail "tv.ini reads: $(cat "$dir/tv.ini")"
  ! grep -qv $'\r$' "$dir/tv.ini" || fail "tv.ini lines do not all end in CR LF"
  wait_until 10 window_shown "Edit Quickcommands" || fail "the quickcommand editor did not open"
  wait_until 5 bar_at 774,717 || fail "the bar is at $(bar_position), not bottom right"
  wait_until 5 bar_shows "Settings Saved..." || fail "the bar shows '$(bar_text)', not 'Settings Saved...'"
}

# With tv.ini the editor stays shut; F2 makes the bar's line a quickcommand,
# which then runs by its word in any case.
case_quickcommand() {
  start_bar 4 0
  wait_until 5 bar_at 774,717 || fail "with loca=4 the bar is at $(bar_position), not bottom right"
  not window_shown "Edit Quickcommands" || fail "the editor opened although tv.ini exists"
  open_editor 'c:\games\run.exe' || return
  add_quickcommand play
  run_line PLAY
  ran run Games || fail "the quickcommand play did not run"
}

# Down brings back the last line; a typed beginning completes to an earlier
# one; F10 ends the program.
case_history() {
  start_bar 4 0
  run_line 'C:\GAMES\Run.exe'
  run_line Notepad
  wait_until 10 test -e "$work/notepad.ran" || fail "Notepad did not run"
  rm -f "$work"/*.ran
  bar_key Down Return
  wait_until 10 test -e "$work/notepad.ran" || fail "Down and Enter did not run Notepad again"
  [ ! -e "$work/run.ran" ] || fail "Down and Enter ran C:\\GAMES\\Run.exe, not the last line"
  type_in_bar 'C:\GAM'
  sleep 3
  keep bar
  press Return
  ran run Games || fail "'C:\\GAM' did not complete to C:\\GAMES\\Run.exe"
  bar_key F10
  wait_until 10 bar_ended || fail "F10 did not end the process"
}

# The help and the hidden screen; once the help is closed, the keyboard focus
# is back in the bar, where the user typed before.
case_help() {
  start_bar 4 0
  bar_key F1
  wait_until 10 window_shown "$help_caption" || { fail "F1 did not open the help"; return; }
  sleep 0.5
  keep help "$(windows_named "$help_caption" | head -1)"
  close_window "$help_caption" || fail "alt+F4 did not close the help"
  wait_until 5 focus_on "$(bar_window)" || fail "after the help the focus is on '$(focus_name)', not the bar"
  type_text k
  bar_shows k || fail "the letter typed after the help did not land in the bar: it shows '$(bar_text)'"
  run_line mirelo
  wait_until 10 window_shown 'This is Mirelo \^_\^' || fail "mirelo did not open its screen"
}

# The corner chosen in the options moves the bar and is saved beside what the
# options do not show; the bar has the focus back, and the next key replaces
# "Settings Saved...".
case_options() {
  start_bar 4 0
  options_top_left || return
  wait_until 5 focus_on "$(bar_window)" || fail "after the options the focus is on '$(focus_name)', not the bar"
  type_text k
  bar_shows k || fail "the key typed after the options did not replace 'Settings Saved...': the bar shows '$(bar_text)'"
  bar_at 0,0 || fail "after the options the bar is at $(bar_position)"
  grep -qx $'loca= 1\r' "$dir/tv.ini" || fail "tv.ini does not keep the corner: $(grep loca "$dir/tv.ini")"
  grep -q '^UpdateServer=' "$dir/tv.ini" || fail "the options dropped UpdateServer from tv.ini"
  tr -d '\r' <"$dir/tv.ini" | grep -A1 -x '\[Drives\]' | grep -qixF "c=$drive" ||
    fail "the options dropped the Drives section from tv.ini"
}

case_tray() {
  start_bar 4 0
  bar_key Escape
  wait_until 10 not bar_mapped || fail "Escape did not hide the bar"
  click_at --window "$(xdotool search --onlyvisible --class trayer | head -1)" 12 12
  wait_until 10 bar_mapped || fail "a click on the tray icon did not bring the bar back"
  run_line quit
  wait_until 10 bar_ended || fail "quit did not end the process"
}

# One bar: a second start, --toggle and the hotkey bring it to the front
# with the focus in its box; the flags answer without starting a bar.
case_resident() {
  start_bar 4 0
  "$dir/tarvolin" --version | grep -qx 'tarvolin [0-9.]*' || fail "--version did not print the version"
  "$dir/tarvolin" --help | grep -q -- --toggle || fail "--help did not list --toggle"
  "$dir/tarvolin" --bogus 2>/dev/null
  [ $? = 2 ] || fail "an unknown option did not end with status 2"
  "$dir/tarvolin" --toggle
  wait_until 5 not bar_mapped || fail "--toggle did not hide the bar"
  "$dir/tarvolin" --toggle
  wait_until 5 bar_mapped || fail "--toggle did not bring the bar back"
  "$dir/tarvolin"
  [ "$(windows_named Tarvolin | wc -l)" = 1 ] || fail "a second start opened a second bar"
  wait_until 5 focus_on "$(bar_window)" || fail "after a second start the focus is on '$(focus_name)'"
  "$dir/tarvolin" --toggle
  wait_until 5 not bar_mapped || fail "--toggle did not hide the bar again"
  press ctrl+alt+space
  wait_until 5 focus_on "$(bar_window)" || fail "the hotkey did not bring the bar back with the focus"
  type_text k
  bar_shows k || fail "the key typed after the hotkey did not land in the bar: '$(bar_text)'"
}

# The update check, on the first tick of the 55-second timer, asks the server;
# Yes in its offer opens the download page. The bar sits top left.
case_update_offer() {
  start_server
  start_bar 1 1
  wait_until 5 bar_at 0,0 || fail "with loca=1 the bar is at $(bar_position), not top left"
  wait_until 75 grep -q 'prog/Tarvolin/version.txt' "$work/server.log" 2>/dev/null ||
    fail "the update server was not asked"
  wait_until 10 message_shown || { fail "no update offer was shown"; return; }
  timeout 10 xdotool windowactivate --sync "$(message_box | head -1)" key Return
  wait_until 10 file_has_line "$opened" "http://127.0.0.1:$port/prog/download.html" ||
    fail "Yes did not open the download page: $(cat "$opened")"
}

case_focus_editor_message() {
  start_bar 4 0
  open_editor 'c:\games\run.exe' || return
  press Return
  wait_until 10 message_shown || { fail "Enter with no name showed no message box"; return; }
  press Return
  wait_until 10 not message_shown || fail "Return did not close the message box"
  wait_until 5 focus_on "$editor" || fail "after the message box the focus is on '$(focus_name)', not the editor"
}

# Browse, cancelled, leaves the focus in the name box: a name typed then is added.
case_focus_editor_browse() {
  start_bar 4 0
  open_editor 'c:\games\run.exe' || return
  before=$(window_count)
  click_at --window "$editor" 204 217 # the button Browse
  wait_until 10 windows_above "$before" || { fail "Browse did not open a file dialog"; return; }
  press Escape
  wait_until 10 not windows_above "$before" || fail "Escape did not close the file dialog"
  wait_until 5 focus_on "$editor" || fail "after the file dialog the focus is on '$(focus_name)', not the editor"
  add_quickcommand play
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
