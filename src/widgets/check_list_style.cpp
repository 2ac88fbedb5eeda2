#include "widgets/check_list_style.h"

#include <QListWidget>

namespace zorbex {

int TCheckListStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) return kCheckListMarkSize;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void UseSmallCheckMarks(QListWidget* list) {
    auto* style = new TCheckListStyle;  // based on the application's style
    style->setParent(list);
    list->setStyle(style);
}

}  // namespace zorbex
