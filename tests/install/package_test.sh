#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks what it holds and
# that its control data declares the shared libraries the programs link.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/lumidex_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack made no .deb"

dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/lumidex usr/bin/lumidex-chart usr/share/applications/org.lumidex.Lumidex.desktop \
  usr/share/metainfo/org.lumidex.Lumidex.metainfo.xml usr/share/man/man1/lumidex.1.gz \
  usr/share/icons/hicolor/scalable/apps/org.lumidex.Lumidex.svg; do
  [ -e "$work/root/$f" ] || [ -e "$work/root/${f%.gz}" ] || fail "$f is not in the package"
done
compgen -G "$work/root/usr/lib/lumidex/plugins/*.so" >/dev/null || fail "no plug-in in the package"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libsdl2 libsndfile1 libmpg123 libgstreamer1.0 libzip; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
echo "package: OK ($(basename "$deb"))"
