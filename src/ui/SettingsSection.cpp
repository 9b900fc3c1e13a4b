#include "ui/SettingsSection.h"

#include "ui/AppearanceWatch.h"
#include "ui/Card.h"
#include "ui/SmoothCorners.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

// ---- SettingsSection ---------------------------------------------------------------------------

SettingsSection::SettingsSection(QWidget* parent) : QWidget(parent) { repaintOnAppearanceChange(this); }

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
