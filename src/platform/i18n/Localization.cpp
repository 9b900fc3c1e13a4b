#include "platform/i18n/Localization.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>

#include "platform/i18n/LocaleFormat.h"

#include <unicode/locid.h>
#include <unicode/plurrule.h>
#include <unicode/strenum.h>

#include <map>
#include <memory>

namespace {
const QStringList kTableCodes = {
    "en", "ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"};

// "de_DE.UTF-8@euro" → "de_DE": the encoding and modifier say nothing about language or region.
QString localeName(QString v)
{
    qsizetype cut = v.indexOf('.');
    if (cut >= 0) v.truncate(cut);
    cut = v.indexOf('@');
    if (cut >= 0) v.truncate(cut);
    return v.trimmed();
}

bool isCLocale(const QString& name) { return name == QLatin1String("C") || name == QLatin1String("POSIX"); }

constexpr QChar kContextSeparator = QChar(0x0004);
}  // namespace

StringTable StringTable::fromJson(const QByteArray& json)
{
    StringTable table;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return table;
    const QJsonObject obj = doc.object();
    static const QStringList kCategories = {"zero", "one", "two", "few", "many", "other"};
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        if (it.value().isString() && !it.value().toString().isEmpty()) {
            table.entries_.insert(it.key(), it.value().toString());
        } else if (it.value().isObject()) {
            QHash<QString, QString> forms;
            const QJsonObject o = it.value().toObject();
            for (auto f = o.begin(); f != o.end(); ++f)
                if (kCategories.contains(f.key()) && f.value().isString() && !f.value().toString().isEmpty())
                    forms.insert(f.key(), f.value().toString());
            if (!forms.isEmpty()) table.plurals_.insert(it.key(), forms);
        }
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

QString StringTable::withoutContext(const QString& key)
{
    const qsizetype cut = key.indexOf(kContextSeparator);
    return cut < 0 ? key : key.mid(cut + 1);
}

QString StringTable::lookup(const QString& key) const
{
    auto it = entries_.constFind(key);
    if (it != entries_.constEnd()) return it.value();
    auto p = plurals_.constFind(key);
    if (p != plurals_.constEnd()) return p->value(QStringLiteral("other"), withoutContext(key));
    const qsizetype cut = key.indexOf(kContextSeparator);
    return cut < 0 ? key : lookup(key.mid(cut + 1));
}

QString StringTable::lookupPlural(const QString& key, double count, const QString& localeId) const
{
    auto p = plurals_.constFind(key);
    if (p == plurals_.constEnd()) {
        const qsizetype cut = key.indexOf(kContextSeparator);
        if (cut >= 0 && !entries_.contains(key)) return lookupPlural(key.mid(cut + 1), count, localeId);
        return lookup(key);
    }
    const QString category = pluralCategory(count, localeId);
    auto form = p->constFind(category);
    if (form != p->constEnd()) return form.value();
    return p->value(QStringLiteral("other"), withoutContext(key));
}

namespace {
// ICU's rules per locale, built once: PluralRules::forLocale parses rule data.
const icu::PluralRules* rulesFor(const QString& localeId)
{
    static QMutex mutex;
    static std::map<QString, std::unique_ptr<icu::PluralRules>> cache;
    QMutexLocker lock(&mutex);
    auto found = cache.find(localeId);
    if (found != cache.end()) return found->second.get();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::PluralRules> rules(
        icu::PluralRules::forLocale(icu::Locale(localeId.toUtf8().constData()), status));
    if (U_FAILURE(status)) rules.reset();
    const icu::PluralRules* result = rules.get();
    cache.emplace(localeId, std::move(rules));
    return result;
}
}  // namespace

QString StringTable::pluralCategory(double count, const QString& localeId)
{
    if (QString kept = LocaleFormat::keptPluralCategory(count, localeId); !kept.isEmpty()) return kept;
    const icu::PluralRules* rules = rulesFor(localeId);
    if (!rules) return QStringLiteral("other");
    const icu::UnicodeString keyword = rules->select(count);
    return QString(reinterpret_cast<const QChar*>(keyword.getBuffer()), keyword.length());
}

QStringList StringTable::pluralCategories(const QString& localeId)
{
    QStringList out;
    const icu::PluralRules* rules = rulesFor(localeId);
    if (!rules) return {QStringLiteral("other")};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::StringEnumeration> keywords(rules->getKeywords(status));
    if (U_FAILURE(status) || !keywords) return {QStringLiteral("other")};
    while (const icu::UnicodeString* k = keywords->snext(status)) {
        if (U_FAILURE(status)) break;
        out << QString(reinterpret_cast<const QChar*>(k->getBuffer()), k->length());
    }
    return out;
}

bool Localization::isRightToLeft() const
{
    const QString lang = code.section('-', 0, 0).section('_', 0, 0).toLower();
    static const QStringList rtl = {"ar", "he", "fa", "ur", "yi", "ps", "ckb", "dv", "sd", "ug"};
    return rtl.contains(lang);
}

QString Localization::processEnvironment(const char* name) { return qEnvironmentVariable(name); }

QString Localization::userLocaleId(const Environment& env)
{
    for (const char* name : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LC_MEASUREMENT", "LANG"}) {
        const QString v = localeName(env(name));
        if (!v.isEmpty()) return isCLocale(v) ? QStringLiteral("en_US_POSIX") : v;
    }
    return QStringLiteral("en_US_POSIX");
}

QStringList Localization::messageLanguages(const Environment& env)
{
    QStringList out;
    auto add = [&](const QString& v) {
        if (!v.isEmpty() && !out.contains(v)) out << v;
    };
    // The messages locale proper; a C locale there means untranslated texts.
    for (const char* name : {"LC_ALL", "LC_MESSAGES"}) {
        const QString v = localeName(env(name));
        if (v.isEmpty()) continue;
        if (isCLocale(v)) return out;
        add(v);
        break;
    }
    const QString lang = localeName(env("LANG"));
    // gettext reads LANGUAGE only when a locale is set at all and it is not C.
    const bool localeSet = !out.isEmpty() || (!lang.isEmpty() && !isCLocale(lang));
    if (localeSet)
        for (const QString& v : env("LANGUAGE").split(':', Qt::SkipEmptyParts)) {
            const QString name = localeName(v);
            if (!isCLocale(name)) add(name);
        }
    if (!isCLocale(lang)) add(lang);
    return out;
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
    if (region.isEmpty() && !userLocaleId.startsWith(QLatin1String("en_US_POSIX"))) {
        const QStringList user = QString(userLocaleId).replace('-', '_').split('_', Qt::SkipEmptyParts);
        for (int i = 1; i < user.size(); ++i) {
            const QString& p = user[i];
            if ((p.size() == 2 && p[0].isLetter()) || (p.size() == 3 && p[0].isDigit())) { region = p.toUpper(); break; }
        }
    }
    if (region.isEmpty()) region = LocaleFormat::keptLikelyRegion(script.isEmpty() ? language : language + '_' + script);
    if (region.isEmpty()) {
        // The language's own region, as CLDR's likely subtags give it: de → DE, ar → EG, hi → IN.
        const QString bare = script.isEmpty() ? language : language + '_' + script;
        icu::Locale likely(bare.toUtf8().constData());
        UErrorCode status = U_ZERO_ERROR;
        likely.addLikelySubtags(status);
        if (U_SUCCESS(status) && likely.getCountry()[0]) region = QString::fromLatin1(likely.getCountry());
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
