#include "ui/PaintedText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

namespace PaintedText {

namespace {
constexpr char16_t kArabicLetterMark = 0x061C;
constexpr char16_t kRightToLeftMark = 0x200F;

// Whether the letter mark at `at` decides the type of a European digit after it: AL turns
// the digits it governs into Arabic numbers, R does not. Any other use of it is the same as R.
bool governsEuropeanDigits(const QString& text, qsizetype at)
{
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        switch (text.at(i).direction()) {
        case QChar::DirEN: return true;
        case QChar::DirL:
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirB: return false;
        default: break;
        }
    }
    return false;
}

struct Laid {
    QString text;
    qreal ascent = 0, descent = 0, width = 0;
};

void layOut(QTextLayout& layout, Qt::LayoutDirection direction)
{
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(direction);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(1e6);
        line.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
}
}  // namespace

QString forLayout(const QString& text)
{
    qsizetype at = text.indexOf(QChar(kArabicLetterMark));
    if (at < 0) return text;
    QString out = text;
    for (; at >= 0; at = out.indexOf(QChar(kArabicLetterMark), at + 1))
        if (!governsEuropeanDigits(out, at)) out[at] = QChar(kRightToLeftMark);
    return out;
}

LineMetrics measure(const QFont& font, const QString& text)
{
    const QFontMetricsF fm(font);
    LineMetrics m{fm.ascent(), fm.descent(), 0};
    if (text.isEmpty()) return m;
    QTextLayout layout(forLayout(text), font);
    layOut(layout, Qt::LeftToRight);
    const QTextLine line = layout.lineAt(0);
    m.ascent = qMax(m.ascent, line.ascent());
    m.descent = qMax(m.descent, line.descent());
    m.width = line.naturalTextWidth();
    return m;
}

QString elided(const QFont& font, const QString& text, qreal width, Qt::TextElideMode mode)
{
    const QString laid = forLayout(text);
    if (mode == Qt::ElideNone || measure(font, laid).width <= width) return laid;
    return QFontMetricsF(font).elidedText(laid, mode, width);
}

void draw(QPainter& painter, const QRectF& box, Qt::Alignment alignment, const QString& text, Qt::TextElideMode mode)
{
    const QFont font = painter.font();
    const QString shown = elided(font, text, box.width(), mode);
    if (shown.isEmpty()) return;
    QTextLayout layout(shown, font, painter.device());
    layOut(layout, painter.layoutDirection());
    const QTextLine line = layout.lineAt(0);
    const QFontMetricsF fm(font);
    const qreal ascent = qMax(fm.ascent(), line.ascent());
    const qreal height = ascent + qMax(fm.descent(), line.descent());
    const qreal w = line.naturalTextWidth();

    Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (!(h & Qt::AlignAbsolute) && painter.layoutDirection() == Qt::RightToLeft) {
        if (h & Qt::AlignLeft) h = (h & ~Qt::AlignLeft) | Qt::AlignRight;
        else if (h & Qt::AlignRight) h = (h & ~Qt::AlignRight) | Qt::AlignLeft;
    }
    qreal x = box.left();
    if (h & Qt::AlignRight) x = box.right() - w;
    else if (h & Qt::AlignHCenter) x = box.center().x() - w / 2;

    qreal top = box.top();
    if (alignment & Qt::AlignBottom) top = box.bottom() - height;
    else if (alignment & Qt::AlignVCenter) top = box.center().y() - height / 2;
    const qreal baseline = top + ascent;
    layout.draw(&painter, QPointF(x, baseline - line.ascent()));
}

}  // namespace PaintedText
