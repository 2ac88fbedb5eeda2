#pragma once
// An edit field with a browse button beside it: a file name picked through an
// open or save dialog, or a folder picked through the folder picker. All
// dialogs go through the dialog layer. The button takes no focus; F4 or
// Alt+Down in the field press it, as they open a combo box's list.
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>
#include <string>

#include "widgets/dialogs.h"

namespace zorbex {

class TFileNameEdit : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Open, Save, Folder };

    // For Folder, only options.title (the picker's prompt) is used.
    TFileNameEdit(Mode mode, FileDialogOptions options, IDialogs& dialogs, QWidget* parent);

    QString text() const { return edit_->text(); }
    void setText(const QString& text) { edit_->setText(text); }
    Mode mode() const { return mode_; }
    const FileDialogOptions& options() const { return options_; }
    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* browseButton() const { return button_; }

    // The folder a relative text is read from (the run's base of relative
    // paths), with a trailing '/'; empty: the text is taken as it is.
    void SetBaseFolder(const std::string& folder) { baseFolder_ = folder; }

    // Runs the dialog and puts the choice into the field.
    void Browse();

    // Where the dialog starts: the field's text (without its quotes) read
    // from baseFolder when relative, so that it opens where the file will
    // be written, on the file itself for the file modes; the nearest folder
    // above that exists when the path's folder does not.
    static QString DialogStart(const QString& fieldText, Mode mode, const std::string& baseFolder);

    // File modes: a path with a blank is put between double quotes unless it
    // already begins with one. Folders are taken as they are.
    static QString FieldTextForPick(const QString& path, Mode mode);
    // What a drop of a local path puts into a folder field: a folder as it is,
    // a file as its folder with a trailing separator.
    static QString FolderTextForDrop(const QString& localPath);

signals:
    void textChanged(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    Mode mode_;
    FileDialogOptions options_;
    IDialogs& dialogs_;
    QLineEdit* edit_;
    QToolButton* button_;
    std::string baseFolder_;
};

}  // namespace zorbex
