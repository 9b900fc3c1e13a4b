#pragma once

// How the shared widgets present themselves to assistive technology. A capability row, a
// spec pill and an empty state are each one element whose name combines their texts (their
// labels are not read again one by one); an icon tile is decoration and hidden. Widgets of
// any class can be marked decorative, concealable or given a role.
#include <QAccessible>
#include <QString>

#include <optional>

class QWidget;

namespace UiAccessibility {
// Registers the presentations with Qt's accessibility; safe to call any number of times.
void install();
// Decoration (a symbol, an icon, a glow): kept out of what assistive technology reads.
// Call in the widget's constructor, before anything asks for its accessible interface.
void markDecorative(QWidget* widget);
// A widget whose whole subtree assistive technology can be told to skip (content under a
// blocking overlay): call once in the constructor, then setHidden() as the state changes.
void makeConcealable(QWidget* widget);
void setHidden(QWidget* widget, bool hidden);
// The role a plain container plays (a card that is a dialog to the reader).
void setRole(QWidget* widget, QAccessible::Role role);
// A painted gauge's reading as the reader's value: `text` as spoken ("87 %"), `number` (0 to
// 100) for the value interface, absent when there is none. Give the widget its role first.
void setValue(QWidget* widget, const QString& text, std::optional<double> number);
}  // namespace UiAccessibility
