#pragma once
// When the watch does what: a definition is rebuilt once its folders have
// been quiet for a moment, or at the latest some time after its first
// change, so that an album being copied in costs one rebuild, not one per
// file. A change of the settings file holds everything back until the file
// has been quiet too, and is then answered by a full run. What the kernel
// cannot watch is checked at an interval that grows with what a check
// costs, and everything once an hour, for events lost in any way. Pure
// timing: times are handed in, nothing here reads a clock or sleeps.
#include <chrono>
#include <map>
#include <optional>
#include <vector>

namespace zorbex {

class WatchSchedule {
public:
    using Clock = std::chrono::steady_clock;
    using Time = Clock::time_point;
    using Duration = Clock::duration;

    struct Timing {
        Duration quiet = std::chrono::seconds(2);        // no event for this long: rebuild
        Duration longest = std::chrono::seconds(30);     // from the first event: rebuild however busy
        Duration pollEvery = std::chrono::seconds(60);   // checks of what cannot be watched, at the least
        Duration checkAllEvery = std::chrono::hours(1);  // the check of everything
    };
    // A check takes at most this share of the time: one costing more than
    // pollEvery / kCostShare pushes the next one further away.
    static constexpr int kCostShare = 60;

    explicit WatchSchedule(Time start) : WatchSchedule(Timing{}, start) {}
    WatchSchedule(Timing timing, Time start) : timing_(timing), pollInterval_(timing.pollEvery) {
        nextCheckAll_ = start + timing.checkAllEvery;
    }

    // An event in one of playlist definition n's folders.
    void Changed(int n, Time now);
    void SettingsChanged(Time now);
    // Whether anything is followed by checks alone; they start a full
    // interval after it begins.
    void SetPolling(bool polling, Time now);
    // A check due ended now, after cost: the next one waits the longer of
    // pollEvery and kCostShare times the cost.
    void Checked(Duration cost, Time now);
    Duration PollInterval() const { return pollInterval_; }

    // What is due at now: a full run (then nothing else, and every pending
    // definition is dropped, since the run covers it), or the definitions
    // to rebuild, ascending, and a check. Taking them forgets them; a
    // change after this call counts as new.
    enum class Check { kNone, kPolled, kEverything };
    struct Due {
        bool fullRun = false;
        std::vector<int> definitions;
        Check check = Check::kNone;
        bool Empty() const { return !fullRun && definitions.empty() && check == Check::kNone; }
    };
    Due Take(Time now);

    // When something next falls due; the check of everything at the latest.
    Time NextDue() const;

private:
    struct Pending {
        Time first;
        Time last;
    };
    Time DueAt(const Pending& p) const;

    Timing timing_;
    std::map<int, Pending> definitions_;
    std::optional<Pending> settings_;
    bool polling_ = false;
    Duration pollInterval_;
    Time nextPoll_{};
    Time nextCheckAll_{};
};

}  // namespace zorbex
