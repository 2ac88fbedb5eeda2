#pragma once
// Dialogs for the window benchmarks: every question answered OK, no file
// chosen, errors on standard error, so a timed run never waits for a person.
#include <cstdio>
#include <optional>

#include "widgets/dialogs.h"

namespace zx_bench {

class SilentDialogs : public zorbex::IDialogs {
public:
    zorbex::MsgResult Message(const QString&, zorbex::MsgButtons) override { return zorbex::MsgResult::Ok; }
    std::optional<QString> OpenFile(const zorbex::FileDialogOptions&, const QString&) override { return {}; }
    std::optional<QString> SaveFile(const zorbex::FileDialogOptions&, const QString&) override { return {}; }
    std::optional<QString> PickFolder(const QString&, const QString&) override { return {}; }
    void OpenUrl(const QString&) override {}
    void ShowError(const QString& message) override { std::fprintf(stderr, "%s.\n", qPrintable(message)); }
};

}  // namespace zx_bench
