/* The floor of a folder walk: what the kernel alone costs. Opens each folder
 * relative to its parent's descriptor and reads it with getdents64; sorts,
 * matches and writes nothing. Folders whose names begin with "." are not
 * entered, as the program does not enter them; links are not followed.
 * Prints the folders and the other entries it saw.
 * Usage: floor_walk TREE
 * Built by bench/walk.sh: cc -O2 -o floor_walk floor_walk.c */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static unsigned long long folders, entries;

/* Reads the folder open in fd, closes it, then walks its subfolders. */
static void walk(int fd) {
    static char buf[32768];
    char *subs = NULL; /* the subfolders' names, each ended by a zero */
    size_t used = 0, room = 0;
    long got;
    ++folders;
    while ((got = getdents64(fd, buf, sizeof buf)) > 0) {
        for (long at = 0; at < got;) {
            const struct dirent64 *d = (const struct dirent64 *)(buf + at);
            at += d->d_reclen;
            const char *n = d->d_name;
            if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
            unsigned char type = d->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st;
                type = fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
            }
            if (type != DT_DIR || n[0] == '.') {
                ++entries;
                continue;
            }
            const size_t len = strlen(n) + 1;
            if (used + len > room) {
                room = (used + len) * 2;
                subs = realloc(subs, room);
                if (!subs) abort();
            }
            memcpy(subs + used, n, len);
            used += len;
        }
    }
    for (size_t at = 0; at < used; at += strlen(subs + at) + 1) {
        const int sub = openat(fd, subs + at, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0) walk(sub);
    }
    close(fd);
    free(subs);
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s TREE\n", argv[0]);
        return 2;
    }
    const int fd = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        perror(argv[1]);
        return 1;
    }
    walk(fd);
    printf("folders %llu entries %llu\n", folders, entries);
    return 0;
}
