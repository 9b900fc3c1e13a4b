#include "ui/PaintedText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QTextLayout>

#include <cmath>
#include <memory>

namespace PaintedText {

namespace {
constexpr char16_t kArabicLetterMark = 0x061C;
constexpr char16_t kRightToLeftMark = 0x200F;
constexpr qsizetype kMeasuredTexts = 1024;
constexpr qsizetype kLaidOutTexts = 256;

struct DrawKey {
    QFont font;
    QString text;
    int direction, dpiX, dpiY;
    bool operator==(const DrawKey&) const = default;
};
size_t qHash(const DrawKey& k, size_t seed = 0) { return qHashMulti(seed, k.font, k.text, k.direction, k.dpiX, k.dpiY); }

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

namespace {
LineMetrics measureLine(const QFont& font, const QTextLine& line, const QList<QGlyphRun>& runs)
{
    const QFontMetricsF fm(font);
    LineMetrics m{qMax(fm.ascent(), line.ascent()), qMax(fm.descent(), line.descent()), 0, 0, line.naturalTextWidth(), {}, {}};
    // Ink bounds relative to the baseline (the line stands at y = 0).
    const qreal baseline = line.ascent();
    for (const QGlyphRun& run : runs) {
        const QRawFont face = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            const QRectF ink = face.boundingRect(glyphs[i]);
            if (ink.isEmpty()) continue;
            const qreal y = positions[i].y();  // the glyph's baseline, in line coordinates
            m.glyphInk << ink.translated(positions[i].x(), y - baseline);
            m.ink |= m.glyphInk.last();
            m.inkAbove = qMax(m.inkAbove, (baseline - (y + ink.top())) - m.ascent);
            m.inkBelow = qMax(m.inkBelow, (y + ink.bottom() - baseline) - m.descent);
        }
    }
    // Less than half a pixel is the antialiased fringe of a glyph that fits.
    auto room = [](qreal overshoot) { return overshoot > 0.5 ? std::ceil(overshoot) : 0.0; };
    m.inkAbove = room(m.inkAbove);
    m.inkBelow = room(m.inkBelow);
    return m;
}
}  // namespace

LineMetrics measure(const QFont& font, const QString& text)
{
    if (text.isEmpty()) {
        const QFontMetricsF fm(font);
        return LineMetrics{fm.ascent(), fm.descent(), 0, 0, 0, {}, {}};
    }
    // Size hints, elision and painting ask for the same few texts over and over (a page asks
    // each of its labels several times per layout pass): each is shaped once. Per thread, as
    // text may be measured off the interface thread; bounded, as texts come from the machine.
    thread_local QHash<std::pair<QFont, QString>, LineMetrics> shaped;
    std::pair<QFont, QString> key(font, text);
    if (auto it = shaped.constFind(key); it != shaped.cend()) return *it;
    if (shaped.size() >= kMeasuredTexts) shaped.clear();
    QTextLayout layout(forLayout(text), font);
    layOut(layout, Qt::LeftToRight);
    return *shaped.insert(std::move(key), measureLine(font, layout.lineAt(0), layout.glyphRuns()));
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
    // The same few texts are painted over and over (every counter and title of a page built
    // anew): each is laid out once per font, direction and resolution, and drawn from that.
    struct Laid {
        std::shared_ptr<QTextLayout> layout;
        LineMetrics metrics;
        qreal width = 0, ascent = 0;
    };
    QPaintDevice* device = painter.device();
    const int dpiX = device ? device->logicalDpiX() : 0, dpiY = device ? device->logicalDpiY() : 0;
    thread_local QHash<DrawKey, Laid> laidOut;
    DrawKey key{font, shown, int(painter.layoutDirection()), dpiX, dpiY};
    auto it = laidOut.constFind(key);
    if (it == laidOut.cend()) {
        if (laidOut.size() >= kLaidOutTexts) laidOut.clear();
        auto layout = std::make_shared<QTextLayout>(shown, font, device);
        layOut(*layout, painter.layoutDirection());
        const QTextLine laidLine = layout->lineAt(0);
        Laid laid{layout, measureLine(font, laidLine, layout->glyphRuns()), laidLine.naturalTextWidth(), laidLine.ascent()};
        it = laidOut.insert(std::move(key), std::move(laid));
    }
    const QTextLayout& layout = *it->layout;
    const LineMetrics& m = it->metrics;
    const qreal w = it->width;

    Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (!(h & Qt::AlignAbsolute) && painter.layoutDirection() == Qt::RightToLeft) {
        if (h & Qt::AlignLeft) h = (h & ~Qt::AlignLeft) | Qt::AlignRight;
        else if (h & Qt::AlignRight) h = (h & ~Qt::AlignRight) | Qt::AlignLeft;
    }
    qreal x = box.left();
    if (h & Qt::AlignRight) x = box.right() - w;
    else if (h & Qt::AlignHCenter) x = box.center().x() - w / 2;

    qreal top = box.top();
    if (alignment & Qt::AlignBottom) top = box.bottom() - m.height();
    else if (alignment & Qt::AlignVCenter) top = box.center().y() - m.height() / 2;
    const qreal baseline = top + m.inkAbove + m.ascent;
    layout.draw(&painter, QPointF(x, baseline - it->ascent));
}

}  // namespace PaintedText
