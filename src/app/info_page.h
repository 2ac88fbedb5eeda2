#pragma once
// The information page "ИНФОРМАЦИЯ": title, version, author and five links,
// and the title's hidden animation.
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "app/help.h"
#include "widgets/app_context.h"
#include "widgets/look.h"

namespace zorbex {

// "mailto:" address "?subject=" and the quoted product and version, not encoded.
QString MailLink();

class TInfoPage : public QWidget {
    Q_OBJECT
public:
    TInfoPage(const AppContext& context, THelp& help, QWidget* parent);

    // The animation's clock: its "tag" property counts from -20 by 10 on
    // every tick. The window owns the timer.
    void AttachEggTimer(QTimer* timer);
    // Start-up hands over the program's cursors: hand for the web links, help
    // for the help link, mail for the e-mail link.
    void SetLinkCursors(const QCursor& hand, const QCursor& help, const QCursor& mail);

    // Any mouse button pressed on the title; only presses with Ctrl count.
    void txt_appMouseDown(Qt::KeyboardModifiers modifiers);
    void tmr_eggTimer();
    void url_mailClick();
    void url_webClick();
    void url_mirrorClick();
    void url_helpClick();
    void url_updateClick();

    QGroupBox* grp_info;
    TClickLabel* txt_app;  // property "tag": count of Ctrl-clicks
    QLabel* txt_version;
    QLabel* img_icon;  // 32 x 32, hidden until the title animation
    QLabel* txt_author;
    QLabel* txt_name;
    TClickLabel* url_mail;
    TClickLabel* url_web;
    TClickLabel* url_mirror;
    TClickLabel* url_help;
    TClickLabel* url_update;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const AppContext& context_;
    THelp& help_;
    QTimer* tmr_egg_ = nullptr;
};

}  // namespace zorbex
