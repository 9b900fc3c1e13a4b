#pragma once

#include "shell/MainWindowRoute.h"

#include <QObject>

#include <functional>

class MainWindow;

// Tells, once, when a page of one kind has first been painted in the main window's detail pane.
// Any paint inside the page counts: a page wholly covered by its children (a scroll area's
// viewport) never receives a paint event of its own.
class MainWindowPaintProbe : public QObject {
public:
    MainWindowPaintProbe(const MainWindow& window, DetailRoute::Kind kind, std::function<void()> painted, QObject* parent = nullptr);
    ~MainWindowPaintProbe() override;

    bool fired() const { return fired_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const MainWindow& window_;
    DetailRoute::Kind kind_;
    std::function<void()> painted_;
    bool fired_ = false;
};
