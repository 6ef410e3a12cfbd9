#!/usr/bin/env bash
# Files per second of orvanta-cli analyse and library add (a whole folder) beside TagLib, on
# COUNT generated tagged MP3 files, warm and (as root, where the kernel allows dropping the
# page cache) cold. Each figure is the median of RUNS runs (3 by default).
# With MIXED=1 a fifth of the files each are MP3, FLAC, Ogg Vorbis, Opus and M4A, TagLib reads
# each by its format, and analyse (MP3 only) is left out.
# COLD=0 leaves the cold runs out.
# Usage: [MIXED=1] [COLD=0] bench/import_bench.sh BIN COUNT
set -eu
BIN=${1:?bin folder}
COUNT=${2:-5000}
RUNS=${RUNS:-3}
MIXED=${MIXED:-0}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
if [ "$MIXED" = 1 ]; then
    # mutagen tags the copies: the system's python has it.
    /usr/bin/python3 "$(dirname "$0")/make_tagged_mp3s.py" "$WORK/music" "$COUNT" mixed
else
    python3 "$(dirname "$0")/make_tagged_mp3s.py" "$WORK/music" "$COUNT"
fi

# The list is made once, so that finding the files is not timed with the readers; the shell's
# own clock, so that starting a clock program is not timed either.
find "$WORK/music" -type f | sort > "$WORK/list"
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

ratio() { echo "$1 / $2" | bc -l | xargs printf '%.2f'; }
run() {
    CACHE=$1
    taglib=$(rate "$(seconds each "$BIN/taglib_read")")
    added=$(rate "$(seconds add)")
    if [ "$MIXED" = 1 ]; then
        echo "$CACHE cache, $COUNT mixed files: TagLib $taglib files/s;" \
            "library add FOLDER $added files/s ($(ratio "$added" "$taglib")x)"
        return
    fi
    analyse=$(rate "$(seconds each "$BIN/orvanta-cli" analyse)")
    echo "$CACHE cache, $COUNT files: TagLib $taglib files/s; analyse $analyse files/s" \
        "($(ratio "$analyse" "$taglib")x);" \
        "library add FOLDER $added files/s ($(ratio "$added" "$taglib")x)"
}

each cat > /dev/null # warm
run warm
if [ "${COLD:-1}" = 0 ]; then
    exit 0
fi
if [ "$(id -u)" = 0 ] && (echo 3 > /proc/sys/vm/drop_caches) 2>/dev/null; then
    run cold
else
    echo "cold cache: cannot drop the page cache here"
fi
