#include "widgets/look.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "widgets/reader_access.h"

namespace zorbex {

namespace {

QFont Face(const QStringList& families, int pixels, bool bold) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

// The Windows faces come first so that a host that has them shows the real look.
QFont SmallFont(bool bold) {
    return Face({QStringLiteral("Small Fonts"), QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                 QStringLiteral("Nimbus Sans Narrow")},
                9, bold);
}

QFont MsSansSerifFont(int pixels, bool bold) {
    return Face({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"), QStringLiteral("Nimbus Sans")}, pixels,
                bold);
}

QFont ArialFont(int pixels, bool bold) {
    return Face({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                 QStringLiteral("DejaVu Sans")},
                pixels, bold);
}

QFont ArialBlackFont(int pixels) {
    QFont font = Face({QStringLiteral("Arial Black"), QStringLiteral("DejaVu Sans"), QStringLiteral("Nimbus Sans")},
                      pixels, true);
    font.setWeight(QFont::Black);
    return font;
}

void TClickLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click) emit clicked();
}

bool AcceptsInput(const QObject* watched) {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    return !widget || widget->isEnabled();
}

TClickList::TClickList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemClicked, this, &TClickList::clicked);
}

void TClickList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0) emit clicked();
}

QFont TFitLabel::DrawnFont() const {
    const QString shown = text();
    const int room = contentsRect().width();
    if (QFontMetrics(font()).horizontalAdvance(shown) <= room) return font();
    // The widest stretch (percent of the face's normal width) that fits.
    QFont narrow = font();
    int lo = 1, hi = 100;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        narrow.setStretch(mid);
        if (QFontMetrics(narrow).horizontalAdvance(shown) <= room)
            lo = mid;
        else
            hi = mid - 1;
    }
    narrow.setStretch(lo);
    return narrow;
}

void TFitLabel::paintEvent(QPaintEvent* event) {
    const QFont drawn = DrawnFont();
    if (drawn == font()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(drawn);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

TArrowButton::TArrowButton(const QString& marlettLetter, QWidget* parent) : QPushButton(marlettLetter, parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TArrowButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    // A solid triangle 7 pixels wide, like the symbol font's glyph; pressed buttons shift it.
    const int shift = isDown() ? 1 : 0;
    const QPointF c(width() / 2.0 + shift, height() / 2.0 + shift);
    QPainterPath path;
    if (PointsUp()) {
        path.moveTo(c.x() - 4, c.y() + 2);
        path.lineTo(c.x() + 4, c.y() + 2);
        path.lineTo(c.x(), c.y() - 2);
    } else {
        path.moveTo(c.x() - 4, c.y() - 2);
        path.lineTo(c.x() + 4, c.y() - 2);
        path.lineTo(c.x(), c.y() + 2);
    }
    path.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (isEnabled()) {
        painter.fillPath(path, palette().color(QPalette::ButtonText));
    } else {
        // Disabled glyphs look engraved: a light copy below and right of a grey one.
        painter.fillPath(path.translated(1, 1), palette().color(QPalette::Light));
        painter.fillPath(path, palette().color(QPalette::Disabled, QPalette::ButtonText));
    }
}

QSize TRowHeightDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(height_);
    return size;
}

namespace {

void ShapePlainLabel(QLabel* label, const QString& name, const QFont& font, QColor color, const QRect& geometry,
                     Qt::Alignment alignment) {
    label->setObjectName(name);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAlignment(alignment);
    label->setGeometry(geometry);
}

}  // namespace

QLabel* MakePlainLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font, QColor color,
                       const QRect& geometry, Qt::Alignment alignment) {
    auto* label = new QLabel(text, parent);
    ShapePlainLabel(label, name, font, color, geometry, alignment);
    return label;
}

IdentityLabels MakeIdentityLabels(QWidget* group, const char* numA, const char* numZ, const char* idA,
                                  const char* idZ) {
    const QColor silver(192, 192, 192);
    const auto center = Qt::AlignCenter;
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    QFont nameFont = SmallFont(true);
    nameFont.setUnderline(true);
    IdentityLabels labels;
    // Shadows first, so that the black copies lie above them.
    labels.numZ = MakePlainLabel(group, QString::fromLatin1(numZ), QStringLiteral("00"), ArialBlackFont(27), silver,
                                 QRect(10, 15, 40, 40), center);
    labels.numA = MakePlainLabel(group, QString::fromLatin1(numA), QStringLiteral("00"), ArialBlackFont(27), Qt::black,
                                 QRect(8, 13, 40, 40), center);
    // The name field takes 45 characters, more than fit in this font: a long
    // name is drawn narrower rather than cut off.
    labels.idZ = new TFitLabel(QStringLiteral("ID"), group);
    ShapePlainLabel(labels.idZ, QString::fromLatin1(idZ), nameFont, silver, QRect(53, 28, 225, 11), left);
    labels.idA = new TFitLabel(QStringLiteral("ID"), group);
    ShapePlainLabel(labels.idA, QString::fromLatin1(idA), nameFont, Qt::black, QRect(52, 27, 225, 11), left);
    // The shadows only draw; a reader would read every caption twice.
    HideFromReaders(labels.numZ);
    HideFromReaders(labels.idZ);
    return labels;
}

NavigationButtons MakeNavigationButtons(QWidget* group, const char* up, const char* down, const char* save) {
    NavigationButtons buttons;
    buttons.up = Named(new TArrowButton(QStringLiteral("t"), group), up);
    buttons.up->setGeometry(10, 14, 25, 17);
    buttons.down = Named(new TArrowButton(QStringLiteral("u"), group), down);
    buttons.down->setGeometry(10, 32, 25, 17);
    buttons.down->setEnabled(false);
    buttons.save = Named(new QPushButton(QStringLiteral("СОХРАНИТЬ"), group), save);
    buttons.save->setGeometry(42, 14, 125, 35);
    return buttons;
}

}  // namespace zorbex
