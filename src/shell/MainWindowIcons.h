#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// A symbol as an icon for toolbars, menus and lists, in one colour, drawn for the
// device-pixel ratios the screens use.
namespace MainWindowIcons {
QIcon symbol(const QString& name, const QColor& color, int size = 16);
// The same with another colour for the selected state (a highlighted list row).
QIcon symbol(const QString& name, const QColor& color, const QColor& selected, int size = 16);
// Drawn `inset` points in from every side of its box: for a symbol whose ink fills the box,
// which beside a label would leave it less room than its neighbours leave theirs.
QIcon insetSymbol(const QString& name, const QColor& color, qreal inset, int size = 16);
// The application's icon (windows, tray, desktop entry).
QIcon application();
}  // namespace MainWindowIcons
