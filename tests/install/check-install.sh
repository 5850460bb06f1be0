#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it as a desktop
# would: the files are where menus and software centres look, both
# validators pass, and the installed program starts and keeps running.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

id=example.quillmere.Quillmere
for f in bin/quillmere share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg; do
    [ -f "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
[ -x "$prefix/bin/quillmere" ] || { echo "not executable: bin/quillmere"; exit 1; }
[ -x "$prefix/bin/quillmere-tidy" ] || { echo "not executable: bin/quillmere-tidy"; exit 1; }

# The command-line tidier runs with no display at all.
printf '第一章 酒店\r\n鲁镇的酒店的格局。\r\n' > "$prefix/book.txt"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quillmere-tidy" --help \
    >/dev/null || { echo "quillmere-tidy --help failed"; exit 1; }
chapters="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$prefix/bin/quillmere-tidy" chapters "$prefix/book.txt")"
[ "$chapters" = "$(printf '1\tchapter\t第一章 酒店')" ] ||
    { echo "quillmere-tidy chapters printed: $chapters"; exit 1; }
rm "$prefix/book.txt"
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"

# A file named on the command line, as a file manager passes it.
printf 'abc\r\n' > "$prefix/opened.txt"
QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$prefix/data" "$prefix/bin/quillmere" "$prefix/opened.txt" \
    >"$prefix/run.log" 2>&1 &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
    echo "the installed program did not keep running:"
    cat "$prefix/run.log"
    exit 1
fi
kill "$pid"
wait "$pid" 2>/dev/null || true
# Its bin/ is writable here, as ~/.local/bin is: the program's own files go to
# the user's data folder all the same, never beside the executable.
[ -d "$prefix/data/quillmere" ] || { echo "no data folder made: $prefix/data/quillmere"; exit 1; }
if [ "$(ls -A "$prefix/bin" | tr '\n' ' ')" != "quillmere quillmere-tidy " ]; then
    echo "the installed program wrote into its bin/:"; ls -A "$prefix/bin"; exit 1
fi
echo "installed into $prefix: files, validators and start-up all fine"
