#include "platform/i18n/Localization.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>

#include <map>
#include <memory>

namespace {
const QStringList kTableCodes = {
    "en", "ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"};

QString localeFromEnvironment(const char* name)
{
    QString v = qEnvironmentVariable(name);
    // Strip the encoding and modifier: "de_DE.UTF-8@euro" → "de_DE".
    int cut = v.indexOf('.');
    if (cut >= 0) v.truncate(cut);
    cut = v.indexOf('@');
    if (cut >= 0) v.truncate(cut);
    return v;
}
}  // namespace

StringTable StringTable::fromJson(const QByteArray& json)
{
    StringTable table;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return table;
    const QJsonObject obj = doc.object();
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        if (it.value().isString() && !it.value().toString().isEmpty())
            table.entries_.insert(it.key(), it.value().toString());
    }
    return table;
}

const StringTable* StringTable::forCode(const QString& code)
{
    static QMutex mutex;
    static std::map<QString, std::unique_ptr<StringTable>> cache;
    QMutexLocker lock(&mutex);
    auto found = cache.find(code);
    if (found != cache.end()) return found->second.get();
    std::unique_ptr<StringTable> table;
    if (kTableCodes.contains(code)) {
        QFile file(QStringLiteral(":/i18n/%1.json").arg(code));
        if (file.open(QIODevice::ReadOnly)) table = std::make_unique<StringTable>(fromJson(file.readAll()));
    }
    StringTable* result = table.get();
    cache.emplace(code, std::move(table));
    return result;
}

QStringList StringTable::availableCodes()
{
    QStringList codes;
    for (const QString& code : kTableCodes)
        if (QFile::exists(QStringLiteral(":/i18n/%1.json").arg(code))) codes << code;
    return codes;
}

QString StringTable::lookup(const QString& key) const
{
    auto it = entries_.constFind(key);
    return it == entries_.constEnd() ? key : it.value();
}

bool Localization::isRightToLeft() const
{
    const QString lang = code.section('-', 0, 0).section('_', 0, 0).toLower();
    static const QStringList rtl = {"ar", "he", "fa", "ur", "yi", "ps", "ckb", "dv", "sd", "ug"};
    return rtl.contains(lang);
}

QString Localization::userLocaleId()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString v = localeFromEnvironment(name);
        if (!v.isEmpty()) return (v == "C" || v == "POSIX") ? QStringLiteral("en_US_POSIX") : v;
    }
    return QStringLiteral("en_US_POSIX");
}

QString Localization::composeLocaleId(const QString& code, const QString& userLocaleId)
{
    // Language part of the code: "zh-Hans" → zh_Hans, "pt-BR" → pt + region BR.
    const QStringList parts = QString(code).replace('-', '_').split('_', Qt::SkipEmptyParts);
    QString language = parts.value(0, QStringLiteral("en")).toLower();
    QString script, region;
    for (int i = 1; i < parts.size(); ++i) {
        const QString& p = parts[i];
        if (p.size() == 4) script = p.left(1).toUpper() + p.mid(1).toLower();
        else if (p.size() == 2 || p.size() == 3) region = p.toUpper();
    }
    if (region.isEmpty()) {
        const QStringList user = QString(userLocaleId).split('_', Qt::SkipEmptyParts);
        for (int i = 1; i < user.size(); ++i) {
            const QString& p = user[i];
            if ((p.size() == 2 && p[0].isLetter()) || (p.size() == 3 && p[0].isDigit())) { region = p.toUpper(); break; }
        }
    }
    QString id = language;
    if (!script.isEmpty()) id += '_' + script;
    if (!region.isEmpty()) id += '_' + region;
    return id;
}

Localization Localization::forCode(const QString& code, const QString& userLocaleId)
{
    Localization l;
    l.code = code;
    l.table = StringTable::forCode(code);
    l.localeId = composeLocaleId(code, userLocaleId);
    return l;
}
