// Benchmark: saving one playlist definition into a big settings file.
//
// The file already holds 200 playlist definitions (10 keys each plus 30
// exclusion entries, 10 unions, the options and the remembered ticks; about
// 0.3 MB). One definition is then saved exactly as the playlist editor saves
// it (Part 2.1, "Order of writes", step 3): name, file, mask, path, the four
// flags, ignore_use, ignore_no, a read of `playlists` and its write, then
// ignore_0 .. ignore_999 -- one SettingsFile::WriteText per key, each one
// reading the file, changing it and replacing it before it returns.
//
// Scenarios: a new definition 201 (its section is appended and grows at the
// end of the file) and definition 1 saved again with 1000 entries (its keys
// land at the start of the file). Each with the three SettingsSync choices:
// fsync once at the end (the default), fsync every write, never.
// Reported: the time, the time per write, and the ratio against writing the
// same final bytes once with a plain file write.
//
// Usage: bench_settings_save [folder]   (default: a new folder under /tmp)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_write.h"
#include "settings/settings_file.h"

using namespace zorbex;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDefinitions = 200;
constexpr int kEntriesEach = 30;
constexpr int kSavedEntries = 1000;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

std::string Line(const std::string& key, const std::string& value) {
    return key + "=" + EncodeStoreText(value) + "\r\n";
}

// The starting file, as the program would have written it.
std::string BigFile() {
    std::string f = "[Zor:bl]\r\n";
    for (const char* k : {"reset", "process", "terminate", "remember", "overwrite", "compact", "topmost", "log"})
        f += Line(k, "1");
    f += Line("playlists", std::to_string(kDefinitions));
    f += Line("unions", "10");
    for (int i = 0; i < kDefinitions + 10; ++i) f += Line("item_" + std::to_string(i), std::to_string(i % 2));
    for (int n = 1; n <= kDefinitions; ++n) {
        f += "[" + PlaylistSection(n) + "]\r\n";
        f += Line("name", "Сборник номер " + std::to_string(n));
        f += Line("file", "/home/user/Музыка/списки/playlist_" + std::to_string(n) + ".m3u");
        f += Line("mask", "*.mp3");
        f += Line("path", "/home/user/Музыка/Исполнитель " + std::to_string(n));
        for (const char* k : {"subfolders", "fullpath", "hidden", "system", "ignore_use"}) f += Line(k, "1");
        f += Line("ignore_no", std::to_string(kEntriesEach));
        for (int i = 0; i < kEntriesEach; ++i)
            f += Line("ignore_" + std::to_string(i), "Трек " + std::to_string(i) + " (демо).mp3");
    }
    for (int u = 1; u <= 10; ++u) {
        f += "[" + UnionSection(u) + "]\r\n";
        f += Line("name", "Объединение " + std::to_string(u));
        f += Line("file", "union_" + std::to_string(u) + ".m3u");
        for (int j = 0; j < kDefinitions; ++j) f += Line("unite_" + std::to_string(j), std::to_string(j % 3 == 0));
    }
    return f;
}

// Part 3.1's save of definition n, one write per key.
int SaveDefinition(SettingsFile& s, int n) {
    const std::string sec = PlaylistSection(n);
    int writes = 0;
    auto w = [&](const std::string& k, const std::string& v) {
        s.WriteText(sec, k, v);
        ++writes;
    };
    w("name", "Новый сборник " + std::to_string(n));
    w("file", "/home/user/Музыка/списки/new_" + std::to_string(n) + ".m3u");
    w("mask", "*.mp3");
    w("path", "/home/user/Музыка/Новое");
    s.WriteNumber(sec, "subfolders", 1), ++writes;
    s.WriteNumber(sec, "fullpath", 1), ++writes;
    s.WriteNumber(sec, "hidden", 0), ++writes;
    s.WriteNumber(sec, "system", 0), ++writes;
    s.WriteNumber(sec, "ignore_use", 1), ++writes;
    s.WriteNumber(sec, "ignore_no", kSavedEntries), ++writes;
    if (s.ReadNumber(MainSection(), "playlists", 0) < n) s.WriteNumber(MainSection(), "playlists", n), ++writes;
    for (int i = 0; i < kSavedEntries; ++i)
        w("ignore_" + std::to_string(i), "Исключённый файл номер " + std::to_string(i) + ".mp3");
    return writes;
}

double PlainWriteOnce(const std::string& path, const std::string& bytes);

// One plain write of the bytes into a new file (open, write, close; no
// fsync, no rename): the median of nine.
double PlainWrite(const std::string& path, const std::string& bytes) {
    std::vector<double> times;
    for (int i = 0; i < 9; ++i) {
        ::unlink(path.c_str());
        times.push_back(PlainWriteOnce(path, bytes));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double PlainWriteOnce(const std::string& path, const std::string& bytes) {
    auto t0 = Clock::now();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || ::close(fd) != 0) {
        std::perror("plain write");
        std::exit(1);
    }
    return Seconds(t0, Clock::now());
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    if (argc > 1) {
        dir = argv[1];
    } else {
        char tmpl[] = "/tmp/zorbex-bench-XXXXXX";
        if (!::mkdtemp(tmpl)) return 1;
        dir = tmpl;
    }
    if (dir.back() != '/') dir += '/';
    const std::string start = BigFile();
    std::printf("starting file: %d definitions, %zu bytes\n", kDefinitions, start.size());
    std::printf("%-34s %-7s %7s %9s %9s %10s %8s\n", "scenario", "fsync", "writes", "total s", "ms/write", "final KB",
                "ratio");

    std::string reference[2];
    bool allUnderOneSecond = true;
    for (int scenario = 0; scenario < 2; ++scenario) {
        const int n = scenario == 0 ? kDefinitions + 1 : 1;
        for (SettingsSync d : {SettingsSync::kWhenDone, SettingsSync::kEachWrite, SettingsSync::kNever}) {
            const std::string path = SettingsPath(dir);
            if (!WriteFileReplacing(path, start).ok) return 1;
            auto t0 = Clock::now();
            int writes;
            {
                SettingsFile settings(path, d);  // as the editor does: one object for the save
                writes = SaveDefinition(settings, n);
            }  // kWhenDone flushes here, and that is timed too
            double total = Seconds(t0, Clock::now());
            SettingsFile settings(path);
            std::string final = *ReadWholeFile(path);
            if (reference[scenario].empty()) reference[scenario] = final;
            if (final != reference[scenario]) {
                std::fprintf(stderr, "final bytes differ between runs\n");
                return 1;
            }
            // Check the save: the last entry is there and reads back.
            if (settings.ReadNumber(PlaylistSection(n), "ignore_no", 0) != kSavedEntries ||
                settings.ReadText(PlaylistSection(n), "ignore_999", "") != "Исключённый файл номер 999.mp3") {
                std::fprintf(stderr, "save did not read back\n");
                return 1;
            }
            const double plain = PlainWrite(dir + "plain.txt", final);
            const char* sync = d == SettingsSync::kWhenDone ? "at end" : d == SettingsSync::kEachWrite ? "each" : "never";
            std::printf("%-34s %-7s %7d %9.3f %9.3f %10.1f %8.0f\n",
                        scenario == 0 ? "new definition 201 (end of file)" : "definition 1 again (file start)",
                        sync, writes, total, total * 1000 / writes, final.size() / 1024.0,
                        total / plain);
            std::printf("%-34s plain write of the same final bytes once: %.3f ms\n", "", plain * 1000);
            if (d == SettingsSync::kWhenDone && total >= 1.0) allUnderOneSecond = false;
        }
    }
    std::printf("ratio = time of the save / time of that one plain write\n");
    std::printf("target (under 1 s with the default, fsync at end): %s\n", allUnderOneSecond ? "met" : "MISSED");
    if (argc <= 1) std::filesystem::remove_all(dir);
    return 0;
}
