#pragma once
// A dialog layer for tests: answers come from queues, every call is recorded.
// An empty queue gives the cautious answer: OK, No, Cancel, or a cancelled dialog.
#include <deque>
#include <optional>
#include <vector>

#include <QString>

#include "widgets/dialogs.h"

namespace zx_test {

class ScriptedDialogs : public zorbex::IDialogs {
public:
    enum class Kind { Message, OpenFile, SaveFile, PickFolder, OpenUrl, ShowError };
    struct Call {
        Kind kind;
        QString text;  // message text, dialog title, URL or error message
        zorbex::MsgButtons buttons = zorbex::MsgButtons::Ok;
        zorbex::FileDialogOptions options;  // file dialogs only
        QString start;                // file dialogs and folder picker
    };

    std::deque<zorbex::MsgResult> answers;          // for Message
    std::deque<std::optional<QString>> paths;       // for OpenFile, SaveFile, PickFolder
    std::vector<Call> calls;

    zorbex::MsgResult Message(const QString& text, zorbex::MsgButtons buttons) override {
        calls.push_back({Kind::Message, text, buttons, {}, {}});
        if (!answers.empty()) {
            auto a = answers.front();
            answers.pop_front();
            return a;
        }
        switch (buttons) {
        case zorbex::MsgButtons::YesNo: return zorbex::MsgResult::No;
        case zorbex::MsgButtons::YesNoCancel: return zorbex::MsgResult::Cancel;
        default: return zorbex::MsgResult::Ok;
        }
    }
    std::optional<QString> OpenFile(const zorbex::FileDialogOptions& options, const QString& start) override {
        calls.push_back({Kind::OpenFile, options.title, zorbex::MsgButtons::Ok, options, start});
        return NextPath();
    }
    std::optional<QString> SaveFile(const zorbex::FileDialogOptions& options, const QString& start) override {
        calls.push_back({Kind::SaveFile, options.title, zorbex::MsgButtons::Ok, options, start});
        return NextPath();
    }
    std::optional<QString> PickFolder(const QString& title, const QString& start) override {
        calls.push_back({Kind::PickFolder, title, zorbex::MsgButtons::Ok, {}, start});
        return NextPath();
    }
    void OpenUrl(const QString& url) override { calls.push_back({Kind::OpenUrl, url, {}, {}, {}}); }
    void ShowError(const QString& message) override {
        calls.push_back({Kind::ShowError, message, {}, {}, {}});
    }

    // The recorded calls of one kind, in order.
    std::vector<Call> Of(Kind kind) const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.kind == kind) out.push_back(c);
        return out;
    }
    std::vector<QString> Messages() const {
        std::vector<QString> out;
        for (const Call& c : Of(Kind::Message)) out.push_back(c.text);
        return out;
    }

private:
    std::optional<QString> NextPath() {
        std::optional<QString> next;
        if (!paths.empty()) {
            next.swap(paths.front());
            paths.pop_front();
        }
        return next;
    }
};

}  // namespace zx_test
