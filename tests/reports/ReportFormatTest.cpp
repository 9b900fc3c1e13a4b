// The formats, the suggested file name, the status words and the tallies every report shares.
#include "ReportFixtures.h"

#include "reports/ReportExporter.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {
using namespace ReportFixtures;

TEST(ReportFormat, CasesInMenuOrderWithTheirWordsAndExtensions)
{
    const Localization L = Localization::english();
    struct Case {
        ReportFormat format;
        const char* raw;
        const char* title;
        const char* extension;
        const char* mime;
    };
    const Case cases[] = {
        {ReportFormat::pdf, "pdf", "PDF Report", "pdf", "application/pdf"},
        {ReportFormat::json, "json", "JSON", "json", "application/json"},
        {ReportFormat::markdown, "markdown", "Markdown", "md", "text/markdown"},
        {ReportFormat::text, "text", "Plain Text", "txt", "text/plain"},
    };
    ASSERT_EQ(ReportFormats::allCases().size(), 4);
    for (int i = 0; i < 4; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(ReportFormats::allCases()[i], c.format);
        EXPECT_EQ(ReportFormats::rawValue(c.format), c.raw);
        EXPECT_EQ(ReportFormats::title(c.format, L), c.title);
        EXPECT_EQ(ReportFormats::fileExtension(c.format), c.extension);
        EXPECT_EQ(ReportFormats::contentType(c.format), c.mime);
        EXPECT_EQ(ReportFormats::fromRaw(QString::fromLatin1(c.raw)), c.format);
    }
}

TEST(ReportFormat, OnlyTheExactRawWordsMakeAFormat)
{
    for (const char* raw : {"PDF", "md", "txt", "Json", " pdf", "pdf ", "", "markdown\n"})
        EXPECT_FALSE(ReportFormats::fromRaw(QString::fromLatin1(raw)).has_value()) << '"' << raw << '"';
}

TEST(SuggestedFilename, NameFromTheModelIdentifierAndTheDay)
{
    struct Case {
        QString model;
        ReportFormat format;
        QString expected;
    };
    const QDateTime day(QDate(2026, 12, 9), QTime(12, 0), QTimeZone::utc());
    const Case cases[] = {
        {"Mac14,2", ReportFormat::pdf, "DeviceReport-Mac14,2-2026-12-09.pdf"},
        {"Mac14,2", ReportFormat::json, "DeviceReport-Mac14,2-2026-12-09.json"},
        {"Mac14,2", ReportFormat::markdown, "DeviceReport-Mac14,2-2026-12-09.md"},
        {"Mac14,2", ReportFormat::text, "DeviceReport-Mac14,2-2026-12-09.txt"},
        {kMissingValue, ReportFormat::pdf, "DeviceReport-Mac-2026-12-09.pdf"},
        {"", ReportFormat::pdf, "DeviceReport-Mac-2026-12-09.pdf"},
        {"   ", ReportFormat::pdf, "DeviceReport-___-2026-12-09.pdf"},
        {"A/B C", ReportFormat::pdf, "DeviceReport-A_B_C-2026-12-09.pdf"},
        {"x.y-z,1", ReportFormat::pdf, "DeviceReport-x.y-z,1-2026-12-09.pdf"},
        {"a\\b:c?d*e\"f<g>h|i", ReportFormat::text, "DeviceReport-a_b_c_d_e_f_g_h_i-2026-12-09.txt"},
        // Control and format characters (tab, line feed, DEL, zero-width space, BOM) go too.
        {QString::fromUtf8("t\tn\nd\x7F" "z\u200Bb\uFEFF"), ReportFormat::text, "DeviceReport-t_n_d_z_b_-2026-12-09.txt"},
        // Only the em dash alone means "missing"; inside a name it stays.
        {QString::fromUtf8("A\u2014B"), ReportFormat::pdf, QString::fromUtf8("DeviceReport-A\u2014B-2026-12-09.pdf")},
        // A character outside the basic plane is one character, kept whole.
        {QString::fromUtf8("Box\U0001F4E6"), ReportFormat::pdf, QString::fromUtf8("DeviceReport-Box\U0001F4E6-2026-12-09.pdf")},
    };
    for (const Case& c : cases) {
        DeviceSummary summary;
        summary.modelIdentifier = c.model;
        EXPECT_EQ(ReportExporter::suggestedFilename(c.format, summary, day), c.expected) << c.model.toStdString();
    }
}

TEST(SuggestedFilename, DayIsTheLocalGregorianDayInAsciiDigits)
{
    DeviceSummary summary;
    summary.modelIdentifier = QStringLiteral("Mac14,2");
    // 23:30 UTC on the 9th; the tests run in UTC, so the day stays the 9th …
    const QDateTime late(QDate(2026, 12, 9), QTime(23, 30), QTimeZone::utc());
    EXPECT_EQ(ReportExporter::suggestedFilename(ReportFormat::pdf, summary, late), "DeviceReport-Mac14,2-2026-12-09.pdf");
    // … and a date given in another zone is still named by the local day.
    const QDateTime tokyo(QDate(2026, 12, 10), QTime(8, 30), QTimeZone("Asia/Tokyo"));
    EXPECT_EQ(ReportExporter::suggestedFilename(ReportFormat::pdf, summary, tokyo), "DeviceReport-Mac14,2-2026-12-09.pdf");
}

TEST(StatusTitle, WordsForTheSummaryFigures)
{
    const Localization en = Localization::english();
    const Localization ja = Localization::forCode(QStringLiteral("ja"), QStringLiteral("ja_JP"));
    struct Case {
        CapabilityStatus status;
        const char* english;
        const char* japanese;
    };
    const Case cases[] = {
        {CapabilityStatus::supported, "Supported", "対応"},
        {CapabilityStatus::unsupported, "Not supported", "非対応"},
        {CapabilityStatus::warning, "Warnings", "警告"},
        {CapabilityStatus::info, "Info", "情報"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReportExporter::statusTitle(c.status, en), QString::fromUtf8(c.english));
        EXPECT_EQ(ReportExporter::statusTitle(c.status, ja), QString::fromUtf8(c.japanese));
    }
}

TEST(Counts, EveryItemCountsOnceByItsStatus)
{
    const Inspection i = english();
    const ReportExporter::Counts all(i.sections);
    EXPECT_EQ(all.supported, 3);
    EXPECT_EQ(all.warning, 2);
    EXPECT_EQ(all.unsupported, 2);
    EXPECT_EQ(all.info, 4);
    EXPECT_EQ(all.total(), 11);

    const ReportExporter::Counts one(i.sections[1].items);
    EXPECT_EQ(one.supported, 2);
    EXPECT_EQ(one.warning, 0);
    EXPECT_EQ(one.unsupported, 1);
    EXPECT_EQ(one.info, 0);

    EXPECT_EQ(ReportExporter::Counts(QList<CapabilitySection>{}), ReportExporter::Counts());
    EXPECT_EQ(ReportExporter::Counts(QList<CapabilityItem>{}).total(), 0);
}

TEST(FormattedDate, LongDateAndShortTimeInTheInterfaceLanguage)
{
    const QDateTime date = reportDate();
    EXPECT_EQ(ReportExporter::formattedDate(date, Localization::english()), QString::fromUtf8("December 9, 2026 at 3:04\u202FPM"));
    EXPECT_EQ(ReportExporter::formattedDate(date, Localization::forCode("ja", "ja_JP")), QString::fromUtf8("2026年12月9日 15:04"));
    EXPECT_EQ(ReportExporter::formattedDate(date, Localization::forCode("de", "de_DE")), QString::fromUtf8("9. Dezember 2026 um 15:04"));
}

TEST(ExportError, DescribesTheFailedPdf)
{
    EXPECT_EQ(ReportExporter::describe(ReportExporter::ExportError::pdfContext, Localization::english()),
              QString::fromUtf8("The PDF document couldn’t be created."));
}

}  // namespace
