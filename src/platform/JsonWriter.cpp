#include "platform/JsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

JsonWriter::JsonWriter(Options options) : options_(options) {}

void JsonWriter::newlineAndIndent(qsizetype depth)
{
    out_.append('\n');
    out_.append(QByteArray(depth * 2, ' '));
}

// Everything a value needs written before it: the separator from its predecessor and the line
// break of the pretty layout (an object member already has both, written with its key).
bool JsonWriter::beforeValue()
{
    if (failed_) return false;
    if (stack_.isEmpty()) {
        if (wroteTop_) {
            failed_ = true;
            return false;
        }
        wroteTop_ = true;
        return true;
    }
    Level& level = stack_.last();
    if (level.isObject) {
        if (!level.keyPending) {
            failed_ = true;
            return false;
        }
        level.keyPending = false;
        return true;
    }
    if (level.count > 0) out_.append(',');
    if (options_.layout == Layout::pretty) {
        if (level.count > 0) out_.append('\n');
        out_.append(QByteArray(stack_.size() * 2, ' '));
    }
    ++level.count;
    return true;
}

void JsonWriter::key(QStringView name)
{
    if (failed_) return;
    if (stack_.isEmpty() || !stack_.last().isObject || stack_.last().keyPending) {
        failed_ = true;
        return;
    }
    Level& level = stack_.last();
    if (level.count > 0) out_.append(',');
    if (options_.layout == Layout::pretty) {
        if (level.count > 0) out_.append('\n');
        out_.append(QByteArray(stack_.size() * 2, ' '));
    }
    ++level.count;
    appendQuoted(out_, name, options_.escapeSlashes);
    out_.append(options_.layout == Layout::pretty ? " : " : ":");
    level.keyPending = true;
}

void JsonWriter::open(char bracket, bool isObject)
{
    if (!beforeValue()) return;
    out_.append(bracket);
    if (options_.layout == Layout::pretty) out_.append('\n');
    stack_.append(Level{isObject, 0, false});
}

void JsonWriter::close(char bracket, bool isObject)
{
    if (failed_) return;
    if (stack_.isEmpty() || stack_.last().isObject != isObject || stack_.last().keyPending) {
        failed_ = true;
        return;
    }
    stack_.removeLast();
    if (options_.layout == Layout::pretty) newlineAndIndent(stack_.size());
    out_.append(bracket);
}

void JsonWriter::beginObject() { open('{', true); }
void JsonWriter::endObject() { close('}', true); }
void JsonWriter::beginArray() { open('[', false); }
void JsonWriter::endArray() { close(']', false); }

void JsonWriter::string(QStringView text)
{
    if (!beforeValue()) return;
    appendQuoted(out_, text, options_.escapeSlashes);
}

void JsonWriter::integer(qint64 n)
{
    if (!beforeValue()) return;
    out_.append(QByteArray::number(n));
}

void JsonWriter::number(double d)
{
    const QByteArray text = formatDouble(d);
    if (text.isEmpty()) {
        failed_ = true;
        return;
    }
    if (!beforeValue()) return;
    out_.append(text);
}

void JsonWriter::boolean(bool b)
{
    if (!beforeValue()) return;
    out_.append(b ? "true" : "false");
}

void JsonWriter::null()
{
    if (!beforeValue()) return;
    out_.append("null");
}

void JsonWriter::raw(const QByteArray& json)
{
    if (!beforeValue()) return;
    out_.append(json);
}

QByteArray JsonWriter::quoted(QStringView text, bool escapeSlashes)
{
    QByteArray out;
    appendQuoted(out, text, escapeSlashes);
    return out;
}

void JsonWriter::appendQuoted(QByteArray& out, QStringView text, bool escapeSlashes)
{
    static const char hex[] = "0123456789abcdef";
    // Written straight into the buffer: six bytes per UTF-16 unit is the most any one can take
    // (a control character's \u00xx); the buffer is cut to size at the end.
    const qsizetype start = out.size();
    const qsizetype needed = start + text.size() * 6 + 2;
    if (needed > out.capacity()) out.reserve(std::max(needed, out.capacity() * 2));
    out.resize(needed);
    char* o = out.data() + start;
    *o++ = '"';
    const char16_t* p = text.utf16();
    const char16_t* end = p + text.size();
    while (p != end) {
        char32_t c = *p++;
        if (c < 0x80) {
            if (c >= 0x20 && c != '"' && c != '\\' && (c != '/' || !escapeSlashes)) {
                *o++ = char(c);
                continue;
            }
            *o++ = '\\';
            switch (c) {
            case '"': *o++ = '"'; break;
            case '\\': *o++ = '\\'; break;
            case '/': *o++ = '/'; break;
            case '\b': *o++ = 'b'; break;
            case '\f': *o++ = 'f'; break;
            case '\n': *o++ = 'n'; break;
            case '\r': *o++ = 'r'; break;
            case '\t': *o++ = 't'; break;
            default:
                *o++ = 'u';
                *o++ = '0';
                *o++ = '0';
                *o++ = hex[c >> 4];
                *o++ = hex[c & 0xF];
            }
            continue;
        }
        if (QChar::isHighSurrogate(c) && p != end && QChar::isLowSurrogate(*p)) {
            c = QChar::surrogateToUcs4(char16_t(c), *p++);
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;  // a lone half of a pair has no UTF-8 form
        }
        if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            *o++ = char(0xF0 | (c >> 18));
            *o++ = char(0x80 | ((c >> 12) & 0x3F));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
        }
        *o++ = char(0x80 | (c & 0x3F));
    }
    *o++ = '"';
    out.truncate(o - out.constData());
}

QByteArray JsonWriter::formatDouble(double d)
{
    if (!std::isfinite(d)) return {};
    if (d == 0) return std::signbit(d) ? QByteArrayLiteral("-0") : QByteArrayLiteral("0");
    // Shortest digits that read back exactly, then laid out as Swift prints a Double: plain decimal
    // for exponents -4..15, otherwise d.ddde±XX; a whole number loses its ".0".
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
    const std::string sci(buf, res.ptr);
    const auto ePos = sci.find('e');
    std::string mantissa = sci.substr(0, ePos);
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    const bool negative = mantissa.front() == '-';
    if (negative) mantissa.erase(0, 1);
    std::string digits;
    for (char ch : mantissa)
        if (ch != '.') digits += ch;

    std::string text;
    if (exponent < -4 || exponent >= 16) {
        text = digits.substr(0, 1);
        if (digits.size() > 1) text += "." + digits.substr(1);
        char e[16];
        std::snprintf(e, sizeof e, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        text += e;
    } else if (exponent < 0) {
        text = "0." + std::string(size_t(-exponent - 1), '0') + digits;
    } else {
        const size_t whole = size_t(exponent) + 1;
        if (digits.size() <= whole) {
            text = digits + std::string(whole - digits.size(), '0');
        } else {
            text = digits.substr(0, whole) + "." + digits.substr(whole);
        }
    }
    if (negative) text.insert(text.begin(), '-');
    return QByteArray::fromStdString(text);
}
