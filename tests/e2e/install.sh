#!/usr/bin/env bash
# The program installed under /usr into a temporary root (DESTDIR) and run by
# a user who cannot write its folder (as root: nobody; else the folder is made
# read-only): settings and quickcommands go to ~/.config/tarvolin and are
# found there next time.   tests/e2e/install.sh BUILD_DIR
set -u
build=$(readlink -f "${1:?usage: install.sh BUILD_DIR}")
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ -n "${TARVOLIN_E2E_DISPLAY:-}" ] || TARVOLIN_E2E_DISPLAY=1 exec "$root/tests/display" "$0" "$@"
case=install program=$build/bin/tarvolin
umask 022
# shellcheck source=tests/e2e/lib.sh
. "$root/tests/e2e/lib.sh"
# A busy machine may take the keys before the window manager has made the
# window active: three tries.
close_window() {
  local try
  for try in 1 2 3; do
    timeout 10 xdotool windowactivate --sync "$(windows_named "$1" | head -1)" key --clearmodifiers alt+F4
    wait_until 5 not window_shown "$1" && return 0
  done
  return 1
}

DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.log" || fail "cmake --install failed"
for file in bin/tarvolin lib/tarvolin/libtarvolin-bar.so lib/tarvolin/libtarvolin_calc.so share/tarvolin/ReadMe.txt \
  share/applications/tarvolin.desktop share/man/man1/tarvolin.1.gz share/doc/tarvolin/copyright; do
  [ -f "$work/root/usr/$file" ] || fail "/usr/$file was not installed"
done
# The package manager updates an installed copy: it has no update check.
[ ! -e "$work/root/usr/lib/tarvolin/libtarvolin_http.so" ] || fail "the HTTP module was installed"

[ -z "$(find "$work/root" -name files.cfg)" ] || fail "a files.cfg was installed"
home=$work/home dir=$work/home/.config/tarvolin
mkdir -p "$home" && mkdir -m 0700 "$home/run"
user=()
if [ "$(id -u)" = 0 ]; then
  user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown -R nobody:nogroup "$home"
  chmod 1777 "$work" # the installed tree readable; drive C:'s programs note their runs here
else
  chmod a-w "$work/root/usr/lib/tarvolin"
  trap 'chmod u+w "$work/root/usr/lib/tarvolin"; finish' EXIT
fi
start_installed() {
  (cd / && exec "${user[@]}" env -u XDG_CONFIG_HOME HOME="$home" XDG_RUNTIME_DIR="$home/run" \
    "$work/root/usr/bin/tarvolin" >>"$work/bar.log" 2>&1) &
  bar_pid=$!
  pids+=("$bar_pid")
  wait_until 15 bar_mapped || fail "the installed bar was not mapped"
}

# First start: the defaults and the editor; a quickcommand made later is saved.
start_installed
wait_until 10 test -s "$dir/tv.ini" || fail "tv.ini was not written to ~/.config/tarvolin"
wait_until 10 window_shown "Edit Quickcommands" || fail "the first start opened no editor"
close_window "Edit Quickcommands" || fail "alt+F4 did not close the editor"
wait_until 10 test -f "$dir/files.cfg" || fail "closing the editor wrote no files.cfg"
if open_editor "$drive/Games/run.exe"; then
  type_text play
  press Return && sleep 0.5 && press Escape
  wait_until 10 not window_shown "Edit Quickcommands" || fail "Escape did not close the editor"
  wait_until 5 grep -qsx $'play\r' "$dir/files.cfg" || fail "files.cfg reads: $(cat "$dir/files.cfg" 2>&1)"
fi
bar_key F10
wait_until 10 bar_ended || fail "F10 did not end the bar"

# Second start: the settings found (no editor), the quickcommand runs.
start_installed
sleep 1
not window_shown "Edit Quickcommands" || fail "the editor opened again although tv.ini was saved"
type_in_bar play Return
wait_until 10 file_has_line "$work/run.ran" "$drive/Games" || fail "the quickcommand play from ~/.config/tarvolin/files.cfg did not run"
# The help's first button opens the ReadMe the package put in share/tarvolin.
bar_key F1
wait_until 10 window_shown "Tarvolin - Version .*" || fail "F1 opened no help"
press space
wait_until 10 file_has_line "$opened" "$work/root/usr/share/tarvolin/ReadMe.txt" ||
  fail "the help opened: $(cat "$opened" 2>/dev/null)"
[ "$failures" -eq 0 ]
