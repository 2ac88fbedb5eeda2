#!/bin/sh
# The walk against what a user would run instead, on one tree of 1,000,000
# files in 50,000 folders: headless `zorbex /start` with one definition
# (the whole tree, mask *.mp3;*.flac, subfolders, full paths), then the
# floor (bench/floor_walk.c, built here: what the kernel alone costs to open
# and read every folder), `find … | sort`, a bare `find …` to /dev/null,
# `fdfind -j2` and `fdfind -j8`, in turn in every round. Warm cache, and
# cold (page cache dropped before every run) when the script may drop it
# (root). Prints the median of ROUNDS per command with its spread (fastest
# and slowest), the ratios, the program's peak memory and the load.
# Usage: bench/walk.sh [--keep] [BUILD_DIR] [TREE_DIR]
#   --keep  leave the generated tree for the next time (it takes minutes)
#   ROUNDS=n (default 7), COLD=0 to skip the cold rounds
set -eu
keep=0
if [ "${1:-}" = "--keep" ]; then keep=1; shift; fi
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../out}
tree=${2:-/tmp/zorbex-walk-tree}
rounds=${ROUNDS:-7}
bin=$build/bin/zorbex
[ -x "$bin" ] || { echo "build zorbex first ($bin)"; exit 1; }

# fd-find, GNU time and a C compiler, from the distribution, when missing.
need=
command -v fdfind > /dev/null || need="$need fd-find"
[ -x /usr/bin/time ] || need="$need time"
command -v cc > /dev/null || need="$need gcc"
if [ -n "$need" ]; then
    sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get install -y $need > /dev/null
fi

. "$here/million_tree.sh"

cc -O2 -o "$work/floor_walk" "$here/floor_walk.c"

# A program folder of its own: the settings file lies beside the executable.
cp "$bin" "$work/zorbex"
{
    printf '[Zor:bl]\r\noverwrite=1\r\nplaylists=1\r\nunions=0\r\nitem_0=1\r\n'
    printf '[Zor:bl:Playlist:1]\r\nfile=walk.m3u\r\nmask=*.mp3;*.flac\r\npath=%s\r\n' "$tree"
    printf 'subfolders=1\r\nfullpath=1\r\nhidden=0\r\nsystem=0\r\nignore_use=0\r\n'
} > "$work/Zorbl.Zrf"

run_zorbex() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/time -v -o "$work/time.txt" \
        "$work/zorbex" /start > "$work/log.txt" 2> "$work/err.txt" ||
        { echo "zorbex /start failed"; cat "$work/err.txt"; exit 1; }
    kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")
    echo "$kb" >> "$work/rss.txt"
}
run_floor() { "$work/floor_walk" "$tree" > /dev/null; }
run_find_sort() {
    find "$tree" -type f \( -iname '*.mp3' -o -iname '*.flac' \) ! -name '.*' | sort > "$work/find.txt"
}
run_find() {
    find "$tree" -type f \( -iname '*.mp3' -o -iname '*.flac' \) ! -name '.*' > /dev/null
}
run_fd2() { fdfind -j2 --no-ignore -t f -e mp3 -e flac . "$tree" > /dev/null; }
run_fd8() { fdfind -j8 --no-ignore -t f -e mp3 -e flac . "$tree" > /dev/null; }
commands="zorbex floor find_sort find fd2 fd8"

can_drop=0
if [ "${COLD:-1}" != 0 ] && [ -w /proc/sys/vm/drop_caches ]; then can_drop=1; fi
drop() { sync; echo 3 > /proc/sys/vm/drop_caches; }

now() { date +%s.%N; }
# mode round: runs every command once, appending its seconds to work/MODE-CMD.
round() {
    for c in $commands; do
        if [ "$1" = cold ]; then drop; fi
        t0=$(now)
        "run_$c"
        t1=$(now)
        echo "$t1 - $t0" | bc >> "$work/$1-$c.txt"
    done
}
median() { sort -n "$1" | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
fastest() { sort -n "$1" | head -1; }
slowest() { sort -n "$1" | tail -1; }
ratio() { echo "$(median "$work/$1-$2.txt") / $(median "$work/$1-$3.txt")" | bc -l; }
# The ratio of each round (the two commands ran one after the other): fastest .. slowest.
round_ratios() {
    paste -d/ "$work/$1-$2.txt" "$work/$1-$3.txt" | bc -l | sort -n | awk '{v[NR] = $1} END {printf "%.2f .. %.2f", v[1], v[NR]}'
}

find "$tree" > /dev/null  # warm
load0=$(cut -d' ' -f1-3 /proc/loadavg)
for _ in $(seq "$rounds"); do round warm; done
if [ "$can_drop" = 1 ]; then
    for _ in $(seq "$rounds"); do round cold; done
fi

# The program sorts folder by folder in the user's collation, sort(1) by
# whole paths: compare the lines, order aside.
tr -d '\r' < "$work/walk.m3u" | LC_ALL=C sort > "$work/a.txt"
LC_ALL=C sort "$work/find.txt" > "$work/b.txt"
same=yes
cmp -s "$work/a.txt" "$work/b.txt" || same=no

echo "locale: LANG=${LANG:-} LC_ALL=${LC_ALL:-} LC_COLLATE=${LC_COLLATE:-}; $(nproc) cores"
echo "load average before: $load0, after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "tree: $(find "$tree" -type d | wc -l) folders, $(find "$tree" -type f | wc -l) files"
echo "playlist lines: $(wc -l < "$work/a.txt"), same lines as find | sort: $same"
modes=warm
if [ "$can_drop" = 1 ]; then modes="warm cold"; else echo "cold: not measured (the page cache cannot be dropped)"; fi
for m in $modes; do
    for c in $commands; do
        f=$work/$m-$c.txt
        printf '%s %-10s median %.3f s of %d (%.3f .. %.3f)\n' "$m" "$c" "$(median "$f")" "$rounds" \
            "$(fastest "$f")" "$(slowest "$f")"
    done
done
printf 'warm zorbex / floor:        %.2f (target <= 1.25), by round %s\n' "$(ratio warm zorbex floor)" \
    "$(round_ratios warm zorbex floor)"
printf 'warm zorbex / find | sort:  %.2f (target <= 0.6)\n' "$(ratio warm zorbex find_sort)"
printf 'warm zorbex / find:         %.2f (target <= 1.0)\n' "$(ratio warm zorbex find)"
printf 'warm zorbex / fdfind -j2:   %.2f\n' "$(ratio warm zorbex fd2)"
if [ "$can_drop" = 1 ]; then
    printf 'cold zorbex / floor:        %.2f\n' "$(ratio cold zorbex floor)"
    printf 'cold zorbex / fdfind -j8:   %.2f (target <= 0.67), by round %s\n' "$(ratio cold zorbex fd8)" \
        "$(round_ratios cold zorbex fd8)"
    printf 'cold zorbex / find:         %.2f\n' "$(ratio cold zorbex find)"
fi
printf 'zorbex peak memory:         %.1f MB (target <= 64)\n' "$(echo "$(sort -n "$work/rss.txt" | tail -1) / 1024" | bc -l)"
if [ "$keep" = 1 ]; then echo "tree kept: $tree"; fi
