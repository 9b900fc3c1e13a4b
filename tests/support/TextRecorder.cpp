#include "support/TextRecorder.h"

#include "ui/PaintedText.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QWidget>

#include <algorithm>

namespace {

class RecordingEngine : public QPaintEngine {
public:
    explicit RecordingEngine(QSize size) : QPaintEngine(QPaintEngine::AllFeatures), size_(size) {}
    QList<RecordedText> items;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawLines(const QLine*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawPoints(const QPointF*, int) override {}

    void updateState(const QPaintEngineState& state) override
    {
        const QPaintEngine::DirtyFlags flags = state.state();
        if (flags & DirtyTransform) transform_ = state.transform();
        if (flags & (DirtyClipPath | DirtyClipRegion)) {
            QPainterPath path;
            if (flags & DirtyClipPath) path = state.clipPath();
            else path.addRegion(state.clipRegion());
            path = transform_.map(path);
            switch (state.clipOperation()) {
            case Qt::NoClip: clipOn_ = false; clip_ = QPainterPath(); break;
            case Qt::ReplaceClip: clipOn_ = true; clip_ = path; break;
            case Qt::IntersectClip: clip_ = clipOn_ ? clip_.intersected(path) : path; clipOn_ = true; break;
            }
        }
        if (flags & DirtyClipEnabled) clipEnabled_ = state.isClipEnabled();
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        // The item's images cover its line box with room around it for glyphs reaching beyond.
        const qreal pad = item.ascent() + item.descent();
        const QRect area = transform_
                               .mapRect(QRectF(p.x() - pad, p.y() - item.ascent() - pad, item.width() + 2 * pad,
                                               item.ascent() + item.descent() + 2 * pad))
                               .toAlignedRect()
                               .intersected(QRect(QPoint(0, 0), size_));
        RecordedText r{item.text(), item.font(), p, transform_, area.topLeft(), blank(area.size()), blank(area.size())};
        auto paint = [&](QImage& image, bool clipped) {
            QPainter painter(&image);
            painter.translate(-area.topLeft());
            painter.setRenderHint(QPainter::TextAntialiasing);
            const QRegion system = systemClip();
            if (clipped) {
                QPainterPath clip;
                clip.addRect(QRectF(QPointF(0, 0), QSizeF(size_)));
                if (!system.isEmpty()) {
                    QPainterPath s;
                    s.addRegion(system);
                    clip = clip.intersected(s);
                }
                if (clipOn_ && clipEnabled_) clip = clip.intersected(clip_);
                painter.setClipPath(clip);
            }
            painter.setTransform(transform_, true);
            painter.setPen(Qt::black);
            painter.drawTextItem(p, item);
        };
        paint(r.whole, false);
        paint(r.shown, true);
        items << r;
    }

private:
    static QImage blank(QSize size)
    {
        QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return image;
    }
    QSize size_;
    QTransform transform_;
    QPainterPath clip_;
    bool clipOn_ = false;
    bool clipEnabled_ = true;
};

class RecordingDevice : public QPaintDevice {
public:
    explicit RecordingDevice(QSize size) : size_(size), engine_(size) {}
    ~RecordingDevice() override = default;
    QPaintEngine* paintEngine() const override { return const_cast<RecordingEngine*>(&engine_); }
    QList<RecordedText> items() const { return engine_.items; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return size_.width();
        case PdmHeight: return size_.height();
        case PdmWidthMM: return qRound(size_.width() * 25.4 / 96);
        case PdmHeightMM: return qRound(size_.height() * 25.4 / 96);
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize size_;
    RecordingEngine engine_;
};

QString sortedChars(QString s)
{
    std::sort(s.begin(), s.end());
    return s;
}
}  // namespace

QList<RecordedText> recordTexts(QWidget& widget)
{
    RecordingDevice device(widget.size());
    widget.render(&device, QPoint(), QRegion(), QWidget::DrawChildren);
    return device.items();
}

namespace {
bool sameFont(const QFont& a, const QFont& b)
{
    return a.family() == b.family() && a.pixelSize() == b.pixelSize() && a.weight() == b.weight();
}
}  // namespace

QList<RecordedText> itemsDrawing(const QList<RecordedText>& items, const QString& text, const std::optional<QFont>& font)
{
    const QString wanted = sortedChars(PaintedText::forLayout(text));
    for (qsizetype start = 0; start < items.size(); ++start) {
        QString chars;
        for (qsizetype end = start; end < items.size(); ++end) {
            if (font && !sameFont(items[end].font, *font)) break;
            chars += items[end].text;
            if (chars.size() > wanted.size()) break;
            if (chars.size() == wanted.size()) {
                if (sortedChars(chars) == wanted) return items.mid(start, end - start + 1);
                break;
            }
        }
    }
    return {};
}

QImage shapedReference(const QList<RecordedText>& items, const QString& text, const QFont& font, QSize size,
                       Qt::LayoutDirection direction)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (items.isEmpty()) return image;
    QTextLayout layout(PaintedText::forLayout(text), font);
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(direction);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e6);
    layout.endLayout();
    // The line's left end: the leftmost item's origin (right-to-left runs come in logical order).
    const RecordedText& first = items.first();
    qreal left = first.origin.x();
    for (const RecordedText& r : items) left = std::min(left, r.origin.x());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setTransform(first.transform);
    painter.setPen(Qt::black);
    layout.draw(&painter, QPointF(left, first.origin.y() - line.ascent()));
    return image;
}

QImage unionOf(const QList<RecordedText>& items, bool shown, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (const RecordedText& r : items) painter.drawImage(r.at, shown ? r.shown : r.whole);
    return image;
}

int differingPixels(const QImage& a, const QImage& b, int tolerance)
{
    if (a.size() != b.size()) return std::max(a.width() * a.height(), b.width() * b.height());
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            if (std::abs(qAlpha(p[col]) - qAlpha(q[col])) > tolerance) ++n;
    }
    return n;
}

int inkPixels(const QImage& image)
{
    const QImage x = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            if (qAlpha(p[col]) > 96) ++n;
    }
    return n;
}

::testing::AssertionResult drawsShapedAndWhole(QWidget& widget, const QString& text, const QFont& font,
                                               Qt::LayoutDirection direction)
{
    return drawsShapedAndWhole(recordTexts(widget), widget.size(), text, font, direction);
}

::testing::AssertionResult drawsShapedAndWhole(const QList<RecordedText>& recorded, QSize size, const QString& text,
                                               const QFont& font, Qt::LayoutDirection direction)
{
    const std::string name = text.toStdString();
    const QList<RecordedText> items = itemsDrawing(recorded, text, font);
    if (items.isEmpty()) return ::testing::AssertionFailure() << "never drawn whole in its font: " << name;
    const QImage whole = unionOf(items, false, size);
    const QImage shown = unionOf(items, true, size);
    const QImage reference = shapedReference(items, text, font, size, direction);
    const int ink = inkPixels(reference);
    if (ink < 10) return ::testing::AssertionFailure() << "no ink for " << name;
    if (const int cut = differingPixels(shown, whole))
        return ::testing::AssertionFailure() << cut << " pixels of " << name << " cut off";
    if (const int off = differingPixels(whole, reference); off > ink / 50)
        return ::testing::AssertionFailure() << off << " of " << ink << " pixels of " << name << " differ from the shaped line";
    return ::testing::AssertionSuccess();
}
