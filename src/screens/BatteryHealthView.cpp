#include "screens/BatteryHealthView.h"

#include "screens/PageFrame.h"
#include "ui/Accessibility.h"

#include "platform/Platform.h"
#include "ui/Blur.h"
#include "ui/Card.h"
#include "ui/Motion.h"
#include "ui/PaintedText.h"
#include "ui/ScoreRing.h"
#include "ui/SymbolView.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/AdaptiveGridLayout.h"
#include "ui/UiLanguage.h"
#include "ui/SmoothCorners.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedLayout>
#include <QVariantAnimation>
#include <QVBoxLayout>

#include <cmath>

namespace {

QPainterPath capsule(const QRectF& r)
{
    QPainterPath p;
    const qreal radius = qMin(r.width(), r.height()) / 2;
    p.addPath(SmoothCorners::path(r, radius));
    return p;
}

// The indeterminate progress indicator shown until the first reading: an arc turning once a
// second, still while motion is reduced.
class BusySpinner : public QWidget {
public:
    explicit BusySpinner(QWidget* parent = nullptr) : QWidget(parent)
    {
        setObjectName(QStringLiteral("spinner"));
        setFixedSize(32, 32);
        turn_.setStartValue(0.0);
        turn_.setEndValue(360.0);
        turn_.setDuration(1000);
        turn_.setLoopCount(-1);
        connect(&turn_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void showEvent(QShowEvent* e) override
    {
        QWidget::showEvent(e);
        if (!Theme::reduceMotion()) turn_.start();
    }
    void hideEvent(QHideEvent* e) override
    {
        turn_.stop();
        QWidget::hideEvent(e);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(3, 3, -3, -3);
        p.setPen(QPen(Theme::primary(0.1), 3.5));
        p.drawEllipse(r);
        const double angle = turn_.state() == QAbstractAnimation::Running ? turn_.currentValue().toDouble() : 0.0;
        p.setPen(QPen(Theme::foreground(Theme::Level::secondary), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(r, int((90 - angle) * 16), -90 * 16);
    }

private:
    QVariantAnimation turn_;
};

}  // namespace

// ---- The ring ------------------------------------------------------------------------------

// The health as a ring of 180 with the percentage and "Health" in its middle. The ring's colour
// is the health colour, resolved at paint time.
class BatteryHealthRing : public QWidget {
public:
    static constexpr int kSize = 180;
    static constexpr qreal kLineWidth = 16;

    explicit BatteryHealthRing(QWidget* parent = nullptr) : QWidget(parent)
    {
        setObjectName(QStringLiteral("healthRing"));
        setFixedSize(kSize, kSize);
        UiAccessibility::setRole(this, QAccessible::ProgressBar);
        connect(&shown_, &MotionValue::valueChanged, this, qOverload<>(&QWidget::update));
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

    void set(std::optional<double> health, const QString& valueText, const QString& caption, const QString& spokenName)
    {
        const double progress = ScoreRing::clampProgress(health.value_or(0));
        tint_ = BatteryModel::tint(health);
        valueText_ = valueText;
        caption_ = caption;
        setAccessibleName(spokenName);
        // The percentage is the ring's value, as a gauge's is.
        UiAccessibility::setValue(this, valueText, health ? std::optional<double>(progress * 100) : std::nullopt);
        if (progress != progress_) {
            progress_ = progress;
            if (isVisible() || Theme::reduceMotion()) shown_.animateTo(progress_, Theme::ringFill());
        }
        update();
    }
    double progress() const { return progress_; }
    double shown() const { return shown_.value(); }

protected:
    void showEvent(QShowEvent* e) override
    {
        QWidget::showEvent(e);
        if (e->spontaneous()) return;
        if (!Theme::reduceMotion()) shown_.setValue(0);
        shown_.animateTo(progress_, Theme::ringFill());
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(width() / 2.0, height() / 2.0);
        const qreal r = (qMin(width(), height()) - kLineWidth) / 2;
        const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);
        p.setPen(QPen(Theme::primary(0.08), kLineWidth, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(circle);

        const QColor tint = BatteryModel::color(tint_);
        const double fraction = qMax(shown_.value(), ScoreRing::kMinimumArc);
        QPainterPath arc;
        arc.arcMoveTo(circle, 90);
        arc.arcTo(circle, 90, -360.0 * fraction);

        // The same soft glow under the arc as every score ring.
        const int margin = 12;
        QImage glow(size() + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
        glow.fill(Qt::transparent);
        {
            QPainter g(&glow);
            g.setRenderHint(QPainter::Antialiasing);
            g.translate(margin, margin);
            g.setPen(QPen(Qt::black, kLineWidth, Qt::SolidLine, Qt::RoundCap));
            g.drawPath(arc);
        }
        blurAlpha(glow, 3);
        {
            QPainter g(&glow);
            g.setCompositionMode(QPainter::CompositionMode_SourceIn);
            g.fillRect(glow.rect(), Theme::brandGlow());
        }
        p.save();
        p.setOpacity(0.6);
        p.drawImage(QPointF(-margin, -margin), glow);
        p.restore();

        QColor faded = tint;
        faded.setAlphaF(tint.alphaF() * 0.7f);
        const AngularGradient gradient{{{0.0, faded}, {1.0, tint}}, 0};
        p.setPen(QPen(QBrush(ScoreRing::conical(gradient, c)), kLineWidth, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(arc);

        // The percentage over "Health", centred as one block.
        const QFont big = Theme::systemFont(38, QFont::Bold);
        const QFont small = Theme::font(Theme::TextStyle::callout);
        const qreal valueHeight = PaintedText::lineHeight(big, valueText_);
        const qreal captionHeight = PaintedText::lineHeight(small, caption_);
        const qreal blockHeight = valueHeight + 2 + captionHeight;
        const qreal top = c.y() - blockHeight / 2;
        const qreal inner = 2 * (r - kLineWidth / 2) - 8;
        const QRectF valueBox(c.x() - inner / 2, top, inner, valueHeight);
        const QRectF captionBox(c.x() - inner / 2, top + valueHeight + 2, inner, captionHeight);
        p.setFont(big);
        p.setPen(Theme::foreground(Theme::Level::primary));
        PaintedText::draw(p, valueBox, Qt::AlignCenter, valueText_);
        p.setFont(small);
        p.setPen(Theme::foreground(Theme::Level::secondary));
        PaintedText::draw(p, captionBox, Qt::AlignCenter, caption_);
    }

private:
    double progress_ = 0;
    BatteryModel::Tint tint_ = BatteryModel::Tint::secondary;
    QString valueText_;
    QString caption_;
    MotionValue shown_{0};
};

// ---- The condition pill --------------------------------------------------------------------

class BatteryConditionPill : public QWidget {
public:
    explicit BatteryConditionPill(QWidget* parent = nullptr) : QWidget(parent)
    {
        setObjectName(QStringLiteral("conditionPill"));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }
    void set(const QString& text, BatteryModel::Tint tint)
    {
        text_ = text;
        tint_ = tint;
        setAccessibleName(text);
        updateGeometry();
        update();
    }
    QString text() const { return text_; }
    static QFont font() { return Theme::font(Theme::TextStyle::body, QFont::DemiBold); }
    QSize sizeHint() const override
    {
        const PaintedText::LineMetrics m = PaintedText::measure(font(), text_);
        return QSize(int(std::ceil(m.width)) + 20 + 1, int(std::ceil(m.height())) + 6);
    }
    QSize minimumSizeHint() const override
    {
        const qreal ellipsis = PaintedText::width(font(), QStringLiteral("…"));
        return QSize(qMin(sizeHint().width(), 20 + int(std::ceil(ellipsis)) + 40), sizeHint().height());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        p.setRenderHint(QPainter::Antialiasing);
        const QColor c = BatteryModel::color(tint_);
        QColor fill = c;
        fill.setAlphaF(c.alphaF() * 0.14f);
        const QRectF r(rect());
        p.fillPath(capsule(r), fill);
        p.setFont(font());
        p.setPen(c);
        PaintedText::draw(p, r.adjusted(10, 3, -10, -3), Qt::AlignCenter, text_);
    }

private:
    QString text_;
    BatteryModel::Tint tint_ = BatteryModel::Tint::secondary;
};

// ---- The capacity bar -----------------------------------------------------------------------

// Title and value on one line, the bar (8 high) under them.
class BatteryCapacityBar : public QWidget {
public:
    BatteryCapacityBar(const QString& title, std::function<QColor()> tint, QWidget* parent = nullptr)
        : QWidget(parent), title_(title), tint_(std::move(tint))
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }
    void set(const QString& valueText, double fraction)
    {
        valueText_ = valueText;
        fraction_ = std::clamp(fraction, 0.0, 1.0);
        setAccessibleName(title_ + QStringLiteral(", ") + valueText_);
        update();
    }
    double fraction() const { return fraction_; }
    QString valueText() const { return valueText_; }
    static QFont titleFont() { return Theme::font(Theme::TextStyle::callout); }
    static QFont valueFont() { return Theme::font(Theme::TextStyle::callout, QFont::Medium); }
    QSize sizeHint() const override
    {
        const PaintedText::LineMetrics t = PaintedText::measure(titleFont(), title_), v = PaintedText::measure(valueFont(), valueText_);
        return QSize(int(std::ceil(t.width + 12 + v.width)), int(std::ceil(qMax(t.height(), v.height()))) + 5 + 8);
    }
    QSize minimumSizeHint() const override { return QSize(120, sizeHint().height()); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        p.setRenderHint(QPainter::Antialiasing);
        const bool rtl = layoutDirection() == Qt::RightToLeft;
        const PaintedText::LineMetrics t = PaintedText::measure(titleFont(), title_), v = PaintedText::measure(valueFont(), valueText_);
        const qreal line = qMax(t.height(), v.height());
        const qreal w = width();
        const qreal valueWidth = qMin(v.width + 1, w);
        const QRectF valueBox(rtl ? 0 : w - valueWidth, 0, valueWidth, line);
        const qreal titleWidth = qMax<qreal>(0, w - valueWidth - 12);
        const QRectF titleBox(rtl ? w - titleWidth : 0, 0, titleWidth, line);
        const Qt::Alignment leading = (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute | Qt::AlignVCenter;
        const Qt::Alignment trailing = (rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignAbsolute | Qt::AlignVCenter;
        p.setFont(titleFont());
        p.setPen(Theme::foreground(Theme::Level::secondary));
        PaintedText::draw(p, titleBox, leading, title_);
        p.setFont(valueFont());
        p.setPen(Theme::foreground(Theme::Level::primary));
        PaintedText::draw(p, valueBox, trailing, valueText_);

        const QRectF track(0, line + 5, w, 8);
        p.fillPath(capsule(track), Theme::primary(0.07));
        const qreal fillWidth = w * fraction_;
        if (fillWidth > 0) {
            const QRectF fill(rtl ? w - fillWidth : 0, track.top(), fillWidth, track.height());
            p.fillPath(capsule(fill), tint_());
        }
    }

private:
    QString title_;
    std::function<QColor()> tint_;
    QString valueText_;
    double fraction_ = 0;
};

// ---- The fact tile --------------------------------------------------------------------------

class BatteryFactTile : public CardFrame {
public:
    BatteryFactTile(const QString& symbol, const QString& title, QWidget* parent = nullptr) : CardFrame(12, 10, parent)
    {
        setObjectName(QStringLiteral("factTile"));
        auto* body = new QWidget;
        auto* row = new QHBoxLayout(body);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(12);
        symbol_ = new SymbolView(symbol, Theme::pixelSize(Theme::TextStyle::title3), [] { return QBrush(Theme::brandPrimary()); }, 26);
        row->addWidget(symbol_, 0, Qt::AlignVCenter);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        // Centred in the tile when a taller neighbour in its row makes it taller.
        texts->addStretch(1);
        auto* titleLabel = new ThemedLabel(title, Theme::font(Theme::TextStyle::caption), Theme::Level::secondary);
        titleLabel->setObjectName(QStringLiteral("title"));
        titleLabel->setEdgeAlignment(false, Qt::AlignVCenter);
        texts->addWidget(titleLabel);
        // One line: a value wider than the tile ends in "…" (the whole value is its tooltip).
        value_ = new OneLineLabel(QString(), Theme::font(Theme::TextStyle::body, QFont::DemiBold), Theme::Level::primary);
        value_->setObjectName(QStringLiteral("value"));
        value_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value_->setEdgeAlignment(false, Qt::AlignVCenter);
        value_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        texts->addWidget(value_);
        texts->addStretch(1);
        row->addLayout(texts, 1);
        setContent(body);
        title_ = title;
    }
    void set(const QString& value, const QString& symbol)
    {
        value_->setFullText(value);
        symbol_->setSymbol(symbol);
        setAccessibleName(title_ + QStringLiteral(": ") + value);
    }
    QString value() const { return value_->fullText(); }
    QString shownValue() const { return value_->text(); }
    QString symbol() const { return symbol_->symbol(); }

private:
    QString title_;
    SymbolView* symbol_;
    OneLineLabel* value_;
};

// ---- BatteryHealthContent ----------------------------------------------------------------------

BatteryHealthContent::BatteryHealthContent(const BatteryModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setObjectName(QStringLiteral("batteryHealthContent"));
    const Localization l = UiLanguage::current();
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    stack->setSpacing(20);

    stack->addWidget(new ScreenHeader(QRL_SYMBOL("battery.100.bolt"), l.tr("Battery Health"),
                                      l.tr("How much of its original capacity your battery still holds"), Theme::brandGradient()));

    // The health card: the ring beside the condition and the two capacities.
    auto* card = new CardFrame(24, 20);
    card->setObjectName(QStringLiteral("healthCard"));
    auto* cardBody = new QWidget;
    auto* cardRow = new QHBoxLayout(cardBody);
    cardRow->setContentsMargins(0, 0, 0, 0);
    cardRow->setSpacing(24);
    ring_ = new BatteryHealthRing;
    cardRow->addWidget(ring_, 0, Qt::AlignVCenter);
    auto* details = new QVBoxLayout;
    details->setSpacing(16);
    details->addStretch(1);
    auto* conditionRow = new QHBoxLayout;
    conditionRow->setSpacing(8);
    auto* conditionTitle = new ThemedLabel(l.tr("Condition"), Theme::font(Theme::TextStyle::body), Theme::Level::secondary);
    conditionRow->addWidget(conditionTitle, 0, Qt::AlignVCenter);
    pill_ = new BatteryConditionPill;
    conditionRow->addWidget(pill_, 0, Qt::AlignVCenter);
    conditionRow->addStretch(1);
    details->addLayout(conditionRow);
    maxBar_ = new BatteryCapacityBar(l.tr("Maximum capacity"), [this] { return BatteryModel::color(model_.tint()); });
    maxBar_->setObjectName(QStringLiteral("maximumCapacity"));
    details->addWidget(maxBar_);
    designBar_ = new BatteryCapacityBar(l.tr("Design capacity"), [] {
        QColor c = Theme::foreground(Theme::Level::secondary);
        c.setAlphaF(c.alphaF() * 0.5f);
        return c;
    });
    designBar_->setObjectName(QStringLiteral("designCapacity"));
    details->addWidget(designBar_);
    details->addStretch(1);
    cardRow->addLayout(details, 1);
    card->setContent(cardBody);
    stack->addWidget(card);

    // Six facts in as many columns of at least 200 as fit.
    auto* facts = new QWidget;
    facts->setObjectName(QStringLiteral("facts"));
    auto* grid = new AdaptiveGridLayout(200, 12, 12, facts);
    const std::pair<QString, QString> tiles[] = {
        {QRL_SYMBOL("arrow.triangle.2.circlepath"), l.tr("Charge cycles")},
        {QRL_SYMBOL("thermometer.medium"), l.tr("Temperature")},
        {QRL_SYMBOL("battery.75"), l.tr("Charge")},
        {QRL_SYMBOL("powerplug"), l.tr("Power source")},
        {QRL_SYMBOL("bolt.fill"), l.tr("Adapter")},
        {QRL_SYMBOL("calendar"), l.tr("Manufactured")},
    };
    for (const auto& [symbol, title] : tiles) {
        auto* tile = new BatteryFactTile(symbol, title);
        tiles_ << tile;
        grid->addWidget(tile);
    }
    stack->addWidget(facts);

    auto* footnote = new ThemedLabel(
        l.tr("Batteries are consumable. Health below 80% or a “Service recommended” condition means it may be time for a replacement."),
        Theme::font(Theme::TextStyle::caption), Theme::Level::secondary);
    footnote->setObjectName(QStringLiteral("footnote"));
    footnote->setWordWrap(true);
    stack->addWidget(footnote);
    stack->addStretch(1);

    refresh();
}

void BatteryHealthContent::setModel(const BatteryModel& model)
{
    if (model == model_) return;
    model_ = model;
    refresh();
}

void BatteryHealthContent::refresh()
{
    const Localization l = UiLanguage::current();
    const QString percent = model_.healthText(l);
    ring_->set(model_.health, percent, l.tr("Health"), l.tr("Battery health"));
    pill_->set(model_.condition, model_.tint());
    maxBar_->set(BatteryModel::capacityText(model_.maxCapacity, l), BatteryModel::fillFraction(model_.maxCapacity, model_.designCapacity));
    designBar_->set(BatteryModel::capacityText(model_.designCapacity, l),
                    BatteryModel::fillFraction(model_.designCapacity, model_.designCapacity));
    const QString values[] = {model_.cyclesText(l),  model_.temperatureText(l), model_.chargeText(l),
                              model_.powerText(l),   model_.adapterText(l),     model_.manufacturedText(l)};
    const QString symbols[] = {QRL_SYMBOL("arrow.triangle.2.circlepath"), QRL_SYMBOL("thermometer.medium"), QRL_SYMBOL("battery.75"),
                               model_.powerSymbol(), QRL_SYMBOL("bolt.fill"), QRL_SYMBOL("calendar")};
    for (int i = 0; i < tiles_.size(); ++i) tiles_[i]->set(values[i], symbols[i]);
    update();
}

QStringList BatteryHealthContent::tileValues() const
{
    QStringList values;
    for (const BatteryFactTile* tile : tiles_) values << tile->value();
    return values;
}

QString BatteryHealthContent::tileSymbol(int index) const
{
    return index >= 0 && index < tiles_.size() ? tiles_[index]->symbol() : QString();
}

void BatteryHealthContent::resizeEvent(QResizeEvent* e)
{
    // The padded stack is at most 1000 wide and centred in the page.
    const int side = qMax(0, (width() - kMaximumWidth) / 2) + kPadding;
    QMargins m = layout()->contentsMargins();
    if (m.left() != side || m.right() != side) layout()->setContentsMargins(side, kPadding, side, kPadding);
    QWidget::resizeEvent(e);
}

// ---- BatteryHealthView -------------------------------------------------------------------------

namespace {
BatteryHealthView::Reader machineReader()
{
    // The machine's readers are made here, on the main thread, before any reading runs on the
    // battery thread; the readers themselves keep no state between calls.
    const Platform& platform = Platform::host();
    return [&platform](const Localization& l) { return BatteryHealthProbe::read(platform, l); };
}
}  // namespace

BatteryHealthView::BatteryHealthView(QWidget* parent) : BatteryHealthView(machineReader(), parent) {}

BatteryHealthView::BatteryHealthView(Reader reader, QWidget* parent) : QWidget(parent), reader_(std::move(reader))
{
    setObjectName(QStringLiteral("batteryHealth"));
    build();
    poll_.setSingleShot(true);
    poll_.setInterval(kPollInterval);
    connect(&poll_, &QTimer::timeout, this, &BatteryHealthView::readNow);
    readNow();
}

BatteryHealthView::~BatteryHealthView() = default;

void BatteryHealthView::build()
{
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    spinner_ = new QWidget;
    spinner_->setObjectName(QStringLiteral("loading"));
    auto* spinnerLayout = new QVBoxLayout(spinner_);
    spinnerLayout->addWidget(new BusySpinner, 0, Qt::AlignCenter);
    stack_->addWidget(spinner_);

    const Localization l = UiLanguage::current();
    empty_ = new EmptyStateView(QRL_SYMBOL("desktopcomputer"), l.tr("This Mac has no battery"),
                                l.tr("Battery health needs a computer with a built-in battery."));
    stack_->addWidget(empty_);

    scroll_ = new QScrollArea;
    scroll_->setObjectName(QStringLiteral("scroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->viewport()->setAutoFillBackground(false);
    stack_->addWidget(scroll_);
    stack_->setCurrentWidget(spinner_);
}

void BatteryHealthView::readNow()
{
    poll_.stop();
    ++pending_;
    BatteryReading::start(reader_, UiLanguage::current(), ++serial_, this,
                          [this](const BatteryReadingResult& result) { apply(result); });
}

void BatteryHealthView::apply(const BatteryReadingResult& result)
{
    --pending_;
    // The next reading is 30 seconds after the last one came back, so a slow battery never has
    // readings queue up behind it.
    if (pending_ == 0) poll_.start();
    if (result.serial < applied_) return;
    applied_ = result.serial;
    if (result.report) {
        const BatteryModel model(*result.report);
        model_ = model;
        if (!content_) {
            content_ = new BatteryHealthContent(model);
            scroll_->setWidget(content_);
            content_->setAutoFillBackground(false);
        } else {
            content_->setModel(model);
        }
        showState(State::content);
    } else {
        model_.reset();
        showState(State::noBattery);
    }
    emit readingArrived();
}

void BatteryHealthView::showState(State state)
{
    state_ = state;
    switch (state) {
    case State::loading: stack_->setCurrentWidget(spinner_); break;
    case State::content: stack_->setCurrentWidget(scroll_); break;
    case State::noBattery: stack_->setCurrentWidget(empty_); break;
    }
}

void BatteryHealthView::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() != QEvent::LanguageChange) return;
    // Every fixed text is rebuilt in the new language; the condition comes translated from the
    // probe, so the battery is read again as well.
    const Localization l = UiLanguage::current();
    auto* empty = new EmptyStateView(QRL_SYMBOL("desktopcomputer"), l.tr("This Mac has no battery"),
                                     l.tr("Battery health needs a computer with a built-in battery."));
    delete stack_->replaceWidget(empty_, empty);  // the item that held the old page is ours to delete
    delete empty_;
    empty_ = empty;
    if (content_) {
        content_ = new BatteryHealthContent(content_->model());
        scroll_->setWidget(content_);  // deletes the old one
        content_->setAutoFillBackground(false);
    }
    showState(state_);
    readNow();
}
