#!/bin/sh
# How the cost of the program grows with the number of definitions: 250,
# 1,000, 4,000 and 10,000 playlist definitions of 10 files each (one folder
# per definition) and 50 unions of 100 members each. Figures:
#   unattended 1st   zorbex /start without a display, every row ticked,
#                    no outputs yet
#   unattended 2nd   the same again, outputs unchanged (left untouched)
#   window auto      zorbex /start offscreen with only definition 1 ticked:
#                    start-up, the half-second timer, the run, the end
#   start-up         the window created and filled, up to its first paint
#   to process       the user's change to the process page (list refilled)
#   to unions        the user's change to the unions page (members refreshed)
# Each is the median of ROUNDS runs, with its ratio to the figure at 1,000
# definitions and the peak memory of the process (max of the rounds).
# Usage: bench/definitions.sh [BUILD_DIR] [ROUNDS] [COUNTS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../out}
rounds=${2:-3}
counts=${3:-250 1000 4000 10000}
bin=$build/bin/zorbex
window=$build/bin/bench_definitions_window
[ -x "$bin" ] && [ -x "$window" ] || { echo "build zorbex and bench_definitions_window first"; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)"; exit 1; }

work=$(mktemp -d /tmp/zorbex-definitions-XXXXXX)
trap 'rm -rf "$work"' EXIT
max=0
for n in $counts; do [ "$n" -gt "$max" ] && max=$n; done

# One folder of 10 empty files per definition.
python3 - "$work/tree" "$max" <<'EOF'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for n in range(1, count + 1):
    folder = os.path.join(root, "d%d" % n)
    os.makedirs(folder)
    for k in range(10):
        open(os.path.join(folder, "track %02d.mp3" % k), "w").close()
EOF

# settings N TICKED: TICKED is "all" or "first".
settings() {
    awk -v n="$1" -v ticked="$2" -v tree="$work/tree" 'BEGIN {
        u = 50
        printf "[Zor:bl]\r\nreset=0\r\nprocess=0\r\nterminate=1\r\nremember=1\r\noverwrite=1\r\n"
        printf "compact=0\r\ntopmost=0\r\nlog=1\r\nplaylists=%d\r\nunions=%d\r\n", n, u
        for (k = 0; k < n + u; k++) printf "item_%d=%d\r\n", k, (ticked == "all" || k == 0)
        for (p = 1; p <= n; p++) {
            printf "[Zor:bl:Playlist:%d]\r\nname=Альбом %d\r\nfile=out/p%d.m3u\r\nmask=*.mp3\r\n", p, p, p
            printf "path=%s/d%d\r\nsubfolders=1\r\nfullpath=1\r\nhidden=0\r\nsystem=0\r\n", tree, p
            printf "ignore_use=0\r\nignore_no=0\r\n"
        }
        for (m = 1; m <= u; m++) {
            printf "[Zor:bl:Union:%d]\r\nname=Сборник %d\r\nfile=out/u%d.m3u\r\n", m, m, m
            for (k = 0; k < 100; k++) printf "unite_%d=1\r\n", ((m - 1) * 100 + k) % n
        }
    }' | iconv -f UTF-8 -t WINDOWS-1251
}

# timed OUT_NAME COMMAND...: seconds and peak KB appended to $work/OUT_NAME.
timed() {
    name=$1
    shift
    t0=$(date +%s.%N)
    /usr/bin/time -f %M -o "$work/mem.txt" "$@" > "$work/out.txt" 2> "$work/err.txt" ||
        { echo "$name failed:"; cat "$work/err.txt"; exit 1; }
    t1=$(date +%s.%N)
    echo "$(echo "$t1 - $t0" | bc) $(tail -n 1 "$work/mem.txt")" >> "$work/$name"
}

# inner NAME COMMAND...: the figure the command prints itself, and its peak KB.
inner() {
    name=$1
    shift
    /usr/bin/time -f %M -o "$work/mem.txt" "$@" > "$work/out.txt" 2> "$work/err.txt" ||
        { echo "$name failed:"; cat "$work/err.txt"; exit 1; }
    echo "$(tail -n 1 "$work/out.txt") $(tail -n 1 "$work/mem.txt")" >> "$work/$name"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
peak() { awk '$2 > m { m = $2 } END { print m }'; }

prog=$work/prog
mkdir "$prog"
cp "$bin" "$prog/zorbex"
cp "$build/bin/zorbhelp.hlp" "$prog/" 2> /dev/null || true
for n in $counts; do
    settings "$n" all > "$work/all.zrf"
    settings "$n" first > "$work/first.zrf"
    for _ in $(seq "$rounds"); do
        cp "$work/all.zrf" "$prog/Zorbl.Zrf"
        rm -rf "$prog/out"
        mkdir "$prog/out"
        timed "first.$n" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog/zorbex" /start
        timed "second.$n" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog/zorbex" /start
        cp "$work/first.zrf" "$prog/Zorbl.Zrf"
        timed "auto.$n" env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$prog/zorbex" /start
        for figure in start process unions; do
            cp "$work/first.zrf" "$prog/Zorbl.Zrf"
            inner "$figure.$n" "$window" "$prog" "$figure"
        done
    done
done

echo "definitions: $counts; rounds: $rounds; settings file at $max: $(settings "$max" all | wc -c) bytes"
echo "file system of /tmp: $(df -T /tmp | awk 'NR==2 {print $2}')"
printf '%-16s %7s %9s %8s %9s\n' figure N median_s ratio peak_MB
for figure in first second auto start process unions; do
    base=$(median < "$work/$figure.1000" 2> /dev/null || echo)
    for n in $counts; do
        m=$(median < "$work/$figure.$n")
        ratio=-
        [ -n "$base" ] && ratio=$(echo "scale=2; $m / $base" | bc)
        printf '%-16s %7d %9.3f %8s %9.1f\n' "$figure" "$n" "$m" "$ratio" "$(echo "$(peak < "$work/$figure.$n") / 1024" | bc -l)"
    done
done
