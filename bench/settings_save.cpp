// Benchmark: saving and loading one playlist definition in a big settings file.
//
// The file already holds 200 playlist definitions (10 keys each plus 30
// exclusion entries, 10 unions, the options and the remembered ticks; about
// 0.25 MB). One definition is then saved as the playlist editor saves it,
// through WritePlaylistDefinition: the single keys one write each, the count,
// then the exclusion entries in one write. And loaded back through
// ReadPlaylistDefinition.
//
// Scenarios: a new definition 201 (its section is appended at the end of the
// file) and definition 1 saved again (its keys land at the start of the
// file), with 1,000 entries and the three SettingsSync choices (fsync once at
// the end, the default; fsync every write; never); then 100,000 entries.
// Reported: the time and its ratio against writing the same final bytes once
// with a plain file write.
//
// Usage: bench_settings_save [folder|-] [rounds]   (default: a new folder under
// /tmp, 3 rounds; the fsync-per-write case runs once)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/definitions.h"
#include "platform/codepage.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"

using namespace zorbex;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDefinitions = 200;
constexpr int kEntriesEach = 30;

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

PlaylistDefinition Definition(int n, int entries) {
    PlaylistDefinition d;
    d.name = "Новый сборник " + std::to_string(n);
    d.file = "/home/user/Музыка/списки/new_" + std::to_string(n) + ".m3u";
    d.mask = "*.mp3";
    d.path = "/home/user/Музыка/Новое";
    d.ignore_use = true;
    for (int i = 0; i < entries; ++i) d.ignore.push_back("Исключённый файл номер " + std::to_string(i) + ".mp3");
    return d;
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

struct Scenario {
    const char* name;
    int definition;
    int entries;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (argc > 1 && std::string(argv[1]) != "-") {
        dir = argv[1];
    } else {
        char tmpl[] = "/tmp/zorbex-bench-XXXXXX";
        if (!::mkdtemp(tmpl)) return 1;
        dir = tmpl;
    }
    if (dir.back() != '/') dir += '/';
    const std::string path = SettingsPath(dir);
    const std::string start = BigFile();
    std::printf("starting file: %d definitions, %zu bytes; %d rounds (fsync each write: 1 round)\n", kDefinitions,
                start.size(), rounds);
    std::printf("%-34s %-7s %8s %9s %9s %9s %8s %9s\n", "scenario", "fsync", "entries", "median s", "best s",
                "worst s", "ratio", "load ms");

    const Scenario scenarios[] = {{"new definition 201 (end of file)", kDefinitions + 1, 1000},
                                  {"definition 1 again (file start)", 1, 1000},
                                  {"new definition 201 (end of file)", kDefinitions + 1, 100000}};
    bool met = true;
    for (const Scenario& sc : scenarios) {
        const PlaylistDefinition def = Definition(sc.definition, sc.entries);
        std::string reference;
        double plain = 0;
        const bool big = sc.entries > 1000;
        for (SettingsSync d : {SettingsSync::kWhenDone, SettingsSync::kNever, SettingsSync::kEachWrite}) {
            if (big && d != SettingsSync::kWhenDone) continue;
            std::vector<double> times;
            const int n = d == SettingsSync::kEachWrite ? 1 : rounds;
            for (int r = 0; r < n; ++r) {
                if (!WriteFileReplacing(path, start).ok) return 1;
                auto t0 = Clock::now();
                {
                    SettingsFile settings(path, d);  // as the editor does: one object for the save
                    WritePlaylistDefinition(settings, sc.definition, def);
                }  // kWhenDone flushes here, and that is timed too
                times.push_back(Seconds(t0, Clock::now()));
                std::string final = *ReadWholeFile(path);
                if (reference.empty()) reference = final;
                if (final != reference) {
                    std::fprintf(stderr, "final bytes differ between runs\n");
                    return 1;
                }
            }
            std::vector<double> loads;
            for (int r = 0; r < rounds; ++r) {
                auto t0 = Clock::now();
                const PlaylistDefinition back = ReadPlaylistDefinition(SettingsFile(path), sc.definition, "/");
                loads.push_back(Seconds(t0, Clock::now()));
                if (back.ignore != def.ignore || back.name != def.name) {
                    std::fprintf(stderr, "save did not read back\n");
                    return 1;
                }
            }
            if (plain == 0) plain = PlainWrite(dir + "plain.txt", reference);
            const double med = Median(times);
            const char* sync = d == SettingsSync::kWhenDone    ? "at end"
                               : d == SettingsSync::kEachWrite ? "each"
                                                               : "never";
            std::printf("%-34s %-7s %8d %9.3f %9.3f %9.3f %8.0f %9.2f\n", sc.name, sync, sc.entries, med,
                        *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                        med / plain, Median(loads) * 1000);
            if (d == SettingsSync::kWhenDone && med >= (big ? 5.0 : 0.1)) met = false;
        }
        std::printf("%-34s final file %.1f KB; one plain write of it (open, write, close): %.3f ms\n", "",
                    reference.size() / 1024.0, plain * 1000);
    }

    // What one single-key write is made of, on the final file of the first scenario.
    {
        if (!WriteFileReplacing(path, start).ok) return 1;
        {
            SettingsFile s(path, SettingsSync::kNever);
            WritePlaylistDefinition(s, kDefinitions + 1, Definition(kDefinitions + 1, 1000));
        }
        const std::string file = *ReadWholeFile(path);
        constexpr int kReps = 300;
        auto t0 = Clock::now();
        size_t sink = 0;
        for (int i = 0; i < kReps; ++i) {
            std::string f = *ReadWholeFile(path);
            sink += f.size() + ini::SetValue(f, PlaylistSection(kDefinitions + 1), "ignore_" + std::to_string(i), "x").size();
        }
        const double cpu = Seconds(t0, Clock::now()) / kReps;
        t0 = Clock::now();
        for (int i = 0; i < kReps; ++i) WriteFileReplacing(path, file, WriteDurability::kNoSync);
        const double replace = Seconds(t0, Clock::now()) / kReps;
        t0 = Clock::now();
        for (int i = 0; i < 20; ++i) WriteFileReplacing(path, file, WriteDurability::kSync);
        const double replaceSync = Seconds(t0, Clock::now()) / 20;
        std::printf("one write, parts: read + parse + change %.3f ms; replace (temp file, rename) %.3f ms; "
                    "the same with fsync %.3f ms%s\n",
                    cpu * 1000, replace * 1000, replaceSync * 1000, sink ? "" : " ");
    }
    std::printf("ratio = median time of the save / time of one plain write of the final bytes\n");
    std::printf("target (median with the default, fsync at end: 1,000 entries under 0.1 s, 100,000 under 5 s): %s\n",
                met ? "met" : "MISSED");
    if (argc <= 1 || std::string(argv[1]) == "-") std::filesystem::remove_all(dir);
    return 0;
}
