#pragma once

#include "updates/APIClient.h"
#include "updates/VersionDocument.h"

#include <QDateTime>
#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

class LanguageManager;
class Preferences;

// What the checker runs on; every field left empty takes the application's own.
struct UpdateCheckerDependencies {
    Preferences* preferences = nullptr;      // Preferences::shared()
    LanguageManager* language = nullptr;     // LanguageManager::shared()
    std::function<QDateTime()> clock;        // the current time
    std::function<void(const QUrl&)> opener; // QDesktopServices::openUrl
    APISession::Settings session;
    std::optional<qint64> installedBuild = UpdateDecision::installedBuild();
    // The running system, to compare with the document's minimum. This platform's releases
    // are not numbered like the ones the document names, so by default none is compared.
    std::optional<OperatingSystemVersion> system;
};

// Asks the update server for the newest and the lowest supported build, at launch, when the
// application becomes active again (throttled), and when the user asks; decides and keeps the
// verdict for the run.
class UpdateChecker final : public QObject {
    Q_OBJECT
public:
    enum class FetchFailure { network, badResponse };
    using FetchResult = std::variant<AppVersionInfo, FetchFailure>;
    using Result = std::variant<UpdateState, APIError>;
    using Completion = std::function<void(const Result&)>;

    static UpdateChecker& shared();
    // Restores the saved state, subscribes to activation and language changes, and queues the
    // launch check.
    explicit UpdateChecker(UpdateCheckerDependencies dependencies = {}, QObject* parent = nullptr);
    ~UpdateChecker() override;

    UpdateState state() const { return state_; }
    bool isChecking() const { return isChecking_; }
    std::optional<QDateTime> lastChecked() const { return lastChecked_; }
    std::optional<QString> lastError() const { return lastError_; }
    std::optional<qint64> latestBuild() const { return latestBuild_; }
    std::optional<UpdateAlert> alert() const { return alert_; }
    std::optional<qint64> skippedBuild() const { return skippedBuild_; }
    std::optional<qint64> dismissedBuild() const { return dismissedBuild_; }
    // Whether the banner offers the available update: not skipped, not put off for this run.
    bool showsBanner() const;

    // Holds the checks nobody asked for (the launch check, activations) until released: the
    // application lets them go once its window shows its first page, so the network and TLS
    // set-up never delay it. A check held back runs once at release, whatever the throttles say.
    // Checks the user asks for are never held.
    void holdAutomaticChecks();
    void releaseAutomaticChecks();
    bool holdsAutomaticChecks() const { return held_; }

    // Runs a check, or joins the one running; `done` gets the state after the decision or the
    // failure. Only a user-initiated check records its failure in lastError.
    void checkNow(bool userInitiated, Completion done = {});
    // A user-initiated check whose outcome is left in `alert`; returns at once.
    void checkFromMenu();
    // The alert has been shown and dismissed.
    void dismissAlert();
    // Opens the offered download, or the server's download page when nothing is offered.
    void download();
    // Never offers the newest build again (persisted).
    void skip();
    // Hides the banner for the newest build until the next launch.
    void later();

    static std::optional<qint64> installedBuild() { return UpdateDecision::installedBuild(); }
    static QString installedVersion() { return UpdateDecision::installedVersion(); }

    // One version request and its verdict on the answer.
    static void fetch(const QUrl& url, APISession& session, std::function<void(const FetchResult&)> done);

    static inline const QString kLastCheckedKey = QStringLiteral("QRLUpdateLastChecked");
    static inline const QString kSkippedBuildKey = QStringLiteral("QRLUpdateSkippedBuild");
    static constexpr qint64 kAttemptInterval = 15 * 60;      // seconds between background attempts
    static constexpr qint64 kSuccessInterval = 6 * 60 * 60;  // seconds a success stays fresh

signals:
    void stateChanged();
    void isCheckingChanged();
    void lastCheckedChanged();
    void lastErrorChanged();
    void latestBuildChanged();
    void alertChanged();
    void skippedBuildChanged();
    void dismissedBuildChanged();
    void showsBannerChanged();
    // A request has been sent to the server.
    void requestStarted(const QUrl& url);

private:
    struct Fetch {
        std::vector<std::function<void(const FetchResult&)>> waiters;
    };

    void applicationDidBecomeActive();
    void rebuildState(const QString& languageCode);
    void handle(const Fetch* fetch, const FetchResult& result, bool userInitiated, const Completion& done);
    QDateTime now() const;
    void setIsChecking(bool value);
    void setLastError(std::optional<QString> value);
    void setAlert(std::optional<UpdateAlert> value);
    // Runs a change and announces showsBanner when the change flipped it.
    template <typename F> void updatingBanner(F&& change);

    UpdateCheckerDependencies deps_;
    std::unique_ptr<APISession> session_;

    UpdateState state_;
    bool isChecking_ = false;
    std::optional<QDateTime> lastChecked_;
    std::optional<QString> lastError_;
    std::optional<qint64> latestBuild_;
    std::optional<UpdateAlert> alert_;
    std::optional<qint64> skippedBuild_;
    std::optional<qint64> dismissedBuild_;
    std::optional<AppVersionInfo> latestInfo_;
    std::optional<QDateTime> lastAttempt_;
    std::shared_ptr<Fetch> inFlight_;
    std::optional<QString> lastLanguage_;
    bool held_ = false;
    bool heldLaunchCheck_ = false;
};
