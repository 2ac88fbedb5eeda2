#pragma once
// Depth-first walk of a folder tree that reports what it finds through events.
//
// Order: a folder is reported (OnDirectoryFound) before anything in it is
// read, then its listing is handed to OnDirectoryRead, then its files
// matching the file mask (SetFileMask) go to OnFileFound, then its
// subfolders are visited one by one, and finally OnDirectoryDone fires.
// Siblings come in the user's case-insensitive collation order. Every
// reported path is the start text with names and "/" appended, so the
// caller's spelling is kept.
//
// Hidden folders (a name beginning with ".") are never reported or entered.
// Links to folders are followed, with three limits, each of which leaves the
// folder neither reported nor entered:
// - one that leads back to a folder on the current path, so a link loop
//   cannot make the walk endless or report a folder twice on one branch;
// - a folder whose path passes through a link is entered at most once per
//   walk (by device and inode), so folders linking to each other cost work
//   in the number of folders, not in the number of paths to them; a folder
//   reached by names alone is walked every time, so one link to a sibling
//   or to a folder outside the tree still lists it under the link's path;
// - the kernel's own file systems (proc, sysfs, devtmpfs ...) are never
//   entered through a link.
//
// Each folder is opened once at its visit, by its name in its parent, which
// the walk keeps open while it visits the parent's subfolders.
//
// Once folders prove slow to read (a cold cache: the wait is the disk's),
// they are read ahead of the visit by worker threads (reading only: they
// fire no event), in the visit's own order and a bounded way ahead. Every
// event still fires on the thread that called Scan, in the order above.
// Whether a folder exists and can be opened is decided when it is visited,
// as if it had not been read ahead; its entries may be those read a moment
// earlier.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/wildcard.h"

namespace zorbex {

class TTreeScanner {
public:
    using TNotifyEvent = std::function<void(TTreeScanner& sender)>;
    using TListingEvent = std::function<void(TTreeScanner& sender, DirListing& listing)>;

    TNotifyEvent OnDirectoryFound;
    TNotifyEvent OnDirectoryDone;
    TNotifyEvent OnFileFound;
    // Each folder is read once; a caller that needs its entries takes them
    // here instead of reading it again (moving them out if it likes: the
    // walk needs them no more). FileFound is the folder; listing.ok is
    // false when the folder could not be opened.
    TListingEvent OnDirectoryRead;
    // Called first at every folder visit; the window lets its event loop run here.
    std::function<void()> OnYield;

    const std::string& FileFound() const { return fileFound_; }
    // During OnDirectoryFound: the folder as the visit opened it (identity,
    // times), or as it failed to (ok false, error); nullptr when the folder
    // is only found, not visited.
    const DirListing* FolderOpened() const { return opened_; }
    int64_t FileSize() const { return fileSize_; }
    bool SearchInProgress() const { return searchInProgress_; }

    const std::string& InitialDirectory() const { return initialDirectory_; }
    void SetInitialDirectory(std::string dir) { initialDirectory_ = std::move(dir); }
    // The files OnFileFound reports, whatever their attributes: a mask as a
    // definition's (patterns separated by ";"), compiled here once.
    void SetFileMask(std::string_view mask) { fileMask_ = zorbex::FileMask(mask); }
    bool Recursive() const { return recursive_; }
    void SetRecursive(bool on) { recursive_ = on; }
    // A relative InitialDirectory is read relative to this folder (ending
    // with "/"); empty means the process's current directory. The reported
    // paths keep the relative spelling.
    const std::string& BaseDirectory() const { return baseDirectory_; }
    void SetBaseDirectory(std::string dir) { baseDirectory_ = std::move(dir); }

    // Walks the tree below InitialDirectory (rewritten to end with "/"; an
    // empty one becomes the current directory). Returns when the walk is done.
    void Scan();
    // Ends the walk in progress: no folder is entered after this (call it
    // from an event, OnYield say). Scan then returns; Stopped() tells.
    void Stop() { keepGoing_ = false; }
    bool Stopped() const { return !keepGoing_; }
    // The visit of one folder dir (ending with "/") and everything below it.
    void ScanDirectory(const std::string& dir);

    // Worker threads reading ahead during a recursive walk, from its first
    // folder on; 0 reads every folder on the caller's thread at its visit.
    // Not set: 8 per core (16 at most), once folders prove slow to read.
    int ReadAheadThreads() const { return readAheadThreads_; }
    void SetReadAheadThreads(int n) { readAheadThreads_ = n < 0 ? 0 : n; }
    // A listing OnDirectoryRead gives may leave its files for later
    // (DirListing::AddLaterEntries): its subfolders and links are there,
    // its other entries wait to be made by whoever takes the listing.
    void SetFilesLater(bool on) { filesLater_ = on; }
    // Every listing OnDirectoryRead gives holds all that was done to its
    // folder after OnDirectoryFound returned for it: a folder read ahead is
    // read again unless it provably did not change since.
    void SetCurrentAfterFound(bool on) { currentAfterFound_ = on; }

    // What the last Scan did, for tests and measurement.
    struct Counts {
        uint64_t visits = 0;      // folders reported by a visit
        uint64_t reads = 0;       // folders whose entries were read, ahead or at the visit
        uint64_t readsAhead = 0;  // of those, read by a worker and used as read
    };
    const Counts& LastCounts() const { return counts_; }

private:
    bool OnCurrentPath(uint64_t device, uint64_t inode) const;
    void Fire(const TNotifyEvent& event, const std::string& path, int64_t size);

    std::string fileFound_;
    const DirListing* opened_ = nullptr;
    int64_t fileSize_ = 0;
    bool searchInProgress_ = false;
    std::string initialDirectory_;
    FileMask fileMask_;
    bool recursive_ = true;
    std::string baseDirectory_;

    int readAheadThreads_ = -1;  // not set: chosen by the machine
    bool currentAfterFound_ = false;
    bool filesLater_ = false;

    bool keepGoing_ = false;
    std::string accessPrefix_;                         // put before a reported path to open it
    std::vector<std::pair<uint64_t, uint64_t>> path_;  // device, inode of the folders being visited
    std::set<std::pair<uint64_t, uint64_t>> enteredThroughLink_;
    Counts counts_;
};

}  // namespace zorbex
