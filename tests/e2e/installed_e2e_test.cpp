// The program installed where its user cannot write (a package, a folder of
// root's), run by a user with settings of their own; and the package itself.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;
using zx_test::Exists;
using zx_test::MakeDirs;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;

namespace {

struct Result {
    int status = -1;
    std::string out;  // standard output and error
};

// A shell command in this process's environment.
Result Shell(const std::string& command) {
    Result result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) result.out.append(buf, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return result;
}

std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The command run by the unprivileged user with only the environment given
// ("NAME=value ..."), without a display: "status\noutput".
std::string AsUser(const std::string& env, const std::string& command) {
    return zx_test::RunUnprivileged([&] {
               const Result r = Shell("env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 " + env + " " + command);
               return std::to_string(r.status) + "\n" + r.out;
           })
        .value_or("<child failed>");
}

// Readable and searchable by everyone, writable by its owner (root) only.
void OpenToAll(const std::string& path) {
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
}

const char* const kAdminSettings =
    "[Zor:bl]\r\nreset=1\r\nplaylists=1\r\nitem_0=1\r\n[Zor:bl:Playlist:1]\r\nfile=list.m3u\r\nmask=*.mp3\r\n"
    "subfolders=0\r\nfullpath=0\r\npath=";

}  // namespace

// A program folder of root's: each user keeps the settings file in
// ~/.config/zorbex/, started as a copy of root's file, and the relative
// outputs in their music folder.
TEST(InstalledProgram, AUserWhoCannotWriteTheProgramFolderHasSettingsOfTheirOwn) {
    ZX_REQUIRE_UNPRIVILEGED();
    TempDir dir;
    OpenToAll(dir.path());
    const std::string prog = dir / "lib/zorbex/";
    MakeDirs(prog);
    OpenToAll(dir / "lib");
    OpenToAll(prog);
    fs::copy_file(ZORBEX_EXE, prog + "zorbex");
    WriteFile(dir / "media/a.mp3", "");
    OpenToAll(dir / "media");
    const std::string admin = kAdminSettings + dir.path() + "media\r\n";
    WriteFile(prog + "Zorbl.Zrf", admin);
    OpenToAll(prog + "Zorbl.Zrf");
    const std::string home = dir / "home";
    MakeDirs(home);
    zx_test::GiveToUnprivileged(home);
    const std::string user = home + "/.config/zorbex/";

    const std::string help = AsUser("HOME=" + Quoted(home), Quoted(prog + "zorbex") + " --help");
    EXPECT_EQ(help.substr(0, 2), "0\n") << help;
    EXPECT_NE(help.find("Файл настроек: " + user + "Zorbl.Zrf\n"), std::string::npos) << help;
    // Asking makes nothing, not even the folder.
    EXPECT_FALSE(Exists(home + "/.config")) << help;

    // Unattended, with a relative XDG_CONFIG_HOME, which is ignored; the
    // relative output goes to the music folder.
    const std::string music = home + "/Music/";
    MakeDirs(music);
    zx_test::GiveToUnprivileged(music);
    const std::string run =
        AsUser("HOME=" + Quoted(home) + " XDG_CONFIG_HOME=rel", Quoted(prog + "zorbex") + " /start");
    EXPECT_EQ(run.substr(0, 2), "0\n") << run;
    EXPECT_EQ(ReadFile(music + "list.m3u"), "a.mp3\r\n");
    EXPECT_FALSE(Exists(user + "list.m3u"));
    const std::string own = ReadFile(user + "Zorbl.Zrf");
    EXPECT_EQ(own.rfind("[Zor:bl]\r\nreset=0\r\nplaylists=1\r\n", 0), 0u) << own;
    EXPECT_EQ(ReadFile(prog + "Zorbl.Zrf"), admin);
    EXPECT_FALSE(Exists(prog + "list.m3u"));

    // The window does the same with the user's file: an automatic run that
    // ends the program.
    fs::remove(music + "list.m3u");
    const std::string window = AsUser("HOME=" + Quoted(home) + " QT_QPA_PLATFORM=offscreen",
                                      "timeout 20 " + Quoted(prog + "zorbex") + " /start");
    EXPECT_EQ(window.substr(0, 2), "0\n") << window;
    EXPECT_EQ(ReadFile(music + "list.m3u"), "a.mp3\r\n");

    // Nowhere to write: both places named, status 2, nothing built.
    const std::string nowhere =
        AsUser("HOME=" + Quoted(home) + " XDG_CONFIG_HOME=" + Quoted(prog), Quoted(prog + "zorbex") + " /start");
    EXPECT_EQ(nowhere.substr(0, 2), "2\n") << nowhere;
    EXPECT_NE(nowhere.find("«" + prog + "»"), std::string::npos) << nowhere;
    // The user's folder would be the executable itself: a file, and said so.
    EXPECT_NE(nowhere.find("«" + prog + "zorbex» - не каталог"), std::string::npos) << nowhere;
}

// The package made from this build into the folder; "" when none was made.
std::string MakePackage(const std::string& folder, std::string& output) {
    const Result made = Shell(std::string(ZORBEX_CPACK) + " --config " + Quoted(ZORBEX_BUILD_DIR "/CPackConfig.cmake") +
                              " -B " + Quoted(folder));
    output = made.out;
    if (made.status != 0) return "";
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".deb") return entry.path().string();
    return "";
}

// The Debian package, made from this build into a folder of its own.
TEST(Package, HoldsTheProgramItsEntriesAndItsLicence) {
    if (access(ZORBEX_CPACK, X_OK) != 0 ||
        Shell("command -v dpkg-deb && command -v dpkg-shlibdeps && command -v file").status != 0)
        GTEST_SKIP() << "cpack, dpkg or file is missing";
    TempDir dir;
    std::string made;
    const std::string deb = MakePackage(dir / "one", made);
    ASSERT_NE(deb, "") << made;
    // Made again, the same bytes: nothing of the moment it was made gets in.
    const std::string again = MakePackage(dir / "two", made);
    ASSERT_NE(again, "") << made;
    EXPECT_EQ(Shell("cmp " + Quoted(deb) + " " + Quoted(again)).status, 0);
    const std::string arch = Shell("dpkg --print-architecture").out;
    EXPECT_EQ(fs::path(deb).filename().string(), "zorbex_4.0i_" + arch.substr(0, arch.find('\n')) + ".deb");

    const std::string fields = Shell("dpkg-deb -f " + Quoted(deb)).out;
    EXPECT_NE(fields.find("Package: zorbex\n"), std::string::npos) << fields;
    // Computed from the libraries the program links.
    EXPECT_NE(fields.find("libqt6widgets6"), std::string::npos) << fields;
    EXPECT_NE(fields.find("libicu"), std::string::npos) << fields;

    const std::string root = dir / "root";
    ASSERT_EQ(Shell("dpkg-deb -x " + Quoted(deb) + " " + Quoted(root)).status, 0);
    EXPECT_EQ(fs::read_symlink(root + "/usr/bin/zorbex"), "../lib/zorbex/zorbex");
    EXPECT_EQ(access((root + "/usr/lib/zorbex/zorbex").c_str(), X_OK), 0);
    // The files that name the version are made with the one the program shows.
    const std::string help = ReadFile(root + "/usr/lib/zorbex/zorbhelp.hlp");
    EXPECT_EQ(help.rfind("; Справка программы Zorbex v4.0i.\n", 0), 0u) << help.substr(0, 80);
    EXPECT_EQ(Shell("gzip -dc " + Quoted(root + "/usr/share/doc/zorbex/changelog.gz") + " | head -1").out,
              "zorbex (4.0i) unstable; urgency=medium\n");
    EXPECT_EQ(Shell("gzip -dc " + Quoted(root + "/usr/share/man/ru/man1/zorbex.1.gz") + " | head -1").out,
              ".TH ZORBEX 1 \"Декабрь 2026\" \"Zorbex 4.0i\" \"Команды пользователя\"\n");
    for (const char* size : {"16x16", "22x22", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
        const std::string png = ReadFile(root + "/usr/share/icons/hicolor/" + size + "/apps/zorbex.png");
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n") << size;
    }
    EXPECT_NE(ReadFile(root + "/usr/share/icons/hicolor/scalable/apps/zorbex.svg").find("<svg"), std::string::npos);
    EXPECT_TRUE(Exists(root + "/usr/share/man/man1/zorbex.1.gz"));
    const std::string desktop = root + "/usr/share/applications/org.example.zorbex.desktop";
    const std::string entry = ReadFile(desktop);
    EXPECT_NE(entry.find("\nExec=zorbex\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=zorbex\n"), std::string::npos) << entry;
    // The class the window gets (the application's name), so docks match it.
    EXPECT_NE(entry.find("\nStartupWMClass=Zorbex\n"), std::string::npos) << entry;
    // The mark that keeps the package's program folder unwritten, and the Russian manual.
    EXPECT_TRUE(Exists(root + "/usr/lib/zorbex/zorbex.package"));
    EXPECT_TRUE(Exists(root + "/usr/share/man/ru/man1/zorbex.1.gz"));

    // Hardened as Debian builds: read-only relocations bound at start, a
    // stack protector.
    const std::string exe = root + "/usr/lib/zorbex/zorbex";
    const std::string dynamic = Shell("readelf -dlW " + Quoted(exe)).out;
    EXPECT_NE(dynamic.find("GNU_RELRO"), std::string::npos);
    EXPECT_NE(dynamic.find("BIND_NOW"), std::string::npos) << dynamic;
    const std::string symbols = Shell("readelf --dyn-syms -W " + Quoted(exe)).out;
    EXPECT_NE(symbols.find("__stack_chk_fail"), std::string::npos);

    // The switches complete in bash.
    const std::string completion = root + "/usr/share/bash-completion/completions/zorbex";
    const Result completed = Shell("bash -c 'source " + completion +
                                   "; COMP_WORDS=(zorbex --v); COMP_CWORD=1; _zorbex; echo \"${COMPREPLY[*]}\"'");
    EXPECT_EQ(completed.out, "--version\n");

    // The user units, there and valid, but enabled by no one.
    const std::string units = root + "/usr/lib/systemd/user/";
    for (const char* unit : {"zorbex.service", "zorbex.timer", "zorbex-watch.service"})
        EXPECT_TRUE(Exists(units + unit)) << unit;
    EXPECT_NE(ReadFile(units + "zorbex.service").find("\nExecStart=/usr/bin/zorbex /start\n"), std::string::npos);
    EXPECT_FALSE(Exists(root + "/usr/lib/systemd/user/timers.target.wants"));
    if (Shell("command -v systemd-analyze").status == 0) {
        // Verified as installed: the same units, the program named inside the unpacked package.
        const std::string copies = dir / "units/";
        std::string names;
        for (const char* unit : {"zorbex.service", "zorbex.timer", "zorbex-watch.service"}) {
            std::string text = ReadFile(units + unit);
            for (size_t at; (at = text.find("=/usr/bin/zorbex")) != std::string::npos;)
                text.replace(at, 16, "=" + root + "/usr/bin/zorbex");
            WriteFile(copies + unit, text);
            names += " " + Quoted(copies + unit);
        }
        MakeDirs(dir / "runtime");
        fs::permissions(dir / "runtime", fs::perms::owner_all);
        const Result verified =
            Shell("XDG_RUNTIME_DIR=" + Quoted(dir / "runtime") + " systemd-analyze --user --man=no verify" + names);
        EXPECT_EQ(verified.status, 0) << verified.out;
        EXPECT_EQ(verified.out, "");
    }
    const std::string metainfo = root + "/usr/share/metainfo/org.example.zorbex.metainfo.xml";
    EXPECT_NE(ReadFile(metainfo).find("<launchable type=\"desktop-id\">org.example.zorbex.desktop<"),
              std::string::npos);
    EXPECT_NE(ReadFile(metainfo).find("<release version=\"4.0i\" "), std::string::npos);

    // The licence, word for word, in the machine-readable copyright file.
    const std::string copyright = ReadFile(root + "/usr/share/doc/zorbex/copyright");
    EXPECT_NE(copyright.find("Copyright: 2026 The Zorbex authors\n"), std::string::npos) << copyright;
    EXPECT_NE(ReadFile(ZORBEX_SOURCE_DIR "/LICENSE").find("Copyright (c) 2026 The Zorbex authors\n"),
              std::string::npos);
    EXPECT_NE(copyright.find("\n Permission is hereby granted, free of charge, to any person obtaining a copy\n"),
              std::string::npos)
        << copyright;
    EXPECT_NE(copyright.find("\n SOFTWARE.\n"), std::string::npos) << copyright;

    if (Shell("command -v desktop-file-validate").status == 0) {
        const Result valid = Shell("desktop-file-validate " + Quoted(desktop));
        EXPECT_EQ(valid.status, 0) << valid.out;
        EXPECT_EQ(valid.out, "");
    }
    if (Shell("command -v appstreamcli").status == 0) {
        const Result valid = Shell("appstreamcli validate --no-net " + Quoted(metainfo));
        EXPECT_EQ(valid.status, 0) << valid.out;
    }
}
