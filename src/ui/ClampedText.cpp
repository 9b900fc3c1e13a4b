#include "ui/ClampedText.h"

#include "ui/AppearanceWatch.h"
#include "ui/UntrustedText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

// ---- ClampedText -------------------------------------------------------------------------------

ClampedText::ClampedText(const QFont& font, Theme::Level level, int maxLines, QWidget* parent)
    : QWidget(parent), level_(level), maxLines_(maxLines)
{
    setFont(font);
    QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Preferred);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
    repaintOnAppearanceChange(this);
}

void ClampedText::setText(const QString& text)
{
    text_ = UntrustedText::forDisplay(text);
    setAccessibleName(text_);
    updateGeometry();
    update();
}

void ClampedText::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    update();
}

void ClampedText::setColor(std::optional<QColor> color)
{
    color_ = std::move(color);
    update();
}

QStringList ClampedText::shownLines(int width) const
{
    QStringList lines;
    if (text_.isEmpty() || width <= 0) return lines;
    const QFontMetricsF m(font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(layoutDirection());
    const QStringList paragraphs = text_.split(QLatin1Char('\n'));
    for (qsizetype pi = 0; pi < paragraphs.size(); ++pi) {
        // A paragraph longer than the lines it can fill is laid out only as far as it shows.
        const qsizetype limit = maxLines_ > 0 ? qsizetype(maxLines_) * 600 : paragraphs[pi].size();
        const QString para = paragraphs[pi].left(limit);
        QTextLayout layout(para, font());
        layout.setTextOption(option);
        layout.beginLayout();
        QList<std::pair<int, int>> ranges;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            ranges.append({line.textStart(), line.textLength()});
        }
        layout.endLayout();
        if (ranges.isEmpty()) ranges.append({0, 0});
        for (qsizetype li = 0; li < ranges.size(); ++li) {
            const bool lastAllowed = maxLines_ > 0 && lines.size() == maxLines_ - 1;
            const bool more = li + 1 < ranges.size() || pi + 1 < paragraphs.size() || para.size() < paragraphs[pi].size();
            if (lastAllowed && more) {
                // The rest of the text on one line, cut with an ellipsis.
                QString rest = para.mid(ranges[li].first, 600);
                rest.replace(QLatin1Char('\n'), QLatin1Char(' '));
                QString elided = m.elidedText(rest + QStringLiteral(" …"), Qt::ElideRight, width);
                lines << elided;
                return lines;
            }
            lines << para.mid(ranges[li].first, ranges[li].second).trimmed();
            if (maxLines_ > 0 && lines.size() >= maxLines_) return lines;
        }
    }
    return lines;
}

int ClampedText::idealWidth() const
{
    const QFontMetricsF m(font());
    qreal w = 0;
    for (const QString& para : text_.split(QLatin1Char('\n'))) w = std::max(w, m.horizontalAdvance(para.left(800)));
    return int(std::ceil(w)) + 1;
}

int ClampedText::heightForWidth(int width) const
{
    const qsizetype n = shownLines(width).size();
    return int(std::ceil(QFontMetricsF(font()).lineSpacing() * n));
}

QSize ClampedText::sizeHint() const
{
    const int w = std::min(idealWidth(), 480);
    return QSize(w, heightForWidth(w));
}

// The height follows the width the layout gives (heightForWidth), not the width it has now.
QSize ClampedText::minimumSizeHint() const { return QSize(0, int(std::ceil(QFontMetricsF(font()).lineSpacing()))); }

void ClampedText::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setFont(font());
    p.setPen(color_.value_or(Theme::foreground(level_)));
    const qreal spacing = QFontMetricsF(font()).lineSpacing();
    qreal y = 0;
    // The edge is the window's leading one, whatever direction a line runs in.
    Qt::Alignment horizontal = alignment_ & Qt::AlignHorizontal_Mask;
    if (!(horizontal & Qt::AlignHCenter))
        horizontal = (layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute;
    for (const QString& line : shownLines(width())) {
        // Each line in its own direction (a Latin note in a right-to-left window keeps its
        // full stop at the end), aligned to the window's leading edge.
        const int direction = line.isRightToLeft() ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight;
        p.drawText(QRectF(0, y, width(), spacing), int(horizontal | Qt::AlignVCenter) | direction, line);
        y += spacing;
    }
}
