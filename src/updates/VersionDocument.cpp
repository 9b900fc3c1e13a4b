#include "updates/VersionDocument.h"

#include "updates/APIClient.h"

#include "BuildConfig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <limits>

namespace {

bool isSpace(QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; }

// The document's keys after the snake-case conversion; of two keys that convert alike the
// first in the object's (sorted) order is kept, so the choice does not depend on the run.
QHash<QString, QJsonValue> convertedKeys(const QJsonObject& object)
{
    QHash<QString, QJsonValue> out;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = convertFromSnakeCase(it.key());
        if (!out.contains(key)) out.insert(key, it.value());
    }
    return out;
}

std::optional<QString> stringField(const QHash<QString, QJsonValue>& fields, const QString& name)
{
    const auto it = fields.constFind(name);
    if (it == fields.constEnd() || !it->isString()) return std::nullopt;
    return it->toString();
}

// A JSON number that is a whole number within 64 bits ("3" or "3.0"; not "3.5", "1e300" or true).
std::optional<qint64> integerField(const QHash<QString, QJsonValue>& fields, const QString& name)
{
    const auto it = fields.constFind(name);
    if (it == fields.constEnd() || !it->isDouble()) return std::nullopt;
    const qint64 a = it->toInteger(0);
    const qint64 b = it->toInteger(1);
    if (a != b) return std::nullopt;
    return a;
}

}  // namespace

QString convertFromSnakeCase(const QString& key)
{
    if (key.isEmpty()) return key;
    qsizetype first = 0;
    while (first < key.size() && key[first] == u'_') ++first;
    if (first == key.size()) return key;  // only underscores
    qsizetype last = key.size() - 1;
    while (last > first && key[last] == u'_') --last;

    const QStringList words = key.mid(first, last - first + 1).split(u'_', Qt::SkipEmptyParts);
    if (words.size() <= 1) return key;
    QString out = key.left(first) + words.first();
    for (qsizetype i = 1; i < words.size(); ++i) out += words[i].left(1).toUpper() + words[i].mid(1);
    out += key.mid(last + 1);
    return out;
}

std::optional<AppVersionInfo> AppVersionInfo::fromJson(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;

    const QHash<QString, QJsonValue> fields = convertedKeys(document.object());
    const auto latestVersion = stringField(fields, QStringLiteral("latestVersion"));
    const auto latestBuild = integerField(fields, QStringLiteral("latestBuild"));
    const auto minBuild = integerField(fields, QStringLiteral("minBuild"));
    const auto minimumMacos = stringField(fields, QStringLiteral("minimumMacos"));
    const auto downloadUrl = stringField(fields, QStringLiteral("downloadUrl"));
    const auto notesValue = fields.value(QStringLiteral("notes"));
    if (!latestVersion || !latestBuild || !minBuild || !minimumMacos || !downloadUrl || !notesValue.isObject())
        return std::nullopt;

    const QHash<QString, QJsonValue> notes = convertedKeys(notesValue.toObject());
    const auto en = stringField(notes, QStringLiteral("en"));
    const auto ar = stringField(notes, QStringLiteral("ar"));
    if (!en || !ar) return std::nullopt;

    if (*latestBuild < 1 || *minBuild < 1) return std::nullopt;
    return AppVersionInfo{*latestVersion, *latestBuild, *minBuild, *minimumMacos, *downloadUrl, {*en, *ar}};
}

QString UpdateAlert::id() const
{
    switch (kind) {
    case Kind::available: return QStringLiteral("available-") + version;
    case Kind::failed: return QStringLiteral("failed");
    case Kind::upToDate: break;
    }
    return QStringLiteral("upToDate");
}

namespace UpdateDecision {

QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpace(text[begin])) ++begin;
    while (end > begin && isSpace(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

std::optional<QUrl> webAddress(const QString& text)
{
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0) return std::nullopt;
    // QUrl lower-cases the scheme, so the rule is tested on the text as written.
    const QStringView scheme = QStringView(text).left(colon);
    if (scheme != u"https" && scheme != u"http") return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty()) return std::nullopt;
    return url;
}

std::optional<qint64> parseInteger(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    // Accumulate downwards so that the most negative value still fits.
    qint64 value = 0;
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        const int digit = c - u'0';
        if (value < (lowest + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative) return value;
    if (value == lowest) return std::nullopt;
    return -value;
}

std::optional<qint64> parseBuildNumber(const QString& text) { return parseInteger(trimSpaces(text)); }

std::optional<qint64> installedBuild() { return parseBuildNumber(QString::fromUtf8(BuildConfig::build)); }

QString installedVersion()
{
    const QString version = QString::fromUtf8(BuildConfig::version);
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

bool isSupported(const OperatingSystemVersion& system, const QString& minimum)
{
    QList<qint64> numbers;
    for (const QString& piece : minimum.split(u'.', Qt::SkipEmptyParts))
        if (const auto n = parseInteger(piece)) numbers << *n;
    if (numbers.isEmpty()) return true;
    const qint64 required[3] = {numbers.value(0, 0), numbers.value(1, 0), numbers.value(2, 0)};
    const qint64 actual[3] = {system.major, system.minor, system.patch};
    for (int i = 0; i < 3; ++i)
        if (actual[i] != required[i]) return actual[i] > required[i];
    return true;
}

QUrl downloadURL(const QString& text)
{
    if (const auto url = webAddress(text)) return *url;
    return APIClient::appendingPathComponent(APIClient::defaultBaseURL(), QStringLiteral("download"));
}

UpdateState decide(const AppVersionInfo& info, std::optional<qint64> installedBuild,
                   const std::optional<OperatingSystemVersion>& system, const QString& languageCode)
{
    if (!installedBuild) return UpdateState::upToDate();
    // A machine that cannot run the newest release is offered nothing, not even a required update.
    if (system && !isSupported(*system, info.minimumMacos)) return UpdateState::upToDate();
    const QString notes = languageCode.startsWith(QStringLiteral("ar")) ? info.notes.ar : info.notes.en;
    const QUrl url = downloadURL(info.downloadUrl);
    if (*installedBuild < info.minBuild) return UpdateState::required(info.latestVersion, notes, url);
    if (*installedBuild < info.latestBuild) return UpdateState::available(info.latestVersion, notes, url);
    return UpdateState::upToDate();
}

}  // namespace UpdateDecision
