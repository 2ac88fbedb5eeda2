#pragma once
// A link drawn as a label: a click, or Enter or Space while it has the focus,
// emits clicked(). Tab reaches it; a click does not take the focus, so the
// page looks as before until the keyboard is used. A screen reader sees a link.
#include "widgets/look.h"

namespace zorbex {

class TLinkLabel : public TClickLabel {
    Q_OBJECT
public:
    TLinkLabel(const QString& text, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zorbex
