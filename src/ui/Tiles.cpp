#include "ui/Tiles.h"

#include "ui/Accessibility.h"
#include "ui/PaintedText.h"
#include "ui/SmoothCorners.h"
#include "ui/SymbolView.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/UntrustedText.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace {
QPainterPath rounded(const QRectF& r, qreal radius) { return SmoothCorners::path(r, radius); }
}  // namespace

// ---- IconTile -------------------------------------------------------------------------------

IconTile::IconTile(const QString& symbol, qreal size, Theme::LinearGradient gradient, QWidget* parent)
    : QWidget(parent), symbol_(symbol), size_(size), gradient_(std::move(gradient)), stops_(gradient_.stops)
{
    UiAccessibility::install();
    setObjectName(QStringLiteral("iconTile"));
    const int s = int(std::ceil(size));
    setFixedSize(s, s);
    setAccessibleName(QString());  // decorative: hidden from assistive technology
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void IconTile::setSymbol(const QString& symbol)
{
    symbol_ = symbol;
    update();
}

void IconTile::paint(QPainter& p, const QRectF& r, const QString& symbol, const Theme::LinearGradient& g,
                     Qt::LayoutDirection direction)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal size = qMin(r.width(), r.height());
    p.fillPath(rounded(r, size * 0.26), Theme::toQGradient(g, r, direction));
    const qreal s = size * 0.48;
    Symbols::draw(p, symbol, QRectF(r.center().x() - s / 2, r.center().y() - s / 2, s, s), QColor(Qt::white));
    p.restore();
}

void IconTile::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    Theme::LinearGradient live = gradient_;
    live.stops = stops_.resolve();
    paint(p, QRectF(0, 0, size_, size_), symbol_, live, layoutDirection());
}

// ---- ScreenHeader ---------------------------------------------------------------------------

ScreenHeader::ScreenHeader(const QString& symbol, const QString& title, std::optional<QString> subtitle,
                           Theme::LinearGradient gradient, QWidget* trailing, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("screenHeader"));
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(12);
    row_->addWidget(new IconTile(symbol, 40, std::move(gradient)), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleLabel = new ThemedLabel(title, Theme::font(Theme::TextStyle::title2, QFont::DemiBold), Theme::Level::primary);
    titleLabel->setObjectName(QStringLiteral("title"));
    texts->addWidget(titleLabel);
    subtitle_ = new ThemedLabel(subtitle.value_or(QString()), Theme::font(Theme::TextStyle::callout), Theme::Level::secondary);
    subtitle_->setObjectName(QStringLiteral("subtitle"));
    subtitle_->setVisible(subtitle.has_value());
    texts->addWidget(subtitle_);
    row_->addLayout(texts);
    row_->setAlignment(texts, Qt::AlignVCenter);
    // The flexible gap: at least 12, with the row's spacing on both of its sides. Qt puts
    // no spacing next to a spacer item, so the spacing after it is part of the fixed length.
    row_->addStretch(1);
    row_->addSpacing(12 + 12);
    setTrailing(trailing);
}

void ScreenHeader::setSubtitle(const std::optional<QString>& subtitle)
{
    subtitle_->setText(subtitle.value_or(QString()));
    subtitle_->setVisible(subtitle.has_value());
}

void ScreenHeader::setTrailing(QWidget* trailing)
{
    if (trailing_) {
        row_->removeWidget(trailing_);
        trailing_->deleteLater();
    }
    trailing_ = trailing;
    if (trailing) row_->addWidget(trailing, 0, Qt::AlignVCenter);
}

// ---- StatTile -------------------------------------------------------------------------------

StatTile::StatTile(qint64 count, const QString& title, const QString& symbol, const QColor& color,
                   std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), count_(count), title_(title), symbol_(symbol), color_(color), action_(std::move(action))
{
    setObjectName(QStringLiteral("statTile"));
    // Reached by Tab (a click does not leave a focus ring behind).
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    hover_ = new HoverHighlight(this, 10);
    number_ = new NumericText(this);
    number_->setValue(count, Theme::Animation{0, {}});
    setAccessibleName(spokenText(title, count));
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (action_) action_();
    });
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

QString StatTile::spokenText(const QString& title, qint64 count) { return title + QStringLiteral(": ") + QString::number(count); }

void StatTile::setCount(qint64 count)
{
    if (count == count_) return;
    count_ = count;
    number_->setValue(count);
    setAccessibleName(spokenText(title_, count));
    update();
}

QSize StatTile::minimumSizeHint() const
{
    const QFontMetrics big(Theme::font(Theme::TextStyle::title2, QFont::Bold));
    const qreal title = PaintedText::lineHeight(Theme::font(Theme::TextStyle::caption), title_);
    return QSize(12 + 24 + 12 + 40 + 12, 12 + big.height() + 1 + int(std::ceil(title)) + 12);
}

QSize StatTile::sizeHint() const
{
    QSize s = minimumSizeHint();
    const qreal title = PaintedText::width(Theme::font(Theme::TextStyle::caption), title_);
    s.setWidth(qMax(s.width(), 12 + 24 + 12 + int(std::ceil(title)) + 12));
    return s;
}

bool StatTile::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void StatTile::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    const QColor color = color_.resolve();
    QColor tint = color;
    tint.setAlphaF(color.alphaF() * 0.1f);
    p.fillPath(rounded(r, 10), tint);
    hover_->paint(p, r);
    if (hasFocus()) {
        // The keyboard's place: a ring in the tile's own colour inside its edge.
        QColor ring = color;
        ring.setAlphaF(0.75);
        p.setPen(QPen(ring, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(rounded(r.adjusted(1, 1, -1, -1), 9));
    }

    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QFont big = Theme::font(Theme::TextStyle::title2, QFont::Bold);
    const QFont small = Theme::font(Theme::TextStyle::caption);
    const QFontMetricsF bm(big);
    const qreal titleHeight = PaintedText::lineHeight(small, title_);
    const qreal symbolSize = Theme::pixelSize(Theme::TextStyle::title2);
    const qreal textHeight = bm.height() + 1 + titleHeight;
    const qreal top = (r.height() - textHeight) / 2;
    // Leading edge: symbol, then the count over the title.
    auto mirrored = [&](QRectF box) {
        return rtl ? QRectF(r.width() - box.right(), box.top(), box.width(), box.height()) : box;
    };
    const QRectF symbolBox = mirrored(QRectF(12, (r.height() - symbolSize) / 2, symbolSize, symbolSize));
    Symbols::draw(p, symbol_, symbolBox, color);
    const qreal textX = 12 + symbolSize + 12;
    const qreal textW = qMax<qreal>(0, r.width() - textX - 12);
    const Qt::Alignment leading = Qt::AlignLeft | Qt::AlignAbsolute;
    const Qt::Alignment align = rtl ? (Qt::AlignRight | Qt::AlignAbsolute) : leading;
    p.setFont(big);
    p.setPen(Theme::foreground(Theme::Level::primary));
    number_->paint(p, mirrored(QRectF(textX, top, textW, bm.height())), align | Qt::AlignVCenter);
    p.setFont(small);
    p.setPen(Theme::foreground(Theme::Level::secondary));
    PaintedText::draw(p, mirrored(QRectF(textX, top + bm.height() + 1, textW, titleHeight)), align | Qt::AlignVCenter, title_);
}

// ---- SpecPill -------------------------------------------------------------------------------

SpecPill::SpecPill(const QString& symbol, const QString& title, const QString& value, QWidget* parent)
    : QWidget(parent), symbol_(symbol), value_(value)
{
    UiAccessibility::install();  // before any child: Qt may look the pill up as they are made
    setObjectName(QStringLiteral("specPill"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(12);
    const qreal symbolSize = Theme::pixelSize(Theme::TextStyle::title3);
    row->addWidget(new SymbolView(symbol, symbolSize, [] { return QBrush(Theme::brandPrimary()); }, 24), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* caption = new ThemedLabel(title, Theme::font(Theme::TextStyle::caption), Theme::Level::secondary);
    caption->setObjectName(QStringLiteral("title"));
    caption->setEdgeAlignment(false, Qt::AlignVCenter);
    texts->addWidget(caption);
    auto* v = new ThemedLabel(value, Theme::font(Theme::TextStyle::callout, QFont::Medium), Theme::Level::primary);
    v->setObjectName(QStringLiteral("value"));
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->setEdgeAlignment(false, Qt::AlignVCenter);
    v->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    v->setMinimumWidth(1);
    valueLabel_ = v;
    texts->addWidget(v);
    row->addLayout(texts, 1);
    setToolTip(UntrustedText::toolTip(value));
    setAccessibleName(title + QStringLiteral(", ") + value);  // caption and value, read as one
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

QString SpecPill::shownValue() const { return valueLabel_->text(); }

void SpecPill::elide()
{
    const QFontMetrics fm(valueLabel_->font());
    valueLabel_->setText(fm.elidedText(value_, Qt::ElideMiddle, valueLabel_->width()));
}

void SpecPill::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (layout()) layout()->activate();
    elide();
}

void SpecPill::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(rounded(QRectF(rect()), 10), Theme::surfaceSunken());
}

// ---- EmptyStateView -------------------------------------------------------------------------

EmptyStateView::EmptyStateView(const QString& symbol, const QString& title, std::optional<QString> message, QWidget* parent)
    : QWidget(parent)
{
    UiAccessibility::install();  // before any child: Qt may look the view up as they are made
    setObjectName(QStringLiteral("emptyState"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(32, 32, 32, 32);
    stack->setSpacing(12);
    stack->setAlignment(Qt::AlignCenter);
    symbol_ = new SymbolView(symbol, 40, [] { return QBrush(Theme::foreground(Theme::Level::tertiary)); }, 48);
    stack->addWidget(symbol_, 0, Qt::AlignHCenter);
    auto* t = new ThemedLabel(title, Theme::font(Theme::TextStyle::title3, QFont::DemiBold), Theme::Level::primary);
    title_ = t;
    t->setObjectName(QStringLiteral("title"));
    t->setAlignment(Qt::AlignHCenter);
    stack->addWidget(t, 0, Qt::AlignHCenter);
    QStringList spoken{title};
    if (message) {
        auto* m = new ThemedLabel(*message, Theme::font(Theme::TextStyle::callout), Theme::Level::secondary);
        m->setObjectName(QStringLiteral("message"));
        m->setWordWrap(true);
        m->setAlignment(Qt::AlignHCenter);
        stack->addWidget(m, 0, Qt::AlignHCenter);
        message_ = m;
        spoken << *message;
    }
    setAccessibleName(spoken.join(QStringLiteral(", ")));
}

QSize EmptyStateView::minimumSizeHint() const
{
    QSize s = QWidget::minimumSizeHint();
    if (message_) {
        // The message's width is set from the view's (below); counting it here would keep
        // the view from ever getting narrower than it once was.
        const QMargins m = contentsMargins() + layout()->contentsMargins();
        s.setWidth(m.left() + m.right() + qMax(symbol_->minimumSizeHint().expandedTo(symbol_->minimumSize()).width(),
                                               title_->minimumSizeHint().width()));
    }
    return s;
}

void EmptyStateView::resizeEvent(QResizeEvent* e)
{
    // A wrapping label asks for an arbitrary width; give it the room there is, up to 360.
    if (message_) message_->setFixedWidth(qMax(1, qMin(kMessageMaxWidth, width() - 64)));
    QWidget::resizeEvent(e);
}
