#include "ui/ApplicationIconView.h"

#include "ui/AppearanceWatch.h"
#include "ui/Accessibility.h"
#include "ui/SmoothCorners.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

// ---- ApplicationIconView ---------------------------------------------------------------------

ApplicationIconView::ApplicationIconView(int size, QWidget* parent) : QWidget(parent)
{
    setFixedSize(size, size);
    UiAccessibility::markDecorative(this);
    repaintOnAppearanceChange(this);
}

void ApplicationIconView::paint(QPainter& p, const QRectF& rect, Qt::LayoutDirection direction)
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        const QPixmap pm = icon.pixmap(rect.size().toSize(), p.device() ? p.device()->devicePixelRatioF() : 1.0);
        if (!pm.isNull()) {
            p.drawPixmap(rect, pm, QRectF(pm.rect()));
            return;
        }
    }
    // The product's mark: the brand gradient in the icon shape with a chip drawn in white.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = std::min(rect.width(), rect.height());
    const QRectF r(rect.center().x() - s * 0.45, rect.center().y() - s * 0.45, s * 0.9, s * 0.9);
    p.fillPath(SmoothCorners::path(r, s * 0.2), Theme::toQGradient(Theme::brandGradient(), r, direction));
    const qreal g = s * 0.5;
    Symbols::draw(p, QRL_SYMBOL("memorychip"), QRectF(r.center().x() - g / 2, r.center().y() - g / 2, g, g),
                  QColor(Qt::white));
    p.restore();
}

void ApplicationIconView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    paint(p, QRectF(rect()), layoutDirection());
}
