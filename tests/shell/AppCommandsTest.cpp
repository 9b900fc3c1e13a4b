#include "MainWindowFixture.h"

#include "shell/AppCommands.h"
#include "shell/ExportAction.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {
const QStringList kEnglishTree{
    "File",
    "  Export",
    "    PDF Report [Ctrl+E]",
    "    JSON",
    "    Markdown",
    "    Plain Text",
    "  ---",
    "  Settings… [Ctrl+,]",
    "  ---",
    "  Quit [Ctrl+Q]",
    "View",
    "  Hide Sidebar",
    "Inspect",
    "  Overview [Ctrl+0]",
    "  ---",
    "  Live Monitor [Ctrl+Alt+1]",
    "  Battery Health [Ctrl+Alt+2]",
    "  History [Ctrl+Alt+3]",
    "  Reports [Ctrl+Alt+4]",
    "Help",
    "  About Quorlent",
    "  Check for Updates…",
};
}  // namespace

TEST(AppCommands, MenusInOrderWithTheirShortcuts)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    EXPECT_EQ(menuBarTree(w.menuBar()), kEnglishTree);
}

TEST(AppCommands, ARequiredUpdateDisablesExportAndInspectOnly)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    f.updates.set(true, false);
    QStringList expected = kEnglishTree;
    for (const char* entry : {"  Export", "    PDF Report [Ctrl+E]", "    JSON", "    Markdown", "    Plain Text",
                              "  Overview [Ctrl+0]", "  Live Monitor [Ctrl+Alt+1]", "  Battery Health [Ctrl+Alt+2]",
                              "  History [Ctrl+Alt+3]", "  Reports [Ctrl+Alt+4]"}) {
        const qsizetype i = expected.indexOf(QString::fromUtf8(entry));
        ASSERT_GE(i, 0) << entry;
        expected[i] += " (off)";
    }
    EXPECT_EQ(menuBarTree(w.menuBar()), expected);

    // Nothing happens through them.
    int exports = 0;
    ExportAction::setSaver([&](ReportFormat, Quorlent&) { ++exports; });
    w.commands()->overviewAction()->trigger();
    w.commands()->toolAction(ProFeature::liveMonitor)->trigger();
    EXPECT_EQ(f.router.selection(), SidebarItem::overview());
    w.commands()->exportMenu()->actions().first()->trigger();
    EXPECT_EQ(exports, 0);
    ExportAction::setSaver({});

    // A running check disables the check, whatever the state.
    f.updates.set(true, true);
    EXPECT_FALSE(w.commands()->checkForUpdatesAction()->isEnabled());
    f.updates.set(false, true);
    EXPECT_FALSE(w.commands()->checkForUpdatesAction()->isEnabled());
    EXPECT_TRUE(w.commands()->overviewAction()->isEnabled());
    f.updates.set(false, false);
    EXPECT_EQ(menuBarTree(w.menuBar()), kEnglishTree);
}

TEST(AppCommands, TitlesFollowASwitchToGerman)
{
    MainWindowFixture f;
    f.tables.insert("de", StringTable::fromJson(R"({"File": "Datei", "Export": "Exportieren", "PDF Report": "PDF-Bericht",
        "Plain Text": "Reiner Text", "Settings…": "Einstellungen …", "Quit": "Beenden", "View": "Darstellung",
        "Hide Sidebar": "Seitenleiste ausblenden", "Inspect": "Prüfen", "Overview": "Übersicht",
        "Live Monitor": "Live-Monitor", "Battery Health": "Batteriezustand", "History": "Verlauf", "Reports": "Berichte",
        "Help": "Hilfe", "About Quorlent": "Über Quorlent", "Check for Updates…": "Nach Updates suchen …"})"));
    MainWindow& w = f.open();
    f.language.select(QStringLiteral("de"));
    const QStringList expected{
        "Datei",
        "  Exportieren",
        "    PDF-Bericht [Ctrl+E]",
        "    JSON",
        "    Markdown",
        "    Reiner Text",
        "  ---",
        "  Einstellungen … [Ctrl+,]",
        "  ---",
        "  Beenden [Ctrl+Q]",
        "Darstellung",
        "  Seitenleiste ausblenden",
        "Prüfen",
        "  Übersicht [Ctrl+0]",
        "  ---",
        "  Live-Monitor [Ctrl+Alt+1]",
        "  Batteriezustand [Ctrl+Alt+2]",
        "  Verlauf [Ctrl+Alt+3]",
        "  Berichte [Ctrl+Alt+4]",
        "Hilfe",
        "  Über Quorlent",
        "  Nach Updates suchen …",
    };
    EXPECT_EQ(menuBarTree(w.menuBar()), expected);
    // And with a required update in German.
    f.updates.set(true, false);
    EXPECT_FALSE(w.commands()->exportMenu()->menuAction()->isEnabled());
    EXPECT_EQ(w.commands()->exportMenu()->title(), "Exportieren");
}

TEST(AppCommands, InspectSelectsAndLeavesAStatusList)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    f.router.setStatusFocus(CapabilityStatus::warning);
    w.commands()->toolAction(ProFeature::liveMonitor)->trigger();
    EXPECT_EQ(f.router.selection(), SidebarItem::pro(ProFeature::liveMonitor));
    EXPECT_FALSE(f.router.statusFocus());
    w.commands()->toolAction(ProFeature::reports)->trigger();
    EXPECT_EQ(f.router.selection(), SidebarItem::pro(ProFeature::reports));
    f.router.setStatusFocus(CapabilityStatus::info);
    w.commands()->overviewAction()->trigger();
    EXPECT_EQ(f.router.selection(), SidebarItem::overview());
    EXPECT_FALSE(f.router.statusFocus());
}

TEST(AppCommands, CommandsBringTheWindowForward)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    EXPECT_FALSE(w.isVisible());
    w.commands()->toolAction(ProFeature::history)->trigger();
    EXPECT_TRUE(w.isVisible());
    w.hide();
    int exports = 0;
    ExportAction::setSaver([&](ReportFormat f, Quorlent&) {
        EXPECT_EQ(f, ReportFormat::pdf);
        ++exports;
    });
    w.commands()->exportMenu()->actions().first()->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(exports, 1);
    ExportAction::setSaver({});
    w.hide();
    w.commands()->checkForUpdatesAction()->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(f.updates.menuChecks, 1);
}

TEST(AppCommands, TheSidebarToggleSaysWhatItWillDo)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    w.show();
    QAction* toggle = w.commands()->viewMenu()->actions().first();
    EXPECT_EQ(toggle->text(), "Hide Sidebar");
    toggle->trigger();
    EXPECT_FALSE(w.isSidebarVisible());
    EXPECT_EQ(toggle->text(), "Show Sidebar");
    toggle->trigger();
    EXPECT_TRUE(w.isSidebarVisible());
    EXPECT_EQ(toggle->text(), "Hide Sidebar");
}
