#pragma once
// The mechanics the playlist and union editors share: the shown number and
// name with their shadow labels, stepping up and down through the numbered
// definitions (as far as count + 1), the unsaved-changes mark (the enabled
// state of the save button), the Yes/No/Cancel prompt before a changed
// definition is left, and the message for a failed save.
//
// Use from a page:
//   nav_ = new TDefinitionNavigator(context, {grp_idn, txt_num_a, ..., edt_namn},
//       {.subject = "плейлиста",
//        .readCount = [](const SettingsFile& s) { return ReadPlaylistCount(s); },
//        .fill = [this](int n) { ...put definition n into the controls, using nav_->SetNameText... },
//        .write = [this](int n) { ...write the shown definition n; may throw SettingsWriteError... }},
//       this);
//   LoadPlaylist(n)  -> nav_->Load(n)
//   btn_upnClick()   -> nav_->Step(+1);  btn_dnnClick() -> nav_->Step(-1)
//   btn_savnClick()  -> nav_->Save()
//   edt_namnChange() -> nav_->NameChanged()   (connect to the name field's textChanged)
//   any other change -> nav_->MarkChanged()
// Change handlers that run while fill() is at work do not set the mark: a
// freshly loaded definition never counts as changed.
// Ctrl+Up and Ctrl+Down, from any control of the page that holds the group,
// click the up and down buttons, which are no tab stops.
#include <functional>
#include <optional>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QString>

#include "settings/settings_file.h"
#include "widgets/app_context.h"

namespace zorbex {

// The longest name that can be typed into a definition's name field.
inline constexpr int kDefinitionNameTypedMax = 45;

class TDefinitionNavigator : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QGroupBox* group;  // its "tag" property holds the current number
        QLabel* numA;
        QLabel* numZ;
        QLabel* nameA;
        QLabel* nameZ;
        QPushButton* up;
        QPushButton* down;
        QPushButton* save;
        QLineEdit* name;
    };
    struct Hooks {
        QString subject;  // word of the prompt: "плейлиста", "объединения"
        std::function<int(const SettingsFile&)> readCount;
        std::function<void(int n)> fill;   // shows definition n (opens the settings itself)
        std::function<void(int n)> write;  // saves the shown definition as n; may throw SettingsWriteError
        // Why the shown definition may not be saved (a message), or an empty text.
        std::function<QString()> refusal;
    };

    TDefinitionNavigator(const AppContext& context, Controls controls, Hooks hooks, QObject* parent);

    // The number shown: 0 before the first load.
    int Current() const;
    bool IsChanged() const;
    bool IsLoading() const { return loading_; }
    std::string SettingsFilePath() const;

    // Shows definition n, clears the mark, and enables up only while n is a
    // saved definition (so up reaches count + 1 and no further).
    void Load(int n);
    // Writes the shown definition; false (after the failure message) when a
    // write failed or the page refused the save (after its message, nothing
    // written), which leaves the mark set and the up button as it was.
    bool Save();
    // Asks about unsaved changes, then loads Current() + delta. False when the
    // user cancelled.
    bool Step(int delta);

    // The name field's change handler: sets the mark and shows the name in both labels.
    void NameChanged();
    void MarkChanged();

    // Puts a stored name into the name field whole, however long: the typing
    // limit applies to what is typed, never to what is loaded.
    void SetNameText(const QString& text);

    // "Изменения в параметрах <subject> № <n> не были сохранены.\nСохранить их сейчас?"
    static QString UnsavedPrompt(const QString& subject, int n);
    // The refusal of a path text that would not read back whole from the
    // settings file: "Нельзя указать <what> длиннее 1023 символов:\n
    // файл настроек не сможет его сохранить."
    static QString TooLongPathMessage(const QString& what);
    // Whether text, loaded as loadedCut (a stored text cut on reading) or
    // typed, would be saved as a path other than the one the user gave.
    static bool PathTooLong(const QString& text, const std::optional<QString>& loadedCut);

private:
    void KeepTypingLimit();

    const AppContext& context_;
    Controls c_;
    Hooks hooks_;
    bool loading_ = false;
};

}  // namespace zorbex
