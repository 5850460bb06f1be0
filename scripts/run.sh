#!/usr/bin/env bash
# Sets up what is missing, builds Quillmere and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target quillmere
exec "$root/build/release/src/quillmere" "$@"
