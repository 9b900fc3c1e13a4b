#include "screens/CategoryCard.h"

#include "platform/i18n/LocaleFormat.h"
#include "ui/PaintedText.h"
#include "platform/i18n/StringFormat.h"
#include "screens/PageFrame.h"
#include "ui/StatusIcon.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"
#include "ui/Visibility.h"

#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr int kCountSpacing = 3;
qreal countSymbolSize() { return Theme::pixelSize(Theme::TextStyle::caption); }
QFont countFont() { return Theme::font(Theme::TextStyle::caption); }

// The chevron at the trailing edge, in the caption size and the tertiary style.
class Chevron : public QWidget {
public:
    explicit Chevron(QWidget* parent = nullptr) : QWidget(parent)
    {
        const int s = int(std::ceil(Theme::pixelSize(Theme::TextStyle::caption) * 1.2));
        setFixedSize(s, s);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        Symbols::draw(p, QRL_SYMBOL("chevron.forward"), QRectF(rect()), Theme::foreground(Theme::Level::tertiary));
    }
};

// The card is a button for assistive technology: its name is the section's title.
class CardAccessible : public QAccessibleWidget {
public:
    explicit CardAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction()) static_cast<SectionSummaryCard*>(widget())->activate();
    }
};

QAccessibleInterface* cardAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("SectionSummaryCard") && object && object->isWidgetType())
        return new CardAccessible(static_cast<QWidget*>(object));
    return nullptr;
}
}  // namespace

// ---- StatusCount ----------------------------------------------------------------------------

StatusCount::StatusCount(qint64 count, CapabilityStatus status, QWidget* parent) : QWidget(parent), count_(count), status_(status)
{
    setObjectName(QStringLiteral("statusCount.") + CapabilityStatusText::raw(status));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setShownWithParent(this, count >= 1);
    retranslate();
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

QString StatusCount::spokenText(CapabilityStatus status, qint64 count)
{
    return StatusStyle::accessibilityName(status) + QStringLiteral(": ") + QString::number(count);
}

void StatusCount::retranslate()
{
    // Asked again by the card for every new section; setting a name tells assistive technology.
    const QString spoken = spokenText(status_, count_);
    if (spoken != accessibleName()) setAccessibleName(spoken);
}

void StatusCount::setCount(qint64 count)
{
    if (count == count_) return;
    count_ = count;
    setShownWithParent(this, count >= 1);
    retranslate();
    updateGeometry();
    update();
}

QSize StatusCount::sizeHint() const
{
    const QFontMetrics fm(countFont());
    const int s = int(std::ceil(countSymbolSize()));
    return QSize(s + kCountSpacing + fm.horizontalAdvance(QString::number(count_)), qMax(s, fm.height()));
}

void StatusCount::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const qreal s = countSymbolSize();
    const QRectF r(rect());
    QRectF symbol(0, (r.height() - s) / 2, s, s);
    QRectF text(s + kCountSpacing, 0, r.width() - s - kCountSpacing, r.height());
    if (rtl) {
        symbol.moveRight(r.right() + 1);
        text.moveLeft(0);
    }
    Symbols::draw(p, StatusStyle::symbol(status_), symbol, StatusStyle::color(status_));
    p.setFont(countFont());
    p.setPen(Theme::foreground(Theme::Level::secondary));
    // Plain digits: never grouped nor localised.
    PaintedText::draw(p, text, Qt::AlignVCenter | Qt::AlignLeft | Qt::AlignAbsolute, QString::number(count_), Qt::ElideNone);
}

// ---- SectionSummaryCard ---------------------------------------------------------------------

SectionSummaryCard::SectionSummaryCard(const CapabilitySection& section, Action action, QWidget* parent)
    : CardFrame(12, 14, parent), section_(section), action_(std::move(action))
{
    setObjectName(QStringLiteral("sectionCard"));
    static const bool installed = [] {
        QAccessible::installFactory(cardAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    hover_ = new HoverHighlight(this, 14);

    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    contentLayout()->addLayout(row);
    icon_ = new IconTile(section.symbol, 34, Theme::brandGradient());
    icon_->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(icon_, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    title_ = new OneLineLabel(section.title, Theme::font(Theme::TextStyle::callout, QFont::DemiBold), Theme::Level::primary);
    title_->setObjectName(QStringLiteral("title"));
    title_->setAttribute(Qt::WA_TransparentForMouseEvents);
    title_->setEdgeAlignment(false, Qt::AlignVCenter);
    texts->addWidget(title_);
    auto* counts = new QHBoxLayout;
    counts->setSpacing(8);
    supported_ = new StatusCount(0, CapabilityStatus::supported);
    warning_ = new StatusCount(0, CapabilityStatus::warning);
    unsupported_ = new StatusCount(0, CapabilityStatus::unsupported);
    for (StatusCount* c : {supported_, warning_, unsupported_}) counts->addWidget(c, 0, Qt::AlignVCenter);
    details_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::caption), Theme::Level::secondary);
    details_->setObjectName(QStringLiteral("details"));
    details_->setAttribute(Qt::WA_TransparentForMouseEvents);
    details_->setEdgeAlignment(false, Qt::AlignVCenter);
    counts->addWidget(details_, 0, Qt::AlignVCenter);
    counts->addStretch(1);
    texts->addLayout(counts);
    row->addLayout(texts, 1);
    row->setAlignment(texts, Qt::AlignVCenter);
    row->addWidget(new Chevron, 0, Qt::AlignVCenter);

    setSection(section);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

qint64 SectionSummaryCard::count(CapabilityStatus status) const
{
    qint64 n = 0;
    for (const CapabilityItem& i : section_.items)
        if (i.status == status) ++n;
    return n;
}

bool SectionSummaryCard::showsDetails() const
{
    return count(CapabilityStatus::supported) + count(CapabilityStatus::warning) + count(CapabilityStatus::unsupported) == 0;
}

QString SectionSummaryCard::detailsText() const
{
    const Localization l = UiLanguage::current();
    const qint64 n = section_.items.size();
    return formatString(l.trPlural("%lld details", double(n)), {LocaleFormat::count(n, l)});
}

StatusCount* SectionSummaryCard::statusCount(CapabilityStatus status) const
{
    switch (status) {
    case CapabilityStatus::supported: return supported_;
    case CapabilityStatus::warning: return warning_;
    case CapabilityStatus::unsupported: return unsupported_;
    case CapabilityStatus::info: break;
    }
    return nullptr;
}

void SectionSummaryCard::setSection(const CapabilitySection& section)
{
    const bool symbolChanged = section.symbol != section_.symbol;
    section_ = section;
    if (symbolChanged) icon_->setSymbol(section.symbol);
    title_->setFullText(section.title);
    supported_->setCount(count(CapabilityStatus::supported));
    warning_->setCount(count(CapabilityStatus::warning));
    unsupported_->setCount(count(CapabilityStatus::unsupported));
    retranslate();
}

void SectionSummaryCard::retranslate()
{
    const bool details = showsDetails();
    details_->setText(details ? detailsText() : QString());
    setShownWithParent(details_, details);
    for (StatusCount* c : {supported_, warning_, unsupported_}) c->retranslate();
    setAccessibleName(section_.title);
    setAccessibleDescription(UiLanguage::current().tr("Opens this category"));
}

void SectionSummaryCard::activate()
{
    // The symbol as it is now: a card that shows a newer inspection leads to the same section.
    if (action_) action_(section_.symbol);
}

void SectionSummaryCard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    CachedPaint::drawShared(p, *this, QStringLiteral("sectionCard"),
                            [this](QPainter& painter) { Card::paint(painter, QRectF(rect()), radius(), Theme::appearance()); });
    hover_->paint(p, QRectF(rect()));
    if (hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Theme::brandPrimary(), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius() - 1, radius() - 1);
    }
}

void SectionSummaryCard::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return CardFrame::mousePressEvent(e);
    pressed_ = true;
    e->accept();
}

void SectionSummaryCard::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !pressed_) return CardFrame::mouseReleaseEvent(e);
    pressed_ = false;
    e->accept();
    // The whole rounded card is the button: clicks between the texts count too.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius(), radius());
    if (shape.contains(e->position())) activate();
}

void SectionSummaryCard::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        activate();
        return;
    }
    CardFrame::keyPressEvent(e);
}

void SectionSummaryCard::focusInEvent(QFocusEvent* e)
{
    CardFrame::focusInEvent(e);
    update();
}

void SectionSummaryCard::focusOutEvent(QFocusEvent* e)
{
    CardFrame::focusOutEvent(e);
    update();
}
