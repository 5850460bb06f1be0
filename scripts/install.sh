#!/usr/bin/env bash
# Sets up what is missing, builds Quillmere in release mode and installs it
# under the given prefix (default ~/.local): the program, its menu entry,
# icon and AppStream metainfo.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
prefix="${1:-$HOME/.local}"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target quillmere
cmake --install "$root/build/release" --prefix "$prefix"
# Let the menus see the new entry at once where the tools are installed.
command -v update-desktop-database >/dev/null && update-desktop-database "$prefix/share/applications" || true
echo "Installed under $prefix; start it with $prefix/bin/quillmere or from the menu."
