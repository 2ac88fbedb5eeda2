#!/bin/sh
# A full run from the offscreen window against the run without a view, on
# 200,000 files split into 20 definitions, with 3 unions; warm cache.
# Usage: bench/window_run.sh [BUILD_DIR] [TREE_DIR] [ROUNDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../out}
tree=${2:-/tmp/zorbex-window-bench-tree}
rounds=${3:-5}
bin=$build/bin/bench_window_run
[ -x "$bin" ] || { echo "build bench_window_run first ($bin)"; exit 1; }
[ -d "$tree" ] || python3 "$here/make_tree.py" "$tree" 100 20
find "$tree" -type f > /dev/null
"$bin" "$tree" "$rounds"
