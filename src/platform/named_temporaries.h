#pragma once
// The temporary files that a replacement names in its target's folder: on
// file systems without unnamed files (FUSE, network file systems) while the
// bytes are written, and everywhere for the moment between linking a
// complete file and renaming it over the target.
//
// A name is ".zx-PID-N": hidden, and the process it belongs to is in it.
// It is never longer than the target's own name or a short fixed length,
// whichever is longer, nor than the folder allows, so a temporary fits
// wherever its target does.
//
// The writer holds an open-file-description lock on its temporary from
// before the name can be seen until the rename (HoldTemporary). Such a lock
// is the same in every PID namespace and reaches the server of a network
// file system, so the process number alone never decides that a temporary
// is left over.
//
// Nothing is left behind when the program is ended:
// - by SIGTERM, SIGINT or SIGHUP: the handler that RemoveTemporariesOnTermination
//   installs removes the temporaries still being written, then ends the
//   process by the same signal;
// - by anything else (SIGKILL, a crash, a power loss): the next write of any
//   process of ours into that folder removes what is provably a left-over
//   temporary: a name of the form above, a regular file of the running
//   user, whose process is not running here, and whose lock nobody holds;
//   the file removed is the one that was opened and locked.
#include <sys/types.h>

#include <string>
#include <string_view>

namespace zorbex {

// A fresh name for a temporary of this process in folder (a descriptor),
// for a target whose name has targetLength bytes; empty when the folder
// takes no name long enough to be told apart.
std::string TemporaryName(int folder, size_t targetLength);

// The process number in a name of our temporaries' form, or 0.
pid_t TemporaryOwner(std::string_view name);

// Takes the writer's lock on a temporary open as fd, before it gets a name
// or just after it was created under one; the descriptor (or a duplicate)
// stays open until the rename. False when another process's sweep holds
// it. A file system without locks takes none, and the temporary is still
// used.
bool LockTemporary(int fd);

// LockTemporary on a temporary just created as name in folder, and the name
// still holds it (a sweep may have removed it before the lock): false
// means the caller takes another name.
bool HoldTemporary(int folder, const std::string& name, int fd);

// Removes from folder the left-over temporaries described above. A folder is read at a process's first write there and
// then at most every few minutes, so that frequent writes do not read a
// large folder every time.
void RemoveStaleTemporaries(int folder);

// Registers a named temporary while it exists, for the signal handler to
// remove. folder must stay open while it is registered. Registration is
// best effort: past a few dozen temporaries at once, the rest are left to
// the sweep above.
class LiveTemporary {
public:
    LiveTemporary(int folder, const std::string& name);
    ~LiveTemporary();
    LiveTemporary(const LiveTemporary&) = delete;
    LiveTemporary& operator=(const LiveTemporary&) = delete;

private:
    int slot_;
};

// Installs the handler for SIGTERM, SIGINT and SIGHUP, once, at the start of
// the program. A signal the process was started with ignored (nohup) stays
// ignored, and one that already has a handler keeps it; a handler installed
// later replaces this one. Nothing is blocked.
void RemoveTemporariesOnTermination();

}  // namespace zorbex
