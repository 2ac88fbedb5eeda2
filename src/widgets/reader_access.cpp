#include "widgets/reader_access.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTabBar>

#include "widgets/file_edit.h"
#include "widgets/link_label.h"
#include "widgets/page_control.h"
#include "widgets/vex_progress_bar.h"

namespace zorbex {

namespace {

const char* const kQuiet = "zx_readers_skip";

bool Quiet(const QObject* object) { return object->property(kQuiet).toBool(); }

QList<QWidget*> SpokenChildren(const QWidget* parent) {
    QList<QWidget*> children;
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow() && !Quiet(widget)) children << widget;
    }
    return children;
}

// A widget named only by its own accessible name: the toolkit would name an
// unnamed widget in a group box by the box's caption, letter-spaced on
// screen, and a combo box by its text, on Linux, where the label should be.
class OwnNameAccessible : public QAccessibleWidget {
public:
    OwnNameAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? widget()->accessibleName() : QAccessibleWidget::text(t);
    }
};

// A group box whose decorative children are left out. Every group box gets
// one, since the toolkit may ask for a box before its children are marked.
class GroupAccessible : public QAccessibleWidget {
public:
    explicit GroupAccessible(QGroupBox* group) : QAccessibleWidget(group, QAccessible::Grouping) {}
    QString text(QAccessible::Text t) const override {
        const QString own = QAccessibleWidget::text(t);
        return t == QAccessible::Name && own.isEmpty() ? static_cast<QGroupBox*>(widget())->title() : own;
    }
    int childCount() const override { return int(SpokenChildren(widget()).size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = SpokenChildren(widget());
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return int(SpokenChildren(widget()).indexOf(qobject_cast<QWidget*>(child->object())));
    }
};

class BarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BarAccessible(TVexProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? QString::number(Bar()->Position()) : QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return Bar()->Position(); }
    void setCurrentValue(const QVariant&) override {}  // only the run moves it
    QVariant maximumValue() const override { return Bar()->Max(); }
    QVariant minimumValue() const override { return Bar()->Min(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    TVexProgressBar* Bar() const { return static_cast<TVexProgressBar*>(widget()); }
};

// An editable combo box: its name, its text as value, its list on demand.
class ComboAccessible : public OwnNameAccessible {
public:
    explicit ComboAccessible(QComboBox* combo) : OwnNameAccessible(combo, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? Combo()->currentText() : OwnNameAccessible::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = OwnNameAccessible::state();
        s.editable = Combo()->isEditable();
        s.expandable = true;
        s.expanded = Combo()->view()->isVisible();
        return s;
    }
    QStringList actionNames() const override {
        return widget()->isEnabled() ? QStringList{showMenuAction(), setFocusAction()} : QStringList{};
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() && widget()->isEnabled())
            Combo()->showPopup();
        else
            OwnNameAccessible::doAction(action);
    }

private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

// The page control: a list of pages whose value is the page shown.
class PagesAccessible : public QAccessibleWidget {
public:
    explicit PagesAccessible(TPageControl* pages) : QAccessibleWidget(pages, QAccessible::PageTabList) {}
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Value) return QAccessibleWidget::text(t);
        auto* pages = static_cast<TPageControl*>(widget());
        const int shown = pages->currentIndex();
        return shown < 0 ? QString() : pages->tabBar()->accessibleTabName(shown);
    }
};

class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(TLinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}
    QStringList actionNames() const override {
        return widget()->isEnabled() ? QStringList{pressAction(), setFocusAction()} : QStringList{};
    }
    void doAction(const QString& action) override {
        if (!widget()->isEnabled()) return;
        if (action == pressAction())
            emit static_cast<TLinkLabel*>(widget())->clicked();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (auto* bar = qobject_cast<TVexProgressBar*>(widget)) return new BarAccessible(bar);
    if (auto* pages = qobject_cast<TPageControl*>(widget)) return new PagesAccessible(pages);
    if (auto* link = qobject_cast<TLinkLabel*>(widget)) return new LinkAccessible(link);
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return new GroupAccessible(group);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return new ComboAccessible(combo);
    if (qobject_cast<TFileNameEdit*>(widget)) return new OwnNameAccessible(widget, QAccessible::Client);
    return nullptr;
}

}  // namespace

void HideFromReaders(QWidget* decorative) {
    InstallReaderAccess();
    decorative->setProperty(kQuiet, true);
}

void InstallReaderAccess() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

}  // namespace zorbex
