#include "cli/watch_schedule.h"

#include <gtest/gtest.h>

namespace zorbex {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;
using Time = WatchSchedule::Time;
using List = std::vector<int>;

const Time t0 = WatchSchedule::Time() + std::chrono::hours(1);

TEST(WatchSchedule, ADefinitionWaitsForQuietButNotLongerThanTheLongestDelay) {
    WatchSchedule s(t0);
    EXPECT_EQ(s.NextDue(), t0 + hours(1));  // nothing pending: sleep until an event or the hourly check
    s.Changed(1, t0);
    EXPECT_EQ(s.NextDue(), t0 + seconds(2));
    // An event every second keeps it waiting, up to 30 s after the first.
    for (int i = 1; i < 30; ++i) {
        s.Changed(1, t0 + seconds(i));
        EXPECT_TRUE(s.Take(t0 + seconds(i)).Empty()) << i;
    }
    EXPECT_EQ(s.Take(t0 + seconds(30)).definitions, List{1});
    // Taken means forgotten: the next event starts afresh.
    EXPECT_EQ(s.NextDue(), t0 + hours(1));
    s.Changed(1, t0 + seconds(31));
    EXPECT_EQ(s.NextDue(), t0 + seconds(33));
}

TEST(WatchSchedule, DefinitionsDueTogetherComeOnceInDefinitionOrder) {
    WatchSchedule s(t0);
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
    WatchSchedule s(t0);
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
    EXPECT_EQ(s.NextDue(), t0 + hours(1));
}

TEST(WatchSchedule, ChecksComeAtAnIntervalThatGrowsWithTheirCostAndEverythingHourly) {
    WatchSchedule s(t0);
    // Nothing left to checks: only the hourly one.
    EXPECT_TRUE(s.Take(t0 + minutes(59)).Empty());
    s.SetPolling(true, t0 + minutes(1));
    EXPECT_EQ(s.NextDue(), t0 + minutes(2));
    const auto due = s.Take(t0 + minutes(2));
    EXPECT_EQ(due.check, WatchSchedule::Check::kPolled);
    // Under a second a check keeps the minute; at 3 s it waits three minutes.
    s.Checked(milliseconds(900), t0 + minutes(2));
    EXPECT_EQ(s.NextDue(), t0 + minutes(3));
    s.Checked(seconds(3), t0 + minutes(2));
    EXPECT_EQ(s.NextDue(), t0 + minutes(5));
    s.Changed(1, t0 + minutes(5));
    EXPECT_EQ(s.Take(t0 + minutes(5)).check, WatchSchedule::Check::kPolled);
    // The hour comes round whatever else is due, and counts as a check.
    const auto hourly = s.Take(t0 + hours(1));
    EXPECT_EQ(hourly.check, WatchSchedule::Check::kEverything);
    EXPECT_EQ(hourly.definitions, List{1});
    s.SetPolling(false, t0 + hours(1));
    EXPECT_EQ(s.NextDue(), t0 + hours(2));
    // A settings change holds the checks back with everything else.
    s.SettingsChanged(t0 + hours(2));
    EXPECT_TRUE(s.Take(t0 + hours(2) + seconds(1)).Empty());
}

}  // namespace
}  // namespace zorbex
