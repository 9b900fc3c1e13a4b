#include "MainWindowFixture.h"

#include "shell/QuorlentApplication.h"
#include "support/Render.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

// Every route of the detail pane at the smallest and the default window size, light and dark,
// English and Arabic, written to the artifacts folder to be looked at.
namespace {
struct Stop {
    const char* name;
    std::function<void(MainWindowFixture&, MainWindow&)> go;
};

const QList<Stop>& stops()
{
    static const QList<Stop> list{
        {"overview", [](MainWindowFixture& f, MainWindow&) { f.router.setSelection(SidebarItem::overview()); }},
        {"category", [](MainWindowFixture& f, MainWindow&) { f.router.setSelection(SidebarItem::section("cpu")); }},
        {"search", [](MainWindowFixture&, MainWindow& w) { w.searchField()->setText("memory"); }},
        {"status", [](MainWindowFixture& f, MainWindow&) { f.router.setStatusFocus(CapabilityStatus::warning); }},
        {"reports", [](MainWindowFixture& f, MainWindow&) { f.router.setSelection(SidebarItem::pro(ProFeature::reports)); }},
        {"liveMonitor", [](MainWindowFixture& f, MainWindow&) { f.router.setSelection(SidebarItem::pro(ProFeature::liveMonitor)); }},
        {"batteryHealth", [](MainWindowFixture& f, MainWindow&) { f.router.setSelection(SidebarItem::pro(ProFeature::batteryHealth)); }},
        {"history", [](MainWindowFixture& f, MainWindow&) { f.router.setSelection(SidebarItem::pro(ProFeature::history)); }},
    };
    return list;
}

const QList<QSize> kSizes{QSize(860, 580), QSize(1180, 800)};

class MainWindowRender : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override
    {
        Theme::setForcedAppearance(std::nullopt);
        QApplication::setLayoutDirection(Qt::LeftToRight);
    }
};
}  // namespace

TEST_P(MainWindowRender, EveryRoute)
{
    const QString language = QString::fromLatin1(GetParam());
    for (Theme::Appearance appearance : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        {
            MainWindowFixture f;
            f.language.select(language);
            QuorlentApplication::applyInterfaceLanguage(f.language.localization());
            MainWindow& w = f.open({}, false);
            for (QSize size : kSizes) {
                const QString path = renderToPng(w, size, language, appearance, QStringLiteral("main-loading-%1").arg(size.width()));
                EXPECT_TRUE(QFile::exists(path));
            }
            EXPECT_EQ(w.route().kind, DetailRoute::Kind::loading);
        }
        MainWindowFixture f;
        f.language.select(language);
        QuorlentApplication::applyInterfaceLanguage(f.language.localization());
        MainWindow& w = f.open();
        w.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.model->summary().has_value(); }, 5000));
        for (const Stop& stop : stops()) {
            w.searchField()->clear();
            f.router.setStatusFocus(std::nullopt);
            stop.go(f, w);
            for (QSize size : kSizes) {
                const QImage image = grabWidget(w, size, language, appearance);
                EXPECT_EQ(image.size(), size) << stop.name;
                renderToPng(w, size, language, appearance, QStringLiteral("main-%1-%2").arg(stop.name).arg(size.width()));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowRender, ::testing::Values("en", "ar"));
