#include "app/LanguageManager.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

const QList<AppLanguage>& AppLanguage::all()
{
    static const QList<AppLanguage> languages = {
        {"en", "English"},
        {"ar", QString::fromUtf8("العربية")},
        {"fr", QString::fromUtf8("Français")},
        {"es", QString::fromUtf8("Español")},
        {"de", "Deutsch"},
        {"it", "Italiano"},
        {"pt-BR", QString::fromUtf8("Português (Brasil)")},
        {"ru", QString::fromUtf8("Русский")},
        {"tr", QString::fromUtf8("Türkçe")},
        {"zh-Hans", QString::fromUtf8("简体中文")},
        {"ja", QString::fromUtf8("日本語")},
        {"ko", QString::fromUtf8("한국어")},
        {"hi", QString::fromUtf8("हिन्दी")},
    };
    return languages;
}

LanguageManager& LanguageManager::shared()
{
    static LanguageManager* instance = new LanguageManager(Preferences::shared(), &LanguageManager::environmentLanguages);
    return *instance;
}

LanguageManager::LanguageManager(Preferences& preferences, PreferredLanguages preferred, QStringList tableCodes, QObject* parent)
    : QObject(parent), preferences_(preferences), preferred_(std::move(preferred)), tableCodes_(std::move(tableCodes))
{
    const auto saved = savedSelection();
    code_ = saved.value_or(systemLanguage(preferred_ ? preferred_() : QStringList{}, tableCodes_));
    selection_ = saved;
    launchCode_ = code_;
    update();
    launcher_ = [] { QProcess::startDetached(QCoreApplication::applicationFilePath(), {}); };
}

std::optional<QString> LanguageManager::savedSelection() const
{
    const auto list = preferences_.stringListValue(kPreferenceKey);
    if (!list || list->isEmpty()) return std::nullopt;
    return list->first();
}

QStringList LanguageManager::environmentLanguages() { return Localization::messageLanguages(); }

QString LanguageManager::systemLanguage(const QStringList& preferred, const QStringList& tableCodes)
{
    for (const QString& raw : preferred) {
        const QStringList parts = QString(raw).replace('_', '-').split('-', Qt::SkipEmptyParts);
        if (parts.isEmpty()) continue;
        const QString lang = parts[0].toLower();
        QString script, region;
        for (int i = 1; i < parts.size(); ++i) {
            if (parts[i].size() == 4) script = parts[i].left(1).toUpper() + parts[i].mid(1).toLower();
            else region = parts[i].toUpper();
        }
        // Chinese is matched by script: simplified for the mainland and Singapore.
        if (lang == "zh") {
            const bool simplified = script == "Hans" || (script.isEmpty() && (region.isEmpty() || region == "CN" || region == "SG"));
            if (simplified && tableCodes.contains("zh-Hans")) return QStringLiteral("zh-Hans");
            continue;
        }
        const QString full = region.isEmpty() ? lang : lang + '-' + region;
        if (tableCodes.contains(full)) return full;
        if (tableCodes.contains(lang)) return lang;
        // A language offered only in one regional form ("pt" → "pt-BR").
        for (const QString& code : tableCodes)
            if (code.section('-', 0, 0) == lang) return code;
    }
    return QStringLiteral("en");
}

void LanguageManager::select(const std::optional<QString>& selection)
{
    if (selection == selection_) return;
    selection_ = selection;
    const QString oldCode = code_;
    if (selection) {
        preferences_.setValue(kPreferenceKey, QStringList{*selection});
        code_ = *selection;
    } else {
        preferences_.remove(kPreferenceKey);
        code_ = systemLanguage(preferred_ ? preferred_() : QStringList{}, tableCodes_);
    }
    update();
    const bool outOfDate = code_ != launchCode_;
    const bool outOfDateChanged = outOfDate != systemUIOutOfDate_;
    systemUIOutOfDate_ = outOfDate;
    emit selectionChanged();
    if (code_ != oldCode) emit codeChanged(code_);
    if (outOfDateChanged) emit systemUIOutOfDateChanged();
}

void LanguageManager::update()
{
    bundle_ = tableCodes_.contains(code_) ? StringTable::forCode(code_) : nullptr;
    localeId_ = Localization::composeLocaleId(code_, Localization::userLocaleId());
}

Localization LanguageManager::localization() const
{
    Localization l;
    l.code = code_;
    l.table = bundle_;
    l.localeId = localeId_;
    return l;
}

void LanguageManager::relaunch()
{
    if (launcher_) launcher_();
    // Quit whatever the launch's outcome.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
}
