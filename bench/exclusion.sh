#!/bin/sh
# A playlist of 1,000,000 lines (1,000 folders of 1,000 files) built with an
# exclusion list of 100,000 entries against the same build without one.
# Target: ratio under 1.5.
# Usage: bench/exclusion.sh [BUILD_DIR] [TREE_DIR] [ROUNDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../out}
tree=${2:-/tmp/zorbex-bench-1m}
rounds=${3:-3}
bin=$build/bin/bench_exclusion
[ -x "$bin" ] || { echo "build bench_exclusion first ($bin)"; exit 1; }
if [ ! -d "$tree" ]; then
    echo "making $tree (1,000,000 empty files) ..."
    "$bin" --make-tree "$tree"
fi
find "$tree" -type d > /dev/null  # warm the cache

res=$("$bin" "$tree" "$rounds")
get() { echo "$res" | awk -v k="$1" '$1 == k {print $2}'; }
echo "lines: $(get lines), exclusion entries: $(get entries), excluded: $(get excluded)"
printf 'without exclusion:  best %s s, median %s s\n' "$(get plain_best_s)" "$(get plain_median_s)"
printf 'with exclusion:     best %s s, median %s s\n' "$(get excluding_best_s)" "$(get excluding_median_s)"
printf 'ratio (best):       %.3f (target < 1.5)\n' "$(echo "$(get excluding_best_s) / $(get plain_best_s)" | bc -l)"
printf 'ratio (median):     %.3f\n' "$(echo "$(get excluding_median_s) / $(get plain_median_s)" | bc -l)"
