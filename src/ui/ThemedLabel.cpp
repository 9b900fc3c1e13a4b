#include "ui/ThemedLabel.h"

#include "ui/PaintedText.h"

#include <QEvent>

#include <cmath>

ThemedLabel::ThemedLabel(const QString& text, const QFont& font, Theme::Level level, QWidget* parent)
    : QLabel(parent), level_(level)
{
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, &ThemedLabel::refresh);
    refresh();
}

void ThemedLabel::setText(const QString& text) { QLabel::setText(PaintedText::forLayout(text)); }

int ThemedLabel::inkHeight() const
{
    if (wordWrap() || text().isEmpty()) return 0;
    const QMargins m = contentsMargins();
    return int(std::ceil(PaintedText::measure(font(), text()).centredHeight())) + m.top() + m.bottom() + 2 * margin();
}

QSize ThemedLabel::sizeHint() const
{
    QSize s = QLabel::sizeHint();
    s.setHeight(qMax(s.height(), inkHeight()));
    return s;
}

QSize ThemedLabel::minimumSizeHint() const
{
    QSize s = QLabel::minimumSizeHint();
    s.setHeight(qMax(s.height(), inkHeight()));
    return s;
}

void ThemedLabel::setLevel(Theme::Level level)
{
    level_ = level;
    color_.reset();
    refresh();
}

void ThemedLabel::setColor(const QColor& color)
{
    color_ = color;
    refresh();
}

void ThemedLabel::refresh()
{
    QPalette p = palette();
    const QColor c = color_ ? color_->resolve() : Theme::foreground(level_);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::WindowText, c);
        p.setColor(group, QPalette::Text, c);
        p.setColor(group, QPalette::Highlight, Theme::brandPrimary());
        p.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    setPalette(p);
}

void ThemedLabel::setEdgeAlignment(bool trailing, Qt::Alignment vertical)
{
    edge_ = std::make_pair(trailing, vertical);
    applyEdge();
}

void ThemedLabel::applyEdge()
{
    if (!edge_) return;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const bool right = edge_->first != rtl;
    setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute | edge_->second);
}

void ThemedLabel::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LayoutDirectionChange) applyEdge();
    QLabel::changeEvent(e);
}
