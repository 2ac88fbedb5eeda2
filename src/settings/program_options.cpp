#include "settings/program_options.h"

#include <string>

namespace zorbex {
namespace {

// Keys in the order of a save, each with its field; the defaults are the
// fields' own.
struct OptionKey {
    const char* key;
    bool ProgramOptions::*field;
};

constexpr OptionKey kOptionKeys[] = {
    {"process", &ProgramOptions::processPage},
    {"terminate", &ProgramOptions::quit},
    {"remember", &ProgramOptions::remember},
    {"overwrite", &ProgramOptions::overwrite},
    {"compact", &ProgramOptions::compact},
    {"topmost", &ProgramOptions::topmost},
    {"log", &ProgramOptions::log},
};

}  // namespace

ProgramOptions ReadProgramOptions(const SettingsReader& settings) {
    const std::string section = MainSection();
    ProgramOptions options;
    for (const OptionKey& k : kOptionKeys) {
        options.*k.field = settings.ReadNumber(section, k.key, options.*k.field ? 1 : 0) != 0;
    }
    return options;
}

void WriteProgramOptions(SettingsFile& settings, const ProgramOptions& options) {
    const std::string section = MainSection();
    for (const OptionKey& k : kOptionKeys) settings.WriteNumber(section, k.key, options.*k.field ? 1 : 0);
}

bool TakeFirstStartMark(SettingsFile& settings) {
    const bool first = settings.ReadNumber(MainSection(), "reset", 1) != 0;
    settings.WriteNumber(MainSection(), "reset", 0);
    return first;
}

}  // namespace zorbex
