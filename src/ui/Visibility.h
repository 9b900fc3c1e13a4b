#pragma once

#include <QWidget>

// Shows or hides `widget` unless it is already explicitly so. QWidget::setVisible(true)
// lays out the widget's whole subtree each time, even when nothing changes and even under
// a hidden parent: a page refreshing its blocks would lay each one out again for nothing.
inline void setShownWithParent(QWidget* widget, bool shown)
{
    if (widget->testAttribute(Qt::WA_WState_ExplicitShowHide) && widget->isHidden() != shown) return;
    widget->setVisible(shown);
}
