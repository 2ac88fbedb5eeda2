#include "cli/watch_schedule.h"

#include <algorithm>

namespace zorbex {

WatchSchedule::Time WatchSchedule::DueAt(const Pending& p) const {
    return std::min(p.last + timing_.quiet, p.first + timing_.longest);
}

void WatchSchedule::Changed(int n, Time now) {
    const auto [it, added] = definitions_.try_emplace(n, Pending{now, now});
    if (!added) it->second.last = now;
}

void WatchSchedule::SettingsChanged(Time now) {
    if (settings_) {
        settings_->last = now;
    } else {
        settings_ = Pending{now, now};
    }
}

void WatchSchedule::SetPolling(bool polling, Time now) {
    if (polling && !polling_) nextPoll_ = now + pollInterval_;
    polling_ = polling;
}

void WatchSchedule::Checked(Duration cost, Time now) {
    pollInterval_ = std::max(timing_.pollEvery, cost * kCostShare);
    nextPoll_ = now + pollInterval_;
}

WatchSchedule::Due WatchSchedule::Take(Time now) {
    Due due;
    if (settings_) {
        // Half a saved file must not be built: everything waits for it.
        if (DueAt(*settings_) > now) return due;
        settings_.reset();
        definitions_.clear();
        due.fullRun = true;
        return due;
    }
    for (auto it = definitions_.begin(); it != definitions_.end();) {
        if (DueAt(it->second) <= now) {
            due.definitions.push_back(it->first);
            it = definitions_.erase(it);
        } else {
            ++it;
        }
    }
    if (nextCheckAll_ <= now) {
        due.check = Check::kEverything;
        nextCheckAll_ = now + timing_.checkAllEvery;
        nextPoll_ = now + pollInterval_;
    } else if (polling_ && nextPoll_ <= now) {
        due.check = Check::kPolled;
        nextPoll_ = now + pollInterval_;
    }
    return due;
}

WatchSchedule::Time WatchSchedule::NextDue() const {
    if (settings_) return DueAt(*settings_);
    Time next = nextCheckAll_;
    if (polling_) next = std::min(next, nextPoll_);
    for (const auto& [n, p] : definitions_) next = std::min(next, DueAt(p));
    return next;
}

}  // namespace zorbex
