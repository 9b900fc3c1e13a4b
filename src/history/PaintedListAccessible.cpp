#include "history/PaintedListAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <QWindow>

namespace {

QSet<QString>& classNames()
{
    static QSet<QString> names;
    return names;
}

PaintedRows* rowsOf(QWidget* w) { return dynamic_cast<PaintedRows*>(w); }

// One painted row.
class RowAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    RowAccessible(QWidget* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return list_ && rowsOf(list_) && row_ < rowsOf(list_)->accessibleRowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(list_.data()); }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name) return {};
        return rowsOf(list_)->accessibleRowName(row_);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid()) return {};
        const QRect r = rowsOf(list_)->accessibleRowRect(row_);
        return QRect(list_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        PaintedRows* rows = rowsOf(list_);
        if (!list_->isVisible()) s.invisible = true;
        // Rows out of the scroll view's sight are still rows, only off screen.
        const QRect r = rows->accessibleRowRect(row_);
        if (list_->visibleRegion().intersected(r).isEmpty()) s.offscreen = true;
        s.focusable = list_->focusPolicy() != Qt::NoFocus;
        s.focused = list_->hasFocus() && rows->accessibleCurrentRow() == row_;
        s.selectable = rows->rowsSelectable();
        s.selected = rows->rowsSelectable() && rows->accessibleRowSelected(row_);
        s.readOnly = !rows->rowsSelectable();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && list_ && rowsOf(list_) && rowsOf(list_)->rowsSelectable())
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // Picking a row is toggling it.
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& name) override
    {
        if (isValid() && (name == toggleAction() || name == pressAction())) rowsOf(list_)->activateAccessibleRow(row_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QWidget> list_;
    int row_;
};

// The painted widget itself: a list of its rows.
class ListAccessible final : public QAccessibleWidget {
public:
    explicit ListAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::List) {}
    ~ListAccessible() override
    {
        for (QAccessible::Id id : std::as_const(ids_)) QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return rows() ? rows()->accessibleRowCount() : 0; }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) return nullptr;
        while (ids_.size() <= index)
            ids_ << QAccessible::registerAccessibleInterface(new RowAccessible(widget(), int(ids_.size())));
        return QAccessible::accessibleInterface(ids_[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < ids_.size(); ++i)
            if (QAccessible::accessibleInterface(ids_[i]) == child) return i < childCount() ? i : -1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < childCount(); ++i)
            if (rows()->accessibleRowRect(i).contains(local)) return child(i);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!widget()->hasFocus() || !rows()) return nullptr;
        const int current = rows()->accessibleCurrentRow();
        return current >= 0 ? child(current) : nullptr;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (rows() && rows()->rowsSelectable()) s.multiSelectable = true;
        return s;
    }

private:
    PaintedRows* rows() const { return rowsOf(widget()); }
    mutable QList<QAccessible::Id> ids_;
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType() || !classNames().contains(className)) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    return rowsOf(w) ? new ListAccessible(w) : nullptr;
}

QAccessibleInterface* rowInterface(QWidget* list, int row)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    return iface ? iface->child(row) : nullptr;
}

}  // namespace

namespace PaintedListAccessible {

void install(const char* className)
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
    classNames().insert(QString::fromLatin1(className));
}

void rowsChanged(QWidget* list)
{
    if (!QAccessible::isActive()) return;
    QAccessibleEvent event(list, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&event);
}

void rowStateChanged(QWidget* list, int row, bool selectedChanged)
{
    if (!QAccessible::isActive() || !rowInterface(list, row)) return;
    QAccessible::State changed;
    changed.selected = selectedChanged;
    QAccessibleStateChangeEvent event(rowInterface(list, row), changed);
    QAccessible::updateAccessibility(&event);
}

void rowFocused(QWidget* list, int row)
{
    if (!QAccessible::isActive() || !list->hasFocus() || !rowInterface(list, row)) return;
    QAccessibleEvent event(rowInterface(list, row), QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

}  // namespace PaintedListAccessible
