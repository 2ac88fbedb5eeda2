// The seven options and the first-start mark, as both hosts read them.
#include "settings/program_options.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

using namespace zorbex;
using zx_test::ReadFile;
using zx_test::TempDir;
using zx_test::WriteFile;

namespace {

// Each key reaches its own field, whatever the others hold: a key read into
// the wrong field would, say, take the unattended run's overwrite from `compact`.
TEST(ProgramOptions, EachKeySetsItsOwnFieldAndMissingOnesTakeTheirDefaults) {
    TempDir dir;
    const std::string path = dir / "Zorbl.Zrf";
    const ProgramOptions defaults = ReadProgramOptions(SettingsFile(path));
    EXPECT_TRUE(defaults.processPage && defaults.quit && defaults.remember && defaults.log);
    EXPECT_FALSE(defaults.overwrite || defaults.compact || defaults.topmost);

    WriteFile(path, "[Zor:bl]\r\nprocess=0\r\nterminate=1\r\nremember=0\r\noverwrite=7\r\ncompact=0\r\ntopmost=1\r\n"
                    "log=0\r\n");
    const ProgramOptions o = ReadProgramOptions(SettingsFile(path));
    EXPECT_FALSE(o.processPage);
    EXPECT_TRUE(o.quit);
    EXPECT_FALSE(o.remember);
    EXPECT_TRUE(o.overwrite);
    EXPECT_FALSE(o.compact);
    EXPECT_TRUE(o.topmost);
    EXPECT_FALSE(o.log);

    SettingsFile written(dir / "written.Zrf");
    WriteProgramOptions(written, o);
    EXPECT_EQ(ReadFile(dir / "written.Zrf"), "[Zor:bl]\r\nprocess=0\r\nterminate=1\r\nremember=0\r\noverwrite=1\r\n"
                                             "compact=0\r\ntopmost=1\r\nlog=0\r\n");
}

TEST(ProgramOptions, TheFirstStartMarkIsTakenOnce) {
    TempDir dir;
    SettingsFile settings(dir / "Zorbl.Zrf");
    EXPECT_TRUE(TakeFirstStartMark(settings));
    EXPECT_FALSE(TakeFirstStartMark(settings));
    EXPECT_EQ(ReadFile(dir / "Zorbl.Zrf"), "[Zor:bl]\r\nreset=0\r\n");
}

}  // namespace
