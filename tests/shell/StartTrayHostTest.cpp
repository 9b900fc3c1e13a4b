#include "platform/Preferences.h"
#include "shell/TrayHost.h"
#include "ui/UiLanguage.h"

#include <QDateTime>
#include <QMenu>

#include <gtest/gtest.h>

namespace {
// A tray item as the live monitor's will be: a context menu and requests back.
class FakeTrayItem : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    QMenu* menu = nullptr;
    void setContextMenu(QMenu* m) { menu = m; }
signals:
    void openMainWindowRequested();
    void openLiveMonitorRequested();
    void quitRequested();
};

struct TrayFixture {
    Preferences preferences{QString()};
    bool tray = true;
    int made = 0;
    QStringList calls;
    FakeTrayItem* last = nullptr;
    TrayActions actions()
    {
        TrayActions a;
        a.openMainWindow = [this] { calls << "open"; };
        a.openLiveMonitor = [this] { calls << "live"; };
        a.checkForUpdates = [this] { calls << "check"; };
        a.openSettings = [this] { calls << "settings"; };
        a.quit = [this] { calls << "quit"; };
        return a;
    }
    std::unique_ptr<TrayHost> host()
    {
        return std::make_unique<TrayHost>(preferences, std::make_unique<FixedTrayPresence>([this] { return tray; }),
                                          TrayHost::factoryFor<FakeTrayItem>([this](QObject* parent) {
                                              ++made;
                                              return last = new FakeTrayItem(parent);
                                          }),
                                          actions());
    }
};
}  // namespace

TEST(StartQuitRule, ReadsOnlyAStoredBoolean)
{
    const struct {
        const char* name;
        QVariant stored;
        bool tray;
        bool quits;
    } cases[] = {
        {"nothing stored", QVariant(), true, false},
        {"on", QVariant(true), true, false},
        {"off", QVariant(false), true, true},
        {"a number", QVariant(qint64(0)), true, false},
        {"a text", QVariant(QStringLiteral("false")), true, false},
        {"a date", QVariant(QDateTime::currentDateTimeUtc()), true, false},
        // Without a tray nothing would bring a window back: quit as if the setting were off.
        {"no tray, nothing stored", QVariant(), false, true},
        {"no tray, on", QVariant(true), false, true},
    };
    for (const auto& c : cases) EXPECT_EQ(TrayHost::quitsOnLastWindowClosed(c.stored, c.tray), c.quits) << c.name;
}

TEST(StartQuitRule, TheItemIsWantedUnlessSwitchedOff)
{
    EXPECT_TRUE(TrayHost::wanted(QVariant()));
    EXPECT_TRUE(TrayHost::wanted(QVariant(true)));
    EXPECT_FALSE(TrayHost::wanted(QVariant(false)));
    EXPECT_TRUE(TrayHost::wanted(QVariant(QStringLiteral("no"))));
}

TEST(StartTrayHost, FollowsThePreferenceWhileATrayExists)
{
    TrayFixture f;
    auto host = f.host();
    EXPECT_TRUE(host->hasItem());  // a fresh installation: on
    EXPECT_EQ(f.last->menu, host->contextMenu());
    f.preferences.setValue(TrayHost::kPreferenceKey, false);
    EXPECT_FALSE(host->hasItem());
    f.preferences.setValue(TrayHost::kPreferenceKey, true);
    EXPECT_TRUE(host->hasItem());
    EXPECT_EQ(f.made, 2);
    f.preferences.setValue(QStringLiteral("somethingElse"), false);
    EXPECT_EQ(f.made, 2);
}

TEST(StartTrayHost, NoItemWithoutATray)
{
    TrayFixture f;
    f.tray = false;
    auto host = f.host();
    EXPECT_FALSE(host->hasItem());
    f.preferences.setValue(TrayHost::kPreferenceKey, true);
    EXPECT_FALSE(host->hasItem());
    EXPECT_EQ(f.made, 0);
}

TEST(StartTrayHost, ContextMenuAndRequestsReachTheApplication)
{
    TrayFixture f;
    auto host = f.host();
    QStringList titles;
    for (QAction* a : host->contextMenu()->actions()) titles << (a->isSeparator() ? "---" : a->text());
    EXPECT_EQ(titles, (QStringList{"Open Quorlent", "Check for Updates…", "Settings…", "---", "Quit"}));
    for (QAction* a : host->contextMenu()->actions()) a->trigger();
    EXPECT_EQ(f.calls, (QStringList{"open", "check", "settings", "quit"}));
    f.calls.clear();
    emit f.last->openMainWindowRequested();
    emit f.last->openLiveMonitorRequested();
    emit f.last->quitRequested();
    EXPECT_EQ(f.calls, (QStringList{"open", "live", "quit"}));
}

TEST(StartTrayHost, NoSecondCheckWhileOneRuns)
{
    TrayFixture f;
    auto host = f.host();
    QAction* check = host->contextMenu()->actions().at(1);
    host->setCheckingForUpdates(true);
    EXPECT_FALSE(check->isEnabled());
    check->trigger();
    EXPECT_TRUE(f.calls.isEmpty());
    host->setCheckingForUpdates(false);
    EXPECT_TRUE(check->isEnabled());
}

TEST(StartTrayHost, ContextMenuFollowsTheLanguage)
{
    TrayFixture f;
    auto host = f.host();
    const StringTable table = StringTable::fromJson(R"({"Open Quorlent": "Quorlent öffnen", "Quit": "Beenden"})");
    Localization de = Localization::forCode("de", "de_DE");
    de.table = &table;
    UiLanguage::Override language(de);
    host->retranslate();
    EXPECT_EQ(host->contextMenu()->actions().first()->text(), QString::fromUtf8("Quorlent öffnen"));
    EXPECT_EQ(host->contextMenu()->actions().last()->text(), "Beenden");
}

#include "StartTrayHostTest.moc"
