#pragma once
// The information page "ИНФОРМАЦИЯ": title, version, author and five links.
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

#include "app/app_context.h"
#include "app/look.h"

namespace zorbex {

// The author's addresses; the update page and the help download are paths on the web site.
inline constexpr const char* kAuthorMail = "zorb@zorbex.example";
inline constexpr const char* kAuthorWeb = "http://www.zorbex.example";
inline constexpr const char* kMirrorWeb = "http://zorbex.example.net";
inline constexpr const char* kUpdatePath = "/update";
inline constexpr const char* kHelpDownloadPath = "/appz/zorbhelp.hlp";

class TInfoPage : public QWidget {
    Q_OBJECT
public:
    TInfoPage(const AppContext& context, QWidget* parent);

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
};

}  // namespace zorbex
