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

# The program in $work with a settings file of its own: ten definitions, one
# per part of the tree (*.mp3 and *.flac, subfolders, full paths), all ticked,
# overwriting on, and two unions of five.
write_program() {
    cp "$1" "$work/zorbex"
    {
        printf '[Zor:bl]\r\noverwrite=1\r\nplaylists=10\r\nunions=2\r\n'
        for k in $(seq 0 11); do printf 'item_%d=1\r\n' "$k"; done
        for i in $(seq 1 10); do
            printf '[Zor:bl:Playlist:%d]\r\nfile=list_%d.m3u\r\nmask=*.mp3;*.flac\r\npath=%s/part %d\r\n' \
                "$i" "$i" "$tree" $((i - 1))
            printf 'subfolders=1\r\nfullpath=1\r\nhidden=0\r\nsystem=0\r\nignore_use=0\r\n'
        done
        printf '[Zor:bl:Union:1]\r\nfile=union_1.m3u\r\n'
        for j in $(seq 0 9); do printf 'unite_%d=%d\r\n' "$j" $((j < 5)); done
        printf '[Zor:bl:Union:2]\r\nfile=union_2.m3u\r\n'
        for j in $(seq 0 9); do printf 'unite_%d=%d\r\n' "$j" $((j >= 5)); done
    } > "$work/Zorbl.Zrf"
}
