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

const char* const kDecorative = "qrlAccessibleDecorative";
const char* const kConcealable = "qrlAccessibleConcealable";
const char* const kRole = "qrlAccessibleRole";
const char* const kValueText = "qrlAccessibleValueText";
const char* const kValueNumber = "qrlAccessibleValueNumber";

// A widget that reads its hidden state and role from its properties each time it is asked.
class PropertyDriven : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface && widget()->property(kValueNumber).isValid())
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value && widget()->property(kValueText).isValid()) return widget()->property(kValueText).toString();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return widget()->property(kValueNumber); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }
    explicit PropertyDriven(QWidget* w)
        : QAccessibleWidget(w, w->property(kRole).isValid() ? QAccessible::Role(w->property(kRole).toInt()) : QAccessible::Client)
    {
    }
    bool concealed() const { return widget()->property(kConcealable).toBool(); }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (concealed()) {
            s.invisible = true;
            s.focusable = false;
        }
        return s;
    }
    int childCount() const override { return concealed() ? 0 : QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override { return concealed() ? nullptr : QAccessibleWidget::child(index); }
    QAccessibleInterface* childAt(int x, int y) const override { return concealed() ? nullptr : QAccessibleWidget::childAt(x, y); }
    int indexOfChild(const QAccessibleInterface* c) const override { return concealed() ? -1 : QAccessibleWidget::indexOfChild(c); }
};

QAccessibleInterface* factory(const QString& key, QObject* object)
{
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (w->property(kDecorative).toBool()) return new Hidden(w);
    if (w->property(kConcealable).isValid() || w->property(kRole).isValid()) return new PropertyDriven(w);
    if (key == QLatin1String("CapabilityRowView") || key == QLatin1String("SpecPill") ||
        key == QLatin1String("EmptyStateView"))
        return new SingleElement(w);
    if (key == QLatin1String("IconTile")) return new Hidden(w);
    return nullptr;
}

// Qt makes a widget's interface as soon as anything about it changes (its construction with a
// reader listening, a name set), before the property that picks our presentation is set: drop
// such an interface, so the next query makes ours.
void forgetInterface(QWidget* widget)
{
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget))
        if (!dynamic_cast<Hidden*>(iface) && !dynamic_cast<PropertyDriven*>(iface))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}
}  // namespace

namespace UiAccessibility {
void markDecorative(QWidget* widget)
{
    install();
    widget->setProperty(kDecorative, true);
    forgetInterface(widget);
    widget->setAccessibleName(QString());
}

void makeConcealable(QWidget* widget)
{
    install();
    if (!widget->property(kConcealable).isValid()) widget->setProperty(kConcealable, false);
    forgetInterface(widget);
}

void setHidden(QWidget* widget, bool hidden)
{
    makeConcealable(widget);
    if (widget->property(kConcealable).toBool() == hidden) return;
    widget->setProperty(kConcealable, hidden);
    if (!QAccessible::isActive()) return;
    // Readers drop or re-read the subtree.
    QAccessibleEvent reorder(widget, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reorder);
    QAccessible::State changed;
    changed.invisible = true;
    QAccessibleStateChangeEvent event(widget, changed);
    QAccessible::updateAccessibility(&event);
}

void setRole(QWidget* widget, QAccessible::Role role)
{
    install();
    widget->setProperty(kRole, int(role));
    forgetInterface(widget);
}

void setValue(QWidget* widget, const QString& text, std::optional<double> number)
{
    install();
    const bool first = !widget->property(kValueText).isValid();
    widget->setProperty(kValueText, text);
    widget->setProperty(kValueNumber, number ? QVariant(*number) : QVariant());
    if (first) forgetInterface(widget);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(widget, number ? QVariant(*number) : QVariant(text));
        QAccessible::updateAccessibility(&event);
    }
}

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}
}  // namespace UiAccessibility
