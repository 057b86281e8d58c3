#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the tree elsewhere and
# checks that the moved programs run, find their plug-ins and show the demo,
# and that the launcher, the metadata and the man pages pass their validators.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
P=$work/moved
id=org.lumidex.Lumidex

for f in bin/lumidex bin/lumidex-chart \
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/mime/packages/$id.xml \
  share/icons/hicolor/scalable/apps/$id.svg share/man/man1/lumidex.1 share/man/man1/lumidex-chart.1; do
  [ -f "$P/$f" ] || fail "$f is not installed"
done
for size in 16 24 32 48 64 128 256; do
  [ -s "$P/share/icons/hicolor/${size}x${size}/apps/$id.png" ] || fail "no ${size}px icon"
done

# Nothing points back into the build tree.
for exe in "$P"/bin/* "$P"/lib/lumidex/plugins/*.so; do
  [ -e "$exe" ] || continue
  if readelf -d "$exe" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then fail "$exe keeps a build-tree search path"; fi
done

"$P/bin/lumidex-chart" --help | grep -q '^Usage: lumidex-chart' || fail "lumidex-chart --help"
"$P/bin/lumidex" --help | grep -q '^Usage: lumidex' || fail "lumidex --help"

# The demo with one key sound as M4A: the moved tree's FFmpeg plug-in opens it.
if compgen -G "$P/lib/lumidex/plugins/*.so" >/dev/null; then
  cp -r "$src/examples/demo" "$work/demo"
  ffmpeg -loglevel error -i "$work/demo/pvx_music/demo/kick.wav" -c:a aac "$work/demo/pvx_music/demo/kick.m4a"
  sed -i 's|demo/kick.wav|demo/kick.m4a|' "$work/demo/songs/demo/demo.xml"
  LUMIDEX_AUDIO=null "$P/bin/lumidex-chart" sounds "$work/demo/songs/demo/demo.xml" --decoder bass \
    >"$work/sounds.txt" || { cat "$work/sounds.txt"; fail "sounds on the demo with an M4A key"; }
  grep -q 'kick.m4a' "$work/sounds.txt" || fail "sounds does not list the M4A key"
else
  fail "no plug-in installed in lib/lumidex/plugins"
fi

# The editor starts from the moved tree and keeps running until stopped.
set +e
QT_QPA_PLATFORM=offscreen LUMIDEX_AUDIO=null timeout 3 "$P/bin/lumidex" "$src/examples/demo/songs/demo/demo.xml"
rc=$?
set -e
[ "$rc" -eq 124 ] || fail "the editor ended with $rc instead of running"

desktop-file-validate "$P/share/applications/$id.desktop"
appstreamcli validate --no-net "$P/share/metainfo/$id.metainfo.xml" >/dev/null
for page in lumidex lumidex-chart; do
  MANWIDTH=80 man -l "$P/share/man/man1/$page.1" 2>/dev/null | grep -q "$page" || fail "man -l $page.1"
done
# The MIME database takes the chart type and finds it in a chart by its root element.
mkdir -p "$work/mime/packages" && cp "$P/share/mime/packages/$id.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null
grep -q 'application/x-pelvaro-chart' "$work/mime/mime.cache" || fail "the MIME database lacks the chart type"
echo "installed tree: OK"
