#include "reports/ReportExporter.h"

#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"

namespace ReportFormats {
const QList<ReportFormat>& allCases()
{
    static const QList<ReportFormat> all = {ReportFormat::pdf, ReportFormat::json, ReportFormat::markdown, ReportFormat::text};
    return all;
}

QString rawValue(ReportFormat f)
{
    switch (f) {
    case ReportFormat::pdf: return QStringLiteral("pdf");
    case ReportFormat::json: return QStringLiteral("json");
    case ReportFormat::markdown: return QStringLiteral("markdown");
    case ReportFormat::text: return QStringLiteral("text");
    }
    return {};
}

std::optional<ReportFormat> fromRaw(const QString& raw)
{
    for (ReportFormat f : allCases())
        if (rawValue(f) == raw) return f;
    return std::nullopt;
}

QString title(ReportFormat f, const Localization& L)
{
    switch (f) {
    case ReportFormat::pdf: return L.tr("PDF Report");
    case ReportFormat::json: return L.tr("JSON");
    case ReportFormat::markdown: return L.tr("Markdown");
    case ReportFormat::text: return L.tr("Plain Text");
    }
    return {};
}

QString fileExtension(ReportFormat f)
{
    switch (f) {
    case ReportFormat::pdf: return QStringLiteral("pdf");
    case ReportFormat::json: return QStringLiteral("json");
    case ReportFormat::markdown: return QStringLiteral("md");
    case ReportFormat::text: return QStringLiteral("txt");
    }
    return {};
}

QString contentType(ReportFormat f)
{
    switch (f) {
    case ReportFormat::pdf: return QStringLiteral("application/pdf");
    case ReportFormat::json: return QStringLiteral("application/json");
    case ReportFormat::markdown: return QStringLiteral("text/markdown");
    case ReportFormat::text: return QStringLiteral("text/plain");
    }
    return {};
}
}  // namespace ReportFormats

namespace ReportExporter {

QString describe(ExportError e, const Localization& L)
{
    switch (e) {
    case ExportError::pdfContext: return L.tr("The PDF document couldn’t be created.");
    }
    return {};
}

Counts::Counts(const QList<CapabilitySection>& sections)
{
    for (const CapabilitySection& s : sections)
        for (const CapabilityItem& i : s.items) add(i);
}

Counts::Counts(const QList<CapabilityItem>& items)
{
    for (const CapabilityItem& i : items) add(i);
}

void Counts::add(const CapabilityItem& item)
{
    switch (item.status) {
    case CapabilityStatus::supported: ++supported; break;
    case CapabilityStatus::warning: ++warning; break;
    case CapabilityStatus::unsupported: ++unsupported; break;
    case CapabilityStatus::info: ++info; break;
    }
}

QString suggestedFilename(ReportFormat format, const DeviceSummary& summary, const QDateTime& date)
{
    static const QString reserved = QStringLiteral("/\\:?*\"<>| ");
    QString name;
    const QString& id = summary.modelIdentifier;
    for (qsizetype i = 0; i < id.size(); ++i) {
        // Whole code points, so a surrogate pair stays one character.
        const char32_t cp = QChar::isHighSurrogate(id[i].unicode()) && i + 1 < id.size()
                                ? QChar::surrogateToUcs4(id[i], id[i + 1]) : char32_t(id[i].unicode());
        const int width = cp > 0xFFFF ? 2 : 1;
        const QChar::Category cat = QChar::category(cp);
        if ((cp < 0x80 && reserved.contains(QChar(char16_t(cp)))) || cat == QChar::Other_Control || cat == QChar::Other_Format)
            name += '_';
        else
            name += id.mid(i, width);
        i += width - 1;
    }
    if (name.isEmpty() || name == kMissingValue) name = QStringLiteral("Mac");
    const QString day = LocaleFormat::pattern(date.toLocalTime(), QStringLiteral("yyyy-MM-dd"), "en_US_POSIX@calendar=gregorian");
    return QStringLiteral("DeviceReport-") + name + '-' + day + '.' + ReportFormats::fileExtension(format);
}

QString formattedDate(const QDateTime& date, const Localization& L)
{
    return LocaleFormat::dateTime(date, L, LocaleFormat::DateStyle::Long, LocaleFormat::DateStyle::Short);
}

QString statusTitle(CapabilityStatus status, const Localization& L)
{
    switch (status) {
    case CapabilityStatus::supported: return L.tr("Supported");
    case CapabilityStatus::unsupported: return L.tr("Not supported");
    case CapabilityStatus::warning: return L.tr("Warnings");
    case CapabilityStatus::info: return L.tr("Info");
    }
    return {};
}

namespace {
QString textMark(CapabilityStatus s)
{
    switch (s) {
    case CapabilityStatus::supported: return QStringLiteral("\u2713");
    case CapabilityStatus::unsupported: return QStringLiteral("\u2717");
    case CapabilityStatus::warning: return QStringLiteral("!");
    case CapabilityStatus::info: return QStringLiteral("\u2022");
    }
    return {};
}
}  // namespace

QString text(const QList<CapabilitySection>& sections, const std::optional<QDateTime>& date, const Localization& L)
{
    const Counts counts(sections);
    QStringList lines;
    lines << L.tr("Device Capabilities Report");
    if (date) {
        const QString when = LocaleFormat::dateTime(*date, L, LocaleFormat::DateStyle::Medium, LocaleFormat::DateStyle::Short);
        lines << formatString(L.tr("Date: %@"), {when});
    }
    lines << formatString(L.tr("Supported: %lld · Not supported: %lld · Warnings: %lld"),
                          {counts.supported, counts.unsupported, counts.warning});
    for (const CapabilitySection& s : sections) {
        lines << QString();
        lines << QStringLiteral("== ") + s.title + QStringLiteral(" ==");
        for (const CapabilityItem& i : s.items) lines << textMark(i.status) + ' ' + i.label + QStringLiteral(": ") + i.value;
    }
    return lines.join('\n');
}

}  // namespace ReportExporter
