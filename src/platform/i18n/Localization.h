#pragma once

#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>

// Marks a literal as a string-table key without looking it up yet (for tables of texts).
#define QRL_KEY(text) text

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
    // plural forms, its "other" form.
    QString lookup(const QString& key) const;
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
    QString tr(const QString& key) const { return table ? table->lookup(key) : key; }
    // The text for a count: where the table holds the language's plural forms for `key`,
    // the form the language's rules choose for `count` (the number as shown). Fill the
    // placeholders afterwards, as with tr().
    QString trPlural(const char* key, double count) const { return trPlural(QString::fromUtf8(key), count); }
    QString trPlural(const QString& key, double count) const
    {
        return table ? table->lookupPlural(key, count, localeId) : key;
    }

    bool isRightToLeft() const;
    Qt::LayoutDirection layoutDirection() const { return isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight; }
    QLocale qlocale() const { return QLocale(QString(localeId).replace('_', '-')); }

    // `code` with the region (and other settings) of the user's own locale.
    static Localization forCode(const QString& code, const QString& userLocale = Localization::userLocaleId());
    static Localization english() { return forCode(QStringLiteral("en"), QStringLiteral("en_US")); }
    // The user's locale from the environment (LC_ALL, LC_MESSAGES, LANG), as an ICU identifier.
    static QString userLocaleId();
    // Builds the ICU identifier for `code` in the region of `userLocaleId`.
    static QString composeLocaleId(const QString& code, const QString& userLocaleId);
};
