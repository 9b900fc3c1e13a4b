#pragma once

// A checker on the real local test server, with preferences in a file that a "restart" reopens.
#include "ui/ApplicationIconView.h"
#include "ui/Buttons.h"
#include "ui/ClampedText.h"
#include "app/LanguageManager.h"
#include "platform/Preferences.h"
#include "support/LocalHttpServer.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"
#include "updates/UpdateChecker.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

namespace updateviews {

inline QByteArray versionDocument(qint64 latest, qint64 min = 3, const QString& notesEn = QStringLiteral("New things"),
                                  const QString& version = QStringLiteral("2.0"))
{
    QJsonObject notes{{"en", notesEn}, {"ar", QString::fromUtf8("أشياء جديدة")}};
    QJsonObject doc{{"latest_version", version},
                    {"latest_build", latest},
                    {"min_build", min},
                    {"minimum_macos", "13"},
                    {"download_url", QStringLiteral("https://example.com/q-%1").arg(latest)},
                    {"notes", notes}};
    return QJsonDocument(doc).toJson(QJsonDocument::Compact);
}

inline const char* kPath = "/v1/app/version";

class UpdateViewsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Theme::setReduceMotion(true);
        ASSERT_TRUE(server.isListening());
        ASSERT_TRUE(dir.isValid());
        openPreferences();
        prefs->setValue(APIClient::kServerURLKey, server.url().toString());
        answer(HttpAnswer::json(versionDocument(7)));
    }
    void TearDown() override
    {
        checker.reset();
        language.reset();
        prefs.reset();
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }

    void openPreferences()
    {
        checker.reset();
        language.reset();
        prefs = std::make_unique<Preferences>(dir.filePath("preferences.json"));
        language = std::make_unique<LanguageManager>(*prefs, [] { return QStringList{"en"}; });
    }

    void answer(HttpAnswer a) { server.setAnswer(kPath, std::move(a)); }

    UpdateChecker& start(std::optional<qint64> installedBuild = 5)
    {
        UpdateCheckerDependencies d;
        d.preferences = prefs.get();
        d.language = language.get();
        d.clock = [this] { return now; };
        d.opener = [this](const QUrl& url) { opened << url; };
        d.installedBuild = installedBuild;
        checker = std::make_unique<UpdateChecker>(std::move(d));
        return *checker;
    }

    // Quits and launches again with the same preference file.
    UpdateChecker& restart(std::optional<qint64> installedBuild = 5)
    {
        openPreferences();
        return start(installedBuild);
    }

    // Lets queued work run and waits for the request in flight to end.
    void drain()
    {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return !checker->isChecking(); }));
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }

    qsizetype requests() const { return server.requestCount(kPath); }

    LocalHttpServer server;
    QTemporaryDir dir;
    std::unique_ptr<Preferences> prefs;
    std::unique_ptr<LanguageManager> language;
    std::unique_ptr<UpdateChecker> checker;
    QDateTime now{QDate(2025, 3, 1), QTime(12, 0), QTimeZone::utc()};
    QList<QUrl> opened;
};

}  // namespace updateviews
