#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QObject;
class QWidget;
class UpdateChecker;

// What the update server announces about the newest release.
struct AppVersionInfo {
    struct Notes {
        QString en;
        QString ar;
        bool operator==(const Notes&) const = default;
    };

    QString latestVersion;
    qint64 latestBuild = 0;
    qint64 minBuild = 0;
    QString minimumMacos;
    QString downloadUrl;
    Notes notes;

    bool operator==(const AppVersionInfo&) const = default;

    // Reads a version document ("latest_version", "latest_build", "min_build", "minimum_macos",
    // "download_url", "notes": {"en", "ar"}). Anything that is not such a document, or whose
    // builds are below 1, gives no value.
    static std::optional<AppVersionInfo> fromJson(const QByteArray& json);
};

// A version of the running operating system, compared component by component.
struct OperatingSystemVersion {
    qint64 major = 0;
    qint64 minor = 0;
    qint64 patch = 0;
};

// The verdict shown continuously (banner, overlay, settings row).
struct UpdateState {
    enum class Kind { unknown, upToDate, available, required };

    Kind kind = Kind::unknown;
    // Only the available and required cases carry these.
    QString version;
    QString notes;
    QUrl url;

    static UpdateState unknown() { return {}; }
    static UpdateState upToDate() { return {Kind::upToDate, {}, {}, {}}; }
    static UpdateState available(QString version, QString notes, QUrl url)
    {
        return {Kind::available, std::move(version), std::move(notes), std::move(url)};
    }
    static UpdateState required(QString version, QString notes, QUrl url)
    {
        return {Kind::required, std::move(version), std::move(notes), std::move(url)};
    }

    bool hasUpdate() const { return kind == Kind::available || kind == Kind::required; }
    bool isRequired() const { return kind == Kind::required; }
    bool isAvailable() const { return kind == Kind::available; }

    bool operator==(const UpdateState& other) const
    {
        if (kind != other.kind) return false;
        if (!hasUpdate()) return true;
        return version == other.version && notes == other.notes && url == other.url;
    }
};

// The one-off answer to a check the user asked for from the menu.
struct UpdateAlert {
    enum class Kind { available, failed, upToDate };

    Kind kind = Kind::upToDate;
    QString version;  // available
    QString notes;    // available
    QUrl url;         // available
    QString message;  // failed

    static UpdateAlert available(QString version, QString notes, QUrl url)
    {
        return {Kind::available, std::move(version), std::move(notes), std::move(url), {}};
    }
    static UpdateAlert failed(QString message) { return {Kind::failed, {}, {}, {}, std::move(message)}; }
    static UpdateAlert upToDate() { return {}; }

    // Two alerts for the same version are the same alert, whatever their notes.
    QString id() const;

    // Answers the checker's alerts with a window-modal alert over the window `mainWindow`
    // returns (defined with the update views, UpdateAlertPresenter.h). The returned object
    // belongs to the checker.
    static QObject* attach(UpdateChecker& checker, std::function<QWidget*()> mainWindow);

    bool operator==(const UpdateAlert&) const = default;
};

// The pure pieces of the update decision.
namespace UpdateDecision {

// Removes spaces, tabs and the other space separators from both ends, but not line breaks.
QString trimSpaces(const QString& text);

// The text as an absolute web address: it parses strictly, its scheme is exactly "https" or
// "http" as written (lower case), and it has a host.
std::optional<QUrl> webAddress(const QString& text);

// A decimal integer: an optional "+" or "-", then digits only; anything else, or an overflow, gives no value.
std::optional<qint64> parseInteger(QStringView text);

// A build number as the build configuration writes it: spaces and tabs around it are ignored.
std::optional<qint64> parseBuildNumber(const QString& text);

// The build and display version of this program, from the build configuration.
std::optional<qint64> installedBuild();
QString installedVersion();

// Whether `system` is at least the dotted version `minimum`. Pieces that are not numbers are
// dropped ("14.x.2" reads as 14.2); no number at all means any system will do.
bool isSupported(const OperatingSystemVersion& system, const QString& minimum);

// The download address a document gives, or the built-in download page when it is not an
// absolute http(s) address with a host.
QUrl downloadURL(const QString& text);

// Turns a document into a verdict for the installed build. Without a system version (this
// platform has none comparable to the document's minimum) the minimum-system test passes.
UpdateState decide(const AppVersionInfo& info, std::optional<qint64> installedBuild,
                   const std::optional<OperatingSystemVersion>& system, const QString& languageCode);

}  // namespace UpdateDecision

// The key conversion the document's reader applies: "latest_build" → "latestBuild";
// leading and trailing underscores stay.
QString convertFromSnakeCase(const QString& key);
