#include "platform/i18n/StringFormat.h"

#include <vector>

QString formatString(QStringView pattern, std::initializer_list<FormatArg> args)
{
    const std::vector<FormatArg> values(args);
    QString out;
    out.reserve(pattern.size() + 16);
    qsizetype next = 0;  // the next sequential argument
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        if (c != '%' || i + 1 >= n) { out += c; continue; }
        qsizetype j = i + 1;
        if (pattern[j] == '%') { out += '%'; i = j; continue; }
        // Optional position: ASCII digits from 1 on, followed by '$'. Position 0, other scripts'
        // digits and numbers too large are no placeholder at all: the text stays as it is.
        qsizetype position = -1;
        qsizetype k = j;
        while (k < n && pattern[k] >= u'0' && pattern[k] <= u'9') ++k;
        if (k > j && k < n && pattern[k] == '$') {
            if (pattern[j] == u'0' || k - j > 9) { out += c; continue; }
            position = pattern.mid(j, k - j).toLongLong() - 1;
            j = k + 1;
        } else if (k < n && pattern[k] == '$') {
            out += c;
            continue;
        } else if (k == j && j < n && pattern[j].isDigit()) {
            // "%١$@": a digit of another script where the position would be.
            out += c;
            continue;
        }
        // Conversion: "@", or integer length modifiers and a d/i/u.
        qsizetype end = -1;
        if (j < n && pattern[j] == '@') {
            end = j;
        } else {
            qsizetype m = j;
            while (m < n && (pattern[m] == 'l' || pattern[m] == 'h' || pattern[m] == 'q' || pattern[m] == 'z')) ++m;
            if (m < n && (pattern[m] == 'd' || pattern[m] == 'i' || pattern[m] == 'u')) end = m;
        }
        if (end < 0) { out += c; continue; }  // not a placeholder we know: keep the text
        const qsizetype index = position >= 0 ? position : next++;
        if (index >= 0 && index < qsizetype(values.size())) out += values[size_t(index)].text();
        i = end;
    }
    return out;
}

QString isolated(QStringView datum)
{
    if (datum.isEmpty())
        return {};
    QString out;
    out.reserve(datum.size() + 2);
    out += QChar(0x2068);
    out += datum;
    out += QChar(0x2069);
    return out;
}
