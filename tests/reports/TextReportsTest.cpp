// The plain-text summary, the Markdown report and the JSON report, against golden files
// and the rules a golden alone would not explain.
#include "ReportFixtures.h"

#include "BuildConfig.h"
#include "reports/ReportExporter.h"
#include "reports/ReportJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {
using namespace ReportFixtures;

Localization english() { return Localization::english(); }
Localization japaneseLanguage() { return Localization::forCode(QStringLiteral("ja"), QStringLiteral("ja_JP")); }

struct GoldenCase {
    const char* name;
    Inspection (*inspection)();
    Localization (*language)();
};
const GoldenCase goldenCases[] = {
    {"english", &ReportFixtures::english, &english},
    {"japanese", &ReportFixtures::japanese, &japaneseLanguage},
    {"empty", &ReportFixtures::empty, &english},
};

class ReportGoldens : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(ReportGoldens, TextMarkdownAndJsonMatchTheirGoldens)
{
    const GoldenCase& c = GetParam();
    const Inspection i = c.inspection();
    const Localization L = c.language();
    const QString base = QString::fromLatin1(c.name);

    const QByteArray text = ReportExporter::text(i.sections, reportDate(), L).toUtf8();
    EXPECT_EQ(text, golden(base + ".txt", text));
    const QByteArray undated = ReportExporter::text(i.sections, std::nullopt, L).toUtf8();
    EXPECT_EQ(undated, golden(base + "-undated.txt", undated));
    const QByteArray markdown = ReportExporter::markdown(i.summary, i.sections, reportDate(), L).toUtf8();
    EXPECT_EQ(markdown, golden(base + ".md", markdown));
    // The build's own version goes into the file; the golden holds a placeholder for it.
    QByteArray json = ReportExporter::json(i.summary, i.sections, reportDate(), L);
    json.replace("\"version\" : \"" + QByteArray(BuildConfig::version) + "\"", "\"version\" : \"@VERSION@\"");
    json.replace("\"build\" : \"" + QByteArray(BuildConfig::build) + "\"", "\"build\" : \"@BUILD@\"");
    json.replace(QByteArray(BuildConfig::makerHost), "@HOST@");
    EXPECT_EQ(json, golden(base + ".json", json));
}

INSTANTIATE_TEST_SUITE_P(Inspections, ReportGoldens, ::testing::ValuesIn(goldenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Plain text -------------------------------------------------------------------------

TEST(TextReport, EmptyInspectionIsTitleDateAndZeroCounts)
{
    const QString dated = ReportExporter::text({}, reportDate(), english());
    EXPECT_EQ(dated, QString::fromUtf8("Device Capabilities Report\nDate: Dec 9, 2026, 3:04\u202FPM\n"
                                       "Supported: 0 · Not supported: 0 · Warnings: 0"));
    EXPECT_EQ(ReportExporter::text({}, std::nullopt, english()),
              QString::fromUtf8("Device Capabilities Report\nSupported: 0 · Not supported: 0 · Warnings: 0"));
}

TEST(TextReport, MarksLinesAndUnescapedValues)
{
    const QList<CapabilitySection> sections = {section("S", "cpu", std::nullopt, {
        item("a", "1", CapabilityStatus::supported),
        item("b", "x|y\\z", CapabilityStatus::unsupported),
        item("c", "one\ntwo", CapabilityStatus::warning),
        item("d", "4", CapabilityStatus::info),
    }), section("Empty", "cpu", std::nullopt, {})};
    const QString text = ReportExporter::text(sections, std::nullopt, english());
    const QStringList lines = text.split('\n');
    const QStringList expected = {
        "Device Capabilities Report", QString::fromUtf8("Supported: 1 · Not supported: 1 · Warnings: 1"), "", "== S ==",
        QString::fromUtf8("✓ a: 1"), QString::fromUtf8("✗ b: x|y\\z"), "! c: one", "two", QString::fromUtf8("• d: 4"),
        "", "== Empty ==",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_FALSE(text.endsWith('\n'));
    EXPECT_FALSE(text.contains('\r'));
}

// --- Markdown ---------------------------------------------------------------------------

TEST(MarkdownCellEscape, PipesBackslashesLineBreaksAndMarkup)
{
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"a|b\\c", "a\\|b\\\\c"},
        {"\\|", "\\\\\\|"},            // the backslash added before the pipe stays single
        {"|\\", "\\|\\\\"},
        {"one\ntwo\n", "one two "},
        // A carriage return would split the row in most viewers, as a line feed does.
        {"carriage\rreturn", "carriage return"},
        {"windows\r\nline", "windows  line"},
        // Markup characters go in as entities, so no viewer renders a device name as HTML.
        {"*bold* _it_ # `code` [l](u) <b>", "*bold* _it_ # `code` [l](u) &lt;b&gt;"},
        {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
        {"R&D &amp; co", "R&amp;D &amp;amp; co"},
        {"\\<|>", "\\\\&lt;\\|&gt;"},
        {"", ""},
        {"\\\\", "\\\\\\\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReportExporter::markdownCellEscape(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(MarkdownReport, InfoCellIsEmptyAndDataIsEscapedOutsideTablesToo)
{
    Inspection i = ReportFixtures::english();
    i.summary.deviceName = QStringLiteral("A|B");
    i.summary.osVersion = QStringLiteral("OS\nline");
    const QString md = ReportExporter::markdown(i.summary, i.sections, reportDate(), english());
    const QStringList lines = md.split('\n');
    EXPECT_EQ(lines[2], QString::fromUtf8("**A\\|B** — 13th Gen Intel(R) Core(TM) i7-1365U · ThinkPad X1 Carbon Gen 11  "));
    EXPECT_EQ(lines[3], QStringLiteral("OS line  "));
    EXPECT_TRUE(lines.contains(QStringLiteral("| Uptime | 2d 3h 5m |  |")));
    EXPECT_TRUE(lines.contains(QString::fromUtf8("| Pipe and backslash | a\\|b\\\\c | ✓ |")));
    EXPECT_TRUE(lines.contains(QStringLiteral("| Two lines | first second | ! |")));
    EXPECT_TRUE(md.endsWith(QStringLiteral("\n---\n_Generated by Quorlent · Lumbrel_\n")));
    EXPECT_FALSE(md.endsWith(QStringLiteral("\n\n")));
}

TEST(MarkdownReport, SectionWithoutItemsHasHeadingAndHeaderRowsOnly)
{
    const QList<CapabilitySection> sections = {section("Quiet", "tray", std::nullopt, {})};
    const QString md = ReportExporter::markdown(ReportFixtures::empty().summary, sections, reportDate(), english());
    EXPECT_TRUE(md.contains(QStringLiteral("\n## Quiet\n\n| Capability | Value | Status |\n|---|---|:---:|\n\n---\n")));
}

// --- JSON -------------------------------------------------------------------------------

QJsonObject parse(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

// The keys of every object in the order the text holds them, objects in document order.
QList<QStringList> keyOrders(const QByteArray& json)
{
    QList<QStringList> orders;
    QList<int> open;  // index into orders for objects, -1 for arrays
    bool expectKey = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') {
            QByteArray s;
            for (++i; i < json.size() && json[i] != '"'; ++i) {
                if (json[i] == '\\') ++i;
                s += json[i];
            }
            if (expectKey && !open.isEmpty() && open.last() >= 0) orders[open.last()] << QString::fromUtf8(s);
            expectKey = false;
        } else if (c == '{') {
            orders << QStringList();
            open << int(orders.size() - 1);
            expectKey = true;
        } else if (c == '[') {
            open << -1;
        } else if (c == '}' || c == ']') {
            if (!open.isEmpty()) open.removeLast();
        } else if (c == ',') {
            expectKey = !open.isEmpty() && open.last() >= 0;
        }
    }
    return orders;
}

TEST(JsonReport, KeysInByteOrderAtEveryLevel)
{
    const Inspection i = ReportFixtures::english();
    const QByteArray json = ReportExporter::json(i.summary, i.sections, reportDate(), english());
    const QList<QStringList> orders = keyOrders(json);
    ASSERT_GE(orders.size(), 5);
    EXPECT_EQ(orders[0], QStringList({"app", "device", "generated_at", "language", "schema", "sections", "summary"}));
    EXPECT_EQ(orders[1], QStringList({"build", "name", "version"}));
    EXPECT_EQ(orders[2], QStringList({"chip", "has_battery", "is_apple_silicon", "memory", "model_identifier", "name",
                                      "os_version", "storage"}));
    EXPECT_EQ(orders[3], QStringList({"items", "key", "symbol", "title"}));
    EXPECT_EQ(orders[4], QStringList({"key", "label", "status", "value", "volatile"}));
    EXPECT_EQ(orders.last(), QStringList({"info", "supported", "total", "unsupported", "warning"}));
    EXPECT_TRUE(json.startsWith("{\n  \"app\" : {\n    \"build\" : "));
    EXPECT_TRUE(json.endsWith("\n}"));
}

TEST(JsonReport, ValuesAndMissingKeys)
{
    const Inspection i = ReportFixtures::english();
    const QByteArray json = ReportExporter::json(i.summary, i.sections, reportDate(), english());
    const QJsonObject doc = parse(json);
    EXPECT_EQ(doc["schema"].toString(), QString::fromUtf8(BuildConfig::makerHost) + "/schemas/report-v1.json");
    EXPECT_TRUE(doc["schema"].toString().startsWith("https://"));
    EXPECT_TRUE(json.contains("\"schema\" : \"https://"));  // slashes written plain
    EXPECT_FALSE(json.contains("\\/"));
    EXPECT_EQ(doc["generated_at"].toString(), "2026-12-09T15:04:05Z");
    EXPECT_EQ(doc["language"].toString(), "en");
    EXPECT_EQ(doc["app"]["name"].toString(), "Quorlent");
    EXPECT_EQ(doc["app"]["version"].toString(), QString::fromUtf8(BuildConfig::version));
    EXPECT_EQ(doc["app"]["build"].toString(), QString::fromUtf8(BuildConfig::build));
    EXPECT_EQ(doc["device"]["has_battery"].toBool(), true);
    EXPECT_EQ(doc["device"]["is_apple_silicon"].toBool(true), false);
    EXPECT_EQ(doc["summary"]["total"].toInt(), 11);

    const QJsonArray sections = doc["sections"].toArray();
    ASSERT_EQ(sections.size(), 4);
    EXPECT_EQ(sections[0]["key"].toString(), "system");
    EXPECT_FALSE(sections[2].toObject().contains("key"));  // no stable key: no member at all
    EXPECT_EQ(sections[3]["items"].toArray().size(), 0);
    const QJsonObject uptime = sections[0]["items"][2].toObject();
    EXPECT_EQ(uptime["volatile"].toBool(), true);
    EXPECT_EQ(uptime["status"].toString(), "info");
    const QJsonObject twoLines = sections[2]["items"][1].toObject();
    EXPECT_FALSE(twoLines.contains("key"));
    EXPECT_EQ(twoLines["value"].toString(), "first\nsecond");
    EXPECT_FALSE(json.contains("null"));
    EXPECT_FALSE(json.contains("\"id\""));
}

TEST(JsonReport, EmptyKeyCountsAsNoKey)
{
    CapabilitySection s = section("S", "cpu", QString(), {item("a", "1", CapabilityStatus::info, QString())});
    const QJsonObject doc = parse(ReportExporter::json(ReportFixtures::empty().summary, {s}, reportDate(), english()));
    EXPECT_FALSE(doc["sections"][0].toObject().contains("key"));
    EXPECT_FALSE(doc["sections"][0]["items"][0].toObject().contains("key"));
}

TEST(JsonReport, LanguagesDifferOnlyInLanguageAndTexts)
{
    const Inspection en = ReportFixtures::english();
    const QJsonObject a = parse(ReportExporter::json(en.summary, en.sections, reportDate(), english()));
    const QJsonObject b = parse(ReportExporter::json(en.summary, en.sections, reportDate(), japaneseLanguage()));
    EXPECT_EQ(b["language"].toString(), "ja");
    QJsonObject a2 = a, b2 = b;
    a2.remove("language");
    b2.remove("language");
    EXPECT_EQ(a2, b2);
}

TEST(JsonWriter, EscapesWhatJsonNeedsAndWritesTheRestAsUtf8)
{
    struct Case {
        QString in;
        QByteArray out;
    };
    const Case cases[] = {
        {"plain", "\"plain\""},
        {"q\"b\\s/", "\"q\\\"b\\\\s/\""},
        {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
        {QString(QChar(0x01)) + QChar(0x1F) + QChar(0x7F), "\"\\u0001\\u001f\x7F\""},
        {QString::fromUtf8("— · ✓ 日本"), QByteArray("\"") + QString::fromUtf8("— · ✓ 日本").toUtf8() + "\""},
        {QString::fromUtf8("\U0001F4E6"), "\"\xF0\x9F\x93\xA6\""},
        {QString(QChar(0xD800)) + "x", "\"\xEF\xBF\xBDx\""},  // half a surrogate pair
    };
    for (const Case& c : cases) EXPECT_EQ(ReportJson::encode(ReportJson::Value(c.in)), c.out) << c.out.constData();
    EXPECT_EQ(ReportJson::encode(ReportJson::Value("a/b"), {.pretty = true, .sortKeys = true, .escapeSlashes = true}),
              "\"a\\/b\"");
}

TEST(JsonWriter, PrettyLayoutOfNestedAndEmptyContainers)
{
    using namespace ReportJson;
    const Value v = Object{{"b", Array{}}, {"a", Object{{"z", qint64(-3)}, {"y", true}}}, {"c", Array{Value("x"), Value(false)}}};
    EXPECT_EQ(encode(v), "{\n  \"a\" : {\n    \"y\" : true,\n    \"z\" : -3\n  },\n  \"b\" : [\n\n  ],\n"
                         "  \"c\" : [\n    \"x\",\n    false\n  ]\n}");
    EXPECT_EQ(encode(v, {.pretty = false, .sortKeys = false, .escapeSlashes = true}),
              "{\"b\":[],\"a\":{\"z\":-3,\"y\":true},\"c\":[\"x\",false]}");
}

}  // namespace
