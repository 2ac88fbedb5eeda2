#include "app/help_window.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "widgets/focus_keeper.h"
#include "widgets/look.h"
#include "widgets/spoken_names.h"

namespace zorbex {

THelpWindow::THelpWindow(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frm_help"));
    setModal(false);
    setWindowTitle(QStringLiteral("Zorbex — справка"));
    resize(560, 460);

    txt_help_ = Named(new QTextBrowser(this), "txt_help");
    txt_help_->setOpenLinks(false);
    txt_help_->setFont(ArialFont(13, false));
    btn_contents_ = Named(new QPushButton(QStringLiteral("СОДЕРЖАНИЕ"), this), "btn_contents");
    auto* btn_close = Named(new QPushButton(QStringLiteral("ЗАКРЬIТЬ"), this), "btn_close");
    for (QPushButton* button : {btn_contents_, btn_close}) {
        button->setFont(SmallFont(true));
        button->setMinimumSize(110, 25);
        button->setAutoDefault(false);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btn_contents_);
    buttons->addStretch();
    buttons->addWidget(btn_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txt_help_);
    layout->addLayout(buttons);

    connect(txt_help_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        const int context = LinkedContext(url.toString());
        if (context >= 0) Show(context);
    });
    connect(btn_contents_, &QPushButton::clicked, this, [this] { Show(kHelpContents); });
    connect(btn_close, &QPushButton::clicked, this, &QDialog::close);
    ApplySpokenNames(this);
    new TFocusKeeper(this);
}

void THelpWindow::ShowTopic(HelpBook book, int context) {
    book_ = std::move(book);
    Show(context);
    show();
    raise();
    activateWindow();
}

void THelpWindow::Show(int context) {
    shown_ = context;
    const auto found = book_.topics.find(context);
    if (found != book_.topics.end()) {
        txt_help_->setHtml(TopicHtml(found->second));
    } else {
        HelpTopic missing{
            QStringLiteral("Раздел не найден"),
            {QStringLiteral("В файле справки нет раздела с номером ") + QString::number(context) + QLatin1Char('.')}};
        if (book_.topics.count(kHelpContents))
            missing.lines << QString() << QStringLiteral("Перейти к [[9999|содержанию справки]].");
        txt_help_->setHtml(TopicHtml(missing));
    }
    btn_contents_->setEnabled(context != kHelpContents && book_.topics.count(kHelpContents) > 0);
}

}  // namespace zorbex
