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
if [ "$(ls -A "$prefix/bin")" != "quillmere" ]; then
    echo "the installed program wrote into its bin/:"; ls -A "$prefix/bin"; exit 1
fi
echo "installed into $prefix: files, validators and start-up all fine"
