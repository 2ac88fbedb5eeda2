#pragma once
// The options page "ПРОГРАММА": seven boxes, each saved together with the
// others whenever one of them changes.
#include <QCheckBox>
#include <QGroupBox>
#include <QWidget>

#include "settings/program_options.h"
#include "widgets/app_context.h"
#include "widgets/look.h"

namespace zorbex {

// While set, the option boxes write nothing (start-up ticks them from the file).
extern bool OptionWritesSuppressed;

// Sets OptionWritesSuppressed for its lifetime and restores the former value.
class SuppressOptionWrites {
public:
    SuppressOptionWrites() : saved_(OptionWritesSuppressed) { OptionWritesSuppressed = true; }
    ~SuppressOptionWrites() { OptionWritesSuppressed = saved_; }
    SuppressOptionWrites(const SuppressOptionWrites&) = delete;
    SuppressOptionWrites& operator=(const SuppressOptionWrites&) = delete;

private:
    bool saved_;
};

class TOptionsPage : public QWidget {
    Q_OBJECT
public:
    TOptionsPage(const AppContext& context, QWidget* parent);

    // Ticks the boxes from the settings file (a missing or unreadable value
    // takes its default) without writing anything back.
    void LoadOptions();
    // The seven options as the boxes show them now.
    ProgramOptions Options() const;
    // Ticks or clears box_quit without saving it.
    void SetQuitUnsaved(bool quit);

public slots:
    // The change handler of every option box (box_rememberClick).
    void SaveOptions();
    void txt_tabClick();
    void txt_compactClick();
    void txt_quitClick();
    void txt_topClick();
    void txt_rememberClick();
    void txt_overwriteClick();
    void txt_logClick();

private:
    QCheckBox* AddRow(int row, const char* boxName, const char* labelName, const QString& text, TClickLabel*& label);

    const AppContext& context_;

    QGroupBox* grp_config;
    QCheckBox* box_tab;
    QCheckBox* box_compact;
    QCheckBox* box_quit;
    QCheckBox* box_top;
    QCheckBox* box_remember;
    QCheckBox* box_overwrite;
    QCheckBox* box_log;
    TClickLabel* txt_tab;
    TClickLabel* txt_compact;
    TClickLabel* txt_quit;
    TClickLabel* txt_top;
    TClickLabel* txt_remember;
    TClickLabel* txt_overwrite;
    TClickLabel* txt_log;
};

}  // namespace zorbex
