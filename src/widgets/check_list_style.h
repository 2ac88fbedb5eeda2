#pragma once
// Check lists with 13 pixel rows: the host style's check boxes are taller
// than that and lose their top and bottom edges, so these lists draw them
// 11 pixels square.
#include <QProxyStyle>

class QListWidget;

namespace zorbex {

inline constexpr int kCheckListMarkSize = 11;

class TCheckListStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
};

// Gives the list a style of its own with the small check boxes; the style
// lives as long as the list.
void UseSmallCheckMarks(QListWidget* list);

}  // namespace zorbex
