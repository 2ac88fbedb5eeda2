#include "cli/watch.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "cli/folder_watch.h"
#include "cli/unattended_run.h"
#include "engine/definitions.h"
#include "platform/error_text.h"
#include "platform/file_read.h"
#include "platform/malloc_arenas.h"
#include "settings/settings_file.h"

namespace zorbex {
namespace {

// SIGTERM, SIGINT and SIGHUP, taken out of normal delivery and read from a
// descriptor: the loop sleeps on it beside the watch's, and a rebuild asks
// it at every folder. Blocked before anything else runs, so that no thread
// started later takes them the default way.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set_, s);
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
        fd_ = ::signalfd(-1, &set_, SFD_NONBLOCK | SFD_CLOEXEC);
        if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "signalfd");
    }
    // The mask stays: a second signal during the last steps must not end the
    // process the default way, with half a file written.
    ~StopSignals() { ::close(fd_); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int Descriptor() const { return fd_; }
    bool Received() {
        signalfd_siginfo info{};
        while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) received_ = true;
        return received_;
    }
    // Received, asking the descriptor at most every few milliseconds: a
    // walk asks at every folder, tens of thousands of times a second.
    bool ReceivedLately() {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
        const int64_t ms = int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
        if (received_ || ms - askedMs_ < kAskEveryMs) return received_;
        askedMs_ = ms;
        return Received();
    }

private:
    sigset_t set_{};
    int fd_ = -1;
    bool received_ = false;
    static constexpr int64_t kAskEveryMs = 10;
    int64_t askedMs_ = INT64_MIN / 2;
};

// The unattended host, with the folders every playlist walk visits watched
// as it reaches them, and the stop signals as its stop request.
class WatchHost : public UnattendedHost {
public:
    WatchHost(const ProgramPlaces& places, std::ostream& log, std::ostream& errors, StopSignals& stop,
              FolderWatch& watch)
        : UnattendedHost(places, log, errors), stop_(stop), watch_(watch) {}

    bool StopRequested() override { return stop_.ReceivedLately(); }
    void PhaseStarted(RunPhase phase, int /*count*/) override {
        EndDefinition();
        phase_ = phase;
    }
    void DefinitionStarted(int k, int /*percent*/) override {
        EndDefinition();
        if (phase_ != RunPhase::kPlaylists) return;
        current_ = k;
        watch_.Begin(k);
    }
    // The run loads each definition right after it begins.
    PlaylistDefinition LoadPlaylist(int n) override {
        PlaylistDefinition definition = UnattendedHost::LoadPlaylist(n);
        if (n == current_) watch_.SetSubfolders(n, definition.subfolders);
        return definition;
    }
    void Finished() override { EndDefinition(); }
    // What the runs pass on: every folder a walk visits is watched.
    FolderVisits Visits() {
        return [this](const std::string& folder, const DirListing* opened) { watch_.Visited(folder, opened); };
    }
    // The playlist definitions whose watches were set anew, and whether
    // each could watch all its folders. Taking them clears them.
    std::map<int, bool> TakeWatched() { return std::exchange(watched_, {}); }

private:
    void EndDefinition() {
        if (current_ == 0) return;
        watched_[current_] = watch_.End();
        current_ = 0;
    }

    StopSignals& stop_;
    FolderWatch& watch_;
    RunPhase phase_ = RunPhase::kPlaylists;
    int current_ = 0;
    std::map<int, bool> watched_;
};

// Why the settings file cannot be read now, or nothing when it can.
std::optional<std::string> SettingsUnreadable(const std::string& path) {
    // Not held up by a FIFO or a device put in its place.
    const int fd = OpenRegularFile(path);
    if (fd >= 0) {
        ::close(fd);
        return std::nullopt;
    }
    return SystemErrorText(errno, ErrorUse::kOpen);
}

// The base interval of the checks: ZORBEX_POLL_SECONDS when it is a whole
// number of seconds from 1 to a day.
WatchSchedule::Timing WithPollSetting(WatchSchedule::Timing timing, std::ostream& errors) {
    const char* text = std::getenv("ZORBEX_POLL_SECONDS");
    if (!text || !*text) return timing;
    char* end = nullptr;
    errno = 0;
    const long seconds = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || seconds < 1 || seconds > 86400) {
        errors << "zorbex: ZORBEX_POLL_SECONDS=" << text << " не число секунд от 1 до 86400; опрос каждые "
               << std::chrono::duration_cast<std::chrono::seconds>(timing.pollEvery).count() << " с." << std::endl;
        return timing;
    }
    timing.pollEvery = std::chrono::seconds(seconds);
    return timing;
}

class Watcher {
public:
    Watcher(const ProgramPlaces& places, std::ostream& log, std::ostream& errors, const WatchSchedule::Timing& timing)
        : places_(places),
          settingsPath_(places.SettingsFilePath()),
          log_(log),
          errors_(errors),
          schedule_(timing, WatchSchedule::Clock::now()) {}

    int Run() {
        watch_ = std::make_unique<FolderWatch>();
        // A shortage that may pass (other programs hold the instances):
        // everything is checked instead, and the watch goes on.
        if (const int error = watch_->InstanceError()) {
            // EMFILE from inotify_init1 is the per-user limit on instances.
            const std::string why = error == EMFILE ? "исчерпан предел ядра fs.inotify.max_user_instances"
                                                    : SystemErrorText(error, ErrorUse::kOpen);
            errors_ << "zorbex: не удаётся следить за папками (" << why
                    << "); папки и файл настроек проверяются опросом каждые " << PollSeconds() << " с." << std::endl;
        }
        RunResult first;
        const int status = RunUnattended(places_, errors_, [&] {
            // Watched from here on: the start's own write of `reset` is no change.
            watch_->WatchSettings(settingsPath_);
            host_ = std::make_unique<WatchHost>(places_, log_, errors_, stop_, *watch_);
            // Known before the walks, which then leave them out of what they note.
            watch_->SetOwnFiles(OwnFiles());
            first = zorbex::Run(*host_, places_, host_->Visits());
            return first;
        });
        // A signal during the first run ends the watch as it would later: status 0.
        if (first.status == RunStatus::kStopped) return kExitCompleted;
        if (status == kExitRefused) return status;
        AfterFullRun(first);
        return Loop();
    }

private:
    int Loop() {
        for (;;) {
            FolderWatch::Changes unseen;
            if (!watch_->ReadPending(unseen, [this] { return stop_.Received(); })) return kExitCompleted;
            Note(unseen);
            // A run and the reads after it are done: what they freed goes
            // back before the sleep, which may last hours.
            if (ran_) {
                ReturnFreeMemory();
                ran_ = false;
            }
            const auto wait =
                std::chrono::ceil<std::chrono::milliseconds>(schedule_.NextDue() - WatchSchedule::Clock::now());
            const int timeout = static_cast<int>(std::clamp<int64_t>(wait.count(), 0, 3600 * 1000));
            // Without an instance the descriptor is -1, which poll passes over.
            pollfd fds[2] = {{watch_->Descriptor(), POLLIN, 0}, {stop_.Descriptor(), POLLIN, 0}};
            if (::poll(fds, 2, timeout) < 0) {
                // A signal outside the three (SIGCONT after a stop): wait again.
                if (errno == EINTR) continue;
                // Nothing left to wait on: the watch ends, with what it wrote complete.
                errors_ << "zorbex: ожидание событий не удалось (poll: " << SystemErrorText(errno)
                        << "); наблюдение окончено." << std::endl;
                return kExitRefused;
            }
            if (stop_.Received()) return kExitCompleted;
            Note(watch_->Read());
            const WatchSchedule::Due due = schedule_.Take(WatchSchedule::Clock::now());
            if (due.check != WatchSchedule::Check::kNone) {
                const auto start = WatchSchedule::Clock::now();
                Note(watch_->Check(due.check == WatchSchedule::Check::kEverything));
                const auto end = WatchSchedule::Clock::now();
                schedule_.Checked(end - start, end);
            }
            if (due.fullRun) {
                FullRun();
            } else if (!due.definitions.empty()) {
                Rebuild(due.definitions);
            }
            if (stop_.Received()) return kExitCompleted;
        }
    }

    void Note(const FolderWatch::Changes& changes) {
        const auto now = WatchSchedule::Clock::now();
        if (changes.settings) {
            // Armed again at once: the file's folder may be coming back,
            // or a link to it pointing elsewhere now.
            watch_->WatchSettings(settingsPath_);
            schedule_.SettingsChanged(now);
        }
        for (int n : changes.definitions) schedule_.Changed(n, now);
    }

    void FullRun() {
        if (const auto why = SettingsUnreadable(settingsPath_)) {
            errors_ << "zorbex: файл настроек " << settingsPath_ << " не прочитан (" << *why
                    << "); плейлисты будут пересобраны, когда он снова прочитается." << std::endl;
            return;
        }
        ran_ = true;
        try {
            log_ << RebuildTimeLine() << std::endl;
            host_ = std::make_unique<WatchHost>(places_, log_, errors_, stop_, *watch_);
            const RunResult result = zorbex::Run(*host_, places_, host_->Visits());
            if (result.status != RunStatus::kStopped) AfterFullRun(result);
        } catch (...) {
            errors_ << ErrorText(std::current_exception()) << '.' << std::endl;
        }
    }

    void Rebuild(const std::vector<int>& definitions) {
        // Without the settings there is nothing to build from; their
        // return is a settings change, whose full run covers these.
        if (!host_ || SettingsUnreadable(settingsPath_)) return;
        ran_ = true;
        try {
            log_ << RebuildTimeLine() << std::endl;
            const RunResult result = RunSome(*host_, places_, definitions, host_->Visits());
            if (result.status == RunStatus::kStopped) return;
            // As written now; an output folder made anew has another identity.
            watch_->SetOwnFiles(ownFiles_, &definitions);
            Watched(host_->TakeWatched());
        } catch (...) {
            errors_ << ErrorText(std::current_exception()) << '.' << std::endl;
        }
    }

    // Every definition watched as the run just walked it; one the run did
    // not reach (gone from the settings, or a refused run) no more.
    void AfterFullRun(const RunResult& result) {
        std::map<int, bool> watched = host_->TakeWatched();
        for (int n : watched_) {
            if (!watched.count(n)) {
                watch_->SetFolders(n, {});
                watched.emplace(n, true);
            }
        }
        ownFiles_ = OwnFiles();
        watch_->SetOwnFiles(ownFiles_);
        Watched(watched);
        Note(LostSinceRun(result));
    }

    // Outputs the run left standing that are gone already: another program
    // removed one between its write and the list just taken, which holds it
    // as missing now. What writes it is built again.
    FolderWatch::Changes LostSinceRun(const RunResult& result) const {
        FolderWatch::Changes lost;
        for (const FolderWatch::OwnFile& file : ownFiles_) {
            bool stood = false;
            if (file.playlist > 0 && static_cast<size_t>(file.playlist) <= result.playlists.size()) {
                const BuildOutcome o = result.playlists[file.playlist - 1];
                stood = o == BuildOutcome::kWritten || o == BuildOutcome::kKeptExisting;
            } else if (file.unionNumber > 0 && static_cast<size_t>(file.unionNumber) <= result.unions.size()) {
                const UnionOutcome o = result.unions[file.unionNumber - 1];
                stood = o == UnionOutcome::kWritten || o == UnionOutcome::kKeptExisting;
            }
            if (!stood || StateOf(file.path).exists) continue;
            if (file.definitions.empty()) lost.settings = true;
            lost.definitions.insert(file.definitions.begin(), file.definitions.end());
        }
        return lost;
    }

    // The ticked definitions' outputs, each with what writes it again: the
    // playlist itself, or a member playlist of the union (whose rebuild
    // rebuilds the union).
    std::vector<FolderWatch::OwnFile> OwnFiles() {
        std::vector<FolderWatch::OwnFile> own;
        try {
            const SettingsFile settings(settingsPath_);
            const int playlists = ReadPlaylistCount(settings);
            const int unions = ReadUnionCount(settings);
            const OccupiedList outputs = PlaylistOutputs(*host_, playlists, places_.baseDir);
            for (int n = 1; n <= playlists; ++n) {
                if (host_->RowTicked(n - 1)) own.push_back({outputs.Entries()[n - 1], {n}, n});
            }
            for (int m = 1; m <= unions; ++m) {
                if (!host_->RowTicked(playlists + m - 1)) continue;
                const UnionDefinition definition = host_->LoadUnion(m);
                FolderWatch::OwnFile file{ResolveOutputPath(definition.file, places_.baseDir), {}, 0, m};
                const int members = std::min(playlists, static_cast<int>(definition.members.size()));
                for (int n = 1; n <= members && file.definitions.empty(); ++n) {
                    if (definition.members[n - 1]) file.definitions.push_back(n);
                }
                own.push_back(std::move(file));
            }
        } catch (...) {
            // Without the list an own write costs one more rebuild, which
            // then finds its file unchanged: the watch goes on.
            errors_ << "zorbex: не составлен список файлов, которые пишет сама программа ("
                    << ErrorText(std::current_exception()) << "); их запись вызовет лишнюю пересборку." << std::endl;
        }
        return own;
    }

    // After the watches changed: checks when something is left to them,
    // and one line when the kernel's limit on watches left folders there.
    void Watched(const std::map<int, bool>& watched) {
        for (const auto& [n, complete] : watched) {
            watched_.insert(n);
            if (complete) {
                polled_.erase(n);
            } else {
                polled_.insert(n);
            }
        }
        schedule_.SetPolling(watch_->Polling(), WatchSchedule::Clock::now());
        if (polled_.empty()) {
            limitReported_ = false;
            return;
        }
        if (limitReported_) return;
        limitReported_ = true;
        std::string list;
        for (int n : polled_) list += (list.empty() ? "№" : ", №") + std::to_string(n);
        const bool one = polled_.size() == 1;
        // The limit that applied: where the kernel refused, not a setting
        // that a container or another user's watches may override.
        errors_ << "zorbex: достигнут предел ядра на число наблюдений inotify (inotify_add_watch: ENOSPC, "
                   "наблюдений: "
                << watch_->LimitCount() << "); папки " << (one ? "плейлиста " : "плейлистов ") << list
                << " сверх предела проверяются опросом каждые " << PollSeconds()
                << " с (увеличьте предел: sysctl fs.inotify.max_user_watches=N)." << std::endl;
    }

    long long PollSeconds() const {
        return std::chrono::duration_cast<std::chrono::seconds>(schedule_.PollInterval()).count();
    }

    ProgramPlaces places_;
    std::string settingsPath_;
    std::ostream& log_;
    std::ostream& errors_;
    StopSignals stop_;
    WatchSchedule schedule_;
    std::unique_ptr<FolderWatch> watch_;
    std::unique_ptr<WatchHost> host_;
    std::set<int> watched_;
    std::set<int> polled_;
    std::vector<FolderWatch::OwnFile> ownFiles_;  // of the last full run
    bool limitReported_ = false;
    bool ran_ = true;  // a run since the last return of free memory; the first one too
};

}  // namespace

std::string RebuildTimeLine() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

int RunWatch(const ProgramPlaces& places, std::ostream& log, std::ostream& errors,
             const WatchSchedule::Timing& timing) {
    return Watcher(places, log, errors, WithPollSetting(timing, errors)).Run();
}

}  // namespace zorbex
