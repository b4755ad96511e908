#!/usr/bin/env bash
# check_install.sh BUILD_DIR: installs into a temporary prefix and checks that
# every file is where the desktop entry and the metadata say, and that the
# installed music tool finds its music there.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
need() { # PATH WHY
    if [ ! -e "$prefix/$1" ]; then
        echo "missing: $1 ($2)" >&2
        failed=1
    fi
}
id=org.lumbrast.Lumbrast
entry=share/applications/$id.desktop
meta=share/metainfo/$id.metainfo.xml
need "$entry" "menu entry"
need "$meta" "AppStream metadata"
[ "$failed" -eq 0 ] || exit 1

exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$prefix/$entry")
icon=$(sed -n 's/^Icon=//p' "$prefix/$entry")
need "bin/$exec_name" "Exec= of the desktop entry"
need "share/icons/hicolor/scalable/apps/$icon.svg" "Icon= of the desktop entry"
for size in 16 22 24 32 48 64 128 256; do
    need "share/icons/hicolor/${size}x$size/apps/$icon.png" "Icon= at $size px"
done
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$prefix/$meta")
need "share/applications/$launchable" "launchable of the metadata"
for binary in $(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$prefix/$meta"); do
    need "bin/$binary" "binary the metadata provides"
    need "share/man/man6/$binary.6.gz" "manual page of $binary"
done
need share/lumbrast/media/MediaSL9/NEWAVTCH.STY "the game's first style"
need share/lumbrast/help/Lumbrast.chm "the help"
need share/doc/lumbrast/copyright "the license"
[ "$failed" -eq 0 ] || exit 1

# By bare name from a folder with no music in it; a file of that name here comes first.
mkdir "$prefix/here"
cd "$prefix/here"
info() { "$prefix/bin/lumbrast-music" info NEWAVTCH.STY 2>&1; }
if ! out=$(info) || [[ $out != *"Style:      New Avenue Watch"* ]]; then
    echo "the installed lumbrast-music did not find its music: $out" >&2
    exit 1
fi
cp "$prefix/share/lumbrast/media/MediaSL9/COPPERFX.STY" NEWAVTCH.STY
if ! out=$(info) || [[ $out == *"New Avenue Watch"* ]]; then
    echo "lumbrast-music took the music folder's file over the one here: $out" >&2
    exit 1
fi
echo "install: every file in place under $prefix"
