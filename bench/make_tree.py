#!/usr/bin/env python3
"""Generates the engine benchmark tree: 200,000 files in 10,000 folders.

Usage: make_tree.py [ROOT [TOPS [GROUPS]]]

TOPS top folders (100) with 99 subfolders each; 20 files per folder. With
GROUPS, the top folders are spread over "part 0" .. "part GROUPS-1" below
ROOT, one search folder per playlist definition (500 tops in 10 groups give
the unattended benchmark's 1,000,000 files in 50,000 folders). Names mix
Latin and Cyrillic, upper and lower case; extensions mix .mp3/.MP3/.flac/
.Flac with other kinds; about one file in fifty is hidden. Files are empty.
Prints the number of folders, files and of files the mask should pick.
"""
import os
import random
import sys

root = sys.argv[1] if len(sys.argv) > 1 else "/tmp/zorbex-bench-tree"
tops = int(sys.argv[2]) if len(sys.argv) > 2 else 100
groups = int(sys.argv[3]) if len(sys.argv) > 3 else 0
rng = random.Random(4)
LATIN = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
CYRILLIC = "абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
EXTS = [".mp3", ".MP3", ".flac", ".Flac", ".ogg", ".jpg", ".txt", ".mp3", ".flac", ".m4a"]


def word(n):
    letters = CYRILLIC if rng.random() < 0.5 else LATIN
    return "".join(rng.choice(letters) for _ in range(n))


def name(i):
    return "%02d %s %s" % (i, word(rng.randint(4, 10)), word(rng.randint(3, 8)))


if os.path.exists(root):
    sys.exit("%s exists; remove it first" % root)
folders = files = picked = hidden = 0
for top in range(tops):
    parent = os.path.join(root, "part %d" % (top * groups // tops)) if groups else root
    top_dir = os.path.join(parent, "%s %03d" % (word(6), top))
    subs = [top_dir] + [os.path.join(top_dir, "%s %02d" % (word(8), s)) for s in range(99)]
    for folder in subs:
        os.makedirs(folder)
        folders += 1
        for i in range(20):
            ext = rng.choice(EXTS)
            base = name(i) + ext
            if rng.random() < 0.02:
                base = "." + base
                hidden += 1
            with open(os.path.join(folder, base), "w"):
                pass
            files += 1
            if ext.lower() in (".mp3", ".flac") and not base.startswith("."):
                picked += 1
print("folders %d files %d hidden %d expected (not hidden, mp3/flac) %d" % (folders, files, hidden, picked))
