#include "cli/folder_watch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "platform/file_write.h"
#include "support/temp_dir.h"

namespace zorbex {
namespace {

using zx_test::MakeDirs;
using zx_test::TempDir;
using zx_test::WriteFile;
using Set = std::set<int>;

// The kernel queues an event before the call that caused it returns, so
// what Read gives right after a change is all that change produced.
class FolderWatchTest : public testing::Test {
protected:
    std::string Dir(const std::string& name) {
        MakeDirs(t / name);
        return t / (name + "/");
    }
    TempDir t;
    FolderWatch watch;
};

TEST_F(FolderWatchTest, NamesComingAndGoingReachEveryDefinitionThatWalksTheFolder) {
    const std::string shared = Dir("shared"), own = Dir("own");
    WriteFile(shared + "old.mp3", "x");
    ASSERT_TRUE(watch.SetFolders(1, {shared}));
    ASSERT_TRUE(watch.SetFolders(2, {own, shared}));
    watch.Read();

    WriteFile(shared + "new.mp3", "");
    EXPECT_EQ(watch.Read().definitions, (Set{1, 2}));
    WriteFile(own + "new.mp3", "");
    EXPECT_EQ(watch.Read().definitions, Set{2});
    std::rename((shared + "new.mp3").c_str(), (shared + "renamed.mp3").c_str());
    EXPECT_EQ(watch.Read().definitions, (Set{1, 2}));
    // A file's content is nothing to a playlist.
    WriteFile(shared + "old.mp3", "longer content");
    EXPECT_TRUE(watch.Read().definitions.empty());

    // Definition 2 no longer walks shared/; 1 still does. A folder met twice
    // in one walk (by a link, say) is still one folder.
    ASSERT_TRUE(watch.SetFolders(2, {own, own}));
    ::unlink((shared + "old.mp3").c_str());
    EXPECT_EQ(watch.Read().definitions, Set{1});
    ASSERT_TRUE(watch.SetFolders(1, {}));
    WriteFile(shared + "more.mp3", "");
    EXPECT_TRUE(watch.Read().definitions.empty());
}

TEST_F(FolderWatchTest, ARemovedFolderIsForgottenAndAMissingOneIsSeenComingBack) {
    const std::string music = Dir("music"), sub = Dir("music/sub");
    ASSERT_TRUE(watch.SetFolders(1, {music, sub}));
    const size_t watches = watch.WatchCount();
    std::filesystem::remove_all(sub);
    EXPECT_EQ(watch.Read().definitions, Set{1});
    EXPECT_EQ(watch.WatchCount(), watches - 1);

    // The folder a definition names does not exist: its nearest existing
    // ancestor tells when it appears.
    ASSERT_TRUE(watch.SetFolders(2, {t / "later/deeper/"}));
    watch.Read();
    MakeDirs(t / "later");
    EXPECT_EQ(watch.Read().definitions, Set{2});

    // The folder a definition names is a link: its watch is on the target,
    // yet the link pointed elsewhere is a change too.
    const std::string x = Dir("x"), y = Dir("y"), links = Dir("links");
    ASSERT_EQ(::symlink(x.c_str(), (links + "music").c_str()), 0);
    ASSERT_TRUE(watch.SetFolders(3, {links + "music/"}));
    watch.Read();
    ASSERT_EQ(::symlink(y.c_str(), (links + "music.new").c_str()), 0);
    watch.Read();
    ASSERT_EQ(std::rename((links + "music.new").c_str(), (links + "music").c_str()), 0);
    EXPECT_EQ(watch.Read().definitions, Set{3});
}

// A walk only asks the kernel; the watch notes it all later, in order.
TEST_F(FolderWatchTest, WhatAWalkArmedIsHeardAfterItsSetEnds) {
    const std::string music = Dir("music"), other = Dir("other"), links = Dir("links");
    ASSERT_EQ(::symlink(music.c_str(), (links + "music").c_str()), 0);
    ASSERT_TRUE(watch.SetFolders(1, {links + "music/"}));
    watch.Read();

    // One run: 1 leaves music/ (reached through a link), which 2 then walks
    // by its own name: the kernel gives both paths the same watch.
    watch.Begin(1);
    watch.Visited(other);
    watch.End();
    watch.Begin(2);
    watch.Visited(music);
    // A change between the visit and the end of the set is not lost.
    WriteFile(music + "during.mp3", "");
    watch.End();
    EXPECT_EQ(watch.Read().definitions, Set{2});
    WriteFile(music + "after.mp3", "");
    EXPECT_EQ(watch.Read().definitions, Set{2});

    // Read after the run, the walked folders' links lead to what else to watch.
    FolderWatch::Changes unseen;
    ASSERT_TRUE(watch.ReadPending(unseen));
    const std::string elsewhere = Dir("elsewhere");
    WriteFile(elsewhere + "song.mp3", "");
    ASSERT_EQ(::symlink((elsewhere + "song.mp3").c_str(), (music + "linked.mp3").c_str()), 0);
    watch.Read();
    ASSERT_TRUE(watch.SetFolders(2, {music}));
    ASSERT_TRUE(watch.ReadPending(unseen));
    EXPECT_TRUE(watch.Read().definitions.empty());
    ::unlink((elsewhere + "song.mp3").c_str());
    EXPECT_EQ(watch.Read().definitions, Set{2});
}

TEST_F(FolderWatchTest, OwnOutputsAndTheirTemporariesAreNoChange) {
    const std::string music = Dir("music");
    ASSERT_TRUE(watch.SetFolders(1, {music}));
    watch.SetOwnFiles({{music + "list.m3u", {1}}});
    // The second write replaces a file whose rights it keeps: set on the
    // unnamed temporary, they show under a stand-in name.
    for (const bool unnamed : {false, true}) {
        SCOPED_TRACE(unnamed ? "unnamed temporary" : "named temporary");
        WriteOptions options;
        options.unnamedTemporary = unnamed;
        FileReplacement file(music + "list.m3u", options);
        file.Append(unnamed ? "a\r\n" : "b\r\n");
        ASSERT_TRUE(file.Commit().ok);
        watch.SetOwnFiles({{music + "list.m3u", {1}}});  // as the watch does after every run
        EXPECT_TRUE(watch.Read().definitions.empty());
    }
    // Another file of the same folder is a change, even one named like a
    // temporary of another process.
    WriteFile(music + ".zx-1-2", "");
    EXPECT_EQ(watch.Read().definitions, Set{1});
}

TEST_F(FolderWatchTest, TheSettingsFileIsSeenByNameHoweverItIsWritten) {
    const std::string prog = Dir("prog");
    watch.WatchSettings(prog + "Zorbl.Zrf");
    ASSERT_TRUE(watch.SetFolders(1, {prog}));  // a definition may walk the program's folder too
    WriteFile(prog + "song.mp3", "");
    FolderWatch::Changes c = watch.Read();
    EXPECT_FALSE(c.settings);
    EXPECT_EQ(c.definitions, Set{1});

    ASSERT_TRUE(WriteFileReplacing(prog + "Zorbl.Zrf", "[Zor:bl]\r\n"));  // replaced by a rename
    EXPECT_TRUE(watch.Read().settings);
    WriteFile(prog + "Zorbl.Zrf", "[Zor:bl]\r\nplaylists=1\r\n");  // rewritten in place, as some editors do
    EXPECT_TRUE(watch.Read().settings);
    ::unlink((prog + "Zorbl.Zrf").c_str());
    EXPECT_TRUE(watch.Read().settings);
    // The definition no longer walks it; the settings file is still watched.
    ASSERT_TRUE(watch.SetFolders(1, {}));
    WriteFile(prog + "Zorbl.Zrf", "");
    c = watch.Read();
    EXPECT_TRUE(c.settings);
    EXPECT_TRUE(c.definitions.empty());
}

// What the kernel did not report (events lost, a file system without them)
// is found by a check: names, not times or contents, and not the program's
// own writes.
TEST_F(FolderWatchTest, ACheckFindsWhatNoEventReported) {
    const std::string music = Dir("lib/music"), prog = Dir("prog");
    WriteFile(music + "1.mp3", "");
    watch.WatchSettings(prog + "Zorbl.Zrf");
    watch.SetOwnFiles({{music + "list.m3u", {1}}});
    ASSERT_TRUE(watch.SetFolders(1, {music}));
    FolderWatch::Changes unseen;
    ASSERT_TRUE(watch.ReadPending(unseen));
    EXPECT_TRUE(watch.Check(true).definitions.empty());

    // Events read and dropped stand for events lost.
    ASSERT_TRUE(WriteFileReplacing(music + "list.m3u", "1.mp3\r\n"));
    watch.SetOwnFiles({{music + "list.m3u", {1}}});
    WriteFile(music + "1.mp3", "content");
    watch.Read();
    FolderWatch::Changes c = watch.Check(true);
    EXPECT_TRUE(c.definitions.empty());
    EXPECT_FALSE(c.settings);

    WriteFile(music + "2.mp3", "");
    WriteFile(prog + "Zorbl.Zrf", "[Zor:bl]\r\n");
    watch.Read();
    c = watch.Check(true);
    EXPECT_EQ(c.definitions, Set{1});
    EXPECT_TRUE(c.settings);
    EXPECT_TRUE(watch.Check(true).definitions.empty());  // told once

    // Above the definition's folder: lib/ renamed away, another made.
    ASSERT_EQ(std::rename((t / "lib").c_str(), (t / "old").c_str()), 0);
    MakeDirs(t / "lib/music");
    watch.Read();
    EXPECT_EQ(watch.Check(true).definitions, Set{1});
    // Only what cannot be watched is looked at between the hourly checks.
    EXPECT_FALSE(watch.Polling());
    EXPECT_TRUE(watch.Check(false).definitions.empty());
}

// Folders whose times are old enough are watched on a thread of their own
// after the walk opened (and read) them; one that changed in between is told
// once the run is noted, and the rest are watched as if armed at the visit.
// The program's own writes in between are no change.
TEST_F(FolderWatchTest, AFolderWatchedAfterItsReadStillTellsWhatChangedBefore) {
    std::vector<std::string> quiet;  // batches for the thread, and what is left
    for (int i = 0; i < 100; ++i) quiet.push_back(Dir("quiet/" + std::to_string(i)));
    const std::string changed = Dir("changed"), replaced = Dir("replaced"), removed = Dir("removed");
    const std::string links = Dir("links"), outputs = Dir("outputs"), movedIn = Dir("moved"), lists = Dir("lists");
    ASSERT_EQ(::symlink((t / "target").c_str(), (links + "later").c_str()), 0);
    // The outputs' folders, one named through a link, the other moved in since.
    ASSERT_EQ(::symlink(outputs.c_str(), (links + "out").c_str()), 0);
    watch.SetOwnFiles({{links + "out/a.m3u", {7}}, {lists + "b.m3u", {8}}});
    ASSERT_EQ(std::rename(lists.c_str(), (t / "lists.old").c_str()), 0);
    ASSERT_EQ(std::rename(movedIn.c_str(), lists.c_str()), 0);
    // Older than any file system's clock step.
    std::this_thread::sleep_for(std::chrono::milliseconds(3100));

    // As the walk opened them; then changes before their watches are set.
    const auto open = [](const std::string& folder) { return DirectoryReader().Open(folder); };
    std::vector<DirListing> quietOpened;
    for (const std::string& folder : quiet) quietOpened.push_back(open(folder));
    const DirListing changedOpened = open(changed), replacedOpened = open(replaced),
                     removedOpened = open(removed), laterOpened = open(links + "later/"),
                     missingOpened = open(t / "missing/"), outputsOpened = open(outputs),
                     listsOpened = open(lists);
    ASSERT_TRUE(changedOpened.ok && replacedOpened.ok && removedOpened.ok);
    ASSERT_FALSE(laterOpened.ok || missingOpened.ok);
    WriteFile(changed + "new.mp3", "");
    std::filesystem::remove(replaced);
    MakeDirs(replaced);
    std::filesystem::remove(removed);
    MakeDirs(t / "target");  // the link the walk could not follow leads somewhere now
    ASSERT_TRUE(WriteFileReplacing(outputs + "a.m3u", ""));
    ASSERT_TRUE(WriteFileReplacing(lists + "b.m3u", ""));

    const std::vector<std::pair<std::string, const DirListing*>> walks[] = {
        {}, {}, {{changed, &changedOpened}}, {{replaced, &replacedOpened}}, {{links + "later/", &laterOpened}},
        {{t / "missing/", &missingOpened}}, {{removed, &removedOpened}}, {{outputs, &outputsOpened}},
        {{lists, &listsOpened}}};
    for (int n = 1; n < 9; ++n) {
        watch.Begin(n);
        if (n == 1) {
            for (size_t i = 0; i < quiet.size(); ++i) watch.Visited(quiet[i], &quietOpened[i]);
        }
        for (const auto& [folder, opened] : walks[n]) watch.Visited(folder, opened);
        watch.End();
    }
    FolderWatch::Changes unseen;
    ASSERT_TRUE(watch.ReadPending(unseen));
    EXPECT_EQ(unseen.definitions, (Set{2, 3, 4, 6}));
    EXPECT_FALSE(unseen.settings);

    watch.Read();  // the outputs' folders moved
    WriteFile(quiet.front() + "1.mp3", "");
    WriteFile(quiet.back() + "1.mp3", "");
    EXPECT_EQ(watch.Read().definitions, Set{1});
    // What the thread could not watch is checked instead.
    EXPECT_TRUE(watch.Polling());
    MakeDirs(removed);
    EXPECT_EQ(watch.Check(false).definitions, Set{6});
}

}  // namespace
}  // namespace zorbex
