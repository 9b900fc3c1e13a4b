#include "reports/ReportExporter.h"
#include "reports/ReportJson.h"

#include "BuildConfig.h"

#include <QTimeZone>

namespace ReportExporter {
namespace {
using ReportJson::Array;
using ReportJson::Object;
using ReportJson::Value;

// An absent key and an empty one both mean "no stable key": neither is written.
void addKey(Object& o, const std::optional<QString>& key)
{
    if (key && !key->isEmpty()) o.append({QStringLiteral("key"), *key});
}

QString isoSeconds(const QDateTime& date)
{
    return date.toTimeZone(QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QString schemaAddress()
{
    QString host = QString::fromUtf8(BuildConfig::makerHost);
    while (host.endsWith('/')) host.chop(1);
    return host + QStringLiteral("/schemas/report-v1.json");
}
}  // namespace

QByteArray json(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
                const Localization& L)
{
    const Counts counts(sections);

    Array sectionValues;
    sectionValues.reserve(sections.size());
    for (const CapabilitySection& s : sections) {
        Array items;
        items.reserve(s.items.size());
        for (const CapabilityItem& i : s.items) {
            Object item;
            addKey(item, i.key);
            item.append({QStringLiteral("label"), i.label});
            item.append({QStringLiteral("value"), i.value});
            item.append({QStringLiteral("status"), CapabilityStatusText::raw(i.status)});
            item.append({QStringLiteral("volatile"), i.isVolatile});
            items.append(std::move(item));
        }
        Object section;
        addKey(section, s.key);
        section.append({QStringLiteral("title"), s.title});
        section.append({QStringLiteral("symbol"), s.symbol});
        section.append({QStringLiteral("items"), std::move(items)});
        sectionValues.append(std::move(section));
    }

    const Object document = {
        {QStringLiteral("schema"), schemaAddress()},
        {QStringLiteral("generated_at"), isoSeconds(date)},
        {QStringLiteral("language"), L.code},
        {QStringLiteral("app"), Object{
            {QStringLiteral("name"), QStringLiteral("Quorlent")},
            {QStringLiteral("version"), QString::fromUtf8(BuildConfig::version)},
            {QStringLiteral("build"), QString::fromUtf8(BuildConfig::build)},
        }},
        {QStringLiteral("device"), Object{
            {QStringLiteral("name"), summary.deviceName},
            {QStringLiteral("model_identifier"), summary.modelIdentifier},
            {QStringLiteral("chip"), summary.chip},
            {QStringLiteral("memory"), summary.memory},
            {QStringLiteral("storage"), summary.storage},
            {QStringLiteral("os_version"), summary.osVersion},
            {QStringLiteral("is_apple_silicon"), summary.isAppleSilicon},
            {QStringLiteral("has_battery"), summary.hasBattery},
        }},
        {QStringLiteral("summary"), Object{
            {QStringLiteral("supported"), counts.supported},
            {QStringLiteral("warning"), counts.warning},
            {QStringLiteral("unsupported"), counts.unsupported},
            {QStringLiteral("info"), counts.info},
            {QStringLiteral("total"), counts.total()},
        }},
        {QStringLiteral("sections"), std::move(sectionValues)},
    };
    return ReportJson::encode(document, ReportJson::Options{.pretty = true, .sortKeys = true, .escapeSlashes = false});
}

}  // namespace ReportExporter
