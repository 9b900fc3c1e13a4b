// Renders the pages to PNGs for looking at them (build/artifacts/overview-*.png and the
// category and search pages): 860, 1180 and 1600 wide, light and dark, English and
// Arabic, for this machine, a rich laptop and no inspection at all.
#include "screens/CategoryDetailView.h"
#include "screens/OverviewView.h"
#include "screens/PageFrame.h"
#include "screens/SearchResultsView.h"

#include "OverviewFixtures.h"
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "support/Render.h"

#include <QApplication>
#include <QFileInfo>
#include <QLayout>

#include <gtest/gtest.h>

using Kind = ScreenFixtures::Inspection::Kind;

namespace {
struct ReduceMotion {
    ReduceMotion() { Theme::setReduceMotion(true); }  // rings show their value at once
    ~ReduceMotion()
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }
};

const char* kindName(Kind k)
{
    switch (k) {
    case Kind::richLaptop: return "laptop";
    case Kind::host: return "host";
    case Kind::none: return "none";
    case Kind::intelDesktop: return "desktop";
    }
    return "";
}

// The height the page needs at `width`, so the picture shows all of it.
int fullHeight(QWidget& view, PageFrame* page, int width)
{
    view.resize(width, 600);
    view.show();
    QApplication::processEvents();
    const int h = page->widget()->heightForWidth(width);
    view.hide();
    return qMax(600, h + 4);
}

void expectPng(const QString& path)
{
    const QFileInfo info(path);
    EXPECT_TRUE(info.exists()) << path.toStdString();
    EXPECT_GT(info.size(), 1000) << path.toStdString();
}
}  // namespace

TEST(OverviewRender, EveryWidthAppearanceLanguageAndInspection)
{
    ReduceMotion reduce;
    for (Kind kind : {Kind::richLaptop, Kind::host, Kind::none}) {
        for (const char* language : {"en", "ar"}) {
            const Localization l = Localization::forCode(QString::fromLatin1(language), QStringLiteral("en_US"));
            UiLanguage::Override lang(l);
            ScreenFixtures::Inspection inspection(kind);
            Preferences prefs;
            LanguageManager manager(prefs, [] { return QStringList{"en_US"}; });
            // One laptop picture set shows the banner of a pending language change.
            if (kind == Kind::richLaptop && QLatin1String(language) == QLatin1String("ar")) manager.select(QStringLiteral("ar"));
            AppRouter router;
            OverviewView view(inspection.model(), manager, router);
            for (int width : {860, 1180, 1600}) {
                const int height = fullHeight(view, view.page(), width);
                for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
                    const QString name = QStringLiteral("overview-%1-%2").arg(QLatin1String(kindName(kind))).arg(width);
                    expectPng(renderToPng(view, QSize(width, height), QString::fromLatin1(language), a, name));
                }
            }
        }
    }
}

TEST(OverviewRender, CategoryAndSearchPages)
{
    ReduceMotion reduce;
    for (const char* language : {"en", "ar"}) {
        const Localization l = Localization::forCode(QString::fromLatin1(language), QStringLiteral("en_US"));
        UiLanguage::Override lang(l);
        ScreenFixtures::Inspection inspection(Kind::richLaptop);
        AppRouter router;
        CategoryDetailView category(inspection.model(), router, QStringLiteral("film"));
        CategoryDetailView empty(inspection.model(), router, QStringLiteral("film"));
        empty.setFilter(StatusFilter::warning);
        SearchResultsView search(inspection.model(), router, QStringLiteral("hevc"), std::nullopt);
        SearchResultsView warnings(inspection.model(), router, QString(), CapabilityStatus::warning);
        SearchResultsView supported(inspection.model(), router, QString(), CapabilityStatus::supported);
        SearchResultsView nothing(inspection.model(), router, QStringLiteral("%1 zz"), std::nullopt);
        struct Page {
            QWidget* view;
            PageFrame* frame;
            const char* name;
        };
        const Page pages[] = {
            {&category, category.findChild<PageFrame*>(), "category-film"},
            {&empty, empty.findChild<PageFrame*>(), "category-empty"},
            {&search, search.findChild<PageFrame*>(), "search-hevc"},
            {&warnings, warnings.findChild<PageFrame*>(), "search-warnings"},
            {&supported, supported.findChild<PageFrame*>(), "search-supported"},
            {&nothing, nothing.findChild<PageFrame*>(), "search-nothing"},
        };
        for (const Page& p : pages) {
            for (int width : {860, 1180}) {
                const int height = fullHeight(*p.view, p.frame, width);
                for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
                    const QString name = QStringLiteral("%1-%2").arg(QLatin1String(p.name)).arg(width);
                    expectPng(renderToPng(*p.view, QSize(width, height), QString::fromLatin1(language), a, name));
                }
            }
        }
    }
}
