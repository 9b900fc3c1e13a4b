#include "ui/StatusIcon.h"

#include "ui/Symbols.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QPainter>

namespace StatusStyle {

QString symbol(CapabilityStatus s)
{
    switch (s) {
    case CapabilityStatus::supported: return QRL_SYMBOL("checkmark.circle.fill");
    case CapabilityStatus::unsupported: return QRL_SYMBOL("xmark.circle.fill");
    case CapabilityStatus::warning: return QRL_SYMBOL("exclamationmark.triangle.fill");
    case CapabilityStatus::info: return QRL_SYMBOL("circle.fill");
    }
    return {};
}

QColor color(CapabilityStatus s, Theme::Appearance a)
{
    switch (s) {
    case CapabilityStatus::supported: return Theme::color(Theme::Color::statusSupported, a);
    case CapabilityStatus::unsupported: return Theme::color(Theme::Color::statusUnsupported, a);
    case CapabilityStatus::warning: return Theme::color(Theme::Color::statusWarning, a);
    case CapabilityStatus::info: return Theme::foreground(Theme::Level::quaternary, a);
    }
    return {};
}

QColor color(CapabilityStatus s) { return color(s, Theme::appearance()); }

qreal symbolScale(CapabilityStatus s) { return s == CapabilityStatus::info ? 0.6 : 1.0; }

QString accessibilityName(CapabilityStatus s, const Localization& l)
{
    switch (s) {
    case CapabilityStatus::supported: return l.tr("Supported");
    case CapabilityStatus::unsupported: return l.tr("Not supported");
    case CapabilityStatus::warning: return l.tr("Warning");
    case CapabilityStatus::info: return l.tr("Information");
    }
    return {};
}

QString accessibilityName(CapabilityStatus s) { return accessibilityName(s, UiLanguage::current()); }

}  // namespace StatusStyle

StatusIcon::StatusIcon(CapabilityStatus status, QWidget* parent) : QWidget(parent), status_(status)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(StatusStyle::accessibilityName(status));
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void StatusIcon::setStatus(CapabilityStatus status)
{
    status_ = status;
    setAccessibleName(StatusStyle::accessibilityName(status));
    update();
}

QSize StatusIcon::sizeHint() const { return QSize(kWidth, qMax(kWidth, QFontMetrics(font()).height())); }

void StatusIcon::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange) updateGeometry();
    QWidget::changeEvent(e);
}

void StatusIcon::paint(QPainter& painter, CapabilityStatus status, const QRectF& rect, qreal pixelSize)
{
    const qreal s = pixelSize * StatusStyle::symbolScale(status);
    const QRectF box(rect.center().x() - s / 2, rect.center().y() - s / 2, s, s);
    Symbols::draw(painter, StatusStyle::symbol(status), box, StatusStyle::color(status));
}

void StatusIcon::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    const qreal size = font().pixelSize() > 0 ? font().pixelSize() : QFontMetricsF(font()).height() * 0.8;
    // Centred on the first line of text, whatever height the layout gives the frame.
    const qreal line = QFontMetricsF(font()).height();
    paint(p, status_, QRectF(0, 0, width(), qMin<qreal>(height(), qMax(line, size))), size);
}
