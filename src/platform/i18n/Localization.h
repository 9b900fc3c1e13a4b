#pragma once

#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

// Marks a literal as a string-table key without looking it up yet (for tables of texts).
#define QRL_KEY(text) text
// A key with a context, as gettext's msgctxt: the same English word in rows of different
// genders ("Good" under a feminine label) gets its own entry per row. The key is the
// context, U+0004 and the English text; a table without the entry falls back to the
// plain text's translation, then to the English text.
#define QRL_CTX(context, text) context "\004" text

// One language's string table: English wording → translation.
class StringTable {
public:
    // The compiled-in table for a language code, or nullptr when the product has none.
    static const StringTable* forCode(const QString& code);
    // Codes that have a table, in no particular order.
    static QStringList availableCodes();
    // Parses a table; garbage gives an empty table.
    static StringTable fromJson(const QByteArray& json);

    // The translation, or the key itself when the table lacks it. For an entry that holds
    // plural forms, its "other" form. A key with a context that the table lacks falls back
    // to its text's entry, then to the text.
    QString lookup(const QString& key) const;
    // The English text of a key: the key without its context.
    static QString withoutContext(const QString& key);
    // The plural form that the rules of `localeId` choose for `count`; falls back to the
    // "other" form, then to the plain entry, then to the key.
    QString lookupPlural(const QString& key, double count, const QString& localeId) const;
    bool contains(const QString& key) const { return entries_.contains(key) || plurals_.contains(key); }
    const QHash<QString, QString>& entries() const { return entries_; }
    // Entries whose value is an object of plural categories ("one", "few", "other", ...).
    const QHash<QString, QHash<QString, QString>>& plurals() const { return plurals_; }

    // The plural category ICU's rules for `localeId` give `count` ("one", "few", "other", ...).
    static QString pluralCategory(double count, const QString& localeId);
    // The categories a language distinguishes, per ICU.
    static QStringList pluralCategories(const QString& localeId);

private:
    QHash<QString, QString> entries_;
    QHash<QString, QHash<QString, QString>> plurals_;
};

// The interface language as every text and formatter needs it: the table to look
// texts up in and the locale to format numbers and dates with. Taken once per
// inspection or report, so a language switch never lands halfway through one.
struct Localization {
    QString code = QStringLiteral("en");
    const StringTable* table = nullptr;
    // ICU locale identifier: the language of `code` with the region of the user's locale.
    QString localeId = QStringLiteral("en_US");

    QString tr(const char* key) const { return tr(QString::fromUtf8(key)); }
    QString tr(const QString& key) const { return table ? table->lookup(key) : StringTable::withoutContext(key); }
    // The text for a count: where the table holds the language's plural forms for `key`,
    // the form the language's rules choose for `count` (the number as shown). Fill the
    // placeholders afterwards, as with tr().
    QString trPlural(const char* key, double count) const { return trPlural(QString::fromUtf8(key), count); }
    QString trPlural(const QString& key, double count) const
    {
        return table ? table->lookupPlural(key, count, localeId) : StringTable::withoutContext(key);
    }

    bool isRightToLeft() const;
    Qt::LayoutDirection layoutDirection() const { return isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight; }
    QLocale qlocale() const { return QLocale(QString(localeId).replace('_', '-')); }

    // Reads one environment variable; empty when unset.
    using Environment = std::function<QString(const char* name)>;
    static QString processEnvironment(const char* name);
    // The user's formats locale (region, numbers, dates) as an ICU identifier: LC_ALL, then
    // LC_TIME, LC_NUMERIC, LC_MEASUREMENT, then LANG; the first one set decides. The C and
    // POSIX locales name no region: "en_US_POSIX" stands for them.
    static QString userLocaleId(const Environment& env);
    static QString userLocaleId() { return userLocaleId(&Localization::processEnvironment); }
    // The user's message languages, most preferred first: LC_ALL, LC_MESSAGES, the LANGUAGE
    // list, LANG. A C or POSIX messages locale asks for untranslated texts and ends the list.
    static QStringList messageLanguages(const Environment& env);
    static QStringList messageLanguages() { return messageLanguages(&Localization::processEnvironment); }
    // Builds the ICU identifier for `code` in the region of `userLocaleId`; without a region
    // there (or with the C locale's), the language's own likely region (de → de_DE).
    static QString composeLocaleId(const QString& code, const QString& userLocaleId);

    // `code` with the region (and other settings) of the user's own locale.
    static Localization forCode(const QString& code, const QString& userLocale = Localization::userLocaleId());
    static Localization english() { return forCode(QStringLiteral("en"), QStringLiteral("en_US")); }
};
