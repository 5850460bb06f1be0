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
exit "$bad"
