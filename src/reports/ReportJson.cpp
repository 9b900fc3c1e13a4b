#include "reports/ReportJson.h"

#include "platform/JsonWriter.h"

#include <algorithm>

namespace ReportJson {
namespace {

void write(JsonWriter& out, const Value& value, const Options& options)
{
    if (std::holds_alternative<std::monostate>(value.data)) {
        out.null();
    } else if (const bool* b = std::get_if<bool>(&value.data)) {
        out.boolean(*b);
    } else if (const qint64* n = std::get_if<qint64>(&value.data)) {
        out.integer(*n);
    } else if (const QString* s = std::get_if<QString>(&value.data)) {
        out.string(*s);
    } else if (const auto* a = std::get_if<std::shared_ptr<Array>>(&value.data)) {
        out.beginArray();
        for (const Value& element : **a) write(out, element, options);
        out.endArray();
    } else if (const auto* o = std::get_if<std::shared_ptr<Object>>(&value.data)) {
        QList<std::pair<QByteArray, const Member*>> members;
        members.reserve((*o)->size());
        for (const Member& m : **o) members.append({m.first.toUtf8(), &m});
        if (options.sortKeys)
            std::stable_sort(members.begin(), members.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
        out.beginObject();
        for (const auto& [bytes, member] : members) {
            out.key(member->first);
            write(out, member->second, options);
        }
        out.endObject();
    }
}

}  // namespace

QByteArray encode(const Value& value, const Options& options)
{
    JsonWriter out({options.pretty ? JsonWriter::Layout::pretty : JsonWriter::Layout::compact, options.escapeSlashes});
    write(out, value, options);
    return out.take();
}

}  // namespace ReportJson
