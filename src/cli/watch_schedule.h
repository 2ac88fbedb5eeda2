#pragma once
// When the watch rebuilds what: a definition is rebuilt once its folders
// have been quiet for a moment, or at the latest some time after its first
// change, so that an album being copied in costs one rebuild, not one per
// file. A change of the settings file holds everything back until the file
// has been quiet too, and is then answered by a full run. Definitions that
// cannot be watched are rebuilt every few minutes instead. Pure timing:
// times are handed in, nothing here reads a clock or sleeps.
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace zorbex {

class WatchSchedule {
public:
    using Clock = std::chrono::steady_clock;
    using Time = Clock::time_point;
    using Duration = Clock::duration;

    struct Timing {
        Duration quiet = std::chrono::seconds(2);      // no event for this long: rebuild
        Duration longest = std::chrono::seconds(30);   // from the first event: rebuild however busy
        Duration pollEvery = std::chrono::minutes(5);  // definitions without watches
    };

    WatchSchedule() = default;
    explicit WatchSchedule(Timing timing) : timing_(timing) {}

    // An event in one of playlist definition n's folders.
    void Changed(int n, Time now);
    void SettingsChanged(Time now);
    // The definitions to rebuild by a full walk every pollEvery, from now on
    // (empty: none). Replaces the previous set.
    void SetPolled(std::set<int> definitions, Time now);

    // What is due at now: a full run (then nothing else, and every pending
    // definition is dropped, since the run covers it), or the definitions
    // to rebuild, ascending. Taking them forgets them; a change after this
    // call counts as new.
    struct Due {
        bool fullRun = false;
        std::vector<int> definitions;
        bool Empty() const { return !fullRun && definitions.empty(); }
    };
    Due Take(Time now);

    // When something next falls due; nothing when nothing is pending, so
    // the caller can sleep until an event.
    std::optional<Time> NextDue() const;

private:
    struct Pending {
        Time first;
        Time last;
    };
    Time DueAt(const Pending& p) const;

    Timing timing_;
    std::map<int, Pending> definitions_;
    std::optional<Pending> settings_;
    std::set<int> polled_;
    Time nextPoll_{};
};

}  // namespace zorbex
