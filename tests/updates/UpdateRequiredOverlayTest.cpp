#include "support/AnimationClock.h"
#include "support/Input.h"
#include "support/PixelProbe.h"
#include "ui/ThemedLabel.h"
#include "ui/Theme.h"
#include "ui/UntrustedText.h"
#include "updates/UpdateRequiredOverlay.h"
#include "updates/UpdateViewsFixture.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace updateviews;

namespace {

// A window with content beneath the overlay: a button, a search field and a shortcut.
struct Window {
    explicit Window(UpdateChecker& c)
    {
        window = std::make_unique<QWidget>();
        window->resize(1000, 760);
        auto* column = new QVBoxLayout(window.get());
        search = new QLineEdit(window.get());
        column->addWidget(search);
        button = new QPushButton(QStringLiteral("Inspect"), window.get());
        column->addWidget(button);
        column->addStretch(1);
        QObject::connect(button, &QPushButton::clicked, [this] { ++buttonClicks; });
        exportAction = new QAction(window.get());
        exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
        exportAction->setShortcutContext(Qt::WindowShortcut);
        window->addAction(exportAction);
        QObject::connect(exportAction, &QAction::triggered, [this] { ++shortcutHits; });
        overlay = new UpdateRequiredOverlay(c, window.get());
        overlay->setQuitAction([this] { ++quits; });
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
    }
    std::unique_ptr<QWidget> window;
    QLineEdit* search;
    QPushButton* button;
    QAction* exportAction;
    UpdateRequiredOverlay* overlay;
    int buttonClicks = 0;
    int shortcutHits = 0;
    int quits = 0;
};

class OverlayTest : public UpdateViewsTest {};

TEST_F(OverlayTest, RequiredCoversTheWindowAndReturnDownloads)
{
    UpdateChecker& c = start(2);  // below the lowest supported build 3
    Window w(c);
    EXPECT_FALSE(w.overlay->isBlocking());
    EXPECT_FALSE(w.overlay->isVisible());
    drain();
    ASSERT_TRUE(UpdateRequiredOverlay::isRequired(c.state()));
    ASSERT_TRUE(w.overlay->isBlocking());
    EXPECT_TRUE(w.overlay->isVisible());
    EXPECT_EQ(w.overlay->geometry(), w.window->rect());
    EXPECT_TRUE(w.overlay->card()->isVisible());
    EXPECT_EQ(w.overlay->card()->width(), 400);
    EXPECT_EQ(w.overlay->card()->geometry().center().x(), w.window->rect().center().x());
    EXPECT_EQ(w.overlay->messageLabel()->text(),
              "This version of Quorlent is no longer supported. Download version \u20682.0\u2069 to keep using the app.");
    EXPECT_EQ(w.overlay->notesBox()->textView()->toPlainText(), "New things");
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.overlay->isAncestorOf(QApplication::focusWidget())) << QApplication::focusWidget();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.front(), QUrl("https://example.com/q-7"));
    // Nothing dismisses the card: not the download, not Escape.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(w.overlay->isBlocking());
    EXPECT_TRUE(w.overlay->card()->isVisible());

    // Return is the card's default action wherever the focus is within it.
    w.overlay->notesBox()->textView()->setFocus();
    QTest::keyClick(w.overlay->notesBox()->textView(), Qt::Key_Return);
    EXPECT_EQ(opened.size(), 2);
    w.overlay->quitButton()->setFocus();
    QTest::keyClick(w.overlay->quitButton(), Qt::Key_Return);
    EXPECT_EQ(opened.size(), 3);
    EXPECT_EQ(w.quits, 0);

    click(w.overlay->quitButton());
    EXPECT_EQ(w.quits, 1);
    click(w.overlay->downloadButton());
    EXPECT_EQ(opened.size(), 4);
}

TEST_F(OverlayTest, NothingBeneathReceivesClicksKeysOrShortcuts)
{
    UpdateChecker& c = start(5);
    Window w(c);
    drain();
    ASSERT_FALSE(w.overlay->isBlocking());
    // Not required: everything works as usual.
    click(w.button);
    EXPECT_EQ(w.buttonClicks, 1);
    w.search->setFocus();
    QTest::keyClicks(w.search, "ab");
    EXPECT_EQ(w.search->text(), "ab");
    QTest::keyClick(w.search, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(w.shortcutHits, 1);
    EXPECT_EQ(w.window->childAt(w.button->geometry().center()), w.button);

    answer(HttpAnswer::json(versionDocument(7, 6)));
    c.checkNow(false);
    drain();
    ASSERT_TRUE(w.overlay->isBlocking());
    QCoreApplication::processEvents();

    // The overlay lies over the content: a click there lands on it.
    const QPoint under = w.button->geometry().center();
    QWidget* hit = w.window->childAt(under);
    EXPECT_TRUE(hit == w.overlay || w.overlay->isAncestorOf(hit));
    // Even an event aimed straight at the button beneath is refused.
    click(w.button);
    EXPECT_EQ(w.buttonClicks, 1);
    // Keys typed into the search field go nowhere; the shortcut does not fire.
    QTest::keyClicks(w.search, "cd");
    EXPECT_EQ(w.search->text(), "ab");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(w.search, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(w.shortcutHits, 1);
    // Tab stays within the card.
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(w.overlay->isAncestorOf(QApplication::focusWidget()));
    }

    // A later answer that needs no update removes the overlay and frees the content.
    answer(HttpAnswer::json(versionDocument(5, 1)));
    c.checkNow(false);
    drain();
    EXPECT_EQ(c.state(), UpdateState::upToDate());
    EXPECT_FALSE(w.overlay->isBlocking());
    EXPECT_FALSE(w.overlay->isVisible());
    click(w.button);
    EXPECT_EQ(w.buttonClicks, 2);
    w.search->setFocus();
    w.search->clear();
    QTest::keyClicks(w.search, "x");
    EXPECT_EQ(w.search->text(), "x");
}

TEST_F(OverlayTest, ANewRequiredAnswerRedrawsTheCardAndAFailureKeepsIt)
{
    UpdateChecker& c = start(2);
    Window w(c);
    drain();
    ASSERT_TRUE(w.overlay->isBlocking());
    answer(HttpAnswer::json(versionDocument(9, 8, QStringLiteral("Other notes"), QStringLiteral("3.0 (beta) [x]"))));
    c.checkNow(false);
    drain();
    EXPECT_TRUE(w.overlay->isBlocking());
    EXPECT_TRUE(w.overlay->messageLabel()->text().contains("3.0 (beta) [x]"));
    EXPECT_EQ(w.overlay->notesBox()->textView()->toPlainText(), "Other notes");
    answer(HttpAnswer::json("", 500));
    c.checkNow(true);
    drain();
    EXPECT_TRUE(w.overlay->isBlocking());
}

TEST_F(OverlayTest, NotesBoxHeights)
{
    struct Case {
        const char* name;
        QString notes;
        bool shown;
        bool scrolls;
    };
    QStringList forty;
    for (int i = 1; i <= 40; ++i) forty << QStringLiteral("Line %1 of the notes").arg(i);
    for (const Case& k : {Case{"empty", QString(), false, false}, Case{"spaces", QStringLiteral("   "), true, false},
                          Case{"oneLine", QStringLiteral("One line"), true, false},
                          Case{"fortyLines", forty.join('\n'), true, true}}) {
        SCOPED_TRACE(k.name);
        answer(HttpAnswer::json(versionDocument(7, 3, k.notes)));
        UpdateChecker& c = restart(2);
        Window w(c);
        drain();
        ASSERT_TRUE(w.overlay->isBlocking());
        QTextEdit* text = w.overlay->notesBox()->textView();
        EXPECT_EQ(w.overlay->notesBox()->isVisibleTo(w.overlay), k.shown);
        if (!k.shown) continue;
        if (k.scrolls) {
            EXPECT_EQ(text->height(), ReleaseNotesBox::kMaxTextHeight);
            EXPECT_GT(text->verticalScrollBar()->maximum(), 0);
            EXPECT_TRUE(text->verticalScrollBar()->isVisible());
        } else {
            EXPECT_LT(text->height(), 30);
            EXPECT_EQ(text->verticalScrollBar()->maximum(), 0);
        }
    }
}

TEST_F(OverlayTest, HostileNotesArePlainTextAndTheCardKeepsItsShape)
{
    const QString html = QStringLiteral("<h1>Big</h1><a href=\"https://evil.example\">click</a><script>x()</script>");
    const QString huge = QString(1000000, QLatin1Char('W'));
    const QString rtl = QString::fromUtf8("تحسينات كبيرة في الأداء\nإصلاح أخطاء");
    for (const QString& notes : {html, huge, rtl}) {
        SCOPED_TRACE(notes.left(20).toStdString());
        answer(HttpAnswer::json(versionDocument(7, 3, notes)));
        UpdateChecker& c = restart(2);
        Window w(c);
        drain();
        ASSERT_TRUE(w.overlay->isBlocking());
        QTextEdit* text = w.overlay->notesBox()->textView();
        EXPECT_FALSE(text->acceptRichText());
        EXPECT_LE(text->toPlainText().size(), UntrustedText::kMaxShownLength + 1);
        if (notes == html) {
            EXPECT_EQ(text->toPlainText(), html);
            EXPECT_FALSE(text->toHtml().contains("href=\"https://evil.example\""));
        }
        EXPECT_EQ(w.overlay->card()->width(), 400);
        EXPECT_LE(text->height(), ReleaseNotesBox::kMaxTextHeight);
        EXPECT_LE(w.overlay->card()->height(), 700);
        EXPECT_TRUE(w.overlay->rect().contains(w.overlay->card()->geometry()));
    }
}

TEST_F(OverlayTest, DimmingFollowsTheAppearance)
{
    UpdateChecker& c = start(2);
    Window w(c);
    drain();
    for (auto a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        Theme::setForcedAppearance(a);
        w.window->setPalette(Theme::palette(a));
        w.window->setAutoFillBackground(true);
        const QImage img = w.window->grab().toImage();
        const QColor under = Theme::systemColor(Theme::SystemColor::windowBackground, a);
        QColor material = under;
        material.setAlphaF(0.45);
        QColor dim(0, 0, 0);
        dim.setAlphaF(a == Theme::Appearance::Dark ? UpdateRequiredOverlay::kDimDark : UpdateRequiredOverlay::kDimLight);
        const QColor expected = PixelProbe::over(dim, PixelProbe::over(material, under));
        EXPECT_TRUE(PixelProbe::near(PixelProbe::at(img, 5, img.height() - 5), expected, 3))
            << PixelProbe::at(img, 5, img.height() - 5).name().toStdString() << " vs " << expected.name().toStdString();
    }
}

TEST_F(OverlayTest, CardScalesAndFadesInOrAppearsAtOnce)
{
    Theme::setReduceMotion(false);
    FakeAnimationClock clock;
    UpdateChecker& c = start(2);
    Window w(c);
    drain();
    ASSERT_TRUE(w.overlay->isBlocking());
    clock.advance(50);
    QCoreApplication::processEvents();
    EXPECT_GT(w.overlay->progress(), 0.0);
    EXPECT_LT(w.overlay->progress(), 1.0);
    // While it scales in, the card is a picture; clicks are refused all the same.
    EXPECT_FALSE(w.overlay->card()->isVisible());
    click(w.button);
    EXPECT_EQ(w.buttonClicks, 0);
    clock.advance(1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.overlay->progress(), 1.0);
    EXPECT_TRUE(w.overlay->card()->isVisible());

    Theme::setReduceMotion(true);
    answer(HttpAnswer::json(versionDocument(5, 1)));
    c.checkNow(false);
    drain();
    EXPECT_EQ(w.overlay->progress(), 0.0);
    EXPECT_FALSE(w.overlay->isVisible());
}

TEST_F(OverlayTest, FollowsTheLanguage)
{
    UpdateChecker& c = start(2);
    Window w(c);
    drain();
    language->select(QStringLiteral("ar"));
    drain();
    EXPECT_EQ(w.overlay->notesBox()->textView()->toPlainText(), QString::fromUtf8("أشياء جديدة"));
    Localization l = Localization::forCode(QStringLiteral("ar"), QStringLiteral("en_US"));
    StringTable table = StringTable::fromJson(QByteArray(R"({"Update Required": "التحديث مطلوب"})"));
    l.table = &table;
    UiLanguage::Override lang(l);
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(w.window.get(), &change);
    EXPECT_EQ(w.overlay->findChild<ThemedLabel*>()->text(), QString::fromUtf8("التحديث مطلوب"));
}

}  // namespace

// To assistive technology the card is a dialog; its symbols are decoration.
TEST_F(OverlayTest, TheCardIsADialogAndItsSymbolsAreHidden)
{
    UpdateChecker& c = start(2);
    Window w(c);
    drain();
    QAccessibleInterface* card = QAccessible::queryAccessibleInterface(w.overlay->card());
    ASSERT_TRUE(card);
    EXPECT_EQ(card->role(), QAccessible::Dialog);
    EXPECT_EQ(card->text(QAccessible::Name), "Update Required");
    int decorations = 0;
    for (QWidget* child : w.overlay->card()->findChildren<QWidget*>()) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(child);
        ASSERT_TRUE(iface);
        if (iface->role() == QAccessible::NoRole) {
            ++decorations;
            EXPECT_TRUE(iface->state().invisible);
            continue;
        }
        // Every other leaf that shows has something to say.
        if (child->isVisible() && child->findChildren<QWidget*>().isEmpty() && iface->text(QAccessible::Name).isEmpty() &&
            !qobject_cast<QAbstractScrollArea*>(child->parentWidget()) && !qobject_cast<QScrollBar*>(child))
            ADD_FAILURE() << child->metaObject()->className() << " " << child->objectName().toStdString() << " role "
                          << iface->role();
    }
    EXPECT_EQ(decorations, 2);  // the badged icon and the notes' sparkles
}
