// Linux desktop habits: the menus from the keyboard, the window's shortcuts, the frame kept
// between runs and fitted to the screen, and the content's minimum.
#include "MainWindowFixture.h"

#include "shell/AppCommands.h"
#include "shell/Sidebar.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {
MainWindow& openActive(MainWindowFixture& f)
{
    MainWindow& w = f.open();
    w.show();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.model->summary().has_value(); }, 5000));
    QApplication::processEvents();
    return w;
}
}  // namespace

TEST(MenuKeyboard, EveryMenuTitleHasItsOwnMnemonic)
{
    QStringList out;
    EXPECT_EQ(AppCommands::withMnemonics({"File", "View", "Inspect", "Help"}, {"File", "View", "Inspect", "Help"}, "en", &out),
              "&File|&View|&Inspect|&Help");
    // German "Datei" and "Darstellung" share their first letter: the second takes the next one.
    EXPECT_EQ(AppCommands::withMnemonics({"Datei", "Darstellung", "Prüfen", "Hilfe"}, {"File", "View", "Inspect", "Help"}, "de", &out),
              "&Datei|D&arstellung|&Prüfen|&Hilfe");
    EXPECT_EQ(AppCommands::withMnemonics({"ملف", "عرض", "فحص", "مساعدة"}, {"File", "View", "Inspect", "Help"}, "ar", &out),
              "&ملف|&عرض|&فحص|م&ساعدة");
    // Japanese menus carry the Latin key in parentheses.
    EXPECT_EQ(AppCommands::withMnemonics({"ファイル", "表示"}, {"File", "View"}, "ja", &out), "ファイル(&F)|表示(&V)");
    // An ampersand in a title is text.
    EXPECT_EQ(AppCommands::withMnemonics({"A & B"}, {"A & B"}, "en", &out), "&A && B");
}

TEST(MenuKeyboard, AltLetterAndF10OpenTheMenus)
{
    MainWindowFixture f;
    MainWindow& w = openActive(f);
    EXPECT_EQ(w.commands()->fileMenu()->title(), "&File");
    EXPECT_EQ(w.commands()->helpMenu()->title(), "&Help");

    QTest::keyClick(&w, Qt::Key_F10);
    QApplication::processEvents();
    EXPECT_EQ(w.menuBar()->activeAction(), w.commands()->fileMenu()->menuAction());
    if (QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget())) open->close();
    w.menuBar()->setActiveAction(nullptr);
    QApplication::processEvents();

    QTest::keyClick(&w, Qt::Key_I, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(w.menuBar()->activeAction(), w.commands()->inspectMenu()->menuAction());
    EXPECT_TRUE(w.commands()->inspectMenu()->isVisible());
    w.commands()->inspectMenu()->close();
}

TEST(MenuKeyboard, CtrlWClosesTheWindow)
{
    MainWindowFixture f;
    MainWindow& w = openActive(f);
    QTest::keyClick(&w, Qt::Key_W, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
}

TEST(MenuKeyboard, CtrlFFindsAndEscapeClears)
{
    MainWindowFixture f;
    MainWindow& w = openActive(f);
    w.searchField()->setText(QStringLiteral("hevc"));
    w.setFocus();
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w.searchField()->hasFocus());
    EXPECT_EQ(w.searchField()->selectedText(), "hevc");
    QTest::keyClick(w.searchField(), Qt::Key_Escape);
    EXPECT_EQ(w.searchField()->text(), "");
    EXPECT_NE(w.route().kind, DetailRoute::Kind::search);
    // With the sidebar hidden, Ctrl+F brings it back with the field.
    w.setSidebarVisible(false);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w.isSidebarVisible());
    EXPECT_TRUE(w.searchField()->hasFocus());
}

TEST(MenuKeyboard, ArabicShortcutsKeepTheirReadingOrder)
{
    const QString shown = AppCommands::shortcutShown(QString::fromUtf8("الإعدادات…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), true);
    // After the tab the menu shows the key text as given: isolated, so it reads "Ctrl+,".
    const qsizetype tab = shown.indexOf(u'\t');
    ASSERT_GT(tab, 0);
    EXPECT_EQ(shown.mid(tab + 1), QString(QChar(0x2068)) + QStringLiteral("Ctrl+,") + QChar(0x2069));
    EXPECT_EQ(AppCommands::shortcutShown("Settings…", QKeySequence(Qt::CTRL | Qt::Key_Comma), false), "Settings…");

    MainWindowFixture f;
    MainWindow& w = f.open();
    f.language.select(QStringLiteral("ar"));
    bool found = false;
    for (QAction* a : w.commands()->fileMenu()->actions())
        if (a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Comma)) {
            found = true;
            EXPECT_TRUE(a->text().endsWith(QString(QChar(0x2068)) + QStringLiteral("Ctrl+,") + QChar(0x2069)))
                << a->text().toStdString();
        }
    EXPECT_TRUE(found);
}

TEST(WindowFrame, FirstStartFitsTheScreen)
{
    const QSize minimum(880, 660);
    const struct {
        const char* name;
        std::optional<QRect> saved;
        QRect available;
        QRect expected;
    } cases[] = {
        // 1280×800 less a 32-px top panel: the default height shrinks to the area.
        {"smallScreen", std::nullopt, QRect(0, 32, 1280, 768), QRect(50, 32, 1180, 768)},
        {"largeScreen", std::nullopt, QRect(0, 0, 1920, 1080), QRect(370, 140, 1180, 800)},
        {"savedKept", QRect(100, 120, 1000, 700), QRect(0, 0, 1920, 1080), QRect(100, 120, 1000, 700)},
        // A frame saved on a screen that is gone or larger: moved and shrunk onto this one.
        {"savedOffScreen", QRect(3000, 2000, 1000, 700), QRect(0, 0, 1920, 1080), QRect(920, 380, 1000, 700)},
        {"savedTooLarge", QRect(-50, -50, 2500, 1500), QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 800)},
        // Never below the window's minimum.
        {"savedTooSmall", QRect(10, 10, 200, 100), QRect(0, 0, 1920, 1080), QRect(10, 10, 880, 660)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MainWindow::initialFrame(c.saved, c.available, minimum), c.expected);
    }
    EXPECT_EQ(MainWindow::parseFrame("10 20 900 700"), QRect(10, 20, 900, 700));
    for (const char* bad : {"", "garbage", "1 2 3", "1 2 0 5", "1 2 -3 5", "a b c d", "1 2 3 4 5"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(MainWindow::parseFrame(bad), std::nullopt);
    }
}

TEST(WindowFrame, SavedAtCloseAndRestoredAtTheNextStart)
{
    MainWindowFixture f;
    {
        MainWindow& w = f.open();
        w.placeOnScreen();
        w.show();
        QApplication::processEvents();
        // The first start: the default size, inside the screen's available area.
        EXPECT_EQ(w.size(), MainWindow::kDefaultSize.boundedTo(w.screen()->availableGeometry().size()).expandedTo(w.minimumSizeHint()));
        w.resize(870, 700);
        w.move(0, 30);
        QApplication::processEvents();
        w.close();
    }
    EXPECT_EQ(f.preferences.stringValue(MainWindow::kFramePreferenceKey), "0 30 870 700");
    f.window.reset();
    MainWindow& again = f.open();
    again.placeOnScreen();
    again.show();
    QApplication::processEvents();
    const QRect expected = MainWindow::initialFrame(QRect(0, 30, 870, 700), again.screen()->availableGeometry(), again.minimumSizeHint());
    EXPECT_EQ(QRect(again.pos(), again.size()), expected);
    EXPECT_EQ(again.pos(), QPoint(0, 30));
    EXPECT_EQ(again.height(), 700);

    // A damaged value: the default frame.
    f.window.reset();
    f.preferences.setValue(MainWindow::kFramePreferenceKey, QStringLiteral("1 2 x"));
    MainWindow& third = f.open();
    third.placeOnScreen();
    EXPECT_EQ(third.size(), MainWindow::kDefaultSize.boundedTo(third.screen()->availableGeometry().size()).expandedTo(third.minimumSizeHint()));
}

TEST(WindowFrame, TheMinimumIsTheContentsAndEverySidebarRowShows)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    w.show();
    w.resize(1, 1);  // the window keeps its minimum
    QTest::qWait(700);  // the first inspection fills the sidebar
    QApplication::processEvents();
    EXPECT_GT(f.model->sections().size(), 5);
    // Below the menu bar and the toolbar the content is 860 by 580.
    EXPECT_EQ(w.splitter()->size(), MainWindow::kMinimumSize);
    EXPECT_GE(w.height(), MainWindow::kMinimumSize.height() + w.toolBar()->height());
    QListWidget* list = w.sidebar()->list();
    EXPECT_EQ(list->verticalScrollBar()->maximum(), 0) << "rows " << list->count();
    const QListWidgetItem* last = list->item(list->count() - 1);
    EXPECT_LE(list->visualItemRect(last).bottom(), list->viewport()->height());
}
