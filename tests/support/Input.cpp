#include "support/Input.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>

void click(QWidget* widget, QPoint pos)
{
    if (pos == QPoint(-1, -1)) pos = widget->rect().center();
    const QPointF global = widget->mapToGlobal(QPointF(pos));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void hover(QWidget* widget)
{
    const QPointF local = QRectF(widget->rect()).center();
    QEnterEvent enter(local, local, widget->mapToGlobal(local));
    QApplication::sendEvent(widget, &enter);
}

void unhover(QWidget* widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}
