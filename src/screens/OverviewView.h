#pragma once

#include "inspection/Capability.h"
#include "screens/Highlight.h"

#include <QList>
#include <QWidget>

class AdaptiveGridLayout;
class AppRouter;
class HeroCard;
class HighlightChip;
class LanguageManager;
class PageFrame;
class Quorlent;
class RelaunchBanner;
class SectionLabel;
class SectionSummaryCard;
class SpecPill;
class StatTile;
class QHBoxLayout;

// The start page: relaunch banner (while a language change waits for a relaunch), hero
// card with the capability score, the three status tiles that open the list of one
// status, the four spec pills, the highlights and the category cards, in one centred
// column at most 1100 wide. A new inspection replaces numbers and cards in place.
class OverviewView : public QWidget {
    Q_OBJECT
public:
    OverviewView(Quorlent& inspector, LanguageManager& language, AppRouter& router, QWidget* parent = nullptr);

    // The capability score of the current inspection.
    double score() const;

    static constexpr int kMaxWidth = 1100;
    static constexpr qreal kPillMinWidth = 200;
    static constexpr qreal kHighlightMinWidth = 190;
    static constexpr qreal kCategoryMinWidth = 220;

    // The parts, for tests and the host.
    PageFrame* page() const { return page_; }
    // Made on first ask: most runs never need it.
    RelaunchBanner* relaunchBanner() const;
    HeroCard* heroCard() const { return hero_; }
    StatTile* statTile(CapabilityStatus status) const;
    QList<SpecPill*> specPills() const { return pills_; }
    QWidget* highlightsBlock() const { return highlightsBlock_; }
    QList<HighlightChip*> highlightChips() const { return chips_; }
    QList<SectionSummaryCard*> categoryCards() const { return cards_; }
    AdaptiveGridLayout* pillGrid() const { return pillGrid_; }
    AdaptiveGridLayout* highlightGrid() const { return highlightGrid_; }
    AdaptiveGridLayout* categoryGrid() const { return categoryGrid_; }

protected:
    void changeEvent(QEvent* e) override;

private:
    RelaunchBanner* ensureBanner();
    void summaryChanged();
    void sectionsChanged();
    void countsChanged();
    void rebuildTiles();
    void rebuildPills();
    void updateHighlights();
    void updateCards();
    void updateBanner();
    void retranslate();

    Quorlent& inspector_;
    LanguageManager& language_;
    AppRouter& router_;
    PageFrame* page_;
    RelaunchBanner* banner_ = nullptr;
    HeroCard* hero_ = nullptr;
    QHBoxLayout* tilesRow_;
    QList<StatTile*> tiles_;
    QWidget* pillsBlock_;
    AdaptiveGridLayout* pillGrid_;
    QList<SpecPill*> pills_;
    QWidget* highlightsBlock_;
    SectionLabel* highlightsLabel_;
    AdaptiveGridLayout* highlightGrid_;
    QList<HighlightChip*> chips_;
    SectionLabel* categoriesLabel_;
    AdaptiveGridLayout* categoryGrid_;
    QList<SectionSummaryCard*> cards_;
};
