#include "cli/watch_schedule.h"

#include <gtest/gtest.h>

namespace zorbex {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;
using Time = WatchSchedule::Time;
using List = std::vector<int>;

const Time t0 = WatchSchedule::Time() + std::chrono::hours(1);

TEST(WatchSchedule, ADefinitionWaitsForQuietButNotLongerThanTheLongestDelay) {
    WatchSchedule s;
    EXPECT_FALSE(s.NextDue());  // nothing pending: sleep until an event
    s.Changed(1, t0);
    EXPECT_EQ(s.NextDue(), t0 + seconds(2));
    // An event every second keeps it waiting, up to 30 s after the first.
    for (int i = 1; i < 30; ++i) {
        s.Changed(1, t0 + seconds(i));
        EXPECT_TRUE(s.Take(t0 + seconds(i)).Empty()) << i;
    }
    EXPECT_EQ(s.Take(t0 + seconds(30)).definitions, List{1});
    // Taken means forgotten: the next event starts afresh.
    EXPECT_FALSE(s.NextDue());
    s.Changed(1, t0 + seconds(31));
    EXPECT_EQ(s.NextDue(), t0 + seconds(33));
}

TEST(WatchSchedule, DefinitionsDueTogetherComeOnceInDefinitionOrder) {
    WatchSchedule s;
    s.Changed(3, t0);
    s.Changed(1, t0 + seconds(1));
    s.Changed(3, t0 + seconds(1));
    s.Changed(2, t0 + seconds(10));
    const auto due = s.Take(t0 + seconds(5));
    EXPECT_FALSE(due.fullRun);
    EXPECT_EQ(due.definitions, (List{1, 3}));
    EXPECT_EQ(s.NextDue(), t0 + seconds(12));
    EXPECT_EQ(s.Take(t0 + seconds(12)).definitions, List{2});
}

TEST(WatchSchedule, ASettingsChangeHoldsEverythingBackAndBecomesOneFullRun) {
    WatchSchedule s;
    s.Changed(2, t0);
    s.SettingsChanged(t0 + seconds(1));
    // Definition 2 would be due at 2 s; the settings file is still being written.
    EXPECT_TRUE(s.Take(t0 + seconds(2)).Empty());
    s.SettingsChanged(t0 + seconds(2));
    EXPECT_EQ(s.NextDue(), t0 + seconds(4));
    const auto due = s.Take(t0 + seconds(4));
    EXPECT_TRUE(due.fullRun);
    EXPECT_TRUE(due.definitions.empty());
    // The full run covered definition 2.
    EXPECT_FALSE(s.NextDue());
}

TEST(WatchSchedule, UnwatchedDefinitionsAreRebuiltEveryFewMinutes) {
    WatchSchedule s;
    s.SetPolled({4, 2}, t0);
    EXPECT_EQ(s.NextDue(), t0 + minutes(5));
    s.Changed(2, t0 + minutes(5) - seconds(1));
    EXPECT_EQ(s.Take(t0 + minutes(5) + seconds(1)).definitions, (List{2, 4}));
    // The same set again keeps its rhythm; none stops the polling.
    s.SetPolled({2, 4}, t0 + minutes(6));
    EXPECT_EQ(s.NextDue(), t0 + minutes(10) + seconds(1));
    s.SetPolled({}, t0 + minutes(7));
    EXPECT_FALSE(s.NextDue());
}

}  // namespace
}  // namespace zorbex
