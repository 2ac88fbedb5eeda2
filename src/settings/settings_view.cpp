#include "settings/settings_view.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>

#include "platform/file_system_kind.h"

namespace zorbex {
namespace {

constexpr int64_t kNsPerSecond = 1000000000;
constexpr int64_t kFineMarginNs = 50 * 1000000;  // a tick of 10 ms and a 10 ms granularity, with room to spare
constexpr int64_t kCoarseMarginNs = 3 * kNsPerSecond;

int64_t Ns(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * kNsPerSecond + t.tv_nsec; }

int64_t NowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Ns(now);
}

// The view's bytes were read (or written) after readFromNs: a change after
// that gets a later change time than the stamp's, unless it falls in the
// stamp's own tick.
bool Settled(const FileStamp& stamp, int64_t readFromNs) {
    return stamp.changedNs + SettingsViews::MarginNs(stamp) <= readFromNs;
}

}  // namespace

SettingsViews::Probe SettingsViews::CurrentProbe() {
    const std::lock_guard guard(mutex_);
    return probe_;
}

SettingsViews::Probe SettingsViews::SystemProbe() { return Probe{StampOf, TimesProveFreshness}; }

void SettingsViews::SetProbe(Probe probe) {
    const std::lock_guard guard(mutex_);
    probe_ = std::move(probe);
    entries_.clear();
}

std::optional<std::string_view> SettingsText::RawValue(std::string_view section, std::string_view key) const {
    std::call_once(indexed_, [this] { index_.emplace(bytes_); });
    return index_->RawValue(section, key);
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, static_cast<int64_t>(st.st_size), Ns(st.st_mtim), Ns(st.st_ctim)};
}

SettingsViews& SettingsViews::Shared() {
    static SettingsViews views;
    return views;
}

int64_t SettingsViews::MarginNs(const FileStamp& stamp) {
    const bool wholeSeconds = stamp.modifiedNs % kNsPerSecond == 0 && stamp.changedNs % kNsPerSecond == 0;
    return wholeSeconds ? kCoarseMarginNs : kFineMarginNs;
}

std::shared_ptr<const SettingsText> SettingsViews::Current(const std::string& path, const Loader& load) {
    const int64_t started = NowNs();
    const Probe probe = CurrentProbe();
    const std::optional<FileStamp> before = probe.stamp(path);
    const std::optional<Entry> kept = before ? Find(path) : std::nullopt;
    if (kept && kept->settled && kept->trusted && kept->stamp == *before) return kept->text;

    std::optional<Loaded> loaded = load();
    if (!loaded) {
        Forget(path);
        return nullptr;
    }
    const std::optional<FileStamp> after = probe.stamp(path);
    if (!before || !after || !(*before == *after)) {
        // Changed while it was read: these bytes serve this read alone.
        Forget(path);
        return std::make_shared<const SettingsText>(std::move(loaded->bytes), loaded->form);
    }
    // The file system asked once per device: the kept view's answer holds
    // while the file stays there.
    const bool trusted = kept && kept->stamp.device == after->device ? kept->trusted : probe.timesProveFreshness(path);
    Entry entry{path, *after, Settled(*after, started), trusted, nullptr};
    // Equal bytes keep the index already built for them.
    if (kept && kept->text->Bytes() == loaded->bytes && kept->text->Form() == loaded->form)
        entry.text = kept->text;
    else
        entry.text = std::make_shared<const SettingsText>(std::move(loaded->bytes), loaded->form);
    std::shared_ptr<const SettingsText> text = entry.text;
    Keep(std::move(entry));
    return text;
}

void SettingsViews::Wrote(const std::string& path, std::string bytes, FileForm form) {
    const Probe probe = CurrentProbe();
    const std::optional<FileStamp> stamp = probe.stamp(path);
    if (!stamp) {
        Forget(path);
        return;
    }
    // Not settled: the next use reads the file once more, since another
    // process may have replaced it between our write and the stat.
    Keep(Entry{path, *stamp, false, probe.timesProveFreshness(path),
               std::make_shared<const SettingsText>(std::move(bytes), form)});
}

std::optional<SettingsViews::Entry> SettingsViews::Find(const std::string& path) {
    const std::lock_guard guard(mutex_);
    for (const Entry& entry : entries_)
        if (entry.path == path) return entry;
    return std::nullopt;
}

void SettingsViews::Keep(Entry entry) {
    const std::lock_guard guard(mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.path == entry.path; });
    if (entries_.size() >= kMaxEntries) entries_.erase(entries_.begin());
    entries_.push_back(std::move(entry));
}

void SettingsViews::Forget(const std::string& path) {
    const std::lock_guard guard(mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.path == path; });
}

}  // namespace zorbex
