#pragma once
// Advisory lock that makes each read-modify-write of the settings file one
// step for every process of ours (and every thread: each lock is its own
// open file description).
//
// What is locked is the settings file's FOLDER (flock on a descriptor of the
// directory; when the file is a symbolic link, the folder of the file it
// leads to, where it is replaced), not the file: a write replaces the file by renaming a new one
// over it, so a lock on the file's inode would be left behind on the old
// inode and a second process could lock the new one at the same time. The
// folder's inode never changes, can be opened even when it is read-only (the
// case where the file is written in place), and no lock file is left beside
// the program.
//
// Writers take it exclusively, readers shared (so that a reader never sees a
// file being rewritten in place). When the folder cannot be opened or locked
// (missing, no read right, a file system without flock) the work goes on
// without the lock: the write then reports its own error, or simply runs
// unprotected as the Windows program always did.
//
// The wait is bounded: our own holders keep the lock for milliseconds, so one
// that keeps it for the whole wait (a stuck earlier run, a script) is taken
// to be stuck, and the lock is then not held and timedOut() says so; the
// caller decides (a write fails, a read goes ahead without it). After such a
// time-out the same folder is tried once, without waiting, until the lock is
// had again: otherwise every one of the many reads of a start-up would wait
// the whole time anew. An uncontended lock still costs one flock call.
#include <chrono>
#include <string>

namespace zorbex {

class SettingsLock {
public:
    enum class Mode { kShared, kExclusive };
    static constexpr std::chrono::milliseconds kDefaultWait{3000};

    SettingsLock(const std::string& filePath, Mode mode, std::chrono::milliseconds wait = kDefaultWait);
    ~SettingsLock();
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;

    bool held() const { return held_; }
    // Someone else held the lock for the whole wait (or, after an earlier
    // time-out on this folder, at the one try).
    bool timedOut() const { return timedOut_; }

private:
    int fd_ = -1;
    bool held_ = false;
    bool timedOut_ = false;
};

}  // namespace zorbex
