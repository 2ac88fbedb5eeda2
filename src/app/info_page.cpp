#include "app/info_page.h"

namespace zorbex {

namespace {

TClickLabel* Link(QWidget* parent, const char* name, const QString& text, QFont font, bool underline, int top) {
    auto* link = Named(new TClickLabel(text, parent), name);
    font.setUnderline(underline);
    link->setFont(font);
    QPalette pal = link->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    link->setPalette(pal);
    link->setAlignment(Qt::AlignCenter);
    link->setGeometry(0, top, parent->width(), 16);
    return link;
}

}  // namespace

TInfoPage::TInfoPage(const AppContext&, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tab_info"));
    grp_info = Named(new QGroupBox(this), "grp_info");
    grp_info->setGeometry(4, 2, 478, 284);
    const int w = grp_info->width();

    txt_app = Named(new TClickLabel(QStringLiteral("Zorbex"), grp_info), "txt_app");
    txt_app->setFont(ArialBlackFont(27));
    txt_app->setAlignment(Qt::AlignCenter);
    txt_app->setGeometry(0, 14, w, 40);
    txt_app->setProperty("tag", 0);

    img_icon = Named(new QLabel(grp_info), "img_icon");
    img_icon->setScaledContents(true);
    img_icon->setGeometry(8, 18, 32, 32);
    img_icon->hide();

    txt_version = Named(new QLabel(QStringLiteral("ВЕРСИЯ"), grp_info), "txt_version");
    txt_version->setAlignment(Qt::AlignCenter);
    txt_version->setGeometry(0, 56, w, 14);

    txt_author = Named(new QLabel(QStringLiteral("АВТОР"), grp_info), "txt_author");
    txt_author->setFont(SmallFont(false));
    txt_author->setAlignment(Qt::AlignCenter);
    txt_author->setGeometry(0, 90, w, 14);

    txt_name = Named(new QLabel(QStringLiteral("Борис Зорин\n(Zorb)"), grp_info), "txt_name");
    txt_name->setFont(ArialFont(11, true));
    txt_name->setAlignment(Qt::AlignCenter);
    txt_name->setGeometry(0, 106, w, 30);

    url_mail = Link(grp_info, "url_mail", QString::fromLatin1(kAuthorMail), ArialFont(11, true), true, 144);
    url_web = Link(grp_info, "url_web", QString::fromLatin1(kAuthorWeb), SmallFont(true), true, 166);
    url_mirror = Link(grp_info, "url_mirror", QStringLiteral("... зеркало ..."), SmallFont(false), true, 184);
    url_help = Link(grp_info, "url_help", QStringLiteral("[ справка по  программе ]"), SmallFont(true), false, 222);
    url_update =
        Link(grp_info, "url_update", QStringLiteral("[ новости об обновлениях ]"), SmallFont(true), false, 242);
    // The icon slides across the title row, so it lies above the title.
    img_icon->raise();
}

}  // namespace zorbex
