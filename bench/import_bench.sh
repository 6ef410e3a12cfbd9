#!/usr/bin/env bash
# Files per second of orvanta-cli analyse and library add (a whole folder) beside TagLib, on
# COUNT generated tagged MP3 files, warm and (as root, where the kernel allows dropping the
# page cache) cold. Each figure is the median of RUNS runs (3 by default).
# Usage: bench/import_bench.sh BIN COUNT
set -eu
BIN=${1:?bin folder}
COUNT=${2:-5000}
RUNS=${RUNS:-3}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
python3 "$(dirname "$0")/make_tagged_mp3s.py" "$WORK/music" "$COUNT"

# The list is made once, so that finding the files is not timed with the readers; the shell's
# own clock, so that starting a clock program is not timed either.
find "$WORK/music" -name '*.mp3' | sort > "$WORK/list"
cold() {
    sync
    if [ "$CACHE" = cold ]; then echo 3 > /proc/sys/vm/drop_caches; fi
}
# Seconds one command takes, the cache prepared before each run; the median of RUNS.
seconds() {
    local times=()
    for _ in $(seq "$RUNS"); do
        cold
        local t0=$EPOCHREALTIME
        "$@" > /dev/null 2>&1
        local t1=$EPOCHREALTIME
        times+=("$(echo "$t1 - $t0" | bc -l)")
    done
    printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((RUNS + 1) / 2))p"
}
rate() { echo "$COUNT / $1" | bc -l | xargs printf '%.0f'; }
each() { xargs -a "$WORK/list" -d '\n' -s 1000000 "$@"; }
add() {
    rm -rf "$WORK/home"
    mkdir -p "$WORK/home"
    ORVANTA_HOME="$WORK/home" "$BIN/orvanta-cli" library add "$WORK/music"
}

run() {
    CACHE=$1
    taglib=$(rate "$(seconds each "$BIN/taglib_read")")
    analyse=$(rate "$(seconds each "$BIN/orvanta-cli" analyse)")
    added=$(rate "$(seconds add)")
    echo "$CACHE cache, $COUNT files: TagLib $taglib files/s; analyse $analyse files/s" \
        "($(echo "$analyse / $taglib" | bc -l | xargs printf '%.2f')x);" \
        "library add FOLDER $added files/s ($(echo "$added / $taglib" | bc -l | xargs printf '%.2f')x)"
}

each cat > /dev/null # warm
run warm
if [ "$(id -u)" = 0 ] && (echo 3 > /proc/sys/vm/drop_caches) 2>/dev/null; then
    run cold
else
    echo "cold cache: cannot drop the page cache here"
fi
