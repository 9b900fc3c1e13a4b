#include "history/ScanSnapshot.h"

#include "platform/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTimeZone>

#include <cstring>

ScanSnapshot ScanSnapshot::make(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
                                const std::optional<QString>& language)
{
    ScanSnapshot s;
    s.id = QUuid::createUuid();
    s.date = date;
    s.deviceName = summary.deviceName;
    s.modelIdentifier = summary.modelIdentifier;
    s.chip = summary.chip;
    s.osVersion = summary.osVersion;
    s.language = language;
    s.sections.reserve(sections.size());
    for (const CapabilitySection& section : sections) {
        Section copy{section.title, section.symbol, {}, section.key};
        copy.items.reserve(section.items.size());
        for (const CapabilityItem& item : section.items)
            copy.items.append(Item{item.label, item.value, item.status, item.key, item.isVolatile});
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
void writeItem(JsonWriter& w, const ScanSnapshot::Item& item)
{
    w.beginObject();
    w.member(u"label", item.label);
    w.member(u"value", item.value);
    w.member(u"status", CapabilityStatusText::raw(item.status));
    if (item.key) w.member(u"key", *item.key);
    w.memberBool(u"isVolatile", item.isVolatile);
    w.endObject();
}

void writeSection(JsonWriter& w, const ScanSnapshot::Section& section)
{
    w.beginObject();
    w.member(u"title", section.title);
    w.member(u"symbol", section.symbol);
    w.key(u"items");
    w.beginArray();
    for (const ScanSnapshot::Item& item : section.items) writeItem(w, item);
    w.endArray();
    if (section.key) w.member(u"key", *section.key);
    w.endObject();
}
}  // namespace

std::optional<QByteArray> encode(const ScanSnapshot& s)
{
    const QString date = formatDate(s.date);
    if (date.isEmpty()) return std::nullopt;
    JsonWriter w;
    w.beginObject();
    w.member(u"id", formatIdentifier(s.id));
    w.member(u"date", date);
    w.member(u"deviceName", s.deviceName);
    w.member(u"modelIdentifier", s.modelIdentifier);
    w.member(u"chip", s.chip);
    w.member(u"osVersion", s.osVersion);
    w.key(u"sections");
    w.beginArray();
    for (const ScanSnapshot::Section& section : s.sections) writeSection(w, section);
    w.endArray();
    if (s.language) w.member(u"language", *s.language);
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
// RFC 8259 syntax and nothing looser. QJsonDocument alone also takes raw control characters and
// unknown escapes inside strings ("\\x" reads as "x"), half surrogate pairs, and numbers such as
// "1." or ".5"; a file like that was not written by a JSON encoder and is not read as one.
class StrictSyntax {
public:
    explicit StrictSyntax(const QByteArray& bytes) : p_(bytes.constData()), end_(bytes.constData() + bytes.size()) {}

    bool valid()
    {
        if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;  // a UTF-8 byte order mark
        space();
        if (!value(0)) return false;
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
    bool digits()
    {
        const char* start = p_;
        while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        return p_ != start;
    }
    bool literal(const char* word)
    {
        const size_t n = std::strlen(word);
        if (size_t(end_ - p_) < n || std::memcmp(p_, word, n) != 0) return false;
        p_ += n;
        return true;
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
    bool string()
    {
        if (!eat('"')) return false;
        while (p_ != end_) {
            const unsigned char c = static_cast<unsigned char>(*p_++);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') continue;
            if (p_ == end_) return false;
            const char e = *p_++;
            if (std::strchr("\"\\/bfnrt", e) && e != '\0') continue;
            if (e != 'u') return false;
            const int unit = hex4();
            if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return false;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                if (!eat('\\') || !eat('u')) return false;
                const int low = hex4();
                if (low < 0xDC00 || low > 0xDFFF) return false;
            }
        }
        return false;
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
    bool value(int depth)
    {
        if (p_ == end_) return false;
        switch (*p_) {
        case '{': return container(depth, '}', true);
        case '[': return container(depth, ']', false);
        case '"': return string();
        case 't': return literal("true");
        case 'f': return literal("false");
        case 'n': return literal("null");
        default: return (*p_ == '-' || (*p_ >= '0' && *p_ <= '9')) && number();
        }
    }
    bool container(int depth, char close, bool isObject)
    {
        if (depth >= kMaximumDepth) return false;
        ++p_;
        space();
        if (eat(close)) return true;
        for (;;) {
            if (isObject) {
                if (!string()) return false;
                space();
                if (!eat(':')) return false;
                space();
            }
            if (!value(depth + 1)) return false;
            space();
            if (eat(close)) return true;
            if (!eat(',')) return false;
            space();
        }
    }

    const char* p_;
    const char* end_;
};

// Each reader answers false as soon as anything is not exactly as required.
bool readString(const QJsonObject& o, QLatin1String name, QString& out)
{
    const QJsonValue v = o.value(name);
    if (!v.isString()) return false;
    out = v.toString();
    return true;
}

bool readOptionalString(const QJsonObject& o, QLatin1String name, std::optional<QString>& out)
{
    const QJsonValue v = o.value(name);
    if (v.isUndefined() || v.isNull()) {
        out.reset();
        return true;
    }
    if (!v.isString()) return false;
    out = v.toString();
    return true;
}

bool readItem(const QJsonValue& value, ScanSnapshot::Item& item)
{
    if (!value.isObject()) return false;
    const QJsonObject o = value.toObject();
    QString status;
    if (!readString(o, QLatin1String("label"), item.label) || !readString(o, QLatin1String("value"), item.value)
        || !readString(o, QLatin1String("status"), status) || !readOptionalString(o, QLatin1String("key"), item.key))
        return false;
    const std::optional<CapabilityStatus> s = CapabilityStatusText::fromRaw(status);
    if (!s) return false;
    item.status = *s;
    const QJsonValue v = o.value(QLatin1String("isVolatile"));
    if (!v.isBool()) return false;
    item.isVolatile = v.toBool();
    return true;
}

bool readSection(const QJsonValue& value, ScanSnapshot::Section& section)
{
    if (!value.isObject()) return false;
    const QJsonObject o = value.toObject();
    if (!readString(o, QLatin1String("title"), section.title) || !readString(o, QLatin1String("symbol"), section.symbol)
        || !readOptionalString(o, QLatin1String("key"), section.key))
        return false;
    const QJsonValue items = o.value(QLatin1String("items"));
    if (!items.isArray()) return false;
    const QJsonArray array = items.toArray();
    section.items.reserve(array.size());
    for (const QJsonValue& i : array) {
        ScanSnapshot::Item item;
        if (!readItem(i, item)) return false;
        section.items.append(std::move(item));
    }
    return true;
}

bool readSnapshot(const QJsonValue& value, ScanSnapshot& s)
{
    if (!value.isObject()) return false;
    const QJsonObject o = value.toObject();
    QString id, date;
    if (!readString(o, QLatin1String("id"), id) || !readString(o, QLatin1String("date"), date)
        || !readString(o, QLatin1String("deviceName"), s.deviceName)
        || !readString(o, QLatin1String("modelIdentifier"), s.modelIdentifier)
        || !readString(o, QLatin1String("chip"), s.chip) || !readString(o, QLatin1String("osVersion"), s.osVersion)
        || !readOptionalString(o, QLatin1String("language"), s.language))
        return false;
    const std::optional<QUuid> uuid = parseIdentifier(id);
    const std::optional<QDateTime> when = parseDate(date);
    if (!uuid || !when) return false;
    s.id = *uuid;
    s.date = *when;
    const QJsonValue sections = o.value(QLatin1String("sections"));
    if (!sections.isArray()) return false;
    const QJsonArray array = sections.toArray();
    s.sections.reserve(array.size());
    for (const QJsonValue& v : array) {
        ScanSnapshot::Section section;
        if (!readSection(v, section)) return false;
        s.sections.append(std::move(section));
    }
    return true;
}
}  // namespace

std::optional<QList<ScanSnapshot>> decode(const QByteArray& json)
{
    if (!StrictSyntax(json).valid()) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) return std::nullopt;
    const QJsonArray array = doc.array();
    QList<ScanSnapshot> out;
    out.reserve(array.size());
    for (const QJsonValue& v : array) {
        ScanSnapshot s;
        if (!readSnapshot(v, s)) return std::nullopt;
        out.append(std::move(s));
    }
    return out;
}

}  // namespace SnapshotCodec
