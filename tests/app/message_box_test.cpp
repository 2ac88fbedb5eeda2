// The program's message boxes as a user sees them: Qt's own texts in
// Russian, lines broken only where the text breaks them, no title.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>
#include <gtest/gtest.h>

#include "app/options_page.h"
#include "app/translation.h"
#include "support/temp_dir.h"
#include "widgets/dialogs.h"
#include "widgets/shared_texts.h"

namespace {

QStringList ButtonTexts(QMessageBox& box) {
    QStringList texts;
    for (QAbstractButton* b : box.buttons()) texts << b->text();
    texts.sort();
    return texts;
}

TEST(QtTexts, RussianWhateverTheLocaleAndEnglishWhenTheFileIsMissing) {
    zx_test::TempDir empty;
    EXPECT_EQ(zorbex::InstallQtRussian(*QApplication::instance(), QString::fromStdString(empty.path())), nullptr);
    auto english = zorbex::MakeMessageBox("?", zorbex::MsgButtons::YesNoCancel);
    EXPECT_EQ(ButtonTexts(*english), (QStringList{"&No", "&Yes", "Cancel"}));

    QTranslator* russian = zorbex::InstallQtRussian(*QApplication::instance());
    ASSERT_NE(russian, nullptr) << "qtbase_ru.qm is not installed";
    auto box = zorbex::MakeMessageBox("?", zorbex::MsgButtons::YesNoCancel);
    EXPECT_EQ(ButtonTexts(*box), (QStringList{"&Да", "&Нет", "Отмена"}));
    EXPECT_EQ(ButtonTexts(*zorbex::MakeMessageBox("!", zorbex::MsgButtons::Ok)), QStringList{"OK"});
    // The program's own texts stay as they are.
    EXPECT_EQ(box->text(), "?");
    QApplication::removeTranslator(russian);
    delete russian;
}

// The label's text as it is drawn: each line of the text on one line.
int ShownLines(const QLabel* label) {
    return label->height() / QFontMetrics(label->font()).lineSpacing();
}

TEST(MessageBoxLook, LinesBreakOnlyWhereTheTextBreaksThem) {
    const QString text = QString::fromUtf8(zorbex::kOptionWriteFailedMessage);
    for (const auto& box : {zorbex::MakeMessageBox(text, zorbex::MsgButtons::Ok), zorbex::MakeErrorBox(text)}) {
        box->show();
        QApplication::processEvents();
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        EXPECT_FALSE(label->wordWrap());
        EXPECT_EQ(ShownLines(label), 2);
        int widest = 0;
        for (const QString& line : text.split('\n'))
            widest = std::max(widest, QFontMetrics(label->font()).horizontalAdvance(line));
        EXPECT_GE(label->width(), widest);
        box->hide();
    }

    // A line wider than the screen wraps at its blanks, within the screen.
    QString wide = QStringLiteral("слово");
    for (int i = 0; i < 400; ++i) wide += QStringLiteral(" слово");
    const auto box = zorbex::MakeMessageBox(wide, zorbex::MsgButtons::Ok);
    box->show();
    QApplication::processEvents();
    EXPECT_LE(box->frameGeometry().width(), box->screen()->availableGeometry().width());
    EXPECT_GT(ShownLines(box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))), 1);
    EXPECT_TRUE(box->windowTitle().isEmpty());
}

}  // namespace
