#pragma once
// Watches set on a thread of their own, after the walk has read a folder
// rather than before. Setting a watch is the kernel's work (the path looked
// up, a mark made, every later call in the folder told of it): a fifth of a
// watched walk's time, now spent on the other core. What the folder was
// when the walk opened it comes with it; once it is watched, the folder is
// asked again, and a folder that changed in between is told, not lost.
// Only for folders whose times prove it: changed well before the walk
// opened them (see FolderWatch::ArmLater).
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/folder_state.h"

namespace zorbex {

class WatchArmer {
public:
    struct Result {
        int wd = -1;
        int error = 0;     // errno when wd < 0
        bool same = true;  // watched, the folder still is as expected (always when not watched)
    };

    // fd: the inotify instance; events: what each watch asks for.
    WatchArmer(int fd, uint32_t events) : fd_(fd), events_(events) {}
    // Waits for the thread; what was added and not taken is dropped.
    ~WatchArmer();
    WatchArmer(const WatchArmer&) = delete;
    WatchArmer& operator=(const WatchArmer&) = delete;

    // folder (a path) is to be watched; expected: what it was at the walk's open.
    void Add(std::string_view folder, const PathState& expected);
    // Waits until every folder added is watched, and appends their results
    // to results in the order they were added.
    void Take(std::vector<Result>& results);

private:
    static constexpr size_t kBatch = 32;
    static constexpr size_t kSpares = 4;
    struct Batch {
        std::string paths;  // each ends with a NUL
        std::vector<PathState> expected;
        std::vector<Result> results;
    };
    void Arm(Batch& batch) const;
    void HandOver();
    // Keeps the batch's results, and the batch for later use.
    void Collect(std::unique_ptr<Batch> batch);
    void Work();

    const int fd_;
    const uint32_t events_;
    // The caller's side: the batch being filled, results of batches done.
    std::unique_ptr<Batch> filling_;
    std::vector<std::unique_ptr<Batch>> spare_;
    std::vector<std::unique_ptr<Batch>> collected_;
    std::vector<Result> results_;

    std::mutex mu_;
    std::condition_variable wake_;  // a batch handed over, or stop
    std::condition_variable done_;  // the thread armed every batch handed over
    // Handed over in order; the thread arms them in place, so that it
    // allocates nothing (an allocation there would wait on the walk's).
    // Those it is done with go back at the next hand-over.
    std::vector<std::unique_ptr<Batch>> handed_;
    size_t armed_ = 0;  // of handed_, from its start
    bool waiting_ = false;
    bool stop_ = false;
    bool cannotStart_ = false;
    std::thread thread_;
};

}  // namespace zorbex
