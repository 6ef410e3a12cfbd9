#!/usr/bin/env bash
# Builds every target of the fuzz preset (clang; orvanta-cli too, over the instrumented core) and
# runs each libFuzzer target for the given seconds (default 25), starting from the seeds under
# fuzz/corpus. New inputs go to a scratch folder; a crash fails the run and leaves its input in
# build/fuzz/findings.
# Usage: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-25}
./scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/findings
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in id3v1 id3v2 frame_search tag_writer flac ogg mp4 taglib; do
    mkdir -p "$scratch/$target"
    echo "fuzz_$target: ${seconds}s"
    status=0
    build/fuzz/bin/fuzz_$target -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=build/fuzz/findings/$target- "$scratch/$target" fuzz/corpus/$target \
        >"$scratch/$target.log" 2>&1 || status=$?
    grep -E "^stat::(number_of_executed_units|peak_rss_mb)|ERROR|SUMMARY|Done" "$scratch/$target.log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$scratch/$target.log"
        echo "fuzz_$target found a crash"
        exit 1
    fi
done
