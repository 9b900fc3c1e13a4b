#include "MainWindowFixture.h"

#include "shell/QuorlentApplication.h"
#include "support/Render.h"

#include "app/LanguagePicker.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
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

// The window at its minimum (860 by 580 of content under the menu bar and toolbar, 634 in all
// here) and at its default size.
const QList<QSize> kSizes{QSize(860, 634), QSize(1180, 800)};

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

TEST_F(MainWindowRender, BlockedByARequiredUpdate)
{
    for (Theme::Appearance appearance : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        MainWindowFixture f;
        ShellHooks hooks;
        // A stand-in for the required-update card: the picture is about what lies beneath it.
        hooks.makeRequiredOverlay = [](QWidget* parent) {
            auto* layer = new QWidget(parent);
            auto* card = new QLabel(QStringLiteral("Update required"), layer);
            card->setAlignment(Qt::AlignCenter);
            card->setStyleSheet(QStringLiteral("background: rgba(128,128,128,0.35); border-radius: 12px; padding: 40px;"));
            auto* layout = new QVBoxLayout(layer);
            layout->addWidget(card, 0, Qt::AlignCenter);
            return layer;
        };
        MainWindow& w = f.open(hooks);
        w.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.model->summary().has_value(); }, 5000));
        f.updates.set(true, false);
        renderToPng(w, QSize(1180, 800), "en", appearance, QStringLiteral("main-required-1180"));
        EXPECT_FALSE(w.content()->isEnabled());
    }
}

TEST_P(MainWindowRender, RelaunchBanner)
{
    const QString language = QString::fromLatin1(GetParam());
    for (Theme::Appearance appearance : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        MainWindowFixture f;
        f.language.select(language);
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        layout->setContentsMargins(24, 24, 24, 24);
        layout->addWidget(new RelaunchBanner(f.language, &host));
        layout->addStretch(1);
        renderToPng(host, QSize(700, 110), language, appearance, QStringLiteral("relaunch-banner"));
        renderToPng(host, QSize(420, 130), language, appearance, QStringLiteral("relaunch-banner-narrow"));
    }
}
