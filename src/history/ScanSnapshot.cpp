#include "history/ScanSnapshot.h"

#include "platform/JsonWriter.h"

#include <QTimeZone>

#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {
// A half of a surrogate pair has no form in the file (it is written as U+FFFD): the snapshot holds
// what the file will hold, so the same inspection read back after a restart is the same again.
QString storable(const QString& text)
{
    const char16_t* p = QStringView(text).utf16();
    const qsizetype n = text.size();
    bool clean = true;
    for (qsizetype i = 0; i < n && clean; ++i) {
        if (!QChar::isSurrogate(p[i])) continue;
        if (QChar::isHighSurrogate(p[i]) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) ++i;
        else clean = false;
    }
    if (clean) return text;
    QString out = text;
    for (qsizetype i = 0; i < n; ++i) {
        if (!QChar::isSurrogate(out[i].unicode())) continue;
        if (out[i].isHighSurrogate() && i + 1 < n && out[i + 1].isLowSurrogate()) ++i;
        else out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

std::optional<QString> storable(const std::optional<QString>& text) { return text ? std::optional<QString>(storable(*text)) : std::nullopt; }
}  // namespace

ScanSnapshot ScanSnapshot::make(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
                                const std::optional<QString>& language)
{
    ScanSnapshot s;
    s.id = QUuid::createUuid();
    s.date = date;
    s.deviceName = storable(summary.deviceName);
    s.modelIdentifier = storable(summary.modelIdentifier);
    s.chip = storable(summary.chip);
    s.osVersion = storable(summary.osVersion);
    s.language = storable(language);
    s.sections.reserve(sections.size());
    for (const CapabilitySection& section : sections) {
        Section copy{storable(section.title), storable(section.symbol), {}, storable(section.key)};
        copy.items.reserve(section.items.size());
        for (const CapabilityItem& item : section.items)
            copy.items.append(Item{storable(item.label), storable(item.value), item.status, storable(item.key), item.isVolatile});
        s.sections.append(std::move(copy));
    }
    return s;
}

namespace SnapshotCodec {

QString formatDate(const QDateTime& date)
{
    if (!date.isValid()) return {};
    const QDateTime utc = date.toUTC();
    const int year = utc.date().year();
    if (year < 1 || year > 9999) return {};
    // The time's milliseconds are simply not printed: fractions are dropped, never rounded up.
    return utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

namespace {
int digitsAt(QStringView text, qsizetype pos, qsizetype count)
{
    int n = 0;
    for (qsizetype i = pos; i < pos + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

bool isHex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
}  // namespace

std::optional<QDateTime> parseDate(QStringView text)
{
    // QDateTime's own ISO reader also takes fractions, a space for "T" and no zone at all (then local
    // time); the history file has one form only.
    if (text.size() != 20 && text.size() != 25) return std::nullopt;
    const auto at = [&](qsizetype i, char16_t c) { return text[i] == QChar(c); };
    if (!at(4, u'-') || !at(7, u'-') || !at(10, u'T') || !at(13, u':') || !at(16, u':')) return std::nullopt;
    const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    const int hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2), second = digitsAt(text, 17, 2);
    if (year < 1 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) return std::nullopt;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    int offsetSeconds = 0;
    if (text.size() == 20) {
        if (!at(19, u'Z')) return std::nullopt;
    } else {
        const bool plus = at(19, u'+');
        if ((!plus && !at(19, u'-')) || !at(22, u':')) return std::nullopt;
        const int oh = digitsAt(text, 20, 2), om = digitsAt(text, 23, 2);
        if (oh < 0 || om < 0 || oh > 23 || om > 59) return std::nullopt;
        offsetSeconds = (oh * 3600 + om * 60) * (plus ? 1 : -1);
    }
    const QDateTime utc = QDateTime(date, time, Qt::UTC).addSecs(-offsetSeconds);
    // A zone offset can carry the moment out of the years the file can hold; such a snapshot could
    // never be written back, and with it no later save of the whole history.
    if (utc.date().year() < 1 || utc.date().year() > 9999) return std::nullopt;
    return utc;
}

QString formatIdentifier(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toUpper(); }

std::optional<QUuid> parseIdentifier(QStringView text)
{
    // QUuid::fromString takes braces too and answers the nil identifier for garbage.
    if (text.size() != 36) return std::nullopt;
    for (qsizetype i = 0; i < 36; ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != u'-' : !isHex(text[i].unicode())) return std::nullopt;
    }
    return QUuid::fromString(text);
}

namespace {
// A JSON reader may take a U+FEFF at the start of a string for a byte order mark and drop it; as an
// escape it reads back as itself everywhere.
void text(JsonWriter& w, QStringView name, const QString& value)
{
    constexpr QChar kByteOrderMark(0xFEFF);
    if (!value.contains(kByteOrderMark)) {
        w.member(name, value);
        return;
    }
    w.key(name);
    w.raw(JsonWriter::quoted(value).replace("\xEF\xBB\xBF", "\\ufeff"));
}

void writeItem(JsonWriter& w, const ScanSnapshot::Item& item)
{
    w.beginObject();
    text(w, u"label", item.label);
    text(w, u"value", item.value);
    text(w, u"status", CapabilityStatusText::raw(item.status));
    if (item.key) text(w, u"key", *item.key);
    w.memberBool(u"isVolatile", item.isVolatile);
    w.endObject();
}

void writeSection(JsonWriter& w, const ScanSnapshot::Section& section)
{
    w.beginObject();
    text(w, u"title", section.title);
    text(w, u"symbol", section.symbol);
    w.key(u"items");
    w.beginArray();
    for (const ScanSnapshot::Item& item : section.items) writeItem(w, item);
    w.endArray();
    if (section.key) text(w, u"key", *section.key);
    w.endObject();
}
}  // namespace

std::optional<QByteArray> encode(const ScanSnapshot& s)
{
    const QString date = formatDate(s.date);
    if (date.isEmpty()) return std::nullopt;
    JsonWriter w;
    w.beginObject();
    text(w, u"id", formatIdentifier(s.id));
    text(w, u"date", date);
    text(w, u"deviceName", s.deviceName);
    text(w, u"modelIdentifier", s.modelIdentifier);
    text(w, u"chip", s.chip);
    text(w, u"osVersion", s.osVersion);
    w.key(u"sections");
    w.beginArray();
    for (const ScanSnapshot::Section& section : s.sections) writeSection(w, section);
    w.endArray();
    if (s.language) text(w, u"language", *s.language);
    w.endObject();
    if (!w.complete()) return std::nullopt;
    return w.take();
}

QByteArray joinArray(const QList<QByteArray>& encodedSnapshots)
{
    qsizetype size = 2 + std::max<qsizetype>(0, encodedSnapshots.size() - 1);
    for (const QByteArray& e : encodedSnapshots) size += e.size();
    QByteArray out;
    out.reserve(size);
    out.append('[');
    for (qsizetype i = 0; i < encodedSnapshots.size(); ++i) {
        if (i > 0) out.append(',');
        out.append(encodedSnapshots[i]);
    }
    out.append(']');
    return out;
}

std::optional<QByteArray> encode(const QList<ScanSnapshot>& snapshots)
{
    QList<QByteArray> parts;
    parts.reserve(snapshots.size());
    for (const ScanSnapshot& s : snapshots) {
        std::optional<QByteArray> e = encode(s);
        if (!e) return std::nullopt;
        parts.append(std::move(*e));
    }
    return joinArray(parts);
}

namespace {
// One pass over the bytes, straight into the records: RFC 8259 syntax and nothing looser (no raw
// control characters or unknown escapes in strings, no half surrogate pairs, no "1." or ".5", valid
// UTF-8 only), and every member checked as it is met. Text is kept exactly as written: nothing is
// stripped from a string, not even a leading U+FEFF.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : p_(bytes.constData()), end_(bytes.constData() + bytes.size()) {}

    bool document(QList<ScanSnapshot>& out)
    {
        if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;  // a UTF-8 byte order mark before the text
        space();
        if (!eat('[')) return false;
        space();
        if (!eat(']')) {
            for (;;) {
                ScanSnapshot s;
                if (!snapshot(s)) return false;
                out.append(std::move(s));
                space();
                if (eat(']')) break;
                if (!eat(',')) return false;
                space();
            }
        }
        space();
        return p_ == end_;
    }

private:
    static constexpr int kMaximumDepth = 512;

    bool at(char c) const { return p_ != end_ && *p_ == c; }
    bool eat(char c)
    {
        if (!at(c)) return false;
        ++p_;
        return true;
    }
    void space()
    {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
    }

    int hex4()
    {
        if (end_ - p_ < 4) return -1;
        int n = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *p_++;
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return -1;
            n = n * 16 + d;
        }
        return n;
    }

    static void appendUtf8(std::string& out, char32_t c)
    {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }

    // Steps over one well-formed UTF-8 sequence that starts with a byte of 0x80 or more.
    bool multiByte()
    {
        const auto byte = [this](qsizetype i) { return static_cast<unsigned char>(p_[i]); };
        const unsigned char b0 = byte(0);
        const qsizetype left = end_ - p_;
        const auto cont = [&](qsizetype i) { return i < left && (byte(i) & 0xC0) == 0x80; };
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            if (!cont(1)) return false;
            p_ += 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            if (!cont(1) || !cont(2)) return false;
            const unsigned char b1 = byte(1);
            if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0)) return false;  // overlong, or a surrogate
            p_ += 3;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            if (!cont(1) || !cont(2) || !cont(3)) return false;
            const unsigned char b1 = byte(1);
            if ((b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 >= 0x90)) return false;  // overlong, or beyond U+10FFFF
            p_ += 4;
        } else {
            return false;
        }
        return true;
    }

    // A string's contents as UTF-8 in `view`. Most strings hold no escape: those are checked in place
    // and viewed where they stand; the others are spelled out into `buffer`.
    bool rawString(std::string_view& view, std::string& buffer)
    {
        if (!eat('"')) return false;
        const char* start = p_;
        bool escaped = false;
        buffer.clear();
        for (;;) {
            if (p_ == end_) return false;
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') break;
            if (c < 0x20) return false;
            if (c >= 0x80) {
                const char* from = p_;
                if (!multiByte()) return false;
                if (escaped) buffer.append(from, size_t(p_ - from));
                continue;
            }
            if (c != '\\') {
                if (escaped) buffer += char(c);
                ++p_;
                continue;
            }
            if (!escaped) {
                buffer.assign(start, size_t(p_ - start));
                escaped = true;
            }
            ++p_;
            if (p_ == end_) return false;
            const char e = *p_++;
            switch (e) {
            case '"': buffer += '"'; break;
            case '\\': buffer += '\\'; break;
            case '/': buffer += '/'; break;
            case 'b': buffer += '\b'; break;
            case 'f': buffer += '\f'; break;
            case 'n': buffer += '\n'; break;
            case 'r': buffer += '\r'; break;
            case 't': buffer += '\t'; break;
            case 'u': {
                const int unit = hex4();
                if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return false;
                char32_t code = char32_t(unit);
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    if (!eat('\\') || !eat('u')) return false;
                    const int low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF) return false;
                    code = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
                }
                appendUtf8(buffer, code);
                break;
            }
            default: return false;
            }
        }
        view = escaped ? std::string_view(buffer) : std::string_view(start, size_t(p_ - start));
        ++p_;  // the closing quote
        return true;
    }

    bool string(QString& out)
    {
        std::string_view v;
        if (!rawString(v, scratch_)) return false;
        // QString::fromUtf8 drops a U+FEFF at the start, taking it for a byte order mark.
        qsizetype marks = 0;
        while (v.size() >= 3 && v.substr(0, 3) == "\xEF\xBB\xBF") {
            v.remove_prefix(3);
            ++marks;
        }
        if (marks > 0) {
            out = QString(marks, QChar(0xFEFF)) + QString::fromUtf8(v.data(), qsizetype(v.size()));
            return true;
        }
        // Labels, titles, keys and most values repeat from one snapshot to the next: each distinct
        // text is made once and shared, which saves both the time and the memory of 200 copies.
        const auto known = texts_.find(v);
        if (known != texts_.end()) {
            out = known->second;
            return true;
        }
        out = QString::fromUtf8(v.data(), qsizetype(v.size()));
        // The key must outlive the buffer an escaped text was spelled out in.
        const std::string_view key = v.data() == scratch_.data() ? std::string_view(kept_.emplace_back(v)) : v;
        texts_.emplace(key, out);
        return true;
    }

    bool optionalString(std::optional<QString>& out)
    {
        if (literal("null")) {
            out.reset();
            return true;
        }
        QString s;
        if (!string(s)) return false;
        out = std::move(s);
        return true;
    }

    bool literal(std::string_view word)
    {
        if (size_t(end_ - p_) < word.size() || std::memcmp(p_, word.data(), word.size()) != 0) return false;
        p_ += word.size();
        return true;
    }

    bool boolean(bool& out)
    {
        if (literal("true")) out = true;
        else if (literal("false")) out = false;
        else return false;
        return true;
    }

    bool digits()
    {
        const char* start = p_;
        while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        return p_ != start;
    }
    bool number()
    {
        eat('-');
        if (!eat('0') && !digits()) return false;
        if (eat('.') && !digits()) return false;
        if (eat('e') || eat('E')) {
            if (!eat('+')) eat('-');
            if (!digits()) return false;
        }
        return true;
    }

    // Any value, checked and dropped: a member this reader does not know.
    bool skip(int depth)
    {
        if (p_ == end_ || depth >= kMaximumDepth) return false;
        switch (*p_) {
        case '{':
        case '[': {
            const bool isObject = *p_ == '{';
            const char close = isObject ? '}' : ']';
            ++p_;
            space();
            if (eat(close)) return true;
            for (;;) {
                if (isObject) {
                    std::string_view name;
                    if (!rawString(name, keyScratch_)) return false;
                    space();
                    if (!eat(':')) return false;
                    space();
                }
                if (!skip(depth + 1)) return false;
                space();
                if (eat(close)) return true;
                if (!eat(',')) return false;
                space();
            }
        }
        case '"': {
            std::string_view v;
            return rawString(v, scratch_);
        }
        case 't': return literal("true");
        case 'f': return literal("false");
        case 'n': return literal("null");
        default: return (*p_ == '-' || (*p_ >= '0' && *p_ <= '9')) && number();
        }
    }

    // Walks an object's members, handing each name to `member`, which reads the value (or skips it).
    template <typename Member>
    bool object(int depth, Member&& member)
    {
        if (depth >= kMaximumDepth || !eat('{')) return false;
        space();
        if (eat('}')) return true;
        for (;;) {
            std::string_view name;
            if (!rawString(name, keyScratch_)) return false;
            space();
            if (!eat(':')) return false;
            space();
            if (!member(name, depth + 1)) return false;
            space();
            if (eat('}')) return true;
            if (!eat(',')) return false;
            space();
        }
    }

    template <typename Element>
    bool array(int depth, Element&& element)
    {
        if (depth >= kMaximumDepth || !eat('[')) return false;
        space();
        if (eat(']')) return true;
        for (;;) {
            if (!element(depth + 1)) return false;
            space();
            if (eat(']')) return true;
            if (!eat(',')) return false;
            space();
        }
    }

    bool item(ScanSnapshot::Item& item, int depth)
    {
        enum : unsigned { kLabel = 1, kValue = 2, kStatus = 4, kVolatile = 8, kAll = 15 };
        unsigned seen = 0;
        const bool ok = object(depth, [&](std::string_view name, int d) {
            if (name == "label") return seen |= kLabel, string(item.label);
            if (name == "value") return seen |= kValue, string(item.value);
            if (name == "key") return optionalString(item.key);
            if (name == "isVolatile") return seen |= kVolatile, boolean(item.isVolatile);
            if (name == "status") {
                seen |= kStatus;
                std::string_view word;
                if (!rawString(word, scratch_)) return false;
                if (word == "supported") item.status = CapabilityStatus::supported;
                else if (word == "unsupported") item.status = CapabilityStatus::unsupported;
                else if (word == "warning") item.status = CapabilityStatus::warning;
                else if (word == "info") item.status = CapabilityStatus::info;
                else return false;
                return true;
            }
            return skip(d);
        });
        return ok && seen == kAll;
    }

    bool section(ScanSnapshot::Section& section, int depth)
    {
        enum : unsigned { kTitle = 1, kSymbol = 2, kItems = 4, kAll = 7 };
        unsigned seen = 0;
        const bool ok = object(depth, [&](std::string_view name, int d) {
            if (name == "title") return seen |= kTitle, string(section.title);
            if (name == "symbol") return seen |= kSymbol, string(section.symbol);
            if (name == "key") return optionalString(section.key);
            if (name == "items") {
                seen |= kItems;
                section.items.clear();
                return array(d, [&](int e) {
                    section.items.emplaceBack();
                    return item(section.items.last(), e);
                });
            }
            return skip(d);
        });
        return ok && seen == kAll;
    }

    bool snapshot(ScanSnapshot& s)
    {
        enum : unsigned { kId = 1, kDate = 2, kDevice = 4, kModel = 8, kChip = 16, kOs = 32, kSections = 64, kAll = 127 };
        unsigned seen = 0;
        const bool ok = object(1, [&](std::string_view name, int d) {
            if (name == "id" || name == "date") {
                const bool isId = name == "id";
                std::string_view form;
                if (!rawString(form, scratch_)) return false;
                // Both forms are plain ASCII: anything else fails their checks either way.
                const QString value = QString::fromLatin1(form.data(), qsizetype(form.size()));
                if (isId) {
                    const std::optional<QUuid> id = parseIdentifier(value);
                    if (!id) return false;
                    s.id = *id;
                    seen |= kId;
                } else {
                    const std::optional<QDateTime> date = parseDate(value);
                    if (!date) return false;
                    s.date = *date;
                    seen |= kDate;
                }
                return true;
            }
            if (name == "deviceName") return seen |= kDevice, string(s.deviceName);
            if (name == "modelIdentifier") return seen |= kModel, string(s.modelIdentifier);
            if (name == "chip") return seen |= kChip, string(s.chip);
            if (name == "osVersion") return seen |= kOs, string(s.osVersion);
            if (name == "language") return optionalString(s.language);
            if (name == "sections") {
                seen |= kSections;
                s.sections.clear();
                return array(d, [&](int e) {
                    s.sections.emplaceBack();
                    return section(s.sections.last(), e);
                });
            }
            return skip(d);
        });
        return ok && seen == kAll;
    }

    const char* p_;
    const char* end_;
    std::unordered_map<std::string_view, QString> texts_;  // keys view the input or kept_
    std::deque<std::string> kept_;
    std::string scratch_;     // escaped values
    std::string keyScratch_;  // escaped member names, kept apart so a name outlives its value's reading
};
}  // namespace

std::optional<QList<ScanSnapshot>> decode(const QByteArray& json)
{
    QList<ScanSnapshot> out;
    if (!Reader(json).document(out)) return std::nullopt;
    return out;
}

}  // namespace SnapshotCodec
