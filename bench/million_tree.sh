# Sourced by the benchmarks over the 1,000,000-file tree (50,000 folders in
# "part 0" .. "part 9", made by make_tree.py). Expects here, tree and keep;
# makes the tree when it is missing, then a work folder in $work that goes
# when the script ends, with the tree unless keep is 1.
if [ ! -d "$tree" ]; then
    # About 1,050,000 inodes and 250 MB of folder blocks.
    free_inodes=$(df --output=iavail "$(dirname "$tree")" | tail -1)
    free_kb=$(df --output=avail -k "$(dirname "$tree")" | tail -1)
    if [ "$free_inodes" -lt 1200000 ] || [ "$free_kb" -lt 1000000 ]; then
        echo "not enough room under $(dirname "$tree"): $free_inodes inodes, $free_kb KB free"; exit 1
    fi
    echo "generating $tree (a few minutes)"
    python3 "$here/make_tree.py" "$tree" "${tops:-500}" 10
fi

work=$(mktemp -d "/tmp/zorbex-$(basename "$0" .sh)-XXXXXX")
cleanup() {
    rm -rf "$work"
    if [ "$keep" = 0 ]; then rm -rf "$tree"; fi
}
trap cleanup EXIT
