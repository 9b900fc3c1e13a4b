#include "shell/MainWindowPaintProbe.h"

#include "shell/MainWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

MainWindowPaintProbe::MainWindowPaintProbe(const MainWindow& window, DetailRoute::Kind kind, std::function<void()> painted,
                                           QObject* parent)
    : QObject(parent), window_(window), kind_(kind), painted_(std::move(painted))
{
    QCoreApplication::instance()->installEventFilter(this);
}

MainWindowPaintProbe::~MainWindowPaintProbe()
{
    if (!fired_) QCoreApplication::instance()->removeEventFilter(this);
}

bool MainWindowPaintProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (fired_ || event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
    QWidget* page = window_.page();
    if (!page || window_.route().kind != kind_) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != page && !page->isAncestorOf(widget)) return false;
    fired_ = true;
    QCoreApplication::instance()->removeEventFilter(this);
    if (painted_) painted_();
    return false;
}
