#pragma once
// The information page "ИНФОРМАЦИЯ": title, version, author and five links,
// and the title's hidden animation.
#include <QCursor>
#include <QIcon>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "app/help.h"
#include "widgets/app_context.h"
#include "widgets/link_label.h"
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
    // Start-up puts the program's version below the title and hands over the
    // program's icon for the animation.
    void ShowVersion();
    void SetIcon(const QIcon& icon);

    // Any mouse button pressed on the title; only presses with Ctrl count.
    void txt_appMouseDown(Qt::KeyboardModifiers modifiers);
    void tmr_eggTimer();
    void url_mailClick();
    void url_webClick();
    void url_mirrorClick();
    void url_helpClick();
    void url_updateClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const AppContext& context_;
    THelp& help_;
    QTimer* tmr_egg_ = nullptr;

    TClickLabel* txt_app_;  // property "tag": count of Ctrl-clicks
    QLabel* txt_version_;
    QLabel* img_icon_;  // 32 x 32, hidden until the title animation
    TLinkLabel* url_mail_;
    TLinkLabel* url_web_;
    TLinkLabel* url_mirror_;
    TLinkLabel* url_help_;
    TLinkLabel* url_update_;
};

}  // namespace zorbex
