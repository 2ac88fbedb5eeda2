#!/bin/sh
# Saving and loading one playlist definition (1,000 and 100,000 exclusion
# entries, through WritePlaylistDefinition and ReadPlaylistDefinition) in a
# settings file of 200 definitions, against one plain write of the final bytes.
# Usage: bench/settings_save.sh [BUILD_DIR] [ROUNDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../out}
rounds=${2:-3}
bin=$build/bin/bench_settings_save
[ -x "$bin" ] || { echo "build bench_settings_save first ($bin)"; exit 1; }
echo "file system of /tmp: $(df -T /tmp | awk 'NR==2 {print $2}')"
"$bin" - "$rounds"
