#include "screens/HeroCard.h"

#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "screens/PageFrame.h"
#include "ui/Blur.h"
#include "ui/Formatters.h"
#include "ui/ScoreRing.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"
#include "ui/Visibility.h"

#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {
constexpr int kIconFrame = 88;
constexpr int kRingFrame = 104;

// The column is one element: "Capability score" with the percentage as its value.
class ScoreColumnAccessible : public QAccessibleWidget {
public:
    explicit ScoreColumnAccessible(ScoreColumn* c) : QAccessibleWidget(c, QAccessible::Indicator) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return static_cast<const ScoreColumn*>(widget())->percentText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* scoreColumnAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("ScoreColumn") && object && object->isWidgetType())
        if (auto* c = qobject_cast<ScoreColumn*>(object)) return new ScoreColumnAccessible(c);
    return nullptr;
}

// The blurred glow behind the device icon (the icon's image keeps it).
QImage iconGlow(const QColor& color)
{
    QImage cached;
    {
        const int margin = 40;
        QImage img(96 + 2 * margin, 96 + 2 * margin, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(Qt::black);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(margin, margin, 96, 96));
        }
        blurAlphaSoft(img, 13);
        {
            QPainter p(&img);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(img.rect(), color);
        }
        cached = img;
    }
    return cached;
}
}  // namespace

// ---- ScoreColumn ----------------------------------------------------------------------------

ScoreColumn::ScoreColumn(double score, QWidget* parent) : QWidget(parent), score_(score)
{
    setObjectName(QStringLiteral("scoreColumn"));
    static const bool installed = [] {
        QAccessible::installFactory(scoreColumnAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* ringFrame = new QWidget;
    ringFrame->setFixedSize(ScoreRing::sizeFor(kRingFrame));  // the ring plus room for its glow
    auto* stack = new QStackedLayout(ringFrame);
    stack->setStackingMode(QStackedLayout::StackAll);
    ring_ = new ScoreRing(score, 11, gradient());
    percent_ = new QLabel;
    percent_->setObjectName(QStringLiteral("percent"));
    percent_->setTextFormat(Qt::PlainText);
    percent_->setAlignment(Qt::AlignCenter);
    percent_->setFont(Theme::systemFont(24, QFont::Bold));
    percent_->setAttribute(Qt::WA_TransparentForMouseEvents);
    stack->addWidget(ring_);
    stack->addWidget(percent_);
    percent_->raise();
    column->addWidget(ringFrame, 0, Qt::AlignHCenter);

    caption_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::caption), Theme::Level::secondary);
    caption_->setObjectName(QStringLiteral("scoreCaption"));
    caption_->setAlignment(Qt::AlignHCenter);
    column->addWidget(caption_, 0, Qt::AlignHCenter);
    retranslate();
    recolour();
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, &ScoreColumn::recolour);
}

AngularGradient ScoreColumn::gradient()
{
    return AngularGradient{{{0.0, Theme::brandSecondary()}, {0.5, Theme::brandPrimary()}, {1.0, Theme::brandSecondary()}}, 0};
}

void ScoreColumn::recolour()
{
    ring_->setGradient(gradient());
    QPalette p = percent_->palette();
    p.setColor(QPalette::WindowText, Theme::foreground(Theme::Level::primary));
    percent_->setPalette(p);
}

QString ScoreColumn::percentText() const { return Formatters::percent(score_); }

void ScoreColumn::setScore(double score)
{
    score_ = score;
    ring_->setProgress(score);
    percent_->setText(percentText());
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, percentText());
        QAccessible::updateAccessibility(&event);
    }
}

void ScoreColumn::retranslate()
{
    const Localization l = UiLanguage::current();
    caption_->setText(l.tr("Capability score"));
    percent_->setText(percentText());
    setAccessibleName(l.tr("Capability score"));
    setToolTip(l.tr("Share of rated capabilities that this Mac supports"));
}

// ---- HeroCard -------------------------------------------------------------------------------

HeroCard::HeroCard(const DeviceSummary& summary, const std::optional<QDateTime>& lastUpdated, double score, QWidget* parent)
    : CardFrame(20, 20, parent), summary_(summary), lastUpdated_(lastUpdated)
{
    setObjectName(QStringLiteral("heroCard"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* row = new QHBoxLayout;
    row->setSpacing(20);
    contentLayout()->addLayout(row);

    // The icon is painted by the card itself, so its glow may spread past the icon's frame.
    iconSpace_ = new QWidget;
    iconSpace_->setFixedSize(kIconFrame, kIconFrame);
    iconSpace_->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(iconSpace_, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    name_ = new OneLineLabel(summary.deviceName, Theme::font(Theme::TextStyle::title, QFont::DemiBold), Theme::Level::primary);
    name_->setObjectName(QStringLiteral("deviceName"));
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    name_->setEdgeAlignment(false, Qt::AlignVCenter);
    texts->addWidget(name_);
    chip_ = new ThemedLabel(chipLine(summary), Theme::font(Theme::TextStyle::title3), Theme::Level::secondary);
    chip_->setObjectName(QStringLiteral("chipLine"));
    chip_->setWordWrap(true);
    chip_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chip_->setEdgeAlignment(false);
    texts->addWidget(chip_);
    os_ = new ThemedLabel(summary.osVersion, Theme::font(Theme::TextStyle::callout), Theme::Level::secondary);
    os_->setObjectName(QStringLiteral("osVersion"));
    os_->setWordWrap(true);
    os_->setEdgeAlignment(false);
    texts->addWidget(os_);
    lastScan_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::caption), Theme::Level::tertiary);
    lastScan_->setObjectName(QStringLiteral("lastScan"));
    lastScan_->setContentsMargins(0, 2, 0, 0);  // 2 of extra space above the line
    lastScan_->setEdgeAlignment(false);
    texts->addWidget(lastScan_);
    row->addLayout(texts, 1);
    row->setAlignment(texts, Qt::AlignVCenter);

    // The flexible space of at least 16 (the row's spacing already gives 20).
    score_ = new ScoreColumn(score);
    row->addWidget(score_, 0, Qt::AlignVCenter);

    setLastUpdated(lastUpdated);
    score_->setScore(score);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

QString HeroCard::chipLine(const DeviceSummary& s) { return s.chip + QStringLiteral(" \u00B7 ") + s.modelIdentifier; }

QString HeroCard::lastScanText(const QDateTime& when)
{
    const Localization l = UiLanguage::current();
    return formatString(l.tr("Last scan: %@"),
                        {LocaleFormat::dateTime(when, l, LocaleFormat::DateStyle::None, LocaleFormat::DateStyle::Medium)});
}

QString HeroCard::deviceSymbol() const
{
    return summary_.hasBattery ? QRL_SYMBOL("laptopcomputer") : QRL_SYMBOL("desktopcomputer");
}

void HeroCard::setSummary(const DeviceSummary& summary)
{
    const bool iconChanged = summary.hasBattery != summary_.hasBattery;
    summary_ = summary;
    name_->setFullText(summary.deviceName);
    chip_->setText(chipLine(summary));
    os_->setText(summary.osVersion);
    if (iconChanged) update();
}

void HeroCard::setLastUpdated(const std::optional<QDateTime>& lastUpdated)
{
    lastUpdated_ = lastUpdated;
    lastScan_->setText(lastUpdated ? lastScanText(*lastUpdated) : QString());
    setShownWithParent(lastScan_, lastUpdated.has_value());
}

void HeroCard::setScore(double score) { score_->setScore(score); }

void HeroCard::retranslate()
{
    score_->retranslate();
    setLastUpdated(lastUpdated_);
}

QRectF HeroCard::iconRect() const { return QRectF(iconSpace_->geometry()); }

const QImage& HeroCard::iconImage(qreal dpr) const
{
    static QString cachedKey;
    static QImage cached;
    const QColor glowColour = Theme::brandGlow();
    const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                            .arg(deviceSymbol())
                            .arg(int(Theme::appearance()))
                            .arg(int(layoutDirection()))
                            .arg(dpr)
                            .arg(glowColour.rgba64().toArgb32());
    if (!cached.isNull() && key == cachedKey) return cached;
    const QImage glow = iconGlow(glowColour);
    cached = QImage(glow.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    cached.setDevicePixelRatio(dpr);
    cached.fill(Qt::transparent);
    {
        QPainter p(&cached);
        p.setLayoutDirection(layoutDirection());
        p.setRenderHint(QPainter::Antialiasing);
        p.save();
        p.setOpacity(0.8);
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(glow.size())), glow);
        p.restore();
        const QRectF icon((glow.width() - kIconFrame) / 2.0, (glow.height() - kIconFrame) / 2.0, kIconFrame, kIconFrame);
        QPainterPath tile;
        tile.addRoundedRect(icon, 20, 20);
        p.fillPath(tile, Theme::toQGradient(Theme::brandGradient(), icon, layoutDirection()));
        QPainterPath edge;
        edge.addRoundedRect(icon.adjusted(0.5, 0.5, -0.5, -0.5), 19.5, 19.5);
        p.setPen(QPen(QColor(255, 255, 255, int(255 * 0.18)), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(edge);
        const qreal s = 42;
        Symbols::draw(p, deviceSymbol(), QRectF(icon.center().x() - s / 2, icon.center().y() - s / 2, s, s), QColor(Qt::white));
    }
    cachedKey = key;
    return cached;
}

void HeroCard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    // Painted straight onto the window: a pixmap of the whole card would hold more than half a
    // megabyte, where only the icon costs to paint (and keeps an image of its own).
    paintSurface(p);
}

void HeroCard::paintSurface(QPainter& p) const
{
    Card::paint(p, QRectF(rect()), radius(), Theme::appearance());
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card(rect());
    QPainterPath outline;
    outline.addRoundedRect(card, radius(), radius());

    // The brand glow from the top leading corner, on the card's surface and within its outline.
    {
        const bool rtl = layoutDirection() == Qt::RightToLeft;
        const QPointF corner = rtl ? card.topRight() : card.topLeft();
        QRadialGradient glow(corner, 420);
        QColor c = Theme::brandGlow();
        QColor start = c;
        start.setAlphaF(c.alphaF() * 0.25f);
        QColor end = c;
        end.setAlphaF(0);
        glow.setColorAt(0, start);
        glow.setColorAt(1, end);
        p.save();
        p.setClipPath(outline);
        // Beyond its radius the gradient is clear: fill only the square it reaches.
        const QRectF reach = QRectF(corner.x() - 420, corner.y() - 420, 840, 840).intersected(card);
        p.fillRect(reach, glow);
        p.restore();
    }

    // Device icon: a blurred glow, then the gradient tile with its faint white edge and the symbol,
    // kept as one small image (the symbol's outline is what costs), drawn centred on the icon's frame.
    const QRectF icon = iconRect();
    const QImage& tile = iconImage(p.device() ? p.device()->devicePixelRatioF() : 1.0);
    const QSizeF tileSize = tile.deviceIndependentSize();
    p.drawImage(QPointF(icon.center().x() - tileSize.width() / 2, icon.center().y() - tileSize.height() / 2), tile);
}
