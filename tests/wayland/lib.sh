# shellcheck shell=bash
# What the Wayland legs share, sourced by each: run as root, the leg copies
# the program where a normal user (tvsession, made by tools/install-deps)
# can read it and runs itself again as that user, with a runtime folder and
# a home of its own; then the checks' helpers and the user's settings.
#
#   source lib.sh NAME BUILD_FOLDER TOOL...
set -u
leg=$1 build=$2
shift 2
user=tvsession

if [ "${TARVOLIN_WAYLAND_INNER:-}" != 1 ]; then
  [ "$(id -u)" = 0 ] || { echo "SKIP: the $leg leg runs the bar as another user, which needs root"; exit 0; }
  for tool in "$@" Xwayland xprop; do
    command -v "$tool" >/dev/null || { echo "$leg leg: $tool is missing (tools/install-deps)"; exit 1; }
  done
  id "$user" >/dev/null 2>&1 || { echo "$leg leg: no user $user (tools/install-deps)"; exit 1; }
  work=$(mktemp -d "/tmp/tarvolin-$leg.XXXXXX")
  chmod 755 "$work"
  # The program, a plain Qt window to stand beside it and a stand-in for
  # the desktop's shortcuts portal are copied where the user can read them,
  # whatever folder the build is in.
  cp -r "$build/bin" "$work/bin"
  cp "$build/bench/qt_floor" "$work/bin/other-window"
  cp "$build/tests/fake_portal" "$work/bin/"
  cp "$0" "$(dirname "$0")/lib.sh" "$(dirname "$0")/../wait.sh" "$work/"
  chmod -R a+rX "$work"
  mkdir -m 700 "$work/run" "$work/home"
  chown -R "$user" "$work/run" "$work/home"
  runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
    TARVOLIN_WAYLAND_INNER=1 LANG=C.UTF-8 bash "$work/$(basename "$0")" "$work"
  status=$?
  [ "$status" -eq 0 ] && [ -z "${TARVOLIN_KEEP:-}" ] && rm -rf "$work" || echo "logs: $work"
  exit "$status"
fi

work=$build
# shellcheck source=tests/wait.sh
. "$work/wait.sh"
bar=$work/bin/tarvolin
failures=0
fail() {
  failures=$((failures + 1))
  echo "FAIL: $*"
}
settings() {
  mkdir -p "$HOME/.config/tarvolin"
  printf '[Tarvolin]\r\nloca=%s\r\nCaseSensitive=0\r\nAutoUpdate=0\r\nWebExtensions=com\r\n' "$1" \
    >"$HOME/.config/tarvolin/tv.ini"
}
settings 4
printf 'www.x.org\r\nx\r\n' >"$HOME/.config/tarvolin/files.cfg"
# The message the box shows at start in a Wayland session.
bind_key="Hotkey: in a Wayland session, bind Ctrl+Alt+Space to tarvolin --toggle in the desktop's keyboard settings"
finish() {
  [ "$failures" -eq 0 ] && echo "$leg: every check passed"
  exit $((failures > 0))
}
