#include "updates/UpdateBannerControls.h"

#include "ui/Accessibility.h"
#include "ui/Symbols.h"
#include "ui/SmoothCorners.h"

#include <QApplication>
#include <QEvent>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QTextLayout>

#include <cmath>

namespace {
class WindowLanguageFollower : public QObject {
public:
    WindowLanguageFollower(QWidget* widget, std::function<void()> retranslate)
        : QObject(widget), widget_(widget), retranslate_(std::move(retranslate))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::LanguageChange && watched != widget_ && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow() && static_cast<QWidget*>(watched) == widget_->window())
            retranslate_();
        return false;
    }

private:
    QWidget* widget_;
    std::function<void()> retranslate_;
};
}  // namespace

void followWindowLanguage(QWidget* widget, std::function<void()> retranslate)
{
    new WindowLanguageFollower(widget, std::move(retranslate));
}

namespace UrlOpener {
Function desktop()
{
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}
}  // namespace UrlOpener

namespace {

QPainterPath rounded(const QRectF& r, qreal radius)
{
    QPainterPath p;
    p.addPath(SmoothCorners::path(r, radius));
    return p;
}

void watchAppearance(QWidget* w)
{
    QObject::connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, w, qOverload<>(&QWidget::update));
}

}  // namespace

// ---- AccentButton ------------------------------------------------------------------------------

AccentButton::AccentButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setFont(Theme::font(Theme::TextStyle::body, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    watchAppearance(this);
}

void AccentButton::setSymbol(const QString& symbol)
{
    symbol_ = symbol;
    updateGeometry();
    update();
}

void AccentButton::setMinimumLabelWidth(int width)
{
    minLabelWidth_ = width;
    updateGeometry();
}

void AccentButton::setLarge(bool large)
{
    large_ = large;
    updateGeometry();
}

QSize AccentButton::sizeHint() const
{
    const QFontMetricsF m(font());
    qreal label = m.horizontalAdvance(text());
    if (!symbol_.isEmpty()) label += m.height() + 6;
    label = std::max<qreal>(label, minLabelWidth_);
    const int padding = large_ ? 14 : 10;
    return QSize(int(std::ceil(label)) + 2 * padding, large_ ? 32 : 24);
}

void AccentButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = Theme::brandPrimary();
    if (!isEnabled()) fill.setAlphaF(0.4);
    else if (isDown()) fill = fill.darker(118);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.fillPath(rounded(r, large_ ? 7 : 6), fill);
    if (hasFocus() && keyboardFocus_) {
        QColor ring = Theme::brandPrimary();
        ring.setAlphaF(0.45);
        p.setPen(QPen(ring, 2));
        p.drawPath(rounded(QRectF(rect()).adjusted(1, 1, -1, -1), large_ ? 7 : 6));
    }

    const QFontMetricsF m(font());
    const qreal symbolWidth = symbol_.isEmpty() ? 0 : m.height() + 6;
    const qreal textWidth = std::min<qreal>(m.horizontalAdvance(text()), width() - symbolWidth - 8);
    const qreal total = symbolWidth + textWidth;
    qreal x = (width() - total) / 2;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    p.setPen(Qt::white);
    p.setFont(font());
    if (!symbol_.isEmpty()) {
        const qreal s = m.height();
        const QRectF sr(rtl ? width() - x - s : x, (height() - s) / 2, s, s);
        Symbols::draw(p, symbol_, sr, QColor(Qt::white));
        x += symbolWidth;
    }
    const QRectF tr(rtl ? width() - x - textWidth : x, 0, textWidth, height());
    p.drawText(tr, Qt::AlignVCenter | Qt::AlignHCenter,
               m.elidedText(text(), Qt::ElideRight, textWidth + 0.5));
}

namespace {
bool fromKeyboard(Qt::FocusReason r)
{
    return r == Qt::TabFocusReason || r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason;
}
}  // namespace

void AccentButton::focusInEvent(QFocusEvent* e)
{
    keyboardFocus_ = fromKeyboard(e->reason());
    QPushButton::focusInEvent(e);
}

void LinkButton::focusInEvent(QFocusEvent* e)
{
    keyboardFocus_ = fromKeyboard(e->reason());
    QPushButton::focusInEvent(e);
}

// ---- PlainButton ------------------------------------------------------------------------------

PlainButton::PlainButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setFont(Theme::font(Theme::TextStyle::body));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PlainButton::setMinimumLabelWidth(int width)
{
    minLabelWidth_ = width;
    updateGeometry();
}

void PlainButton::setLarge(bool large)
{
    large_ = large;
    updateGeometry();
}

QSize PlainButton::sizeHint() const
{
    const QFontMetricsF m(font());
    const qreal label = std::max<qreal>(m.horizontalAdvance(text()), minLabelWidth_);
    const int padding = large_ ? 14 : 10;
    const QSize styled = QPushButton::sizeHint();
    return QSize(std::max(int(std::ceil(label)) + 2 * padding, 0), std::max(large_ ? 32 : 24, std::min(styled.height(), 40)));
}

// ---- LinkButton --------------------------------------------------------------------------------

LinkButton::LinkButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFont(Theme::font(Theme::TextStyle::callout));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAutoDefault(false);
    watchAppearance(this);
}

QSize LinkButton::sizeHint() const
{
    const QFontMetricsF m(font());
    return QSize(int(std::ceil(m.horizontalAdvance(text()))) + 4, int(std::ceil(m.height())) + 4);
}

void LinkButton::enterEvent(QEnterEvent* e)
{
    hovered_ = true;
    update();
    QPushButton::enterEvent(e);
}

void LinkButton::leaveEvent(QEvent* e)
{
    hovered_ = false;
    update();
    QPushButton::leaveEvent(e);
}

void LinkButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    QFont f = font();
    f.setUnderline(hovered_ && isEnabled());
    p.setFont(f);
    QColor c = Theme::brandPrimary();
    if (!isEnabled()) c = Theme::foreground(Theme::Level::tertiary);
    else if (isDown()) c = c.darker(125);
    p.setPen(c);
    p.drawText(rect(), Qt::AlignCenter, QFontMetricsF(f).elidedText(text(), Qt::ElideRight, width()));
    if (hasFocus() && keyboardFocus_) {
        QColor ring = Theme::brandPrimary();
        ring.setAlphaF(0.45);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ring, 1.5));
        p.drawPath(rounded(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 4));
    }
}

// ---- ApplicationIconView ---------------------------------------------------------------------

ApplicationIconView::ApplicationIconView(int size, QWidget* parent) : QWidget(parent)
{
    setFixedSize(size, size);
    UiAccessibility::markDecorative(this);
    watchAppearance(this);
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
    p.fillPath(rounded(r, s * 0.2), Theme::toQGradient(Theme::brandGradient(), r, direction));
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

// ---- ClampedText -------------------------------------------------------------------------------

ClampedText::ClampedText(const QFont& font, Theme::Level level, int maxLines, QWidget* parent)
    : QWidget(parent), level_(level), maxLines_(maxLines)
{
    setFont(font);
    QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Preferred);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
    watchAppearance(this);
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
