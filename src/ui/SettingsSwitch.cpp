#include "ui/SettingsSwitch.h"

#include "ui/AppearanceWatch.h"
#include "ui/SmoothCorners.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

// ---- SettingsSwitch ----------------------------------------------------------------------------

SettingsSwitch::SettingsSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    repaintOnAppearanceChange(this);
}

void SettingsSwitch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath path;
    path.addPath(SmoothCorners::path(track, track.height() / 2));
    QColor on = Theme::brandPrimary();
    QColor fill = isChecked() ? on : Theme::primary(0.14);
    if (!isEnabled()) fill.setAlphaF(fill.alphaF() * 0.45);
    p.fillPath(path, fill);
    if (hasFocus()) {
        QColor ring = on;
        ring.setAlphaF(0.45);
        p.setPen(QPen(ring, 2));
        p.drawPath(path);
    }
    const qreal d = track.height() - 4;
    // The knob sits at the trailing end when on; mirrored right to left.
    const bool trailing = isChecked();
    const bool right = trailing != (layoutDirection() == Qt::RightToLeft);
    const qreal x = right ? track.right() - 2 - d : track.left() + 2;
    p.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
    p.setBrush(isEnabled() ? QColor(Qt::white) : QColor(0xf0, 0xf0, 0xf0));
    p.drawEllipse(QRectF(x, track.top() + 2, d, d));
}
