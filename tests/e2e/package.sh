#!/usr/bin/env bash
# The Debian package as CPack makes it: dpkg reads its control fields, and
# they name what the bar needs to start (Qt's X11 plugin) and what it
# recommends (the dialogs' face, xdg-open, Qt's Wayland plugin for a
# session without an X server).
#
#   tests/e2e/package.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "${1:?usage: package.sh BUILD_DIR}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null)
deb=$(ls "$work"/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
failures=0
for needed in qt6-qpa-plugins; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || { echo "FAIL: Depends lacks $needed: $depends"; failures=1; }
done
for wanted in fonts-liberation2 xdg-utils qt6-wayland; do
  [[ ", $recommends," == *", $wanted,"* ]] || { echo "FAIL: Recommends lacks $wanted: $recommends"; failures=1; }
done
exit "$failures"
