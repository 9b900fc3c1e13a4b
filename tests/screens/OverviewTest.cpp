// The overview: tiles that set the status focus, cards that lead to their section by
// symbol across inspections, the adaptive grids, the relaunch banner, no summary.
#include "screens/OverviewView.h"

#include "OverviewFixtures.h"
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "app/LanguagePicker.h"
#include "screens/CategoryCard.h"
#include "screens/HeroCard.h"
#include "screens/PageFrame.h"
#include "support/Input.h"
#include "ui/AdaptiveGridLayout.h"
#include "ui/Tiles.h"

#include <QApplication>
#include <QLabel>
#include <QSet>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using Kind = ScreenFixtures::Inspection::Kind;
using S = CapabilityStatus;

namespace {
struct Page {
    explicit Page(Kind kind) : inspection(kind), language(prefs, [] { return QStringList{"en_US"}; }), view(inspection.model(), language, router)
    {
        Theme::setReduceMotion(true);
    }
    ~Page() { Theme::setReduceMotion(std::nullopt); }
    void showAt(int width, int height = 900)
    {
        view.resize(width, height);
        view.show();
        QApplication::processEvents();
        view.page()->widget()->layout()->activate();
        QApplication::processEvents();
    }
    ScreenFixtures::Inspection inspection;
    Preferences prefs;
    LanguageManager language;
    AppRouter router;
    OverviewView view;
};

template <typename T>
int columnsOf(const QList<T*>& widgets)
{
    QSet<int> xs;
    for (T* w : widgets)
        if (w->isVisible()) xs.insert(w->x());
    return int(xs.size());
}
}  // namespace

TEST(Overview, TilesSetTheirStatusFocus)
{
    Page page(Kind::richLaptop);
    page.showAt(1180);
    const std::pair<S, const char*> tiles[] = {{S::supported, "Supported"}, {S::warning, "Warnings"}, {S::unsupported, "Not supported"}};
    int x = -1;
    for (const auto& [status, title] : tiles) {
        SCOPED_TRACE(title);
        StatTile* tile = page.view.statTile(status);
        ASSERT_TRUE(tile);
        EXPECT_EQ(tile->title(), title);
        EXPECT_EQ(tile->count(), page.inspection.model().count(status));
        EXPECT_GT(tile->x(), x);  // left to right in this order
        x = tile->x();
        page.router.setStatusFocus(std::nullopt);
        click(tile);
        EXPECT_EQ(page.router.statusFocus(), status);
    }
    EXPECT_EQ(page.view.statTile(S::info), nullptr);
    // The three tiles share the row equally.
    EXPECT_NEAR(page.view.statTile(S::supported)->width(), page.view.statTile(S::unsupported)->width(), 1);
}

TEST(Overview, CardsLeadToTheirSectionBySymbolAfterARefresh)
{
    Page page(Kind::richLaptop);
    page.showAt(1180);
    Quorlent& model = page.inspection.model();
    const QList<SectionSummaryCard*> before = page.view.categoryCards();
    ASSERT_EQ(before.size(), model.sections().size());
    ASSERT_EQ(before.size(), 11);
    const QUuid oldId = model.sections()[3].id;
    StatTile* tile = page.view.statTile(S::supported);
    HeroCard* hero = page.view.heroCard();
    model.refresh();
    QApplication::processEvents();
    // The same widgets, showing the new inspection.
    EXPECT_EQ(page.view.categoryCards(), before);
    EXPECT_EQ(page.view.statTile(S::supported), tile);
    EXPECT_EQ(page.view.heroCard(), hero);
    EXPECT_NE(model.sections()[3].id, oldId);
    EXPECT_EQ(before[3]->section().id, model.sections()[3].id);
    for (int i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        page.router.setSelection(SidebarItem::overview());
        click(before[i], QPoint(before[i]->width() / 2, 4));  // between the texts counts too
        EXPECT_EQ(page.router.selection(), SidebarItem::section(model.sections()[i].symbol));
    }
}

TEST(Overview, AdaptiveGridColumns)
{
    struct Case {
        int width;
        int pills, highlights, categories;
    };
    // Content: min(width, 1100) − 48 (less a scroll bar on the narrow page).
    const Case cases[] = {{860, 3, 4, 3}, {1180, 4, 5, 4}, {1600, 4, 5, 4}};
    Page page(Kind::richLaptop);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        page.showAt(c.width);
        EXPECT_LE(page.view.page()->columnWidget()->width(), OverviewView::kMaxWidth);
        EXPECT_EQ(columnsOf(page.view.specPills()), c.pills);
        EXPECT_EQ(columnsOf(page.view.highlightChips()), c.highlights);
        EXPECT_EQ(columnsOf(page.view.categoryCards()), c.categories);
        const int gridWidth = page.view.categoryGrid()->geometry().width();
        EXPECT_EQ(AdaptiveGridLayout::columnCount(gridWidth, 220, 12), c.categories);
        // The column is centred.
        const QWidget* column = page.view.page()->columnWidget();
        const int viewport = page.view.page()->viewport()->width();
        EXPECT_NEAR(column->x(), (viewport - column->width()) / 2, 1);
    }
    // A page narrower than one pill still has one column.
    page.showAt(200);
    EXPECT_EQ(columnsOf(page.view.specPills()), 1);
    EXPECT_EQ(columnsOf(page.view.categoryCards()), 1);
}

TEST(Overview, RelaunchBannerWhileALanguageChangeIsPending)
{
    Page page(Kind::richLaptop);
    page.showAt(1180);
    EXPECT_FALSE(page.view.relaunchBanner()->isVisible());
    page.language.select(QStringLiteral("de"));
    ASSERT_TRUE(page.language.systemUIOutOfDate());
    QApplication::processEvents();
    page.view.page()->widget()->layout()->activate();
    EXPECT_TRUE(page.view.relaunchBanner()->isVisible());
    EXPECT_LT(page.view.relaunchBanner()->y(), page.view.heroCard()->y());
    page.language.select(std::nullopt);
    QApplication::processEvents();
    EXPECT_FALSE(page.view.relaunchBanner()->isVisible());
}

TEST(Overview, WithoutASummary)
{
    Page page(Kind::none);
    page.showAt(860);
    EXPECT_FALSE(page.view.heroCard()->isVisible());
    EXPECT_TRUE(page.view.specPills().isEmpty());
    for (S s : {S::supported, S::warning, S::unsupported}) EXPECT_EQ(page.view.statTile(s)->count(), 0);
    EXPECT_FALSE(page.view.highlightsBlock()->isVisible());
    EXPECT_TRUE(page.view.categoryCards().isEmpty());
    EXPECT_TRUE(page.view.findChild<QWidget*>("categories")->isVisible());  // the heading stays
    EXPECT_EQ(page.view.score(), 0.0);
    // The first inspection fills the same page.
    page.inspection.model().refresh();
    QApplication::processEvents();
    EXPECT_TRUE(page.view.heroCard()->isVisible());
    EXPECT_EQ(page.view.specPills().size(), 4);
    EXPECT_EQ(page.view.categoryCards().size(), 11);
    EXPECT_EQ(page.view.highlightsBlock()->isVisible(), !Highlight::derive(page.inspection.model().sections()).isEmpty());
}

TEST(Overview, HeroCardFacts)
{
    Page laptop(Kind::richLaptop);
    EXPECT_EQ(laptop.view.heroCard()->deviceSymbol(), "laptopcomputer");
    const DeviceSummary s = *laptop.inspection.model().summary();
    EXPECT_EQ(HeroCard::chipLine(s), s.chip + QString::fromUtf8(" · ") + s.modelIdentifier);
    EXPECT_EQ(HeroCard::chipLine(DeviceSummary{}), QString::fromUtf8(" · "));
    EXPECT_EQ(laptop.view.heroCard()->findChild<QLabel*>("lastScan")->text(), HeroCard::lastScanText(*laptop.inspection.model().lastUpdated()));
    EXPECT_TRUE(HeroCard::lastScanText(QDateTime(QDate(2026, 12, 10), QTime(9, 41, 5))).contains(QStringLiteral("9:41:05")));
    Page desktop(Kind::intelDesktop);
    EXPECT_EQ(desktop.view.heroCard()->deviceSymbol(), "desktopcomputer");

    HeroCard card(s, std::nullopt, 0.5);
    EXPECT_TRUE(card.findChild<QLabel*>("lastScan")->isHidden());
    // Texts from the machine are plain text.
    DeviceSummary html = s;
    html.deviceName = QStringLiteral("<b>Mac</b>");
    card.setSummary(html);
    EXPECT_EQ(card.findChild<QLabel*>("deviceName")->textFormat(), Qt::PlainText);
}

TEST(Overview, RetranslatesOnALanguageChange)
{
    Page page(Kind::richLaptop);
    page.showAt(1180);
    static const StringTable table = StringTable::fromJson(QString::fromUtf8(R"({
        "Highlights": "Höhepunkte", "Categories": "Kategorien", "Warnings": "Warnungen",
        "Capability score": "Fähigkeitswert", "Processor": "Prozessor", "%lld details": "%lld Details"
    })").toUtf8());
    UiLanguage::Override german(Localization{QStringLiteral("de"), &table, QStringLiteral("de_DE")});
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&page.view, &change);
    const QList<QLabel*> labels = page.view.findChildren<QLabel*>("sectionLabel");
    QStringList texts;
    for (QLabel* l : labels) texts << l->text();
    EXPECT_TRUE(texts.contains(QString::fromUtf8("Höhepunkte")));
    EXPECT_TRUE(texts.contains("Kategorien"));
    EXPECT_EQ(page.view.statTile(S::warning)->title(), "Warnungen");
    EXPECT_EQ(page.view.specPills().first()->findChild<QLabel*>("title")->text(), "Prozessor");
    EXPECT_EQ(page.view.heroCard()->scoreColumn()->accessibleName(), QString::fromUtf8("Fähigkeitswert"));
    // "Touch ID" is never looked up.
    EXPECT_EQ(page.view.highlightChips().last()->highlight().title, "Touch ID");
    // The counts stay with the tiles made in the new language.
    EXPECT_EQ(page.view.statTile(S::supported)->count(), page.inspection.model().count(S::supported));
}

TEST(Overview, SpecPillsShowTheSummaryUnchanged)
{
    Page page(Kind::richLaptop);
    const DeviceSummary s = *page.inspection.model().summary();
    const QList<SpecPill*> pills = page.view.specPills();
    ASSERT_EQ(pills.size(), 4);
    EXPECT_EQ(pills[0]->value(), s.chip);
    EXPECT_EQ(pills[1]->value(), s.memory);
    EXPECT_EQ(pills[2]->value(), s.storage);
    EXPECT_EQ(pills[3]->value(), s.osVersion);
    // An unchanged summary keeps the pills.
    page.inspection.model().refresh();
    EXPECT_EQ(page.view.specPills(), pills);
}

TEST(SectionSummaryCard, ARemovedCardLeavesNothingBehind)
{
    QWidget host;
    auto* card = new SectionSummaryCard(CapabilitySection::make("X", "cpu"), {}, &host);
    host.resize(400, 200);
    host.show();
    QApplication::processEvents();
    EXPECT_EQ(host.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 2);  // the card and its shadow
    delete card;
    EXPECT_TRUE(host.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
}

TEST(SectionSummaryCard, CountsDetailsAndSpokenNames)
{
    using ScreenFixtures::item;
    struct Case {
        const char* name;
        QList<CapabilityItem> items;
        qint64 supported, warning, unsupported;
        bool details;
        QString detailsText;
    };
    QList<CapabilityItem> many;
    for (int i = 0; i < 1234; ++i) many << item("x", "y", S::supported);
    const Case cases[] = {
        {"three and one", {item("a", "1", S::supported), item("b", "2", S::supported), item("c", "3", S::unsupported), item("d", "4", S::supported)},
         3, 0, 1, false, {}},
        {"only info", {item("a", "1", S::info), item("b", "2", S::info), item("c", "3", S::info), item("d", "4", S::info), item("e", "5", S::info)},
         0, 0, 0, true, "5 details"},
        {"no items", {}, 0, 0, 0, true, "0 details"},
        {"many", many, 1234, 0, 0, false, {}},
    };
    QString lastSymbol;
    SectionSummaryCard card(CapabilitySection::make("X", "cpu"), [&](const QString& s) { lastSymbol = s; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        card.setSection(CapabilitySection::make(QStringLiteral("Storage"), QStringLiteral("internaldrive"), c.items));
        EXPECT_EQ(card.statusCount(S::supported)->count(), c.supported);
        EXPECT_EQ(card.statusCount(S::supported)->isHidden(), c.supported < 1);
        EXPECT_EQ(card.statusCount(S::warning)->isHidden(), c.warning < 1);
        EXPECT_EQ(card.statusCount(S::unsupported)->isHidden(), c.unsupported < 1);
        EXPECT_EQ(card.showsDetails(), c.details);
        if (c.details) {
            EXPECT_EQ(card.detailsText(), c.detailsText);
        }
    }
    EXPECT_EQ(StatusCount::spokenText(S::supported, 1234), "Supported: 1234");
    EXPECT_EQ(StatusCount::spokenText(S::supported, 2), "Supported: 2");
    EXPECT_EQ(card.accessibleName(), "Storage");
    EXPECT_EQ(card.accessibleDescription(), "Opens this category");
    card.resize(300, 60);
    card.show();
    QApplication::processEvents();
    click(&card, QPoint(card.width() - 60, card.height() / 2));  // between texts and chevron
    EXPECT_EQ(lastSymbol, "internaldrive");
}

// A one-line label elides for the width it is given, and only then: built, it holds its whole
// text; laid out narrow, it is elided with the whole text as its tooltip; shown at its own size
// without a layout, it is elided for that size; given room again, it is whole.
TEST(OneLineLabel, ElidesForTheWidthItIsGiven)
{
    const QString text = QStringLiteral("A machine name long enough to pass any narrow card by far");
    const QFont font = Theme::font(Theme::TextStyle::title, QFont::DemiBold);
    {
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        auto* label = new OneLineLabel(text, font, Theme::Level::primary);
        layout->addWidget(label);
        EXPECT_EQ(label->text(), text);
        EXPECT_TRUE(label->toolTip().isEmpty());
        host.resize(160, 60);
        host.show();
        QApplication::processEvents();
        EXPECT_NE(label->text(), text);
        EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
        EXPECT_FALSE(label->toolTip().isEmpty());
        host.resize(1400, 60);
        QApplication::processEvents();
        EXPECT_EQ(label->text(), text);
        EXPECT_TRUE(label->toolTip().isEmpty());
    }
    {
        OneLineLabel alone(text, font, Theme::Level::primary);
        alone.show();  // at a widget's default size, far narrower than its text
        QApplication::processEvents();
        EXPECT_TRUE(alone.text().endsWith(QChar(0x2026))) << alone.text().toStdString();
    }
}
