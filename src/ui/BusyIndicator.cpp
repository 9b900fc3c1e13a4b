#include "ui/BusyIndicator.h"

#include "ui/Theme.h"

#include <QPainter>

#include <algorithm>

// ---------------------------------------------------------------- BusyIndicator

BusyIndicator::BusyIndicator(int size, QWidget* parent) : QWidget(parent), size_(size)
{
    setObjectName(QStringLiteral("busyIndicator"));
    setFixedSize(size, size);
    timer_.setInterval(80);
    connect(&timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % 8;
        update();
    });
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void BusyIndicator::showEvent(QShowEvent*) { timer_.start(); }
void BusyIndicator::hideEvent(QHideEvent*) { timer_.stop(); }

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const qreal radius = size_ / 2.0;
    const qreal spoke = radius * 0.45;
    for (int i = 0; i < 8; ++i) {
        // The newest spoke is darkest; the others fade behind it.
        const int age = (step_ - i + 8) % 8;
        QPen pen(Theme::primary(0.75 - 0.08 * age), std::max(1.5, size_ / 10.0), Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.save();
        p.rotate(i * 45.0);
        p.drawLine(QPointF(0, -radius + pen.widthF()), QPointF(0, -radius + pen.widthF() + spoke));
        p.restore();
    }
}
