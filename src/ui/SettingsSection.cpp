#include "ui/SettingsSection.h"

#include "ui/Card.h"
#include "ui/SmoothCorners.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void watchAppearance(QWidget* w)
{
    QObject::connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, w, qOverload<>(&QWidget::update));
}

}  // namespace

// ---- SettingsSection ---------------------------------------------------------------------------

SettingsSection::SettingsSection(QWidget* parent) : QWidget(parent) { watchAppearance(this); }

void SettingsSection::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Theme::Appearance a = Theme::appearance();
    QPainterPath path;
    path.addPath(SmoothCorners::path(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8));
    p.fillPath(path, Theme::surfaceElevated());
    p.setPen(QPen(Theme::primary(Card::borderOpacity(a)), 1));
    p.drawPath(path);
}
