#pragma once

#include "ui/Theme.h"

#include <QWidget>

// Widgets that resolve their named colours at paint time only need a repaint when the
// desktop switches between light and dark.
inline void repaintOnAppearanceChange(QWidget* w)
{
    QObject::connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, w, qOverload<>(&QWidget::update));
}
