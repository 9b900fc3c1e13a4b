#include "platform/i18n/StringFormat.h"
#include "support/Input.h"
#include "ui/Formatters.h"
#include "ui/ThemedLabel.h"
#include "updates/UpdateSettingsRow.h"
#include "updates/UpdateViewsFixture.h"

#include <QPushButton>

using namespace updateviews;

namespace {

const QString kNetworkMessage = QString::fromUtf8("Couldn’t reach the server. Check your internet connection and try again.");

class RowTest : public UpdateViewsTest {
protected:
    std::unique_ptr<UpdateSettingsRow> makeRow(UpdateChecker& c)
    {
        auto row = std::make_unique<UpdateSettingsRow>(c);
        row->setOpener([this](const QUrl& url) { rowOpened << url; });
        row->resize(476, 120);
        row->show();
        return row;
    }
    QList<QUrl> rowOpened;
};

// The status line: the first rule that applies.
TEST_F(RowTest, StatusTable)
{
    using S = UpdateSettingsRow::Status;
    const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(LocalHttpServer::refusedPort());
    struct Case {
        const char* name;
        qint64 installed;
        bool failUserCheck;   // a user check then fails (the error stays)
        bool holdNextCheck;   // a check is running when looked at
        S status;
        QString text;
    };
    const std::vector<Case> cases = {
        {"unknown", 5, false, false, S::none, QString()},
        {"upToDate", 7, false, false, S::upToDate, "Quorlent is up to date."},
        {"available", 5, false, false, S::available, "Quorlent \u20682.0\u2069 is available"},
        {"required", 2, false, false, S::available, "Quorlent \u20682.0\u2069 is available"},
        {"error", 5, true, false, S::error, kNetworkMessage},
        {"checkingOverError", 5, true, true, S::checking, QString::fromUtf8("Checking for updates…")},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        openPreferences();
        prefs->setValue(APIClient::kServerURLKey, server.url().toString());
        if (QString(k.name) == "unknown") prefs->setValue(APIClient::kServerURLKey, refused);
        UpdateChecker& c = start(k.installed);
        drain();
        auto row = makeRow(c);
        if (k.failUserCheck) {
            prefs->setValue(APIClient::kServerURLKey, refused);
            c.checkNow(true);
            drain();
            prefs->setValue(APIClient::kServerURLKey, server.url().toString());
        }
        if (k.holdNextCheck) {
            HttpAnswer held = HttpAnswer::json(versionDocument(7));
            held.hold = true;
            answer(held);
            const qsizetype before = requests();
            c.checkNow(false);
            ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return requests() == before + 1; }));
            ASSERT_TRUE(c.isChecking());
        }
        EXPECT_EQ(row->status(), k.status);
        EXPECT_EQ(row->statusText(), k.text);
        EXPECT_EQ(row->checkButton()->text(), "Check for Updates");
        EXPECT_EQ(row->checkButton()->isEnabled(), !k.holdNextCheck);
        EXPECT_EQ(row->spinner()->isVisibleTo(row.get()), k.holdNextCheck);
        EXPECT_EQ(row->downloadLink()->isVisibleTo(row.get()), k.status == S::available);
        auto* status = row->findChild<ThemedLabel*>("updateStatus");
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->textFormat(), Qt::PlainText);
        if (k.status == S::error) {
            EXPECT_EQ(status->palette().color(QPalette::WindowText), Theme::statusWarning());
        }
        if (k.holdNextCheck) {
            server.releaseHeld();
            drain();
            answer(HttpAnswer::json(versionDocument(7)));
            // A success clears the stored error.
            EXPECT_EQ(row->status(), S::available);
        }
    }
}

TEST_F(RowTest, CheckButtonRunsAUserCheckAndDownloadOpensTheState)
{
    UpdateChecker& c = start(2);
    drain();
    auto row = makeRow(c);
    EXPECT_EQ(requests(), 1);
    click(row->checkButton());
    EXPECT_TRUE(c.isChecking());
    EXPECT_FALSE(row->checkButton()->isEnabled());
    drain();
    EXPECT_EQ(requests(), 2);
    EXPECT_TRUE(row->checkButton()->isEnabled());
    click(row->downloadLink());
    EXPECT_EQ(rowOpened, QList<QUrl>{QUrl("https://example.com/q-7")});
}

TEST_F(RowTest, LastCheckedText)
{
    const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(LocalHttpServer::refusedPort());
    prefs->setValue(APIClient::kServerURLKey, refused);
    {
        UpdateChecker& c = start();
        drain();
        auto row = makeRow(c);
        EXPECT_EQ(row->lastCheckedText(), "Not checked yet");
    }
    // A success from an earlier run shows before any success in this one.
    const QDateTime earlier = now.addSecs(-7200);
    prefs->setValue(UpdateChecker::kLastCheckedKey, earlier);
    UpdateChecker& c = restart();
    drain();
    auto row = makeRow(c);
    const Localization en = Localization::english();
    EXPECT_EQ(row->lastCheckedText(), "Last checked: " + isolated(Formatters::date(earlier, true, en)));
    prefs->setValue(APIClient::kServerURLKey, server.url().toString());
    c.checkNow(true);
    drain();
    EXPECT_EQ(row->lastCheckedText(), "Last checked: " + isolated(Formatters::date(now, true, en)));
    // In the interface language's locale.
    const Localization de = Localization::forCode(QStringLiteral("de"), QStringLiteral("en_US"));
    UiLanguage::Override lang(de);
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(row.get(), &change);
    EXPECT_TRUE(row->lastCheckedText().endsWith(isolated(Formatters::date(now, true, de))));
}

}  // namespace
