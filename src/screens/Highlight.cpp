#include "screens/Highlight.h"

#include "ui/PaintedText.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <optional>

namespace {
// Canonically equivalent texts compare equal: both sides in composed form.
QString canonical(const QString& s) { return s.normalized(QString::NormalizationForm_C); }

struct FlatItem {
    QString label;  // canonical
    const CapabilityItem* item;
};
}  // namespace

QList<Highlight> Highlight::derive(const QList<CapabilitySection>& sections) { return derive(sections, UiLanguage::current()); }

QList<Highlight> Highlight::derive(const QList<CapabilitySection>& sections, const Localization& l)
{
    QList<FlatItem> items;
    for (const CapabilitySection& s : sections)
        for (const CapabilityItem& i : s.items) items.append({canonical(i.label), &i});

    // The first supported item with exactly this label; an item with the label but another
    // status does not end the search.
    auto supported = [&](const QString& label) -> const CapabilityItem* {
        const QString wanted = canonical(label);
        for (const FlatItem& f : items)
            if (f.item->status == CapabilityStatus::supported && f.label == wanted) return f.item;
        return nullptr;
    };
    auto supportedPrefix = [&](const QString& prefix) {
        const QString wanted = canonical(prefix);
        for (const FlatItem& f : items)
            if (f.item->status == CapabilityStatus::supported && f.label.startsWith(wanted, Qt::CaseSensitive)) return true;
        return false;
    };

    QList<Highlight> out;
    if (supported(QStringLiteral("Apple Intelligence")))
        out.append({QRL_SYMBOL("sparkles"), l.tr("Apple Intelligence ready")});
    if (const CapabilityItem* av1 = supported(QStringLiteral("AV1"))) {
        const QString value = canonical(av1->value);
        if (value == canonical(l.tr("Decode + encode")) || value == canonical(l.tr("Decode only")))
            out.append({QRL_SYMBOL("play.rectangle"), l.tr("Hardware AV1 decode")});
    }
    if (supported(QStringLiteral("ProRes"))) out.append({QRL_SYMBOL("film.stack"), l.tr("ProRes acceleration")});
    if (supported(l.tr("Hardware ray tracing")))
        out.append({QRL_SYMBOL("light.max"), l.tr("Hardware ray tracing")});
    else if (supported(QStringLiteral("Metal 3")))
        out.append({QRL_SYMBOL("cube.transparent"), l.tr("Metal 3 graphics")});
    if (supportedPrefix(l.tr("Refresh rate"))) out.append({QRL_SYMBOL("display"), l.tr("High refresh rate display")});
    if (supportedPrefix(QStringLiteral("HDR / EDR"))) out.append({QRL_SYMBOL("sun.max"), l.tr("HDR display")});
    if (supported(l.tr("Neural Engine"))) out.append({QRL_SYMBOL("brain"), l.tr("Neural Engine")});
    // A product name: never looked up.
    if (supported(QStringLiteral("Touch ID"))) out.append({QRL_SYMBOL("touchid"), QStringLiteral("Touch ID")});

    if (out.size() > kLimit) out.resize(kLimit);
    return out;
}

// ---- HighlightChip --------------------------------------------------------------------------

namespace {
constexpr int kPadH = 12, kPadV = 8, kSpacing = 8, kSymbolFrame = 20;
QFont titleFont() { return Theme::font(Theme::TextStyle::callout, QFont::Medium); }
qreal symbolSize() { return Theme::pixelSize(Theme::TextStyle::callout) * 1.15; }
}  // namespace

HighlightChip::HighlightChip(const Highlight& highlight, QWidget* parent) : QWidget(parent), highlight_(highlight)
{
    setObjectName(QStringLiteral("highlightChip"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(highlight.title);
    setAccessibleName(highlight.title);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void HighlightChip::setHighlight(const Highlight& highlight)
{
    if (highlight == highlight_) return;
    highlight_ = highlight;
    update();
    setToolTip(highlight.title);
    setAccessibleName(highlight.title);
    updateGeometry();
    update();
}

QSize HighlightChip::sizeHint() const
{
    const PaintedText::LineMetrics line = PaintedText::measure(titleFont(), highlight_.title);
    const int h = qMax(int(std::ceil(line.height())), int(std::ceil(symbolSize()))) + 2 * kPadV;
    return QSize(kPadH + kSymbolFrame + kSpacing + int(std::ceil(line.width)) + kPadH, h);
}

QSize HighlightChip::minimumSizeHint() const
{
    return QSize(kPadH + kSymbolFrame + kSpacing + kPadH, sizeHint().height());
}

void HighlightChip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    // Shared by every chip showing the same highlight at that size.
    CachedPaint::drawShared(p, *this, QStringLiteral("highlightChip|%1|%2").arg(highlight_.symbol, highlight_.title),
                            [this](QPainter& painter) { paintChip(painter); });
}

void HighlightChip::paintChip(QPainter& p) const
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    const qreal radius = r.height() / 2;
    QPainterPath capsule;
    capsule.addRoundedRect(r, radius, radius);
    QColor fill = Theme::brandPrimary();
    fill.setAlphaF(0.08f);
    p.fillPath(capsule, fill);
    QColor stroke = Theme::brandPrimary();
    stroke.setAlphaF(0.15f);
    QPainterPath inner;
    inner.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    p.setPen(QPen(stroke, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(inner);

    const bool rtl = layoutDirection() == Qt::RightToLeft;
    auto mirrored = [&](const QRectF& box) {
        return rtl ? QRectF(r.width() - box.right(), box.top(), box.width(), box.height()) : box;
    };
    const qreal s = symbolSize();
    const QRectF symbolBox = mirrored(QRectF(kPadH + (kSymbolFrame - s) / 2, (r.height() - s) / 2, s, s));
    Symbols::draw(p, highlight_.symbol, symbolBox,
                  Theme::toQGradient(Theme::brandGradient(), symbolBox, layoutDirection()));

    const qreal textX = kPadH + kSymbolFrame + kSpacing;
    const qreal textW = qMax<qreal>(0, r.width() - textX - kPadH);
    const QFont f = titleFont();
    p.setFont(f);
    p.setPen(Theme::foreground(Theme::Level::primary));
    const Qt::Alignment align = (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute | Qt::AlignVCenter;
    PaintedText::draw(p, mirrored(QRectF(textX, 0, textW, r.height())), align, highlight_.title);
}
