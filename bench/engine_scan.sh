#!/bin/sh
# Engine walk + listing + playlist write against find | sort on the same
# generated tree (200,000 files in 10,000 folders), warm cache.
# Usage: bench/engine_scan.sh [BUILD_DIR] [TREE_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../out}
tree=${2:-/tmp/zorbex-bench-tree}
rounds=5
bin=$build/bin/bench_engine_scan
[ -x "$bin" ] || { echo "build bench_engine_scan first ($bin)"; exit 1; }
[ -d "$tree" ] || python3 "$here/make_tree.py" "$tree"

out=$(mktemp -d /tmp/zorbex-bench-out-XXXXXX)
trap 'rm -rf "$out"' EXIT

# Warm the cache for both.
find "$tree" -type f > /dev/null

now() { date +%s.%N; }
best_find=
for _ in $(seq $rounds); do
    t0=$(now)
    find "$tree" -type f \( -iname '*.mp3' -o -iname '*.flac' \) | sort > "$out/find.txt"
    t1=$(now)
    t=$(echo "$t1 - $t0" | bc)
    if [ -z "$best_find" ] || [ "$(echo "$t < $best_find" | bc)" = 1 ]; then best_find=$t; fi
done

/usr/bin/time -v "$bin" "$tree" "$out/engine.m3u" '*.mp3;*.flac' $rounds > "$out/engine.txt" 2> "$out/time.txt"
best_engine=$(awk '/^engine_best_s/ {print $2}' "$out/engine.txt")
peak_kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$out/time.txt")

echo "locale: LANG=${LANG:-} LC_ALL=${LC_ALL:-} LC_COLLATE=${LC_COLLATE:-}"
echo "find | sort lines:   $(wc -l < "$out/find.txt") (hidden files included)"
echo "engine lines:        $(awk '/^engine_lines/ {print $2}' "$out/engine.txt") (hidden files left out)"
printf 'find | sort best:    %.3f s\n' "$best_find"
printf 'engine best:         %.3f s (median %s s)\n' "$best_engine" "$(awk '/^engine_median_s/ {print $2}' "$out/engine.txt")"
printf 'ratio engine/find:   %.2f (target <= 1.5)\n' "$(echo "$best_engine / $best_find" | bc -l)"
printf 'engine peak memory:  %.1f MB (target < 200)\n' "$(echo "$peak_kb / 1024" | bc -l)"
