#include "app/options_page.h"

#include "editors/settings_write_reason.h"
#include "settings/program_options.h"
#include "settings/settings_file.h"
#include "widgets/shared_texts.h"

namespace zorbex {

bool OptionWritesSuppressed = false;

namespace {

void Toggle(QCheckBox* box) { box->setChecked(!box->isChecked()); }

}  // namespace

TOptionsPage::TOptionsPage(const AppContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("tab_app"));
    grp_config = Named(new QGroupBox(this), "grp_config");
    grp_config->setGeometry(4, 2, 476, 282);

    box_tab = AddRow(0, "box_tab", "txt_tab",
                     QStringLiteral("ПРИ  ОБЬIЧНОМ  ЗАПУСКЕ  ПРОГРАММЬI\n"
                                    "АВТОМАТИЧЕСКИ  ПЕРЕКЛЮЧАТЬСЯ  НА  ВКЛАДКУ ''ПРОЦЕСС''"),
                     txt_tab);
    box_compact = AddRow(1, "box_compact", "txt_compact",
                         QStringLiteral("ПРИ  КОМАНДНОМ  ЗАПУСКЕ  ПРОГРАММЬI\n"
                                        "ОТОБРАЖАТЬ  ТОЛЬКО  ИНДИКАТОР  ВЬIПОЛНЕНИЯ  ПРОЦЕССА"),
                         txt_compact);
    box_quit = AddRow(2, "box_quit", "txt_quit",
                      QStringLiteral("ПРИ  КОМАНДНОМ  ЗАПУСКЕ  ПРОГРАММЬI\n"
                                     "АВТОМАТИЧЕСКИ  ВЬIЙТИ  ПО  ЗАВЕРШЕНИЮ  ПРОЦЕССА"),
                      txt_quit);
    box_top = AddRow(3, "box_top", "txt_top",
                     QStringLiteral("ПРИ  КОМАНДНОМ  ЗАПУСКЕ  ПРОГРАММЬI\n"
                                    "ПОМЕСТИТЬ  ОКНО  ПОВЕРХ  ВСЕХ  ОКОН"),
                     txt_top);
    box_remember = AddRow(4, "box_remember", "txt_remember",
                          QStringLiteral("ПРИ  ВЬIХОДЕ  ИЗ  ПРОГРАММЬI\n"
                                         "ЗАПОМИНАТЬ  ВЬIБОР  ПЛЕЙЛИСТОВ  ДЛЯ  ПРОЦЕССА"),
                          txt_remember);
    box_overwrite = AddRow(5, "box_overwrite", "txt_overwrite",
                           QStringLiteral("АВТОМАТИЧЕСКИ  ПЕРЕЗАПИСЬIВАТЬ  ФАЙЛЬI\n"
                                          "ЕСЛИ  ОНИ  УЖЕ  СУЩЕСТВУЮТ"),
                           txt_overwrite);
    box_log = AddRow(6, "box_log", "txt_log",
                     QStringLiteral("ПОКАЗЬIВАТЬ  ЖУРНАЛ  СОБЬIТИЙ\n"
                                    "ВО  ВРЕМЯ  ПРОЦЕССА"),
                     txt_log);

    connect(txt_tab, &TClickLabel::clicked, this, &TOptionsPage::txt_tabClick);
    connect(txt_compact, &TClickLabel::clicked, this, &TOptionsPage::txt_compactClick);
    connect(txt_quit, &TClickLabel::clicked, this, &TOptionsPage::txt_quitClick);
    connect(txt_top, &TClickLabel::clicked, this, &TOptionsPage::txt_topClick);
    connect(txt_remember, &TClickLabel::clicked, this, &TOptionsPage::txt_rememberClick);
    connect(txt_overwrite, &TClickLabel::clicked, this, &TOptionsPage::txt_overwriteClick);
    connect(txt_log, &TClickLabel::clicked, this, &TOptionsPage::txt_logClick);
}

QCheckBox* TOptionsPage::AddRow(int row, const char* boxName, const char* labelName, const QString& text,
                                TClickLabel*& label) {
    const int top = 14 + row * 38;
    auto* box = Named(new QCheckBox(QStringLiteral(" "), grp_config), boxName);
    box->setGeometry(14, top + 6, 18, 16);
    // toggled covers mouse, keyboard and label clicks alike, once per change.
    connect(box, &QCheckBox::toggled, this, &TOptionsPage::SaveOptions);
    label = Named(new TClickLabel(text, grp_config), labelName);
    label->setGeometry(38, top, 430, 28);
    label->setCursor(Qt::PointingHandCursor);
    return box;
}

void TOptionsPage::SaveOptions() {
    if (OptionWritesSuppressed) return;
    SettingsFile settings(SettingsPath(context_.settingsDir));
    try {
        WriteProgramOptions(settings, Options());
    } catch (const SettingsWriteError& error) {
        // The box keeps its fixed text; the reason goes to standard error.
        SaySettingsWriteReason(error);
        context_.dialogs.Message(QString::fromUtf8(kOptionWriteFailedMessage), MsgButtons::Ok);
    }
}

void TOptionsPage::LoadOptions() {
    SuppressOptionWrites quiet;
    const ProgramOptions options = ReadProgramOptions(SettingsFile(SettingsPath(context_.settingsDir)));
    box_tab->setChecked(options.processPage);
    box_quit->setChecked(options.quit);
    box_remember->setChecked(options.remember);
    box_overwrite->setChecked(options.overwrite);
    box_compact->setChecked(options.compact);
    box_top->setChecked(options.topmost);
    box_log->setChecked(options.log);
}

ProgramOptions TOptionsPage::Options() const {
    return {box_tab->isChecked(),      box_compact->isChecked(),   box_quit->isChecked(), box_top->isChecked(),
            box_remember->isChecked(), box_overwrite->isChecked(), box_log->isChecked()};
}

void TOptionsPage::SetQuitUnsaved(bool quit) {
    const SuppressOptionWrites quiet;
    box_quit->setChecked(quit);
}

void TOptionsPage::txt_tabClick() { Toggle(box_tab); }
void TOptionsPage::txt_compactClick() { Toggle(box_compact); }
void TOptionsPage::txt_quitClick() { Toggle(box_quit); }
void TOptionsPage::txt_topClick() { Toggle(box_top); }
void TOptionsPage::txt_rememberClick() { Toggle(box_remember); }
void TOptionsPage::txt_overwriteClick() { Toggle(box_overwrite); }
void TOptionsPage::txt_logClick() { Toggle(box_log); }

}  // namespace zorbex
