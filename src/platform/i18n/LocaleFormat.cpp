#include "platform/i18n/LocaleFormat.h"

#include <unicode/datefmt.h>
#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/numberformatter.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <QList>
#include <QStringList>

#include <atomic>
#include <cmath>
#include <map>
#include <vector>
#include <memory>
#include <utility>

namespace {
icu::Locale icuLocale(const Localization& l)
{
    return icu::Locale(l.localeId.toUtf8().constData());
}

QString fromIcu(const icu::UnicodeString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

icu::UnicodeString toIcu(const QString& s)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

// Building a number formatter (locale data, skeleton) costs far more than formatting with
// one, and the live pages format several numbers a second: each thread keeps the formatters
// it has built, by locale and style. Per thread, as a formatter is not meant to be shared
// between threads formatting at once.
enum Variant : int { kBytes = 0, kUnit = 100, kPercent = 200, kDecimal = 300 };

template <class Make>
const icu::number::LocalizedNumberFormatter& cachedFormatter(const Localization& l, int variant, Make make)
{
    thread_local std::map<std::pair<QString, int>, icu::number::LocalizedNumberFormatter> cache;
    std::pair<QString, int> key(l.localeId, variant);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    // A bound on the unlikely: many languages and styles in one long-running thread.
    if (cache.size() >= 256) cache.clear();
    return cache.emplace(std::move(key), make().locale(icuLocale(l))).first->second;
}

// ---- Kept patterns -------------------------------------------------------------------------------
// The first page's numbers, byte counts, durations and clock time in the interface languages'
// own locales, from patterns kept here instead of ICU's formatters: making a first ICU number,
// measure or date formatter maps about 2.5 MB of ICU's data and code that a start otherwise
// never touches. The patterns are ICU's own (CLDR 42, ICU 72) and a test holds every text
// they make to ICU's; whatever they do not cover (another region, a negative or huge number,
// a unit whose word changes with the count) goes to ICU as before.
// tests/platform/tools/print_kept_patterns.cpp prints the rows anew from the ICU in use.
struct KeptLocale {
    const char* id;
    char16_t zero;              // the locale's digit zero; the others follow it
    const char16_t* decimal;    // decimal separator
    const char16_t* group;      // grouping separator
    int primary, secondary;     // digits in the first group and in the ones before it
    int minGrouping;            // digits before the first separator appears, at least
    const char16_t* percent;    // "{0}%"
    const char16_t* units[5];   // kB … PB, short; null when the word follows the count
    const char16_t* day;        // narrow units; null when the word follows the count
    const char16_t* hour;
    const char16_t* minute;
    const char16_t* list2;      // between the two units of a two-unit duration
    const char16_t* list3a;     // between the first two of three
    const char16_t* list3b;     // between the last two of three
    const char16_t* shortTime;  // the short and medium time patterns
    const char16_t* mediumTime;
    const char16_t* am;
    const char16_t* pm;
};

constexpr KeptLocale kKept[] = {
    {"en_US", u'\u0030', u".", u",", 3, 3, 1, u"{0}%",
     {u"{0} kB", u"{0} MB", u"{0} GB", u"{0} TB", u"{0} PB", },
     u"{0}d", u"{0}h", u"{0}m", u" ", u" ", u" ",
     u"h:mm\u202Fa", u"h:mm:ss\u202Fa", u"AM", u"PM"},
    {"ar_EG", u'\u0660', u"\u066B", u"\u066C", 3, 3, 1, u"{0}\u066A\u061C",
     {u"{0} \u0643\u064A\u0644\u0648\u0628\u0627\u064A\u062A", u"{0} \u0645.\u0628", u"{0} \u063A.\u0628", u"{0} \u062A\u064A\u0631\u0627\u0628\u0627\u064A\u062A", u"{0} \u0628\u064A\u062A\u0627\u0628\u0627\u064A\u062A", },
     u"{0} \u064A", u"{0} \u0633", u"{0} \u062F", u" \u0648", u" \u0648", u" \u0648",
     u"h:mm a", u"h:mm:ss a", u"\u0635", u"\u0645"},
    {"de_DE", u'\u0030', u",", u".", 3, 3, 1, u"{0}\u00A0%",
     {u"{0} kB", u"{0} MB", u"{0}\u00A0GB", u"{0} TB", u"{0} PB", },
     u"{0} T", u"{0} Std.", u"{0} Min.", u", ", u", ", u" und ",
     u"HH:mm", u"HH:mm:ss", u"AM", u"PM"},
    {"es_ES", u'\u0030', u",", u".", 3, 3, 2, u"{0}\u00A0%",
     {u"{0} kB", u"{0} MB", u"{0} GB", u"{0} TB", u"{0} PB", },
     u"{0}d", u"{0}h", u"{0}min", u" ", u" ", u" ",
     u"H:mm", u"H:mm:ss", u"a.\u00A0m.", u"p.\u00A0m."},
    {"fr_FR", u'\u0030', u",", u"\u202F", 3, 3, 1, u"{0}\u00A0%",
     {u"{0}\u202Fko", u"{0}\u202FMo", u"{0}\u202FGo", u"{0}\u202FTo", u"{0}\u202FPo", },
     u"{0}j", u"{0}h", u"{0}min", u" ", u" ", u" ",
     u"HH:mm", u"HH:mm:ss", u"AM", u"PM"},
    {"hi_IN", u'\u0030', u".", u",", 3, 2, 1, u"{0}%",
     {u"{0} kB", u"{0} MB", u"{0} GB", u"{0} TB", u"{0} PB", },
     u"{0} \u0926\u093F", nullptr, u"{0} \u092E\u093F", u" ", u", ", u" ",
     u"h:mm a", u"h:mm:ss a", u"am", u"pm"},
    {"it_IT", u'\u0030', u",", u".", 3, 3, 1, u"{0}%",
     {u"{0} kB", u"{0} MB", u"{0} GB", u"{0} TB", u"{0} PB", },
     nullptr, u"{0}h", u"{0}min", u" ", u" ", u" ",
     u"HH:mm", u"HH:mm:ss", u"AM", u"PM"},
    {"ja_JP", u'\u0030', u".", u",", 3, 3, 1, u"{0}%",
     {u"{0} KB", u"{0} MB", u"{0} GB", u"{0} TB", u"{0} PB", },
     u"{0}d", u"{0}h", u"{0}m", u"", u"", u"",
     u"H:mm", u"H:mm:ss", u"\u5348\u524D", u"\u5348\u5F8C"},
    {"ko_KR", u'\u0030', u".", u",", 3, 3, 1, u"{0}%",
     {u"{0}kB", u"{0}MB", u"{0}GB", u"{0}TB", u"{0}PB", },
     u"{0}\uC77C", u"{0}\uC2DC\uAC04", u"{0}\uBD84", u" ", u" ", u" ",
     u"a h:mm", u"a h:mm:ss", u"\uC624\uC804", u"\uC624\uD6C4"},
    {"pt_BR", u'\u0030', u",", u".", 3, 3, 1, u"{0}%",
     {u"{0} kB", u"{0} MB", u"{0} GB", u"{0} TB", u"{0} PB", },
     nullptr, u"{0} h", u"{0} min", u" ", u" ", u" ",
     u"HH:mm", u"HH:mm:ss", u"AM", u"PM"},
    {"ru_RU", u'\u0030', u",", u"\u00A0", 3, 3, 1, u"{0}\u00A0%",
     {u"{0} \u043A\u0411", u"{0} \u041C\u0411", u"{0} \u0413\u0411", u"{0} \u0422\u0411", u"{0} \u041F\u0411", },
     u"{0} \u0434.", u"{0} \u0447", u"{0} \u043C\u0438\u043D", u" ", u" ", u" ",
     u"HH:mm", u"HH:mm:ss", u"AM", u"PM"},
    {"tr_TR", u'\u0030', u",", u".", 3, 3, 1, u"%{0}",
     {u"{0} kB", u"{0} MB", u"{0} GB", u"{0} TB", u"{0} PB", },
     u"{0}g", nullptr, u"{0}d", u" ", u" ", u" ",
     u"HH:mm", u"HH:mm:ss", u"\u00D6\u00D6", u"\u00D6S"},
    {"zh_Hans_CN", u'\u0030', u".", u",", 3, 3, 1, u"{0}%",
     {u"{0} kB", u"{0} MB", u"{0} GB", u"{0} TB", u"{0} PB", },
     u"{0}\u5929", u"{0}\u5C0F\u65F6", u"{0}\u5206\u949F", u"", u"", u"",
     u"HH:mm", u"HH:mm:ss", u"\u4E0A\u5348", u"\u4E0B\u5348"},
};

std::atomic<bool> keptPatternsOn{true};

const KeptLocale* kept(const Localization& l)
{
    if (!keptPatternsOn) return nullptr;
    for (const KeptLocale& k : kKept)
        if (l.localeId == QLatin1String(k.id)) return &k;
    return nullptr;
}

QString filled(const char16_t* pattern, const QString& value)
{
    QString out = QString::fromUtf16(pattern);
    out.replace(QLatin1String("{0}"), value);
    return out;
}

// ASCII digits in the locale's own (Arabic-Indic, Devanagari, …), which follow its zero.
QString inLocalDigits(const KeptLocale& k, const QByteArray& ascii)
{
    QString out;
    out.reserve(ascii.size());
    for (char c : ascii) out += QChar(char16_t(k.zero + (c - '0')));
    return out;
}

// A non-negative number as ICU formats it: the shortest decimal that reads back as the double
// (what ICU rounds, not the binary value), scaled by 10^scale, rounded half to even to
// `maxFraction` digits, trailing zeros dropped. Empty when the number is not one of those.
QString keptNumber(const KeptLocale& k, double value, int scale, int maxFraction, bool grouping)
{
    if (!std::isfinite(value) || std::signbit(value) || value >= 1e15 || maxFraction < 0 || maxFraction > 15) return {};
    QByteArray digits;
    int exponent = 0;  // value = 0.digits × 10^exponent
    if (value != 0) {
        const QByteArray e = QByteArray::number(value, 'e', QLocale::FloatingPointShortest);
        const qsizetype at = e.indexOf('e');
        if (at < 0) return {};
        for (qsizetype i = 0; i < at; ++i)
            if (e[i] >= '0' && e[i] <= '9') digits += e[i];
        bool ok = false;
        exponent = e.mid(at + 1).toInt(&ok) + 1;
        if (!ok) return {};
    }
    exponent += scale;
    // Integer and fraction digits.
    QByteArray whole, fraction;
    for (int i = 0; i < qMax<int>(exponent, 0); ++i) whole += i < digits.size() ? digits[i] : '0';
    for (int i = qMax(exponent, 0); i < int(digits.size()); ++i) fraction += digits[i];
    if (exponent < 0) fraction.prepend(QByteArray(-exponent, '0'));
    if (fraction.size() > maxFraction) {
        const char first = fraction[maxFraction];
        bool restNonZero = false;
        for (qsizetype i = maxFraction + 1; i < fraction.size(); ++i) restNonZero |= fraction[i] != '0';
        fraction.truncate(maxFraction);
        QByteArray rounded = whole + fraction;
        const bool lastOdd = !rounded.isEmpty() && (rounded.back() - '0') % 2 == 1;
        const bool up = first > '5' || (first == '5' && (restNonZero || lastOdd));
        if (up) {
            qsizetype i = rounded.size() - 1;
            while (i >= 0 && rounded[i] == '9') rounded[i--] = '0';
            if (i >= 0) ++rounded[i];
            else rounded.prepend('1');
        }
        whole = rounded.left(rounded.size() - maxFraction);
        fraction = rounded.right(maxFraction);
    }
    while (!fraction.isEmpty() && fraction.back() == '0') fraction.chop(1);
    if (whole.isEmpty()) whole = "0";
    while (whole.size() > 1 && whole[0] == '0') whole.remove(0, 1);

    QString text;
    const int n = int(whole.size());
    if (grouping && n >= k.primary + k.minGrouping) {
        // From the right: one group of `primary`, then groups of `secondary`.
        QList<QByteArray> groups;
        int end = n;
        int size = k.primary;
        while (end > 0) {
            const int begin = qMax(0, end - size);
            groups.prepend(whole.mid(begin, end - begin));
            end = begin;
            size = k.secondary;
        }
        for (qsizetype i = 0; i < groups.size(); ++i) {
            if (i) text += QString::fromUtf16(k.group);
            text += inLocalDigits(k, groups[i]);
        }
    } else {
        text = inLocalDigits(k, whole);
    }
    if (!fraction.isEmpty()) text += QString::fromUtf16(k.decimal) + inLocalDigits(k, fraction);
    return text;
}

QString keptTime(const KeptLocale& k, const QDateTime& when, const char16_t* timePattern)
{
    const QTime t = when.toLocalTime().time();
    const QString pattern = QString::fromUtf16(timePattern);
    QString out;
    auto number = [&](int n, int width) { return inLocalDigits(k, QByteArray::number(n).rightJustified(width, '0')); };
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        if (c == u'h') out += number(t.hour() % 12 == 0 ? 12 : t.hour() % 12, int(run));
        else if (c == u'H') out += number(t.hour(), int(run));
        else if (c == u'm') out += number(t.minute(), int(run));
        else if (c == u's') out += number(t.second(), int(run));
        else if (c == u'a' && run == 1) out += QString::fromUtf16(t.hour() < 12 ? k.am : k.pm);
        else if (c.isLetter() || c == u'\'') return {};  // a field this does not know: ICU's
        else out += QString(run, c);
        i += run;
    }
    return out;
}

// CLDR 42's plural categories of whole counts in the kept locales (ICU's rules, which a test
// holds these to); fractions and other locales ask ICU.
QString keptCategory(const char* id, qint64 n)
{
    const QByteArray language = QByteArray(id).left(2);
    const bool million = n != 0 && n % 1'000'000 == 0;
    if (language == "en" || language == "de" || language == "tr") return n == 1 ? QStringLiteral("one") : QStringLiteral("other");
    if (language == "it" || language == "es") {
        if (n == 1) return QStringLiteral("one");
        return million ? QStringLiteral("many") : QStringLiteral("other");
    }
    if (language == "fr" || language == "pt") {
        if (n == 0 || n == 1) return QStringLiteral("one");
        return million ? QStringLiteral("many") : QStringLiteral("other");
    }
    if (language == "hi") return n == 0 || n == 1 ? QStringLiteral("one") : QStringLiteral("other");
    if (language == "ja" || language == "ko" || language == "zh") return QStringLiteral("other");
    if (language == "ru") {
        const qint64 d = n % 10, h = n % 100;
        if (d == 1 && h != 11) return QStringLiteral("one");
        if (d >= 2 && d <= 4 && (h < 12 || h > 14)) return QStringLiteral("few");
        return QStringLiteral("many");
    }
    if (language == "ar") {
        const qint64 h = n % 100;
        if (n == 0) return QStringLiteral("zero");
        if (n == 1) return QStringLiteral("one");
        if (n == 2) return QStringLiteral("two");
        if (h >= 3 && h <= 10) return QStringLiteral("few");
        if (h >= 11) return QStringLiteral("many");
        return QStringLiteral("other");
    }
    return {};
}

icu::DateFormat::EStyle icuStyle(LocaleFormat::DateStyle s)
{
    switch (s) {
    case LocaleFormat::DateStyle::None: return icu::DateFormat::kNone;
    case LocaleFormat::DateStyle::Short: return icu::DateFormat::kShort;
    case LocaleFormat::DateStyle::Medium: return icu::DateFormat::kMedium;
    case LocaleFormat::DateStyle::Long: return icu::DateFormat::kLong;
    case LocaleFormat::DateStyle::Full: return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kNone;
}
}  // namespace

namespace LocaleFormat {

QString byteCount(qint64 bytes, const Localization& l, ByteStyle style, bool spellOutZero)
{
    using namespace icu::number;
    if (bytes == 0 && spellOutZero) return l.tr("Zero KB");
    UErrorCode status = U_ZERO_ERROR;
    const double base = style == ByteStyle::File ? 1000.0 : 1024.0;
    const double magnitude = std::fabs(double(bytes));
    // Unit by size; fraction digits as the platform's adaptive byte counts show them.
    static icu::MeasureUnit (*const units[])() = {
        &icu::MeasureUnit::getKilobyte, &icu::MeasureUnit::getMegabyte, &icu::MeasureUnit::getGigabyte,
        &icu::MeasureUnit::getTerabyte, &icu::MeasureUnit::getPetabyte};
    if (magnitude < base) {
        const LocalizedNumberFormatter& f = cachedFormatter(l, kBytes, [] {
            return NumberFormatter::with()
                .unit(icu::MeasureUnit::getByte())
                .unitWidth(UNUM_UNIT_WIDTH_FULL_NAME)
                .precision(Precision::integer());
        });
        icu::UnicodeString s = f.formatInt(bytes, status).toString(status);
        return U_SUCCESS(status) ? fromIcu(s) : QString::number(bytes);
    }
    int unit = 0;
    double value = magnitude / base;
    while (unit < 4 && value >= base) { value /= base; ++unit; }
    int digits = unit == 0 ? 0 : unit == 1 ? 1 : 2;
    // A value that rounds up to the next unit moves to it ("1 MB", not "1,000 KB").
    const double scale = std::pow(10.0, digits);
    if (unit < 4 && std::round(value * scale) / scale >= base) { value /= base; ++unit; digits = unit == 1 ? 1 : 2; }
    QString text;
    if (const KeptLocale* k = kept(l); k && bytes > 0 && k->units[unit]) {
        const QString number = keptNumber(*k, value, 0, digits, true);
        if (!number.isEmpty()) text = filled(k->units[unit], number);
    }
    if (bytes < 0) value = -value;
    if (text.isEmpty()) {
        const LocalizedNumberFormatter& f = cachedFormatter(l, kUnit + unit * 10 + digits, [&] {
            return NumberFormatter::with()
                .unit(units[unit]())
                .unitWidth(UNUM_UNIT_WIDTH_SHORT)
                .roundingMode(UNUM_ROUND_HALFEVEN)
                .precision(Precision::maxFraction(digits));
        });
        icu::UnicodeString s = f.formatDouble(value, status).toString(status);
        text = U_SUCCESS(status) ? fromIcu(s) : QString::number(value, 'f', digits);
    }
    // English byte counts write kilobytes "KB", as the "Zero KB" of an empty count does.
    if (unit == 0 && l.localeId.startsWith(QLatin1String("en"))) text.replace(QLatin1String("kB"), QLatin1String("KB"));
    return text;
}

QString percent(double fraction, const Localization& l)
{
    using namespace icu::number;
    UErrorCode status = U_ZERO_ERROR;
    if (!std::isfinite(fraction)) fraction = 0;
    if (const KeptLocale* k = kept(l)) {
        const QString number = keptNumber(*k, fraction, 2, 0, true);
        if (!number.isEmpty()) return filled(k->percent, number);
    }
    const LocalizedNumberFormatter& f = cachedFormatter(l, kPercent, [] {
        return NumberFormatter::with()
            .unit(icu::NoUnit::percent())
            .scale(Scale::powerOfTen(2))
            .roundingMode(UNUM_ROUND_HALFEVEN)
            .precision(Precision::integer());
    });
    icu::UnicodeString s = f.formatDouble(fraction, status).toString(status);
    return U_SUCCESS(status) ? fromIcu(s) : QString::number(std::lround(fraction * 100)) + '%';
}

QString decimal(double value, const Localization& l, int maxFractionDigits, bool grouping)
{
    using namespace icu::number;
    UErrorCode status = U_ZERO_ERROR;
    // ICU refuses these: the plain rendering, as when any formatting fails.
    if (maxFractionDigits < 0 || maxFractionDigits > 999) return QString::number(value, 'f', maxFractionDigits);
    if (const KeptLocale* k = kept(l)) {
        const QString number = keptNumber(*k, value, 0, maxFractionDigits, grouping);
        if (!number.isEmpty()) return number;
    }
    const LocalizedNumberFormatter& f = cachedFormatter(l, kDecimal + maxFractionDigits * 2 + (grouping ? 1 : 0), [&] {
        return NumberFormatter::with()
            .roundingMode(UNUM_ROUND_HALFEVEN)
            .grouping(grouping ? UNUM_GROUPING_AUTO : UNUM_GROUPING_OFF)
            .precision(Precision::maxFraction(maxFractionDigits));
    });
    icu::UnicodeString s = f.formatDouble(value, status).toString(status);
    return U_SUCCESS(status) ? fromIcu(s) : QString::number(value, 'f', maxFractionDigits);
}

QString count(qint64 n, const Localization& l) { return decimal(double(n), l, 0, false); }

QString abbreviatedDuration(double seconds, const Localization& l)
{
    if (!std::isfinite(seconds) || seconds < 0) return {};
    const qint64 total = qint64(seconds) / 60;  // whole minutes
    const qint64 days = total / (24 * 60);
    const qint64 hours = (total / 60) % 24;
    const qint64 minutes = total % 60;
    if (const KeptLocale* k = kept(l)) {
        QStringList parts;
        bool known = true;
        auto part = [&](qint64 n, const char16_t* pattern) {
            // A measure format groups a four-digit count whatever the locale's minimum: ICU's.
            const QString number = pattern && n < 1000 ? keptNumber(*k, double(n), 0, 0, false) : QString();
            if (number.isEmpty()) known = false;
            else parts << filled(pattern, number);
        };
        if (days > 0) part(days, k->day);
        if (hours > 0) part(hours, k->hour);
        if (minutes > 0 || (days <= 0 && hours <= 0)) part(minutes, k->minute);
        if (known && parts.size() == 1) return parts[0];
        if (known && parts.size() == 2) return parts[0] + QString::fromUtf16(k->list2) + parts[1];
        if (known && parts.size() == 3)
            return parts[0] + QString::fromUtf16(k->list3a) + parts[1] + QString::fromUtf16(k->list3b) + parts[2];
    }
    UErrorCode status = U_ZERO_ERROR;
    // Made once per thread and language: a measure format loads the locale's unit patterns.
    thread_local std::map<QString, std::unique_ptr<icu::MeasureFormat>> formats;
    auto it = formats.find(l.localeId);
    if (it == formats.end()) {
        if (formats.size() >= 64) formats.clear();
        UErrorCode made = U_ZERO_ERROR;
        auto format = std::make_unique<icu::MeasureFormat>(icuLocale(l), UMEASFMT_WIDTH_NARROW, made);
        it = formats.emplace(l.localeId, U_SUCCESS(made) ? std::move(format) : nullptr).first;
    }
    if (!it->second) return {};
    const icu::MeasureFormat& format = *it->second;
    std::vector<icu::Measure> measures;
    auto add = [&](qint64 n, icu::MeasureUnit* unit) {
        measures.emplace_back(icu::Formattable(int64_t(n)), unit, status);
    };
    if (days > 0) add(days, icu::MeasureUnit::createDay(status));
    if (hours > 0) add(hours, icu::MeasureUnit::createHour(status));
    if (minutes > 0 || measures.empty()) add(minutes, icu::MeasureUnit::createMinute(status));
    if (U_FAILURE(status)) return {};
    icu::UnicodeString out;
    icu::FieldPosition pos;
    format.formatMeasures(measures.data(), int32_t(measures.size()), out, pos, status);
    return U_SUCCESS(status) ? fromIcu(out) : QString();
}

QString dateTime(const QDateTime& when, const Localization& l, DateStyle date, DateStyle time)
{
    // A date format reads the locale's calendar, symbols and patterns when it is made: made
    // once per thread, language and styles (it keeps ICU's default zone, as a new one would).
    if (const KeptLocale* k = kept(l); k && date == DateStyle::None && (time == DateStyle::Short || time == DateStyle::Medium)) {
        const QString text = keptTime(*k, when, time == DateStyle::Short ? k->shortTime : k->mediumTime);
        if (!text.isEmpty()) return text;
    }
    thread_local std::map<std::pair<QString, int>, std::unique_ptr<icu::DateFormat>> formats;
    std::pair<QString, int> key(l.localeId, int(date) * 8 + int(time));
    auto it = formats.find(key);
    if (it == formats.end()) {
        if (formats.size() >= 64) formats.clear();
        it = formats.emplace(std::move(key), std::unique_ptr<icu::DateFormat>(icu::DateFormat::createDateTimeInstance(
                                              icuStyle(date), icuStyle(time), icuLocale(l))))
                 .first;
    }
    if (!it->second) return when.toString(Qt::ISODate);
    icu::UnicodeString out;
    it->second->format(UDate(when.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

void useKeptPatterns(bool on) { keptPatternsOn = on; }

bool hasKeptPatterns(const Localization& l) { return kept(l) != nullptr; }

QString keptPluralCategory(double count, const QString& localeId)
{
    if (!keptPatternsOn || !(count >= 0 && count < 1e15) || count != std::floor(count)) return {};
    for (const KeptLocale& k : kKept)
        if (localeId == QLatin1String(k.id)) return keptCategory(k.id, qint64(count));
    return {};
}

QString keptLikelyRegion(const QString& language)
{
    if (!keptPatternsOn) return {};
    for (const KeptLocale& k : kKept) {
        // "zh_Hans_CN": the language (and script) before the region.
        const QString id = QString::fromLatin1(k.id);
        const qsizetype cut = id.lastIndexOf(u'_');
        if (id.left(cut) == language) return id.mid(cut + 1);
    }
    return {};
}

QString pattern(const QDateTime& when, const QString& icuPattern, const char* localeId)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat f(toIcu(icuPattern), icu::Locale(localeId), status);
    if (U_FAILURE(status)) return {};
    icu::UnicodeString out;
    f.format(UDate(when.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

}  // namespace LocaleFormat
