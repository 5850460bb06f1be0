#!/usr/bin/env bash
# Fails when a lower layer includes a higher one: core must build without Qt
# and without files/settings/platform/ui; files/, settings/ and platform/
# must not include ui/ (the build links them without it, too).
set -u
src="$1"
bad=0
report() {
    echo "$1"
    bad=1
}
while IFS= read -r hit; do report "core includes Qt or a higher layer: $hit"; done < <(
    grep -rnE '#include[[:space:]]*[<"](Q[A-Za-z]*|files/|settings/|platform/|ui/)' "$src/core")
for layer in files settings platform; do
    while IFS= read -r hit; do report "$layer includes ui/: $hit"; done < <(
        grep -rnE '#include[[:space:]]*"ui/' "$src/$layer")
done
while IFS= read -r hit; do report "files includes settings/ or platform/: $hit"; done < <(
    grep -rnE '#include[[:space:]]*"(settings|platform)/' "$src/files")

# Rooms inside core: each includes itself and the rooms listed after it,
# nothing above or beside. A room inside a room (novel/purge) is below it.
declare -A below=(
    [text]=""
    [document]="text"
    [undo]="document text"
    [encoding/internal]="text"
    [encoding]="encoding/internal text"
    [search]="text"
    [tools]="encoding search document text"
    [filetools]="encoding text"
    [novel/purge]="search text"
    [novel]="novel/purge search encoding text"
)
for room in "${!below[@]}"; do
    [ -d "$src/core/$room" ] || { report "core has no room $room"; continue; }
    allowed="$room ${below[$room]}"
    # A room's own sub-rooms are checked on their own, not as part of it.
    while IFS= read -r line; do
        file="${line%%:*}"
        rel="${file#"$src/core/"}"
        [ "$(dirname "$rel")" = "$room" ] || continue
        target="$(sed -nE 's/.*#include[[:space:]]*"core\/(.*)\/[^/]*".*/\1/p' <<<"$line")"
        [ -z "$target" ] && { report "$room includes a file outside every room: $line"; continue; }
        ok=0
        for a in $allowed; do [ "$target" = "$a" ] && ok=1; done
        # The internals may read the room's shared types, and nothing else of it.
        [ "$room" = encoding/internal ] && grep -q '"core/encoding/Types.h"' <<<"$line" && ok=1
        [ "$ok" = 1 ] || report "$room reaches up or sideways: $line"
    done < <(grep -rnE '#include[[:space:]]*"core/' "$src/core/$room")
done
# Private headers: only their own room opens them.
declare -A private=(
    [core/encoding/internal/]=core/encoding/
    [core/novel/purge/Folding.h]=core/novel/purge/
    [core/novel/purge/Rules.h]=core/novel/purge/
)
for header in "${!private[@]}"; do
    while IFS= read -r hit; do report "$header included from outside its room: $hit"; done < <(
        grep -rnF "#include \"$header" "$src" | grep -v "^$src/${private[$header]}")
done
exit "$bad"
