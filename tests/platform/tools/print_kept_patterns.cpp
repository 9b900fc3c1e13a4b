// Prints the kept locale patterns of src/platform/i18n/LocaleFormat.cpp (kKept) from the ICU
// in use, one row per locale, for when ICU (and so CLDR) changes and the LocaleFormatKept tests
// report a difference. Not part of the build:
//   g++ -std=c++20 -O1 tests/platform/tools/print_kept_patterns.cpp -o /tmp/print_kept_patterns \
//       $(pkg-config --cflags --libs icu-i18n icu-uc) && /tmp/print_kept_patterns
// A unit whose word follows the count comes out as nullptr: those texts stay with ICU.
#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/numberformatter.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>
#include <cstdio>
#include <string>
#include <vector>
using namespace icu::number;
using U = icu::UnicodeString;
static std::string lit(const U& s) {
    std::string o = "u\"";
    for (int i = 0; i < s.length(); ++i) { char16_t c = s[i];
        if (c == '"' || c == '\\') { o += '\\'; o += char(c); }
        else if (c >= 0x20 && c < 0x7f) o += char(c);
        else { char b[8]; snprintf(b, sizeof b, "\\u%04X", c); o += b; } }
    return o + "\"";
}
static U digitsOf(long n, char16_t zero) { U s = icu::UnicodeString::fromUTF8(std::to_string(n)); for (int i=0;i<s.length();++i) s.setCharAt(i, char16_t(zero + (s[i]-'0'))); return s; }
static U patternOf(const U& text, const U& number) { U t = text; int at = t.indexOf(number); if (at < 0) return U("?"); t.replace(at, number.length(), U("{0}")); return t; }
int main() {
    const char* ids[] = {"en_US","ar_EG","de_DE","es_ES","fr_FR","hi_IN","it_IT","ja_JP","ko_KR","pt_BR","ru_RU","tr_TR","zh_Hans_CN"};
    for (const char* id : ids) {
        icu::Locale loc(id); UErrorCode st = U_ZERO_ERROR;
        auto plain = NumberFormatter::with().grouping(UNUM_GROUPING_OFF).precision(Precision::integer()).locale(loc);
        U zeroT = plain.formatInt(0, st).toString(st); char16_t zero = zeroT[0];
        auto dec = NumberFormatter::with().roundingMode(UNUM_ROUND_HALFEVEN).grouping(UNUM_GROUPING_AUTO).precision(Precision::maxFraction(2)).locale(loc);
        U half = dec.formatDouble(1.5, st).toString(st);  // 1<sep>5
        U decSep = half.tempSubString(1, half.length() - 2);
        // grouping by example
        U g4 = dec.formatInt(1234, st).toString(st), g8 = dec.formatInt(12345678, st).toString(st);
        int minGrouping = g4.length() == 4 ? 2 : 1;
        // find group separator: first non-digit char in g8
        U groupSep; std::vector<int> digitRuns; int run = 0;
        for (int i = 0; i < g8.length(); ++i) { char16_t c = g8[i]; if (c >= zero && c <= zero + 9) ++run; else { if (groupSep.isEmpty()) groupSep = U(c); digitRuns.push_back(run); run = 0; } }
        digitRuns.push_back(run);
        int primary = digitRuns.back(), secondary = digitRuns.size() > 2 ? digitRuns[digitRuns.size()-2] : primary;
        auto pc = NumberFormatter::with().unit(icu::NoUnit::percent()).scale(Scale::powerOfTen(2)).roundingMode(UNUM_ROUND_HALFEVEN).precision(Precision::integer()).locale(loc);
        U pct = patternOf(pc.formatDouble(0.42, st).toString(st), digitsOf(42, zero));
        printf("    {\"%s\", u'\\u%04X', %s, %s, %d, %d, %d, %s,\n     {", id, zero, lit(decSep).c_str(), lit(groupSep).c_str(), primary, secondary, minGrouping, lit(pct).c_str());
        icu::MeasureUnit (*const units[])() = {&icu::MeasureUnit::getKilobyte, &icu::MeasureUnit::getMegabyte, &icu::MeasureUnit::getGigabyte, &icu::MeasureUnit::getTerabyte, &icu::MeasureUnit::getPetabyte};
        for (auto u : units) {
            auto f = NumberFormatter::with().unit(u()).unitWidth(UNUM_UNIT_WIDTH_SHORT).roundingMode(UNUM_ROUND_HALFEVEN).precision(Precision::maxFraction(2)).locale(loc);
            U p = patternOf(f.formatInt(7, st).toString(st), digitsOf(7, zero));
            bool same = true;
            for (double v : {0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 10.0, 11.0, 12.0, 20.0, 21.0, 22.0, 25.0, 100.0, 101.0, 102.0, 111.0, 999.0, 1.5, 0.5, 2.25, 1.1, 3.7, 11.5, 21.25, 101.5, 999.99}) {
                U t = f.formatDouble(v, st).toString(st);
                auto plain = NumberFormatter::with().roundingMode(UNUM_ROUND_HALFEVEN).grouping(UNUM_GROUPING_AUTO).precision(Precision::maxFraction(2)).locale(loc);
                U num = plain.formatDouble(v, st).toString(st);
                U expect = p; expect.findAndReplace(U("{0}"), num);
                if (t != expect) same = false;
            }
            printf("%s, ", same ? lit(p).c_str() : "nullptr");
        }
        printf("},\n     ");
        icu::MeasureFormat mf(loc, UMEASFMT_WIDTH_NARROW, st);
        auto one = [&](icu::MeasureUnit* u, long n) { icu::Measure m(icu::Formattable(int64_t(n)), u, st); U out; icu::FieldPosition p; mf.formatMeasures(&m, 1, out, p, st); return out; };
        U d = one(icu::MeasureUnit::createDay(st), 17), h = one(icu::MeasureUnit::createHour(st), 17), m = one(icu::MeasureUnit::createMinute(st), 17);
        auto uniform = [&](icu::MeasureUnit* (*make)(UErrorCode&), const U& sample) -> std::string {
            U p = patternOf(sample, digitsOf(17, zero));
            for (long n = 0; n <= 230; ++n) { U expect = p; expect.findAndReplace(U("{0}"), digitsOf(n, zero)); if (one(make(st), n) != expect) return "nullptr"; }
            return lit(p);
        };
        printf("%s, %s, %s, ", uniform(&icu::MeasureUnit::createDay, d).c_str(), uniform(&icu::MeasureUnit::createHour, h).c_str(), uniform(&icu::MeasureUnit::createMinute, m).c_str());
        std::vector<icu::Measure> ms; ms.emplace_back(icu::Formattable(int64_t(17)), icu::MeasureUnit::createDay(st), st); ms.emplace_back(icu::Formattable(int64_t(17)), icu::MeasureUnit::createHour(st), st);
        U two; icu::FieldPosition p; mf.formatMeasures(ms.data(), 2, two, p, st);
        ms.emplace_back(icu::Formattable(int64_t(17)), icu::MeasureUnit::createMinute(st), st);
        U three; mf.formatMeasures(ms.data(), 3, three, p, st);
        U sep2 = two.tempSubString(d.length(), two.length() - d.length() - h.length());
        U rest = three.tempSubString(d.length());
        int hAt = rest.indexOf(h);
        U sepA = rest.tempSubString(0, hAt);
        U sepB = rest.tempSubString(hAt + h.length(), rest.length() - hAt - h.length() - m.length());
        printf("%s, %s, %s,\n     ", lit(sep2).c_str(), lit(sepA).c_str(), lit(sepB).c_str());
        icu::DateFormat* df = icu::DateFormat::createDateTimeInstance(icu::DateFormat::kNone, icu::DateFormat::kShort, loc);
        U pat; static_cast<icu::SimpleDateFormat*>(df)->toPattern(pat);
        int32_t n; const U* ampm = static_cast<icu::SimpleDateFormat*>(df)->getDateFormatSymbols()->getAmPmStrings(n);
        icu::DateFormat* dm = icu::DateFormat::createDateTimeInstance(icu::DateFormat::kNone, icu::DateFormat::kMedium, loc);
        U patm; static_cast<icu::SimpleDateFormat*>(dm)->toPattern(patm);
        printf("%s, %s, %s, %s},\n", lit(pat).c_str(), lit(patm).c_str(), lit(ampm[0]).c_str(), lit(ampm[1]).c_str());
        if (U_FAILURE(st)) printf("// FAILED %s\n", u_errorName(st));
    }
}
