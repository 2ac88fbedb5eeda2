#include "app/process_page.h"

#include <algorithm>

#include <QScrollBar>
#include <QTextCursor>

#include "engine/definitions.h"
#include "settings/settings_file.h"
#include "widgets/check_list_style.h"
#include "widgets/look.h"
#include "widgets/picture_strips.h"

namespace zorbex {

namespace {

const QString kStartCaption = QStringLiteral("З А П У С К");

void SetUpBar(TVexProgressBar* bar, const QRect& geometry, const QString& prefix) {
    bar->setGeometry(geometry);
    bar->SetBackgroundColor(clBtnFace);
    bar->SetBarColor1(clBtnFace);
    bar->SetBarColor2(cl3DDkShadow);
    bar->SetBarColor3(cl3DDkShadow);
    bar->SetBarColorStyle(TBarColorStyle::cs2Colors);
    bar->SetPosTextPrefix(prefix);
    bar->SetPosTextSuffix(QStringLiteral("%"));
    bar->SetShowPosText(false);
}

// The window's focus is on w, whether or not the window is active.
bool HoldsFocus(const QWidget* w) { return w->window()->focusWidget() == w; }

}  // namespace

TProcessPage::TProcessPage(const AppContext& context, QWidget* parent)
    : QWidget(parent), settingsFile_(SettingsPath(context.settingsDir)) {
    setObjectName(QStringLiteral("tab_process"));
    grp_process = Named(new QGroupBox(this), "grp_process");
    grp_process->setGeometry(8, 2, 470, 270);

    const QRect listArea(8, 10, 454, 172);
    lst_do = Named(new QListWidget(grp_process), "lst_do");
    lst_do->setGeometry(listArea);
    lst_do->setItemDelegate(new TRowHeightDelegate(13, lst_do));
    UseSmallCheckMarks(lst_do);
    lst_do->setUniformItemSizes(true);
    lst_do->setContextMenuPolicy(Qt::CustomContextMenu);

    btn_start = Named(new QPushButton(kStartCaption, grp_process), "btn_start");
    btn_start->setGeometry(8, 187, 454, 25);

    log_memo = Named(new QPlainTextEdit(grp_process), "log_memo");
    log_memo->setGeometry(listArea);
    log_memo->setReadOnly(true);
    // Nobody can undo what the run logs; a stack of every appended line
    // would only hold memory (a run of 10,000 definitions logs 20,000).
    log_memo->setUndoRedoEnabled(false);
    log_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_memo->setFont(MsSansSerifFont(11, false));
    QPalette memoPalette = log_memo->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::Button));
    log_memo->setPalette(memoPalette);
    // Opaque, so that painting the log does not paint the list it covers.
    log_memo->setAutoFillBackground(true);
    log_memo->hide();
    // Lets the last lines scroll up clear of btn_log (ScrollLogToEnd).
    log_memo->setCenterOnScroll(true);

    btn_log = Named(new QPushButton(QStringLiteral("СКРЬIТЬ"), grp_process), "btn_log");
    btn_log->setGeometry(listArea.left() + 4, listArea.bottom() - 4 - 19, 70, 19);
    btn_log->hide();
    connect(btn_log, &QPushButton::clicked, this, &TProcessPage::btn_logClick);
    connect(btn_start, &QPushButton::clicked, this, &TProcessPage::startClicked);

    bar_progress = Named(new TVexProgressBar(grp_process), "bar_progress");
    SetUpBar(bar_progress, QRect(8, 217, 454, 20), QString());
    bar_total = Named(new TVexProgressBar(grp_process), "bar_total");
    SetUpBar(bar_total, QRect(8, 242, 454, 20), QStringLiteral("ИТОГ "));

    mnu_go = Named(new QMenu(this), "mnu_go");
    sub_selectall = Named(mnu_go->addAction(QStringLiteral("выделить всё")), "sub_selectall");
    sub_selectall->setData(1);
    sub_selectall->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    sub_selectnone = Named(mnu_go->addAction(QStringLiteral("выделить ничего")), "sub_selectnone");
    sub_selectnone->setData(2);
    sub_selectnone->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    sub_separator = Named(mnu_go->addSeparator(), "sub_separator");
    sub_update = Named(mnu_go->addAction(QStringLiteral("обновить список")), "sub_update");
    sub_update->setData(3);
    // A popup menu's shortcuts act while its list has the focus.
    for (QAction* action : {sub_selectall, sub_selectnone}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        lst_do->addAction(action);
    }
    pic_go = PicGoStrip();
    mnu_goGetItemParams(mnu_go);
    connect(sub_selectall, &QAction::triggered, this, &TProcessPage::sub_selectallClick);
    connect(sub_selectnone, &QAction::triggered, this, &TProcessPage::sub_selectnoneClick);
    connect(sub_update, &QAction::triggered, this, &TProcessPage::sub_updateClick);
    connect(lst_do, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { mnu_go->popup(lst_do->viewport()->mapToGlobal(pos)); });
}

void TProcessPage::AddRow(const std::string& text) {
    // Made whole before it joins the list: a change to an item in the list
    // is a signal the view handles, four times the cost of the row itself.
    auto* item = new QListWidgetItem(QString::fromStdString(text));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    lst_do->addItem(item);
}

void TProcessPage::sub_updateClick() {
    lst_do->clear();
    // One reading of the file for the whole list, however many definitions it holds.
    const SettingsSnapshot settings{SettingsFile(settingsFile_)};
    // The counts are read anew before every pass, as every loop over definitions does.
    for (int n = 1; n <= ReadPlaylistCount(settings); ++n)
        AddRow(PlaylistRowText(n, ReadPlaylistListName(settings, n)));
    for (int m = 1; m <= ReadUnionCount(settings); ++m) AddRow(UnionRowText(m, ReadUnionListName(settings, m)));
    // Remembered ticks follow row positions; a hand-written 7 or -1 ticks too.
    for (int k = 0; k < lst_do->count(); ++k) {
        lst_do->item(k)->setCheckState(ReadRememberedTick(settings, k) ? Qt::Checked : Qt::Unchecked);
    }
}

void TProcessPage::sub_selectallClick() {
    for (int row = 0; row < lst_do->count(); ++row) lst_do->item(row)->setCheckState(Qt::Checked);
}

void TProcessPage::sub_selectnoneClick() {
    for (int row = 0; row < lst_do->count(); ++row) lst_do->item(row)->setCheckState(Qt::Unchecked);
}

void TProcessPage::mnu_goGetItemParams(QMenu* menu) const { ApplyStripPictures(menu, pic_go); }

void TProcessPage::btn_logClick() {
    // The focus stays on what can be seen: the list the log uncovers.
    if (HoldsFocus(log_memo) || HoldsFocus(btn_log)) lst_do->setFocus(Qt::OtherFocusReason);
    log_memo->hide();
    btn_log->hide();
}

void TProcessPage::ScrollLogToEnd() {
    const int line = log_memo->fontMetrics().lineSpacing();
    if (line <= 0) return;
    const int viewTop = log_memo->y() + log_memo->viewport()->y();
    const int above = btn_log->y() - viewTop - int(log_memo->document()->documentMargin());
    const int shown = std::max(1, above / line);
    QScrollBar* bar = log_memo->verticalScrollBar();
    bar->setValue(std::max(0, log_memo->document()->lineCount() - shown));
}

int TProcessPage::RowCount() const { return lst_do->count(); }

bool TProcessPage::RowTicked(int row) const {
    const QListWidgetItem* item = row >= 0 ? lst_do->item(row) : nullptr;
    return item && item->checkState() == Qt::Checked;
}

void TProcessPage::SetStartEnabled(bool enabled) { btn_start->setEnabled(enabled); }

void TProcessPage::EnterRunningState() {
    btn_start->setEnabled(false);
    btn_start->setText(QString());
}

void TProcessPage::LeaveRunningState() {
    btn_start->setEnabled(true);
    btn_start->setText(kStartCaption);
}

void TProcessPage::ShowLog() {
    log_memo->show();
    btn_log->show();
    // Keys meant for the covered list would untick rows nobody sees.
    if (HoldsFocus(lst_do)) log_memo->setFocus(Qt::OtherFocusReason);
}

void TProcessPage::ClearLog() {
    log_memo->clear();
    logLines_ = 0;
}

void TProcessPage::AppendLogLine(const QString& line) {
    // Through a cursor rather than appendPlainText, which would fold an empty
    // line into the next one when it came first.
    // One edit block: the document is laid out once, and the cursor does not
    // work out where on screen it stands after every step.
    QTextCursor cursor(log_memo->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (logLines_++ > 0) cursor.insertBlock();
    cursor.insertText(line);
    cursor.endEditBlock();
    ScrollLogToEnd();
}

QString TProcessPage::LogText() const { return log_memo->toPlainText(); }

void TProcessPage::ResetBars() {
    bar_progress->SetPosition(0);
    bar_total->SetPosition(0);
}

void TProcessPage::OpenBars() {
    bar_total->SetMax(100);
    bar_total->SetShowPosText(true);
    bar_progress->SetShowPosText(true);
}

void TProcessPage::LabelProgress(const QString& prefix, const QString& suffix, int max) {
    bar_progress->SetPosTextPrefix(prefix);
    bar_progress->SetPosTextSuffix(suffix);
    bar_progress->SetMax(max);
}

void TProcessPage::SetBars(int progress, int totalPercent) {
    bar_progress->SetPosition(progress);
    bar_total->SetPosition(totalPercent);
}

void TProcessPage::CloseProgress(const QString& prefix, const QString& suffix, int position) {
    bar_progress->SetPosTextPrefix(prefix);
    bar_progress->SetPosTextSuffix(suffix);
    bar_progress->SetPosition(position);
    bar_progress->SetShowPosText(false);
}

}  // namespace zorbex
