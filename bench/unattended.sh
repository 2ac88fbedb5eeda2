#!/bin/sh
# Headless `zorbex /start` against find | sort on the same tree: 1,000,000
# files in 50,000 folders, 10 playlist definitions (one per "part" folder,
# mask *.mp3;*.flac, subfolders, full paths) and 2 unions of 5 each.
# Warm cache; best of ROUNDS for both; peak memory of the program.
# Usage: bench/unattended.sh [--keep] [BUILD_DIR] [TREE_DIR]
#   --keep  leave the generated tree for the next time (it takes minutes)
set -eu
keep=0
if [ "${1:-}" = "--keep" ]; then keep=1; shift; fi
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../out}
tree=${2:-/tmp/zorbex-unattended-tree}
rounds=${ROUNDS:-3}
bin=$build/bin/zorbex
[ -x "$bin" ] || { echo "build zorbex first ($bin)"; exit 1; }

df -h /tmp
. "$here/million_tree.sh"

# A program folder of its own: the settings file lies beside the executable.
write_program "$bin"

mkdir "$work/find"
find_lists() {
    for i in $(seq 1 10); do
        find "$tree/part $((i - 1))" -type f \( -iname '*.mp3' -o -iname '*.flac' \) ! -name '.*' |
            sort > "$work/find/list_$i.m3u"
    done
    cat "$work/find/list_1.m3u" "$work/find/list_2.m3u" "$work/find/list_3.m3u" "$work/find/list_4.m3u" \
        "$work/find/list_5.m3u" > "$work/find/union_1.m3u"
    cat "$work/find/list_6.m3u" "$work/find/list_7.m3u" "$work/find/list_8.m3u" "$work/find/list_9.m3u" \
        "$work/find/list_10.m3u" > "$work/find/union_2.m3u"
}

now() { date +%s.%N; }
smaller() { [ "$(echo "$1 < $2" | bc)" = 1 ]; }

find "$tree" > /dev/null  # warm the cache for both
best_find=
for _ in $(seq "$rounds"); do
    t0=$(now); find_lists; t1=$(now)
    t=$(echo "$t1 - $t0" | bc)
    if [ -z "$best_find" ] || smaller "$t" "$best_find"; then best_find=$t; fi
done

best_run=
peak_kb=0
for _ in $(seq "$rounds"); do
    t0=$(now)
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/time -v -o "$work/time.txt" \
        "$work/zorbex" /start > "$work/log.txt" 2> "$work/err.txt" || status=$?
    t1=$(now)
    [ "$status" = 0 ] || { echo "zorbex /start exited with $status"; cat "$work/err.txt"; exit 1; }
    t=$(echo "$t1 - $t0" | bc)
    if [ -z "$best_run" ] || smaller "$t" "$best_run"; then best_run=$t; fi
    kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")
    if [ "$kb" -gt "$peak_kb" ]; then peak_kb=$kb; fi
done

# Same lines in both, order aside (the program sorts by the user's collation
# folder by folder, sort(1) by whole paths).
same=yes
for f in $(seq 1 10 | sed 's/^/list_/; s/$/.m3u/') union_1.m3u union_2.m3u; do
    tr -d '\r' < "$work/$f" | LC_ALL=C sort > "$work/a.txt"
    LC_ALL=C sort "$work/find/$f" > "$work/b.txt"
    cmp -s "$work/a.txt" "$work/b.txt" || { same=no; echo "lines differ in $f"; }
done

echo "locale: LANG=${LANG:-} LC_ALL=${LC_ALL:-} LC_COLLATE=${LC_COLLATE:-}"
echo "tree: $(find "$tree" -type d | wc -l) folders, $(find "$tree" -type f | wc -l) files"
echo "playlist lines: $(cat "$work"/list_*.m3u | wc -l), union lines: $(cat "$work"/union_*.m3u | wc -l)"
echo "same lines as find | sort: $same"
printf 'find | sort best:       %.3f s (of %d)\n' "$best_find" "$rounds"
printf 'zorbex /start best:     %.3f s (of %d)\n' "$best_run" "$rounds"
printf 'ratio zorbex/find:      %.2f (target <= 1.5)\n' "$(echo "$best_run / $best_find" | bc -l)"
printf 'zorbex peak memory:     %.1f MB (target < 300)\n' "$(echo "$peak_kb / 1024" | bc -l)"
if [ "$keep" = 1 ]; then echo "tree kept: $tree"; fi
