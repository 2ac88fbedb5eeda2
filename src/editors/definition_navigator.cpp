#include "editors/definition_navigator.h"

#include <algorithm>

#include <QShortcut>

#include "editors/settings_write_reason.h"
#include "settings/ini_text.h"
#include "widgets/shared_texts.h"

namespace zorbex {

TDefinitionNavigator::TDefinitionNavigator(const AppContext& context, Controls controls, Hooks hooks, QObject* parent)
    : QObject(parent), context_(context), c_(controls), hooks_(std::move(hooks)) {
    // Only typing is held to the limit; see SetNameText.
    connect(c_.name, &QLineEdit::textEdited, this, [this] { KeepTypingLimit(); });
    // A click does nothing on a disabled button, so neither does its key.
    QWidget* page = c_.group->parentWidget();
    for (auto [key, button] : {std::pair{Qt::Key_Up, c_.up}, std::pair{Qt::Key_Down, c_.down}}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | key), page);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
    }
}

int TDefinitionNavigator::Current() const { return c_.group->property("tag").toInt(); }

bool TDefinitionNavigator::IsChanged() const { return c_.save->isEnabled(); }

std::string TDefinitionNavigator::SettingsFilePath() const { return SettingsPath(context_.settingsDir); }

QString TDefinitionNavigator::UnsavedPrompt(const QString& subject, int n) {
    return QStringLiteral("Изменения в параметрах ") + subject + QStringLiteral(" № ") + QString::number(n) +
           QStringLiteral(" не были сохранены.\nСохранить их сейчас?");
}

QString TDefinitionNavigator::TooLongPathMessage(const QString& what) {
    return QStringLiteral("Нельзя указать %1 длиннее %2 символов:\nфайл настроек не сможет его сохранить.")
        .arg(what)
        .arg(ini::kMaxTextChars);
}

bool TDefinitionNavigator::PathTooLong(const QString& text, const std::optional<QString>& loadedCut) {
    return (loadedCut && text == *loadedCut) || !ini::ReadsBackUncut(text.toStdString());
}

void TDefinitionNavigator::Load(int n) {
    c_.group->setProperty("tag", n);
    const QString number = QString::number(n);
    c_.numA->setText(number);
    c_.numZ->setText(number);
    c_.down->setEnabled(n > 1);
    loading_ = true;
    try {
        hooks_.fill(n);
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
    // The labels follow the name even when the loaded text equals the old one.
    NameChanged();
    c_.save->setEnabled(false);
    // Up leads at most one past the saved definitions, also after a run's reload of definition 1.
    const SettingsFile settings(SettingsFilePath());
    c_.up->setEnabled(hooks_.readCount(settings) >= n);
}

bool TDefinitionNavigator::Save() {
    if (const QString why = hooks_.refusal ? hooks_.refusal() : QString(); !why.isEmpty()) {
        context_.dialogs.Message(why, MsgButtons::Ok);
        return false;
    }
    try {
        hooks_.write(Current());
    } catch (const SettingsWriteError& error) {
        // The box keeps its fixed text; the reason goes to standard error.
        SaySettingsWriteReason(error);
        context_.dialogs.Message(QString::fromUtf8(kOptionWriteFailedMessage), MsgButtons::Ok);
        return false;
    }
    c_.save->setEnabled(false);
    c_.up->setEnabled(true);
    return true;
}

bool TDefinitionNavigator::Step(int delta) {
    if (IsChanged()) {
        switch (context_.dialogs.Message(UnsavedPrompt(hooks_.subject, Current()), MsgButtons::YesNoCancel)) {
            case MsgResult::Yes:
                // A failed or refused save has shown its message; the step
                // would lose the edits, so it does not happen.
                if (!Save()) return false;
                break;
            case MsgResult::No:
                break;
            default:
                return false;
        }
    }
    const int target = std::max(1, Current() + delta);
    Load(target);
    return true;
}

void TDefinitionNavigator::NameChanged() {
    MarkChanged();
    const QString text = c_.name->text();
    c_.nameA->setText(text);
    c_.nameZ->setText(text);
}

void TDefinitionNavigator::MarkChanged() {
    if (!loading_) c_.save->setEnabled(true);
}

void TDefinitionNavigator::SetNameText(const QString& text) {
    // QLineEdit cuts a text set programmatically to its maximum length.
    c_.name->setMaxLength(32767);
    c_.name->setText(text);
    KeepTypingLimit();
}

void TDefinitionNavigator::KeepTypingLimit() {
    // A longer stored name may be shortened but never grow; up to the limit anything goes.
    // setMaxLength re-sets the text (cursor to the end, undo lost), so only call it on a real change.
    const int limit = std::max<int>(kDefinitionNameTypedMax, c_.name->text().size());
    if (c_.name->maxLength() == limit) return;
    const int cursor = c_.name->cursorPosition();
    c_.name->setMaxLength(limit);
    c_.name->setCursorPosition(cursor);
}

}  // namespace zorbex
