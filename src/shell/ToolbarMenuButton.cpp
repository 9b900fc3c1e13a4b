#include "shell/ToolbarMenuButton.h"

#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QStylePainter>

ToolbarMenuButton::ToolbarMenuButton(QWidget* parent) : QToolButton(parent)
{
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

QSize ToolbarMenuButton::sizeHint() const
{
    QSize s = QToolButton::sizeHint();
    s.rwidth() += kChevronRoom;
    return s;
}

QRect ToolbarMenuButton::chevronRect() const
{
    const QRect all = rect();
    const QRect trailing(all.right() - kChevronRoom - 2, all.top(), kChevronRoom, all.height());
    return QStyle::visualRect(layoutDirection(), all, trailing);
}

void ToolbarMenuButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The style draws the frame over the whole button and the icon and title in the part
    // before the chevron; the chevron is ours.
    option.features &= ~(QStyleOptionToolButton::HasMenu | QStyleOptionToolButton::MenuButtonPopup);
    const QRect frame = option.rect;
    QStyleOptionToolButton bevel = option;
    bevel.text.clear();
    bevel.icon = QIcon();
    p.drawComplexControl(QStyle::CC_ToolButton, bevel);
    option.rect = QStyle::visualRect(layoutDirection(), frame, frame.adjusted(0, 0, -kChevronRoom, 0));
    p.drawControl(QStyle::CE_ToolButtonLabel, option);

    p.setRenderHint(QPainter::Antialiasing);
    const QRectF c = QRectF(chevronRect()).adjusted(2, 0, -2, 0);
    const qreal w = 6, h = 3.5;
    const QPointF mid(c.center().x(), c.center().y() + 0.5);
    QPainterPath chevron;
    chevron.moveTo(mid.x() - w / 2, mid.y() - h / 2);
    chevron.lineTo(mid.x(), mid.y() + h / 2);
    chevron.lineTo(mid.x() + w / 2, mid.y() - h / 2);
    QColor tint = Theme::foreground(Theme::Level::secondary);
    if (!isEnabled()) tint.setAlphaF(tint.alphaF() * 0.5);
    p.setPen(QPen(tint, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevron);
}
