// Nothing on the pages is cut off: every control lies inside its parent and
// every caption fits its control in the font it is drawn with.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "support/temp_dir.h"
#include "support/window/controls.h"
#include "support/window/scripted_dialogs.h"

namespace {

int WidestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// Checks the window in the look the program itself uses and in the toolkit's default one.
class Layout : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        saved_ = QApplication::style()->name();
        QApplication::setStyle(QStyleFactory::create(QString::fromLatin1(GetParam())));
    }
    void TearDown() override { QApplication::setStyle(QStyleFactory::create(saved_)); }

private:
    QString saved_;
};

INSTANTIATE_TEST_SUITE_P(Styles, Layout, ::testing::Values("Windows", "Fusion"));

TEST_P(Layout, EveryControlLiesInsideItsParentAndEveryCaptionFits) {
    zx_test::TempDir dir;
    zx_test::ScriptedDialogs dialogs;
    zorbex::Tfrm_zorbl window({dir.path(), dialogs});
    window.show();
    auto* pages = zx_test::Control<zorbex::TPageControl>(window, "tab_base");
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QApplication::processEvents();
        QWidget* current = pages->currentWidget();
        for (QWidget* w : current->findChildren<QWidget*>()) {
            if (w->objectName().isEmpty() || w->isHidden()) continue;
            SCOPED_TRACE(w->objectName().toStdString());
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << "sticks out of its parent";
            const QFontMetrics metrics(w->font());
            if (auto* label = qobject_cast<QLabel*>(w)) {
                if (label->text().isEmpty()) continue;
                EXPECT_LE(WidestLine(metrics, label->text()), label->width());
                EXPECT_LE(metrics.height() * (label->text().count(QLatin1Char('\n')) + 1), label->height() + 2);
            } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
                if (box->text().trimmed().isEmpty())  // the box alone, its label beside it
                    EXPECT_LE(box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box), box->width());
                else
                    EXPECT_LE(box->sizeHint().width(), box->width());
            } else if (auto* button = qobject_cast<QPushButton*>(w)) {
                EXPECT_LE(metrics.horizontalAdvance(button->text()) + 6, button->width());
            } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
                EXPECT_LE(metrics.horizontalAdvance(group->title()) + 16, group->width());
            }
        }
    }
    // The tab captions and the exit button fit too.
    const auto* quit = zx_test::Control<QPushButton>(window, "btn_quit");
    EXPECT_LE(pages->tabBar()->sizeHint().width(), pages->width());
    EXPECT_LE(QFontMetrics(quit->font()).horizontalAdvance(quit->text()) + 6, quit->width());
    EXPECT_TRUE(window.rect().contains(pages->geometry()));
    EXPECT_TRUE(window.rect().contains(quit->geometry()));
    window.hide();
}

}  // namespace

namespace {

// The name labels show the whole name, up to the 45 characters the name
// fields take, over a shadow drawn in the same narrowed font.
TEST(NameLabels, ShowTheWholeNameUpToFortyFiveCharacters) {
    zx_test::TempDir dir;
    zx_test::ScriptedDialogs dialogs;
    zorbex::Tfrm_zorbl window({dir.path(), dialogs});
    const auto drawn = [](QLabel* label) { return static_cast<zorbex::TFitLabel*>(label)->DrawnFont(); };
    const auto fields = [](const QWidget& page, const char* field, const char* a, const char* z) {
        return std::tuple{zx_test::Control<QLineEdit>(page, field), zx_test::Control<QLabel>(page, a),
                          zx_test::Control<QLabel>(page, z)};
    };
    for (auto [field, a, z] : {fields(window.playlistPage(), "edt_namn", "txt_idn_a", "txt_idn_z"),
                               fields(window.unionPage(), "edt_namu", "txt_idu_a", "txt_idu_z")}) {
        SCOPED_TRACE(a->objectName().toStdString());
        for (const QString& name : {QString(45, QChar(u'Ш')), QStringLiteral("МОЯ МУЗЫКА ДЛЯ ДОРОГИ И ОТДЫХА НА ДАЧЕ ЛЕТОМ.")}) {
            field->setText(name);
            ASSERT_EQ(a->text(), name);
            EXPECT_LE(QFontMetrics(drawn(a)).horizontalAdvance(name), a->width());
            EXPECT_TRUE(drawn(a).underline());
            EXPECT_EQ(drawn(z), drawn(a));
        }
        field->setText(QStringLiteral("Рок"));  // a name that fits keeps the labels' own font
        EXPECT_EQ(drawn(a), a->font());
    }
}

}  // namespace
