#pragma once

#include "reports/ReportFormat.h"

#include <QIcon>
#include <QMenu>

#include <functional>

// The toolbar's Export menu: one entry per report format, in the formats' order, each
// with its title and symbol; choosing one runs `run` with that format. The menu's own
// action carries the label "Export", the share symbol and the help text, so a toolbar
// shows it as one button.
class ExportMenu : public QMenu {
    Q_OBJECT
public:
    explicit ExportMenu(std::function<void(ReportFormat)> run, QWidget* parent = nullptr);

    QAction* actionFor(ReportFormat format) const;

    // A symbol as an icon, drawn in the current foreground colour each time it is painted,
    // so it follows a switch between light and dark.
    static QIcon symbolIcon(const QString& symbol);
    // The symbol of a format's card and menu entry.
    static QString symbol(ReportFormat format);

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();
    std::function<void(ReportFormat)> run_;
    QList<QAction*> actions_;
};
