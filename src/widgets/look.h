#pragma once
// Fonts and small controls shared by the pages: the Windows-era faces mapped
// to what the host has, clickable labels, symbol-font arrow buttons, list
// rows of a fixed height.
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>

namespace zorbex {

// "Small Fonts" at a 9 pixel character height, bold unless asked otherwise.
QFont SmallFont(bool bold = true);
QFont MsSansSerifFont(int pixels, bool bold);
QFont ArialFont(int pixels, bool bold);
QFont ArialBlackFont(int pixels);

// A label whose left click (press and release over it) emits clicked().
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// A list whose click event is the one a Windows list box has: a left click
// on a row, or a change of the current row made with the keyboard. Focus
// arriving by Tab, right clicks, and rows changed by the program are none.
class TClickList : public QListWidget {
    Q_OBJECT
public:
    explicit TClickList(QWidget* parent);
signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A one-line label that narrows its font, as far as needed, to show its
// whole text within its width, rather than cut it off.
class TFitLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The font the text is drawn with: font() when the text fits.
    QFont DrawnFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A button whose caption is a letter of the "Marlett" symbol font: "t" is an
// upward triangle, "u" a downward one. The triangle is drawn, so the host
// needs no such font; text() keeps the letter.
class TArrowButton : public QPushButton {
    Q_OBJECT
public:
    TArrowButton(const QString& marlettLetter, QWidget* parent);
    bool PointsUp() const { return text() == QLatin1String("t"); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Gives every row of a list the same height in pixels.
class TRowHeightDelegate : public QStyledItemDelegate {
public:
    TRowHeightDelegate(int rowHeight, QObject* parent) : QStyledItemDelegate(parent), height_(rowHeight) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int height_;
};

// A label with no background of its own, so that a shadow copy shows through.
QLabel* MakePlainLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font, QColor color,
                       const QRect& geometry, Qt::Alignment alignment);

// The big number over its silver shadow (2 px right and below) and the
// underlined name over its shadow (1 px), as both editors show them.
struct IdentityLabels {
    QLabel* numA;
    QLabel* numZ;
    QLabel* idA;
    QLabel* idZ;
};
IdentityLabels MakeIdentityLabels(QWidget* group, const char* numA, const char* numZ, const char* idA, const char* idZ);

// Up and down arrows stacked beside the save button "СОХРАНИТЬ", as both editors have them.
struct NavigationButtons {
    class TArrowButton* up;
    class TArrowButton* down;
    QPushButton* save;
};
NavigationButtons MakeNavigationButtons(QWidget* group, const char* up, const char* down, const char* save);

// An event filter sees input before Qt drops what is meant for a disabled
// widget (disabled itself or through a parent): a filter that acts on input
// asks this first.
bool AcceptsInput(const QObject* watched);

// Sets the object name and returns the widget, to keep page set-up short.
template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace zorbex
