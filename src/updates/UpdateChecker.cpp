#include "updates/UpdateChecker.h"

#include "app/LanguageManager.h"
#include "platform/Preferences.h"

#include <QDesktopServices>
#include <QGuiApplication>

UpdateChecker& UpdateChecker::shared()
{
    static UpdateChecker* instance = new UpdateChecker(UpdateCheckerDependencies{});
    return *instance;
}

UpdateChecker::UpdateChecker(UpdateCheckerDependencies dependencies, QObject* parent)
    : QObject(parent), deps_(std::move(dependencies))
{
    if (!deps_.preferences) deps_.preferences = &Preferences::shared();
    if (!deps_.language) deps_.language = &LanguageManager::shared();
    if (!deps_.clock) deps_.clock = [] { return QDateTime::currentDateTimeUtc(); };
    if (!deps_.opener) deps_.opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    session_ = APIClient::makeSession(deps_.session);

    // A stored value of another type is not ours to interpret.
    lastChecked_ = deps_.preferences->dateValue(kLastCheckedKey);
    skippedBuild_ = deps_.preferences->intValue(kSkippedBuildKey);

    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
            if (s != Qt::ApplicationActive) return;
            QMetaObject::invokeMethod(this, [this] { applicationDidBecomeActive(); }, Qt::QueuedConnection);
        });
    }

    // Only changes after this point, each distinct value once.
    connect(deps_.language, &LanguageManager::codeChanged, this, [this](const QString& code) {
        if (lastLanguage_ == code) return;
        lastLanguage_ = code;
        QMetaObject::invokeMethod(this, [this, code] { rebuildState(code); }, Qt::QueuedConnection);
    });

    // Every launch asks once, whatever the throttles say.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (held_) heldLaunchCheck_ = true;
            else checkNow(false);
        },
        Qt::QueuedConnection);
}

void UpdateChecker::holdAutomaticChecks() { held_ = true; }

void UpdateChecker::releaseAutomaticChecks()
{
    if (!held_) return;
    held_ = false;
    if (!heldLaunchCheck_) return;
    heldLaunchCheck_ = false;
    QMetaObject::invokeMethod(this, [this] { checkNow(false); }, Qt::QueuedConnection);
}

UpdateChecker::~UpdateChecker() = default;

QDateTime UpdateChecker::now() const { return deps_.clock(); }

bool UpdateChecker::showsBanner() const
{
    return state_.isAvailable() && latestBuild_ && latestBuild_ != skippedBuild_ && latestBuild_ != dismissedBuild_;
}

template <typename F> void UpdateChecker::updatingBanner(F&& change)
{
    const bool before = showsBanner();
    change();
    if (showsBanner() != before) emit showsBannerChanged();
}

void UpdateChecker::setIsChecking(bool value)
{
    isChecking_ = value;
    emit isCheckingChanged();
}

void UpdateChecker::setLastError(std::optional<QString> value)
{
    lastError_ = std::move(value);
    emit lastErrorChanged();
}

void UpdateChecker::setAlert(std::optional<UpdateAlert> value)
{
    alert_ = std::move(value);
    emit alertChanged();
}

void UpdateChecker::dismissAlert() { setAlert(std::nullopt); }

void UpdateChecker::applicationDidBecomeActive()
{
    // Held at launch, an activation waits for the launch check, which is not throttled.
    if (held_) return;
    auto due = [this] {
        if (held_ || inFlight_) return false;
        const QDateTime t = now();
        // A stored time in the future gives a negative elapsed time and so suppresses the check too.
        if (lastAttempt_ && lastAttempt_->msecsTo(t) < kAttemptInterval * 1000) return false;
        if (lastChecked_ && lastChecked_->msecsTo(t) < kSuccessInterval * 1000) return false;
        return true;
    };
    if (!due()) return;
    // Asked again when the queued call runs: the launch check may have run (and even ended) in
    // between, and the same minute must not ask the server twice.
    QMetaObject::invokeMethod(this, [this, due] { if (due()) checkNow(false); }, Qt::QueuedConnection);
}

void UpdateChecker::checkNow(bool userInitiated, Completion done)
{
    const bool start = !inFlight_;
    QUrl url;
    if (start) {
        url = APIClient::appendingPathComponent(APIClient::configuredBaseURL(*deps_.preferences),
                                                QStringLiteral("v1/app/version"));
        inFlight_ = std::make_shared<Fetch>();
        setIsChecking(true);
        lastAttempt_ = now();
    }
    // A joined caller handles the shared result by its own lights (userInitiated, done).
    const std::shared_ptr<Fetch> fetch = inFlight_;
    fetch->waiters.push_back([this, raw = fetch.get(), userInitiated, done = std::move(done)](const FetchResult& result) {
        handle(raw, result, userInitiated, done);
    });
    if (!start) return;

    emit requestStarted(url);
    // The session belongs to this checker, so the completion never outlives it.
    UpdateChecker::fetch(url, *session_, [fetch](const FetchResult& result) {
        const auto waiters = std::move(fetch->waiters);
        for (const auto& waiter : waiters) waiter(result);
    });
}

void UpdateChecker::handle(const Fetch* fetch, const FetchResult& result, bool userInitiated,
                           const Completion& done)
{
    // The first joined caller to resume ends the check; later ones find it ended, or a newer one.
    if (inFlight_.get() == fetch) {
        inFlight_.reset();
        setIsChecking(false);
    }

    if (const auto* info = std::get_if<AppVersionInfo>(&result)) {
        latestInfo_ = *info;
        updatingBanner([&] { latestBuild_ = info->latestBuild; });
        emit latestBuildChanged();
        setLastError(std::nullopt);
        const QDateTime completed = now();
        lastChecked_ = completed;
        deps_.preferences->setValue(kLastCheckedKey, completed);
        emit lastCheckedChanged();
        rebuildState(deps_.language->code());
        if (done) done(state_);
        return;
    }

    const APIError::Code code = std::get<FetchFailure>(result) == FetchFailure::network ? APIError::Code::network
                                                                                        : APIError::Code::badResponse;
    const QString message = APIClient::message(code, deps_.language->localization());
    // Background checks fail silently: the user did not ask, so nothing is shown.
    if (userInitiated) setLastError(message);
    if (done) done(APIError{code, message, std::nullopt});
}

void UpdateChecker::rebuildState(const QString& languageCode)
{
    if (!latestInfo_) return;
    updatingBanner([&] { state_ = UpdateDecision::decide(*latestInfo_, deps_.installedBuild, deps_.system, languageCode); });
    // Announced even when unchanged: observers redraw on every decision.
    emit stateChanged();
}

void UpdateChecker::checkFromMenu()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            checkNow(true, [this](const Result& result) {
                if (const auto* error = std::get_if<APIError>(&result)) {
                    setAlert(UpdateAlert::failed(error->message));
                    return;
                }
                const UpdateState& s = std::get<UpdateState>(result);
                switch (s.kind) {
                case UpdateState::Kind::required:
                    // The blocking overlay speaks instead.
                    setAlert(std::nullopt);
                    break;
                case UpdateState::Kind::available:
                    // Also for a skipped or put-off build: the user asked.
                    setAlert(UpdateAlert::available(s.version, s.notes, s.url));
                    break;
                case UpdateState::Kind::upToDate:
                case UpdateState::Kind::unknown: setAlert(UpdateAlert::upToDate()); break;
                }
            });
        },
        Qt::QueuedConnection);
}

void UpdateChecker::download()
{
    if (state_.hasUpdate()) {
        deps_.opener(state_.url);
        return;
    }
    // The server's own download page follows the configured server, unlike the fallback in a state.
    deps_.opener(APIClient::appendingPathComponent(APIClient::configuredBaseURL(*deps_.preferences),
                                                   QStringLiteral("download")));
}

void UpdateChecker::skip()
{
    if (!latestBuild_) return;
    updatingBanner([&] { skippedBuild_ = latestBuild_; });
    deps_.preferences->setValue(kSkippedBuildKey, *latestBuild_);
    emit skippedBuildChanged();
}

void UpdateChecker::later()
{
    updatingBanner([&] { dismissedBuild_ = latestBuild_; });
    emit dismissedBuildChanged();
}

void UpdateChecker::fetch(const QUrl& url, APISession& session, std::function<void(const FetchResult&)> done)
{
    session.get(url, std::chrono::seconds(60), [done = std::move(done)](const APIResponse& response) {
        if (!response.completed) return done(FetchFailure::network);
        // Only the final answer counts, and only a 200 with a whole document in it.
        if (response.status != 200 || response.bodyTooLarge) return done(FetchFailure::badResponse);
        const std::optional<AppVersionInfo> info = AppVersionInfo::fromJson(response.body);
        if (!info) return done(FetchFailure::badResponse);
        done(*info);
    });
}
