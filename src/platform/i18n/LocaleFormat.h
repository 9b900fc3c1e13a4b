#pragma once

#include "platform/i18n/Localization.h"

#include <QDateTime>
#include <QString>

// Number, byte-count, duration and date texts in the interface language's locale,
// through ICU where QLocale has no equivalent style.
namespace LocaleFormat {

enum class ByteStyle { File, Memory };  // multiples of 1000 / of 1024

// "512.11 GB", "16 GB", "999 bytes". A zero count is spelled out ("Zero KB") when asked.
QString byteCount(qint64 bytes, const Localization& l, ByteStyle style, bool spellOutZero = true);

// A whole-number percentage of a fraction (1 = 100 %), rounding half to even.
QString percent(double fraction, const Localization& l);

// Plain decimal with at most `maxFractionDigits` digits, grouped as the locale does.
QString decimal(double value, const Localization& l, int maxFractionDigits = 0, bool grouping = true);

// A count inside a looked-up sentence ("%lld cores"): an integer in the locale's digits, as
// the numbers the formatters put beside it, without grouping (as "%lld" always wrote it).
QString count(qint64 n, const Localization& l);

// Abbreviated days, hours and minutes ("2d 3h 5m"); zero units are left out and a
// duration under a minute reads as zero minutes. Empty when ICU cannot format it.
QString abbreviatedDuration(double seconds, const Localization& l);

enum class DateStyle { None, Short, Medium, Long, Full };
// The date and time styles of the locale, in the user's time zone and calendar.
QString dateTime(const QDateTime& when, const Localization& l, DateStyle date, DateStyle time);
// A fixed pattern such as "yyyy-MM-dd" in the given ICU locale (POSIX for file names).
QString pattern(const QDateTime& when, const QString& icuPattern, const char* localeId = "en_US_POSIX");

// The interface languages' own locales format from patterns kept in the program rather than
// through ICU's formatters (the same texts, far less of ICU loaded). Off: always ICU, as the
// tests that hold the two to each other need.
void useKeptPatterns(bool on);
// Whether `l`'s locale is one of those with kept patterns.
bool hasKeptPatterns(const Localization& l);
// ICU's plural category ("one", "few", …) of a whole count in a kept locale, without ICU's
// rules loaded; empty when the count is a fraction or the locale not a kept one.
QString keptPluralCategory(double count, const QString& localeId);
// The region CLDR's likely subtags give a kept language ("de" → "DE", "zh_Hans" → "CN");
// empty for any other.
QString keptLikelyRegion(const QString& language);

}  // namespace LocaleFormat
