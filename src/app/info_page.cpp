#include "app/info_page.h"

#include <QGroupBox>
#include <QMouseEvent>

#include "app/endpoints.h"
#include "engine/run.h"

namespace zorbex {

namespace {

TLinkLabel* Link(QWidget* parent, const char* name, const QString& text, QFont font, bool underline, int top) {
    auto* link = Named(new TLinkLabel(text, parent), name);
    font.setUnderline(underline);
    link->setFont(font);
    QPalette pal = link->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    link->setPalette(pal);
    link->setAlignment(Qt::AlignCenter);
    link->setGeometry(0, top, parent->width(), 16);
    return link;
}

// One tick of the title animation, from the clock as it stood before it.
struct EggTick {
    int clock = 0;
    int iconLeft = -1;  // where the icon goes; -1 leaves it
    QString append;     // added to the title
    bool done = false;
};

EggTick NextEggTick(int clock) {
    EggTick tick;
    tick.clock = clock + 10;
    int& t = tick.clock;
    if (t < 0) return tick;
    if (t < 427) tick.iconLeft = t + 8;
    if (t > 427 && t < 1000) {
        t = 1000;
        tick.append = QStringLiteral(" ");
    }
    static const char kSuffix[] = "ver.4";  // the 4 is fixed, not the version
    if (t >= 1010 && t <= 1050 && t % 10 == 0) tick.append += QLatin1Char(kSuffix[(t - 1010) / 10]);
    if (t >= 1060) tick.append += QLatin1Char(' ');
    tick.done = t >= 1090;
    return tick;
}

}  // namespace

QString MailLink() {
    return QStringLiteral("mailto:") + QLatin1String(kAuthorMail) + QStringLiteral("?subject=\"Zorbex v") +
           QLatin1String(kVersionText) + QLatin1Char('"');
}

TInfoPage::TInfoPage(const AppContext& context, THelp& help, QWidget* parent)
    : QWidget(parent), context_(context), help_(help) {
    setObjectName(QStringLiteral("tab_info"));
    auto* grp_info = Named(new QGroupBox(this), "grp_info");
    grp_info->setGeometry(4, 2, 478, 284);
    const int w = grp_info->width();

    txt_app_ = Named(new TClickLabel(QStringLiteral("Zorbex"), grp_info), "txt_app");
    txt_app_->setFont(ArialBlackFont(27));
    txt_app_->setAlignment(Qt::AlignCenter);
    txt_app_->setGeometry(0, 14, w, 40);
    txt_app_->setProperty("tag", 0);
    txt_app_->installEventFilter(this);

    img_icon_ = Named(new QLabel(grp_info), "img_icon");
    img_icon_->setScaledContents(true);
    img_icon_->setGeometry(8, 18, 32, 32);
    img_icon_->hide();

    txt_version_ = Named(new QLabel(QStringLiteral("ВЕРСИЯ"), grp_info), "txt_version");
    txt_version_->setAlignment(Qt::AlignCenter);
    txt_version_->setGeometry(0, 56, w, 14);

    auto* txt_author = Named(new QLabel(QStringLiteral("АВТОР"), grp_info), "txt_author");
    txt_author->setFont(SmallFont(false));
    txt_author->setAlignment(Qt::AlignCenter);
    txt_author->setGeometry(0, 90, w, 14);

    auto* txt_name = Named(new QLabel(QString::fromUtf8(kAuthorName), grp_info), "txt_name");
    txt_name->setFont(ArialFont(11, true));
    txt_name->setAlignment(Qt::AlignCenter);
    txt_name->setGeometry(0, 106, w, 30);

    url_mail_ = Link(grp_info, "url_mail", QString::fromLatin1(kAuthorMail), ArialFont(11, true), true, 144);
    url_web_ = Link(grp_info, "url_web", QString::fromLatin1(kAuthorWeb), SmallFont(true), true, 166);
    url_mirror_ = Link(grp_info, "url_mirror", QStringLiteral("... зеркало ..."), SmallFont(false), true, 184);
    url_help_ = Link(grp_info, "url_help", QStringLiteral("[ справка по  программе ]"), SmallFont(true), false, 222);
    url_update_ =
        Link(grp_info, "url_update", QStringLiteral("[ новости об обновлениях ]"), SmallFont(true), false, 242);
    // A reader names the links by what they do; the addresses are their descriptions.
    url_mail_->setAccessibleDescription(url_mail_->text());
    url_web_->setAccessibleDescription(url_web_->text());
    // The icon slides across the title row, so it lies above the title.
    img_icon_->raise();

    connect(url_mail_, &TClickLabel::clicked, this, &TInfoPage::url_mailClick);
    connect(url_web_, &TClickLabel::clicked, this, &TInfoPage::url_webClick);
    connect(url_mirror_, &TClickLabel::clicked, this, &TInfoPage::url_mirrorClick);
    connect(url_help_, &TClickLabel::clicked, this, &TInfoPage::url_helpClick);
    connect(url_update_, &TClickLabel::clicked, this, &TInfoPage::url_updateClick);
}

void TInfoPage::AttachEggTimer(QTimer* timer) {
    tmr_egg_ = timer;
    connect(timer, &QTimer::timeout, this, &TInfoPage::tmr_eggTimer);
}

void TInfoPage::SetLinkCursors(const QCursor& hand, const QCursor& help, const QCursor& mail) {
    url_web_->setCursor(hand);
    url_mirror_->setCursor(hand);
    url_update_->setCursor(hand);
    url_mail_->setCursor(mail);
    url_help_->setCursor(help);
}

void TInfoPage::ShowVersion() { txt_version_->setText(QStringLiteral("ВЕРСИЯ  ") + QLatin1String(kVersionText)); }

void TInfoPage::SetIcon(const QIcon& icon) { img_icon_->setPixmap(icon.pixmap(32, 32)); }

bool TInfoPage::eventFilter(QObject* watched, QEvent* event) {
    // A quick second press arrives as a double click; it is a press all the same.
    if (watched == txt_app_ && AcceptsInput(watched) &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        txt_appMouseDown(static_cast<QMouseEvent*>(event)->modifiers());
    return QWidget::eventFilter(watched, event);
}

void TInfoPage::txt_appMouseDown(Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier)) return;
    const int clicks = txt_app_->property("tag").toInt() + 1;
    txt_app_->setProperty("tag", clicks);
    if (clicks != 2) return;
    img_icon_->show();
    if (tmr_egg_) tmr_egg_->start();
}

void TInfoPage::tmr_eggTimer() {
    if (!tmr_egg_) return;
    const EggTick tick = NextEggTick(tmr_egg_->property("tag").toInt());
    tmr_egg_->setProperty("tag", tick.clock);
    if (tick.iconLeft >= 0) img_icon_->move(tick.iconLeft, img_icon_->y());
    if (!tick.append.isEmpty()) txt_app_->setText(txt_app_->text() + tick.append);
    if (!tick.done) return;
    tmr_egg_->stop();
    txt_app_->removeEventFilter(this);  // later clicks on the title do nothing
    QPalette pal = txt_app_->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 128, 0));
    txt_app_->setPalette(pal);
}

void TInfoPage::url_mailClick() { context_.dialogs.OpenUrl(MailLink()); }

void TInfoPage::url_webClick() { context_.dialogs.OpenUrl(QString::fromLatin1(kAuthorWeb)); }

void TInfoPage::url_mirrorClick() { context_.dialogs.OpenUrl(QString::fromLatin1(kMirrorWeb)); }

void TInfoPage::url_helpClick() { help_.OpenHelpTopic(kHelpContents); }

void TInfoPage::url_updateClick() { context_.dialogs.OpenUrl(QString::fromLatin1(kUpdateWeb)); }

}  // namespace zorbex
