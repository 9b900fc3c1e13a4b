#include "platform/i18n/StringFormat.h"
#include "ui/ClampedText.h"
#include "support/Input.h"
#include "updates/UpdateAlertPresenter.h"
#include "updates/UpdateBanner.h"
#include "updates/UpdateViewsFixture.h"

#include <QPushButton>
#include <QTest>

using namespace updateviews;

namespace {

const QString kNetworkMessage = QString::fromUtf8("Couldn’t reach the server. Check your internet connection and try again.");

class AlertTest : public UpdateViewsTest {
public:
    void useServer(const QString& url) { prefs->setValue(APIClient::kServerURLKey, url); }

protected:
    struct Shown {
        QWidget* parent;
        UpdateAlertText text;
        std::function<void(int)> answer;
    };

    UpdateAlertPresenter* attach(UpdateChecker& c)
    {
        auto* presenter = qobject_cast<UpdateAlertPresenter*>(UpdateAlert::attach(c, [this] { return mainWindow.get(); }));
        presenter->setPresenter([this](QWidget* parent, const UpdateAlertText& text, std::function<void(int)> answer) {
            shown.push_back({parent, text, std::move(answer)});
        });
        presenter->setOpener([this](const QUrl& url) { alertOpened << url; });
        return presenter;
    }

    void menuCheck(UpdateChecker& c)
    {
        c.checkFromMenu();
        drain();
    }

    std::unique_ptr<QWidget> mainWindow = std::make_unique<QWidget>();
    std::vector<Shown> shown;
    QList<QUrl> alertOpened;
};

TEST_F(AlertTest, TheThreeAnswersOfAMenuCheck)
{
    struct Case {
        const char* name;
        std::function<void(AlertTest&)> arrange;
        qint64 installed;
        UpdateAlertText expected;
    };
    const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(LocalHttpServer::refusedPort());
    const std::vector<Case> cases = {
        {"available", [](AlertTest&) {}, 5,
         UpdateAlertText{"Quorlent \u20682.0\u2069 is available", "New things", {"Later", "Download"}, 1, 0}},
        {"failed", [refused](AlertTest& t) { t.useServer(refused); }, 5,
         UpdateAlertText{QString::fromUtf8("Couldn’t check for updates"), kNetworkMessage, {"OK"}, -1, 0}},
        {"upToDate", [](AlertTest&) {}, 7,
         UpdateAlertText{QString::fromUtf8("You’re up to date"),
                         QStringLiteral("Quorlent %1 is the latest version.").arg(isolated(UpdateChecker::installedVersion())),
                         {"OK"},
                         -1,
                         0}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        shown.clear();
        openPreferences();
        prefs->setValue(APIClient::kServerURLKey, server.url().toString());
        k.arrange(*this);
        UpdateChecker& c = start(k.installed);
        drain();
        attach(c);
        EXPECT_TRUE(shown.empty());  // the launch check raises nothing
        menuCheck(c);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].parent, mainWindow.get());
        EXPECT_EQ(shown[0].text, k.expected);
        ASSERT_TRUE(c.alert());
        shown[0].answer(k.expected.cancelButton);
        EXPECT_FALSE(c.alert());
        EXPECT_TRUE(alertOpened.isEmpty());
    }
}

TEST_F(AlertTest, DownloadOpensTheAlertsAddressAndLaterLeavesTheBanner)
{
    UpdateChecker& c = start();
    drain();
    UpdateBanner banner(c);
    attach(c);
    menuCheck(c);
    ASSERT_EQ(shown.size(), 1u);
    shown[0].answer(1);
    EXPECT_EQ(alertOpened, QList<QUrl>{QUrl("https://example.com/q-7")});
    EXPECT_TRUE(opened.isEmpty());  // not through the checker's download
    EXPECT_FALSE(c.alert());

    menuCheck(c);
    ASSERT_EQ(shown.size(), 2u);
    shown[1].answer(0);  // Later: dismisses only
    EXPECT_EQ(alertOpened.size(), 1);
    EXPECT_TRUE(banner.isOffering());
    EXPECT_FALSE(c.dismissedBuild());
}

TEST_F(AlertTest, SkippedBuildStillAnswersRequiredRaisesNothing)
{
    {
        UpdateChecker& c = start();
        drain();
        c.skip();
        UpdateBanner banner(c);
        attach(c);
        menuCheck(c);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text.title, "Quorlent \u20682.0\u2069 is available");
        EXPECT_FALSE(banner.isOffering());
    }
    shown.clear();
    UpdateChecker& c = restart(2);
    drain();
    attach(c);
    menuCheck(c);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(c.state().isRequired());
}

TEST_F(AlertTest, AttachingTwiceGivesTheSamePresenter)
{
    UpdateChecker& c = start();
    QObject* first = UpdateAlert::attach(c, [] { return nullptr; });
    EXPECT_EQ(UpdateAlert::attach(c, [] { return nullptr; }), first);
    EXPECT_EQ(first->parent(), &c);
}

// The real alert window, opened without blocking: window-modal over the main window.
TEST_F(AlertTest, TheAlertWindowIsWindowModalAndPlain)
{
    UpdateChecker& c = start();
    drain();
    auto* presenter = qobject_cast<UpdateAlertPresenter*>(UpdateAlert::attach(c, [this] { return mainWindow.get(); }));
    presenter->setOpener([this](const QUrl& url) { alertOpened << url; });
    mainWindow->show();
    answer(HttpAnswer::json(versionDocument(7, 3, QStringLiteral("<b>not bold</b>\n") + QString(200000, QLatin1Char('x')))));
    menuCheck(c);
    auto* dialog = mainWindow->findChild<UpdateAlertDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->width(), UpdateAlertDialog::kWidth);
    EXPECT_LT(dialog->height(), 500);
    auto* message = dialog->findChild<ClampedText*>("alertMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->shownLines(message->width()).first().contains("<b>not bold</b>"));
    EXPECT_LE(message->shownLines(message->width()).size(), UpdateAlertDialog::kMaxMessageLines);
    // Return takes the default button: Download.
    QTest::keyClick(dialog, Qt::Key_Return);
    EXPECT_EQ(alertOpened, QList<QUrl>{QUrl("https://example.com/q-7")});
    EXPECT_FALSE(c.alert());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(mainWindow->findChild<UpdateAlertDialog*>(), nullptr);

    // Escape answers with the cancel button; a newer answer replaces an alert still shown.
    answer(HttpAnswer::json("", 404));
    menuCheck(c);
    menuCheck(c);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(mainWindow->findChildren<UpdateAlertDialog*>().size(), 1);
    dialog = mainWindow->findChild<UpdateAlertDialog*>();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_FALSE(c.alert());
    EXPECT_EQ(alertOpened.size(), 1);
}

}  // namespace
