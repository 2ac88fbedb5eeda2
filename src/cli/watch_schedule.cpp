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

void WatchSchedule::SetPolled(std::set<int> definitions, Time now) {
    // A new set starts its own period; an unchanged one keeps its rhythm.
    if (definitions != polled_ || polled_.empty()) nextPoll_ = now + timing_.pollEvery;
    polled_ = std::move(definitions);
}

WatchSchedule::Due WatchSchedule::Take(Time now) {
    Due due;
    if (settings_) {
        // Half a saved file must not be built: everything waits for it.
        if (DueAt(*settings_) > now) return due;
        settings_.reset();
        definitions_.clear();
        due.fullRun = true;
        if (!polled_.empty()) nextPoll_ = now + timing_.pollEvery;
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
    if (!polled_.empty() && nextPoll_ <= now) {
        due.definitions.insert(due.definitions.end(), polled_.begin(), polled_.end());
        nextPoll_ = now + timing_.pollEvery;
        std::sort(due.definitions.begin(), due.definitions.end());
        due.definitions.erase(std::unique(due.definitions.begin(), due.definitions.end()), due.definitions.end());
    }
    return due;
}

std::optional<WatchSchedule::Time> WatchSchedule::NextDue() const {
    if (settings_) return DueAt(*settings_);
    std::optional<Time> next;
    for (const auto& [n, p] : definitions_) {
        const Time at = DueAt(p);
        if (!next || at < *next) next = at;
    }
    if (!polled_.empty() && (!next || nextPoll_ < *next)) next = nextPoll_;
    return next;
}

}  // namespace zorbex
