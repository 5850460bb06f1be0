#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and runs each for
# a while (60 s unless a number of seconds is given) on the corpus kept in
# fuzz/corpus. Inputs that reach new code are merged back into that corpus;
# a crash leaves its input in build/fuzz/findings and makes the script fail.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
"$root/scripts/setup.sh"
missing=()
for p in clang-14 libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build="$root/build/fuzz"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLMERE_TESTS=OFF -DQUILLMERE_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_codec fuzz_encoding fuzz_table fuzz_settings fuzz_records fuzz_extract

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
status=0
for t in codec encoding table settings records extract; do
    work="$build/work/$t"
    findings="$build/findings/$t"
    mkdir -p "$work" "$findings" "$root/fuzz/corpus/$t"
    echo "== fuzz_$t for ${seconds} s"
    if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -artifact_prefix="$findings/" \
        -print_final_stats=1 "$work" "$root/fuzz/corpus/$t" 2>"$build/fuzz_$t.log"; then
        status=1
        echo "   FINDING: see $findings and $build/fuzz_$t.log"
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz_$t.log" | sed 's/^/   /'
    # Keep only inputs that add coverage.
    "$build/fuzz/fuzz_$t" -merge=1 "$root/fuzz/corpus/$t" "$work" >/dev/null 2>&1 || true
done
exit $status
