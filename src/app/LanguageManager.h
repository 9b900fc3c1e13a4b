#pragma once

#include "platform/Preferences.h"
#include "platform/i18n/Localization.h"

#include <QList>
#include <QObject>

#include <functional>
#include <optional>

struct AppLanguage {
    QString code;
    QString nativeName;
    bool operator==(const AppLanguage&) const = default;

    // The thirteen offered languages, in menu order.
    static const QList<AppLanguage>& all();
};

// The interface language: the user's choice (or the system's), its string table and locale.
class LanguageManager final : public QObject {
    Q_OBJECT
public:
    // The user's preferred languages, most preferred first ("fr_CA", "pt-BR", ...).
    using PreferredLanguages = std::function<QStringList()>;
    // Starts a new instance of the application; returns when it has been asked to start.
    using Launcher = std::function<void()>;

    static LanguageManager& shared();
    LanguageManager(Preferences& preferences, PreferredLanguages preferred, QStringList tableCodes = StringTable::availableCodes(),
                    QObject* parent = nullptr);

    std::optional<QString> selection() const { return selection_; }
    QString code() const { return code_; }
    QString launchCode() const { return launchCode_; }
    bool systemUIOutOfDate() const { return systemUIOutOfDate_; }
    const StringTable* bundle() const { return bundle_; }
    // The ICU locale: the user's locale with its language replaced by `code`.
    QString locale() const { return localeId_; }
    // The string table and locale, as one value for an inspection or a report.
    Localization localization() const;
    Qt::LayoutDirection layoutDirection() const { return localization().layoutDirection(); }

    // Chooses a language code, or "System Default" with nullopt.
    void select(const std::optional<QString>& selection);
    // Starts a new instance, then quits this one.
    void relaunch();
    void setLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

    // The language of the user's preferences among the codes that have a table; "en" when none matches.
    static QString systemLanguage(const QStringList& preferred, const QStringList& tableCodes);
    // Preferred languages from the environment (LC_ALL, LC_MESSAGES, LANGUAGE, LANG).
    static QStringList environmentLanguages();

    static inline const QString kPreferenceKey = QStringLiteral("AppleLanguages");

signals:
    void selectionChanged();
    // Announced after the table and locale have switched, so a refresh it triggers
    // is already in the new language.
    void codeChanged(const QString& code);
    void systemUIOutOfDateChanged();

private:
    void update();
    std::optional<QString> savedSelection() const;

    Preferences& preferences_;
    PreferredLanguages preferred_;
    QStringList tableCodes_;
    Launcher launcher_;
    std::optional<QString> selection_;
    QString code_;
    QString launchCode_;
    bool systemUIOutOfDate_ = false;
    const StringTable* bundle_ = nullptr;
    QString localeId_;
};
