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
// The application's icon (windows, tray, desktop entry).
QIcon application();
}  // namespace MainWindowIcons
