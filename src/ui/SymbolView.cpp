#include "ui/SymbolView.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>

#include <cmath>

SymbolView::SymbolView(const QString& symbol, qreal pixelSize, std::function<QBrush()> brush, int frameWidth, QWidget* parent)
    : QWidget(parent), symbol_(symbol), pixelSize_(pixelSize), brush_(std::move(brush))
{
    const int height = int(std::ceil(pixelSize * 1.2));
    setFixedSize(frameWidth > 0 ? frameWidth : height, height);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void SymbolView::setSymbol(const QString& symbol)
{
    if (symbol == symbol_) return;
    symbol_ = symbol;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    const QPointF c = QRectF(rect()).center();
    Symbols::draw(p, symbol_, QRectF(c.x() - pixelSize_ / 2, c.y() - pixelSize_ / 2, pixelSize_, pixelSize_), brush_());
}
