#include "screens/OverviewView.h"

#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "app/LanguagePicker.h"
#include "inspection/Quorlent.h"
#include "screens/CapabilityScore.h"
#include "screens/CategoryCard.h"
#include "screens/HeroCard.h"
#include "screens/PageFrame.h"
#include "ui/AdaptiveGridLayout.h"
#include "ui/Symbols.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"
#include "ui/Visibility.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
struct TileSpec {
    CapabilityStatus status;
    const char* title;
    QString symbol;
    Theme::Color color;
};
// Left to right; not the order of the statuses themselves. Info has no tile.
const TileSpec kTiles[] = {
    {CapabilityStatus::supported, QRL_KEY("Supported"), QRL_SYMBOL("checkmark.circle.fill"), Theme::Color::statusSupported},
    {CapabilityStatus::warning, QRL_KEY("Warnings"), QRL_SYMBOL("exclamationmark.triangle.fill"), Theme::Color::statusWarning},
    {CapabilityStatus::unsupported, QRL_KEY("Not supported"), QRL_SYMBOL("xmark.circle.fill"), Theme::Color::statusUnsupported},
};

struct PillSpec {
    QString symbol;
    const char* title;
    QString DeviceSummary::*value;
};
const PillSpec kPills[] = {
    {QRL_SYMBOL("cpu"), QRL_KEY("Processor"), &DeviceSummary::chip},
    {QRL_SYMBOL("memorychip"), QRL_KEY("Memory"), &DeviceSummary::memory},
    {QRL_SYMBOL("internaldrive"), QRL_KEY("Storage"), &DeviceSummary::storage},
    {QRL_SYMBOL("apple.logo"), QRL_KEY("System"), &DeviceSummary::osVersion},
};

QWidget* gridHost(qreal minWidth, qreal spacing, AdaptiveGridLayout** grid)
{
    auto* host = new QWidget;
    *grid = new AdaptiveGridLayout(minWidth, spacing, spacing, host);
    return host;
}
}  // namespace

OverviewView::OverviewView(Quorlent& inspector, LanguageManager& language, AppRouter& router, QWidget* parent)
    : QWidget(parent), inspector_(inspector), language_(language), router_(router)
{
    setObjectName(QStringLiteral("overview"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    page_ = new PageFrame(kMaxWidth);
    outer->addWidget(page_);
    QVBoxLayout* column = page_->column();

    // The relaunch banner is made when a language change first waits for a relaunch.
    hero_ = new HeroCard(inspector_.summary().value_or(DeviceSummary{}), inspector_.lastUpdated(), score());
    column->addWidget(hero_);

    tilesRow_ = new QHBoxLayout;
    tilesRow_->setSpacing(12);
    column->addLayout(tilesRow_);

    pillsBlock_ = gridHost(kPillMinWidth, 12, &pillGrid_);
    pillsBlock_->setObjectName(QStringLiteral("specPills"));
    column->addWidget(pillsBlock_);

    highlightsBlock_ = new QWidget;
    highlightsBlock_->setObjectName(QStringLiteral("highlights"));
    auto* highlights = new QVBoxLayout(highlightsBlock_);
    highlights->setContentsMargins(0, 0, 0, 0);
    highlights->setSpacing(12);
    highlightsLabel_ = new SectionLabel(QString());
    highlights->addWidget(highlightsLabel_);
    highlights->addWidget(gridHost(kHighlightMinWidth, 8, &highlightGrid_));
    column->addWidget(highlightsBlock_);

    auto* categoriesBlock = new QWidget;
    categoriesBlock->setObjectName(QStringLiteral("categories"));
    auto* categories = new QVBoxLayout(categoriesBlock);
    categories->setContentsMargins(0, 0, 0, 0);
    categories->setSpacing(12);
    categoriesLabel_ = new SectionLabel(QString());
    categories->addWidget(categoriesLabel_);
    categories->addWidget(gridHost(kCategoryMinWidth, 12, &categoryGrid_));
    column->addWidget(categoriesBlock);
    column->addStretch(1);

    retranslate();
    summaryChanged();
    sectionsChanged();
    updateBanner();

    connect(&inspector_, &Quorlent::summaryChanged, this, &OverviewView::summaryChanged);
    connect(&inspector_, &Quorlent::sectionsChanged, this, &OverviewView::sectionsChanged);
    connect(&inspector_, &Quorlent::lastUpdatedChanged, this, [this] { hero_->setLastUpdated(inspector_.lastUpdated()); });
    connect(&language_, &LanguageManager::systemUIOutOfDateChanged, this, &OverviewView::updateBanner);
    // The tiles keep their colour as given: new ones in the new appearance.
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, &OverviewView::rebuildTiles);
}

double OverviewView::score() const { return CapabilityScore::of(inspector_); }

StatTile* OverviewView::statTile(CapabilityStatus status) const
{
    for (int i = 0; i < int(std::size(kTiles)) && i < tiles_.size(); ++i)
        if (kTiles[i].status == status) return tiles_[i];
    return nullptr;
}

RelaunchBanner* OverviewView::relaunchBanner() const { return const_cast<OverviewView*>(this)->ensureBanner(); }

RelaunchBanner* OverviewView::ensureBanner()
{
    if (!banner_) {
        banner_ = new RelaunchBanner(language_);
        banner_->setObjectName(QStringLiteral("relaunchBanner"));
        banner_->setVisible(false);
        page_->column()->insertWidget(0, banner_);
    }
    return banner_;
}

void OverviewView::updateBanner()
{
    const bool wanted = language_.systemUIOutOfDate();
    if (!banner_ && !wanted) return;
    ensureBanner()->setVisible(wanted);
}

void OverviewView::summaryChanged()
{
    const std::optional<DeviceSummary>& summary = inspector_.summary();
    setShownWithParent(hero_, summary.has_value());
    setShownWithParent(pillsBlock_, summary.has_value());
    if (!summary) return;
    hero_->setSummary(*summary);
    // Pills are rebuilt only when one of their values changed.
    bool same = pills_.size() == int(std::size(kPills));
    for (int i = 0; same && i < pills_.size(); ++i) same = pills_[i]->value() == (*summary).*(kPills[i].value);
    if (!same) rebuildPills();
}

void OverviewView::rebuildPills()
{
    for (SpecPill* p : std::as_const(pills_)) {
        pillGrid_->removeWidget(p);
        delete p;
    }
    pills_.clear();
    const std::optional<DeviceSummary>& summary = inspector_.summary();
    if (!summary) return;
    const Localization l = UiLanguage::current();
    for (const PillSpec& spec : kPills) {
        auto* pill = new SpecPill(spec.symbol, l.tr(spec.title), (*summary).*(spec.value), pillsBlock_);
        pillGrid_->addWidget(pill);
        pills_.append(pill);
    }
}

void OverviewView::sectionsChanged()
{
    countsChanged();
    hero_->setScore(score());
    updateHighlights();
    updateCards();
}

void OverviewView::countsChanged()
{
    if (tiles_.isEmpty()) return rebuildTiles();
    for (int i = 0; i < tiles_.size(); ++i) tiles_[i]->setCount(inspector_.count(kTiles[i].status));
}

void OverviewView::rebuildTiles()
{
    for (StatTile* t : std::as_const(tiles_)) {
        tilesRow_->removeWidget(t);
        delete t;
    }
    tiles_.clear();
    const Localization l = UiLanguage::current();
    for (const TileSpec& spec : kTiles) {
        const CapabilityStatus status = spec.status;
        auto* tile = new StatTile(inspector_.count(status), l.tr(spec.title), spec.symbol,
                                  Theme::color(spec.color), [this, status] { router_.setStatusFocus(status); });
        tile->setObjectName(QStringLiteral("statTile.") + CapabilityStatusText::raw(status));
        tilesRow_->addWidget(tile, 1);
        tiles_.append(tile);
    }
}

void OverviewView::updateHighlights()
{
    // Derived once for the whole list, never per chip.
    const QList<Highlight> list = Highlight::derive(inspector_.sections());
    setShownWithParent(highlightsBlock_, !list.isEmpty());
    while (chips_.size() > list.size()) {
        HighlightChip* chip = chips_.takeLast();
        highlightGrid_->removeWidget(chip);
        delete chip;
    }
    for (int i = 0; i < list.size(); ++i) {
        if (i < chips_.size()) {
            chips_[i]->setHighlight(list[i]);
        } else {
            auto* chip = new HighlightChip(list[i], highlightGrid_->parentWidget());
            highlightGrid_->addWidget(chip);
            chips_.append(chip);
        }
    }
    highlightGrid_->invalidate();
}

void OverviewView::updateCards()
{
    const QList<CapabilitySection>& sections = inspector_.sections();
    while (cards_.size() > sections.size()) {
        SectionSummaryCard* card = cards_.takeLast();
        categoryGrid_->removeWidget(card);
        delete card;
    }
    for (int i = 0; i < sections.size(); ++i) {
        if (i < cards_.size()) {
            cards_[i]->setSection(sections[i]);
        } else {
            auto* card = new SectionSummaryCard(
                sections[i], [this](const QString& symbol) { router_.setSelection(SidebarItem::section(symbol)); },
                categoryGrid_->parentWidget());
            categoryGrid_->addWidget(card);
            cards_.append(card);
        }
    }
    categoryGrid_->invalidate();
}

void OverviewView::retranslate()
{
    const Localization l = UiLanguage::current();
    highlightsLabel_->setText(l.tr("Highlights"));
    categoriesLabel_->setText(l.tr("Categories"));
    hero_->retranslate();
    rebuildTiles();
    rebuildPills();
    for (SectionSummaryCard* c : std::as_const(cards_)) c->retranslate();
    updateHighlights();
}

void OverviewView::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(e);
}
