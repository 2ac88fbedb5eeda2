#!/bin/sh
# `zorbex --watch` on the tree of 1,000,000 files in 50,000 folders: 10
# playlist definitions (one per "part" folder, mask *.mp3;*.flac,
# subfolders, full paths) and 2 unions of 5 each. Reports the first run
# (the median of ROUNDS, each after a /start on the same settings, and the
# ratio), the folders watched, the CPU time used while idle, the time from
# a file added deep in one part to its line in that part's playlist (the
# quiet time of 2 s included), which definitions that change rebuilt, and
# the program's peak memory with every folder watched; then what the
# checks cost (bench_watch_check): the hourly check of everything, which
# is also what each poll costs when no folder can be watched, and its CPU
# seconds per hour at the default interval of a minute.
# Usage: bench/watch.sh [--keep] [BUILD_DIR] [TREE_DIR]
#   --keep  leave the generated tree for the next time (it takes minutes)
#   TOPS=n  top folders of the tree, 100 files... see make_tree.py: 500
#           (the default) gives 1,000,000 files in 50,000 folders, 100
#           gives 200,000 in 10,000
#   IDLE=s  seconds of idle measured (default 60)
#   ROUNDS=n  first runs timed, each after a /start (default 5)
set -eu
keep=0
if [ "${1:-}" = "--keep" ]; then keep=1; shift; fi
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../out}
tops=${TOPS:-500}
tree=${2:-/tmp/zorbex-watch-tree-$tops}
idle=${IDLE:-60}
bin=$build/bin/zorbex
[ -x "$bin" ] || { echo "build zorbex first ($bin)"; exit 1; }

. "$here/million_tree.sh"

write_program "$bin"

now() { date +%s.%N; }
# utime + stime of the process, in clock ticks.
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
status_kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status"; }
wait_for() {  # wait_for SECONDS COMMAND...: polls every 10 ms
    limit=$1; shift
    end=$(echo "$(now) + $limit" | bc)
    until "$@"; do
        [ "$(echo "$(now) < $end" | bc)" = 1 ] || return 1
        sleep 0.01
    done
}

find "$tree" > /dev/null  # a warm cache, as for the other benchmarks
echo "fs.inotify.max_user_watches = $(cat /proc/sys/fs/inotify/max_user_watches)"
echo "tree: $(find "$tree" -type d | wc -l) folders, $(find "$tree" -type f | wc -l) files"

# The same settings built by /start: what the watch's first run is measured
# against. The first /start writes every playlist and is not timed; the
# ones after it find them unchanged, as the watch's first run will. Each
# round times one /start, then one watch's first run; a single first run
# alone spreads by a third on a small shared machine.
run_start() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/zorbex" /start > /dev/null 2>&1 ||
        { echo "zorbex /start failed"; exit 1; }
}

# The log reaches log.txt through a reader that notes when each run ends:
# the first run is timed as its last line is written, not by polling the
# file, whose commands would take a core from the run on a small machine
# (and /start runs with nothing beside it). Leaves the watch running as pid.
start_watch() {
    rm -f "$work/log.fifo"
    mkfifo "$work/log.fifo"
    : > "$work/log.txt"
    : > "$work/ends.txt"
    while IFS= read -r line; do
        printf '%s\n' "$line" >> "$work/log.txt"
        [ "$line" != "готово." ] || now >> "$work/ends.txt"
    done < "$work/log.fifo" &
    t0=$(now)
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/zorbex" --watch > "$work/log.fifo" 2> "$work/err.txt" &
    pid=$!
    waited=0
    until [ -s "$work/ends.txt" ]; do
        [ "$waited" -lt 3000 ] && kill -0 "$pid" 2> /dev/null || { echo "the first run did not end"; cat "$work/err.txt"; exit 1; }
        sleep 0.2
        waited=$((waited + 1))
    done
    first=$(echo "$(head -n 1 "$work/ends.txt") - $t0" | bc)
}
pid=
stop() { [ -z "$pid" ] || kill -TERM "$pid" 2> /dev/null || true; wait || true; }

rounds=${ROUNDS:-5}
run_start
: > "$work/starts.txt"
: > "$work/firsts.txt"
trap 'stop; cleanup' EXIT
for r in $(seq "$rounds"); do
    t0=$(now)
    run_start
    echo "$(now) - $t0" | bc >> "$work/starts.txt"
    start_watch
    echo "$first" >> "$work/firsts.txt"
    # The last watch stays for what is measured after its first run.
    [ "$r" = "$rounds" ] || stop
done
median() { sort -n "$1" | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
start=$(median "$work/starts.txt")
first=$(median "$work/firsts.txt")
echo "/start on the same settings: median $start s of $rounds ($(paste -sd, "$work/starts.txt"))"
echo "first run (the whole tree, every folder watched): median $first s of $rounds ($(paste -sd, "$work/firsts.txt"));" \
    "$(echo "scale=2; $first / $start" | bc) x /start (target <= 1.2), by round" \
    "$(paste -d/ "$work/firsts.txt" "$work/starts.txt" | bc -l | sort -n | awk '{v[NR] = $1} END {printf "%.2f .. %.2f", v[1], v[NR]}')"
watches=$(grep -c '^inotify wd:' "/proc/$pid/fdinfo/$(ls -l "/proc/$pid/fd" | awk '/anon_inode:inotify/ {print $9}')")
echo "inotify watches: $watches"
echo "memory after the first run: VmRSS $(status_kb "$pid" VmRSS) kB, VmHWM $(status_kb "$pid" VmHWM) kB"

# Idle from when the watch first sleeps: after the first run it still notes
# and reads the folders it watches (a second or so of CPU).
t0=$(now); before=-1; tries=0
while [ "$(cpu "$pid")" != "$before" ] && [ "$tries" -lt 60 ]; do
    before=$(cpu "$pid"); sleep 0.5; tries=$((tries + 1))
done
echo "asleep after the first run within $(echo "$(now) - $t0" | bc) s"
echo "memory while asleep: VmRSS $(status_kb "$pid" VmRSS) kB"
c0=$(cpu "$pid"); s0=$(status_kb "$pid" voluntary_ctxt_switches)
sleep "$idle"
c1=$(cpu "$pid"); s1=$(status_kb "$pid" voluntary_ctxt_switches)
hz=$(getconf CLK_TCK)
echo "idle for $idle s: $((c1 - c0)) clock ticks of CPU ($hz a second), $((s1 - s0)) wake-ups;" \
    "$(echo "scale=3; ($c1 - $c0) / $hz * 3600 / $idle" | bc) CPU s per hour"

# One file deep in part 3 (definition 4, union 1).
folder=$(find "$tree/part 3" -mindepth 2 -type d | head -1)
lines=$(grep -c '' "$work/log.txt")
t0=$(now)
: > "$folder/added by the benchmark.mp3"
wait_for 120 grep -qF "$folder/added by the benchmark.mp3" "$work/list_4.m3u" || { echo "the file never came"; exit 1; }
t1=$(now)
echo "file added -> its line in list_4.m3u: $(echo "$t1 - $t0" | bc) s (2 s of it the quiet time)"
wait_for 60 sh -c "[ \$(grep -c '' '$work/ends.txt') -ge 2 ]"
echo "rebuilt: $(tail -n +$((lines + 1)) "$work/log.txt" | grep -E '^(плейлист|объединение)' | tr '\n' ' ')"
echo "peak memory (VmHWM): $(status_kb "$pid" VmHWM) kB"
rm -f "$folder/added by the benchmark.mp3"
t0=$(now)
kill -TERM "$pid"
st=0; wait "$pid" || st=$?
wait
echo "SIGTERM -> exit: $(echo "$(now) - $t0" | bc) s, status $st"
trap cleanup EXIT
[ -s "$work/err.txt" ] && { echo "standard error:"; cat "$work/err.txt"; }

out=$("$build/bin/bench_watch_check" "$tree" 5)
echo "$out"
cpu=$(echo "$out" | sed -n 's/^check of everything, nothing changed: .*(\([0-9.]*\) s CPU)$/\1/p')
echo "polling everything (no inotify instance) once a minute: $(echo "$cpu * 60" | bc) CPU s per hour;" \
    "the hourly check alone: $cpu CPU s per hour"
exit 0
