#include "reports/ReportJson.h"

#include <algorithm>

namespace ReportJson {
namespace {

void appendUtf8(QByteArray& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

void writeString(QByteArray& out, const QString& s, const Options& options)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t cp = s[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
            cp = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(cp)) {
            // Half a pair has no UTF-8 form; the replacement character keeps the text readable.
            cp = 0xFFFD;
        }
        switch (cp) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '/': out += options.escapeSlashes ? "\\/" : "/"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (cp < 0x20) {
                out += "\\u00";
                out += hex[cp >> 4];
                out += hex[cp & 0xF];
            } else {
                appendUtf8(out, cp);
            }
        }
    }
    out += '"';
}

void indent(QByteArray& out, int depth)
{
    out.append(QByteArray(depth * 2, ' '));
}

void write(QByteArray& out, const Value& value, const Options& options, int depth)
{
    const char* const memberSeparator = options.pretty ? ",\n" : ",";
    if (std::holds_alternative<std::monostate>(value.data)) {
        out += "null";
    } else if (const bool* b = std::get_if<bool>(&value.data)) {
        out += *b ? "true" : "false";
    } else if (const qint64* n = std::get_if<qint64>(&value.data)) {
        out += QByteArray::number(*n);
    } else if (const QString* s = std::get_if<QString>(&value.data)) {
        writeString(out, *s, options);
    } else if (const auto* a = std::get_if<std::shared_ptr<Array>>(&value.data)) {
        out += '[';
        if (options.pretty) out += '\n';
        bool first = true;
        for (const Value& element : **a) {
            if (!first) out += memberSeparator;
            first = false;
            if (options.pretty) indent(out, depth + 1);
            write(out, element, options, depth + 1);
        }
        if (options.pretty) {
            out += '\n';
            indent(out, depth);
        }
        out += ']';
    } else if (const auto* o = std::get_if<std::shared_ptr<Object>>(&value.data)) {
        QList<std::pair<QByteArray, const Value*>> members;
        members.reserve((*o)->size());
        for (const Member& m : **o) members.append({m.first.toUtf8(), &m.second});
        if (options.sortKeys)
            std::stable_sort(members.begin(), members.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
        out += '{';
        if (options.pretty) out += '\n';
        bool first = true;
        for (const auto& [key, member] : members) {
            if (!first) out += memberSeparator;
            first = false;
            if (options.pretty) indent(out, depth + 1);
            writeString(out, QString::fromUtf8(key), options);
            out += options.pretty ? " : " : ":";
            write(out, *member, options, depth + 1);
        }
        if (options.pretty) {
            out += '\n';
            indent(out, depth);
        }
        out += '}';
    }
}

}  // namespace

QByteArray encode(const Value& value, const Options& options)
{
    QByteArray out;
    out.reserve(4096);
    write(out, value, options, 0);
    return out;
}

}  // namespace ReportJson
