#include "ui/Divider.h"

#include "ui/Theme.h"

#include <QPainter>

Divider::Divider(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QObject::connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::primary(0.1));
}
