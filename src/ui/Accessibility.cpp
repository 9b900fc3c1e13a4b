#include "ui/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {
// One element: the widget's accessible name speaks for everything inside it.
class SingleElement : public QAccessibleWidget {
public:
    explicit SingleElement(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

// Decoration: present in the widget tree, absent for assistive technology.
class Hidden : public SingleElement {
public:
    using SingleElement::SingleElement;
    QAccessible::Role role() const override { return QAccessible::NoRole; }
    QAccessible::State state() const override
    {
        QAccessible::State s = SingleElement::state();
        s.invisible = true;
        s.focusable = false;
        return s;
    }
    QString text(QAccessible::Text) const override { return {}; }
};

QAccessibleInterface* factory(const QString& key, QObject* object)
{
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (key == QLatin1String("CapabilityRowView") || key == QLatin1String("SpecPill") ||
        key == QLatin1String("EmptyStateView"))
        return new SingleElement(w);
    if (key == QLatin1String("IconTile")) return new Hidden(w);
    return nullptr;
}
}  // namespace

namespace UiAccessibility {
void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}
}  // namespace UiAccessibility
