#!/bin/sh
# Files per second of orvanta-cli analyse and library add (a whole folder) beside TagLib, on
# COUNT generated tagged MP3 files, warm and (as root, where the kernel allows dropping the
# page cache) cold. Run from the build folder's bin: bench/import_bench.sh BIN COUNT
set -eu
BIN=${1:?bin folder}
COUNT=${2:-5000}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
python3 "$(dirname "$0")/make_tagged_mp3s.py" "$WORK/music" "$COUNT"

now() { date +%s.%N; }
rate() { echo "$COUNT / ($2 - $1)" | bc -l | xargs printf '%.0f'; }
cold() {
    sync
    if [ "${CACHE:-}" = cold ]; then echo 3 > /proc/sys/vm/drop_caches; fi
}
# The list is made once, so that finding the files is not timed with the readers.
find "$WORK/music" -name '*.mp3' | sort > "$WORK/list"
files() { cat "$WORK/list"; }

run() {
    cold; t0=$(now); files | xargs -d '\n' -s 1000000 "$BIN/taglib_read" > /dev/null; t1=$(now)
    taglib=$(rate "$t0" "$t1")
    cold; t0=$(now); files | xargs -d '\n' -s 1000000 "$BIN/orvanta-cli" analyse > /dev/null; t1=$(now)
    analyse=$(rate "$t0" "$t1")
    rm -rf "$WORK/home"; mkdir -p "$WORK/home"
    cold; t0=$(now)
    ORVANTA_HOME="$WORK/home" "$BIN/orvanta-cli" library add "$WORK/music" > /dev/null 2>&1
    t1=$(now)
    add=$(rate "$t0" "$t1")
    echo "$1 cache, $COUNT files: TagLib $taglib files/s; analyse $analyse files/s" \
        "($(echo "$analyse / $taglib" | bc -l | xargs printf '%.2f')x);" \
        "library add FOLDER $add files/s ($(echo "$add / $taglib" | bc -l | xargs printf '%.2f')x)"
}

files | xargs -d '\n' -s 1000000 cat > /dev/null # warm
CACHE=warm run warm
if [ "$(id -u)" = 0 ] && (echo 3 > /proc/sys/vm/drop_caches) 2>/dev/null; then
    CACHE=cold run cold
else
    echo "cold cache: cannot drop the page cache here"
fi
