#!/usr/bin/env bash
# What `cmake --install` puts in place, into a staging directory.
# Usage: install.sh BUILD_DIR WITH_WINDOW(ON|OFF)
set -euo pipefail
build=$1 window=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
expected=(bin/vok32-lha bin/vok32-wallpaper share/man/man1/vok32-lha.1 share/man/man1/vok32-wallpaper.1
          etc/xdg/autostart/vok32-wallpaper-restore.desktop)
if [ "$window" = ON ]; then
  expected+=(bin/vok32 share/man/man1/vok32.1 share/applications/vok32.desktop
             share/metainfo/io.github.vok32.vok32.metainfo.xml share/icons/hicolor/scalable/apps/vok32.svg)
  for size in 16 22 24 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/vok32.png"); done
fi
status=0
for f in "${expected[@]}"; do
  [ -s "$stage/usr/$f" ] || { echo "missing: /usr/$f"; status=1; }
done
for f in "${expected[@]}"; do
  case $f in bin/*) [ -x "$stage/usr/$f" ] || { echo "not executable: /usr/$f"; status=1; } ;; esac
done
# Nothing outside the prefix.
outside=$(cd "$stage" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$outside" ] || { echo "outside /usr: $outside"; status=1; }
[ $status = 0 ] && echo "installed $(find "$stage" -type f | wc -l) files"
exit $status
