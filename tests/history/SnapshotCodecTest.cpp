#include "HistorySamples.h"

#include <gtest/gtest.h>

using namespace history_test;

namespace {

QString golden() { return QStringLiteral(QRL_FIXTURES_DIR "/history-golden/snapshots.json"); }

// The two snapshots the golden file holds, built independently of it.
QList<ScanSnapshot> goldenSnapshots()
{
    ScanSnapshot a;
    a.id = QUuid::fromString(QStringLiteral("0f8b2c1e-3d4a-4b5c-9e6f-7a8b9c0d1e2f"));
    a.date = utc(2026, 3, 1, 9, 15, 42, 987);  // the fraction never reaches the file
    a.deviceName = QStringLiteral("Ana's \"Box\"");
    a.modelIdentifier = QStringLiteral("ThinkPad T14/Gen 3");
    a.chip = QString::fromUtf8("AMD Ryzen™ 7 PRO 6850U");
    a.osVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    a.sections = {
        section(QStringLiteral("System"),
                {item(QStringLiteral("Uptime"), QStringLiteral("3 d 4 h"), CapabilityStatus::info, QStringLiteral("uptime"), true),
                 item(QStringLiteral("Path"), QStringLiteral("C:\\tmp\ttab\nline"), CapabilityStatus::warning),
                 item(QStringLiteral("Bell\a"), QStringLiteral("\x1f\b\f\r"), CapabilityStatus::unsupported, QStringLiteral("ctl"))},
                QStringLiteral("system"), QStringLiteral("desktopcomputer")),
        section(QString::fromUtf8("Graphics — GPU 😀"), {item(QStringLiteral("Metal"), kMissingValue)}),
    };
    a.language = QStringLiteral("en");

    ScanSnapshot b;
    b.id = QUuid::fromString(QStringLiteral("A1B2C3D4-0000-4000-8000-00000000000F"));
    // Written in UTC whatever zone the date carries.
    b.date = QDateTime(QDate(2026, 1, 1), QTime(1, 59, 59), Qt::OffsetFromUTC, 2 * 3600);
    b.modelIdentifier = kMissingValue;
    return {a, b};
}

TEST(SnapshotCodec, EncodesTheGoldenFileByteForByte)
{
    const std::optional<QByteArray> encoded = SnapshotCodec::encode(goldenSnapshots());
    ASSERT_TRUE(encoded);
    EXPECT_EQ(*encoded, readAll(golden()));
}

TEST(SnapshotCodec, ReadsTheGoldenFileBackWithDatesInWholeSeconds)
{
    const std::optional<QList<ScanSnapshot>> decoded = SnapshotCodec::decode(readAll(golden()));
    ASSERT_TRUE(decoded);
    QList<ScanSnapshot> expected = goldenSnapshots();
    expected[0].date = utc(2026, 3, 1, 9, 15, 42);
    EXPECT_EQ(*decoded, expected);
    EXPECT_FALSE((*decoded)[1].language.has_value());
    EXPECT_EQ(SnapshotCodec::encode(*decoded), readAll(golden()));
}

TEST(SnapshotCodec, EmptyListIsAnEmptyArray)
{
    EXPECT_EQ(SnapshotCodec::encode(QList<ScanSnapshot>{}), QByteArray("[]"));
    EXPECT_EQ(SnapshotCodec::decode("[]"), QList<ScanSnapshot>{});
}

TEST(SnapshotCodec, DatesThatCannotBeWrittenFailTheEncoding)
{
    ScanSnapshot s = snapshot({});
    s.date = QDateTime();
    EXPECT_FALSE(SnapshotCodec::encode(s));
    s.date = utc(10000, 1, 1);
    EXPECT_FALSE(SnapshotCodec::encode(QList<ScanSnapshot>{snapshot({}), s}));
}

// A file that reads; `check` looks at what came out.
struct ReadableCase {
    const char* name;
    QByteArray json;
    std::function<void(const QList<ScanSnapshot>&)> check;
};

const QByteArray kItem = R"({"label":"L","value":"V","status":"info","isVolatile":false})";
QByteArray withItem(const QByteArray& itemJson, const QByteArray& snapshotTail = R"(,"language":"en")")
{
    return R"([{"id":"0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F","date":"2026-03-01T09:15:42Z","deviceName":"d",)"
           R"("modelIdentifier":"m","chip":"c","osVersion":"o","sections":[{"title":"T","symbol":"s","items":[)"
           + itemJson + "]}]" + snapshotTail + "}]";
}

TEST(SnapshotCodec, ReadsEveryAcceptedForm)
{
    const ReadableCase cases[] = {
        {"languageNull", withItem(kItem, R"(,"language":null)"),
         [](const auto& l) {
             EXPECT_FALSE(l[0].language);
             EXPECT_FALSE(SnapshotCodec::encode(l)->contains("language"));
         }},
        {"languageMissing", withItem(kItem, ""), [](const auto& l) { EXPECT_FALSE(l[0].language); }},
        {"keyNull", withItem(R"({"label":"L","value":"V","status":"info","key":null,"isVolatile":false})"),
         [](const auto& l) { EXPECT_FALSE(l[0].sections[0].items[0].key); }},
        {"extraMembersIgnoredAndDropped",
         withItem(R"({"label":"L","value":"V","status":"warning","isVolatile":true,"colour":[1,2]})", R"(,"language":"de","x":{})"),
         [](const auto& l) {
             EXPECT_EQ(l[0].sections[0].items[0].status, CapabilityStatus::warning);
             EXPECT_TRUE(l[0].sections[0].items[0].isVolatile);
             EXPECT_FALSE(SnapshotCodec::encode(l)->contains("colour"));
         }},
        {"membersInAnyOrder", withItem(R"({"isVolatile":false,"key":"k","status":"supported","value":"V","label":"L"})"),
         [](const auto& l) { EXPECT_EQ(l[0].sections[0].items[0].key, QStringLiteral("k")); }},
        {"lowerCaseIdentifier", withItem(kItem).replace("0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F", "0f8b2c1e-3d4a-4b5c-9e6f-7a8b9c0d1e2f"),
         [](const auto& l) { EXPECT_EQ(SnapshotCodec::formatIdentifier(l[0].id), "0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F"); }},
        {"zoneOffset", withItem(kItem).replace("2026-03-01T09:15:42Z", "2026-03-01T10:15:42+01:00"),
         [](const auto& l) { EXPECT_EQ(l[0].date, utc(2026, 3, 1, 9, 15, 42)); }},
        {"whiteSpaceBetweenTokens", "  [ ]\n", [](const auto& l) { EXPECT_TRUE(l.isEmpty()); }},
        {"byteOrderMark", "\xEF\xBB\xBF[]", [](const auto& l) { EXPECT_TRUE(l.isEmpty()); }},
        {"unknownMembersOfEveryKind", withItem(kItem, R"(,"language":"en","x":[-0.5e+3,0,1E2,true,null,{"a":"\"\\\/\b\f\n\r\t\u00e9"}])"),
         [](const auto& l) { EXPECT_EQ(l[0].language, QStringLiteral("en")); }},
        {"escapedSlashesAndUnicodeEscapes", withItem(R"({"label":"a\/b\u00e9","value":"\ud83d\ude00","status":"info","isVolatile":false})"),
         [](const auto& l) {
             EXPECT_EQ(l[0].sections[0].items[0].label, QString::fromUtf8("a/bé"));
             EXPECT_EQ(l[0].sections[0].items[0].value, QString::fromUtf8("😀"));
         }},
    };
    for (const ReadableCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QList<ScanSnapshot>> decoded = SnapshotCodec::decode(c.json);
        ASSERT_TRUE(decoded);
        c.check(*decoded);
    }
}

struct DamagedCase {
    const char* name;
    QByteArray json;
};

// Files that must not read at all: one fault anywhere loses nothing but the read.
const DamagedCase kDamaged[] = {
    {"empty", ""},
    {"notJson", "snapshots"},
    {"truncated", withItem(kItem).left(120)},
    {"topLevelObject", "{}"},
    {"topLevelString", "\"[]\""},
    {"elementNotObject", "[1]"},
    {"missingIsVolatile", withItem(R"({"label":"L","value":"V","status":"info"})")},
    {"statusWrongCase", withItem(R"({"label":"L","value":"V","status":"Supported","isVolatile":false})")},
    {"statusUnknown", withItem(R"({"label":"L","value":"V","status":"ok","isVolatile":false})")},
    {"isVolatileAsString", withItem(R"({"label":"L","value":"V","status":"info","isVolatile":"false"})")},
    {"isVolatileAsNumber", withItem(R"({"label":"L","value":"V","status":"info","isVolatile":0})")},
    {"labelNull", withItem(R"({"label":null,"value":"V","status":"info","isVolatile":false})")},
    {"valueNumber", withItem(R"({"label":"L","value":5,"status":"info","isVolatile":false})")},
    {"keyNumber", withItem(R"({"label":"L","value":"V","status":"info","key":1,"isVolatile":false})")},
    {"languageNumber", withItem(kItem, R"(,"language":7)")},
    {"sectionWithoutItems", withItem(kItem).replace(R"("items":[)", R"("things":[)")},
    {"sectionsNotArray", R"([{"id":"0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F","date":"2026-03-01T09:15:42Z","deviceName":"d",)"
                         R"("modelIdentifier":"m","chip":"c","osVersion":"o","sections":{}}])"},
    {"missingChip", withItem(kItem).replace(R"("chip":"c",)", "")},
    {"fractionalSeconds", withItem(kItem).replace("09:15:42Z", "09:15:42.500Z")},
    {"spaceForT", withItem(kItem).replace("2026-03-01T09", "2026-03-01 09")},
    {"noZone", withItem(kItem).replace("09:15:42Z", "09:15:42")},
    {"lowerCaseZ", withItem(kItem).replace("09:15:42Z", "09:15:42z")},
    {"dateOnly", withItem(kItem).replace("2026-03-01T09:15:42Z", "2026-03-01")},
    {"impossibleDay", withItem(kItem).replace("2026-03-01", "2026-02-30")},
    {"dateAsNumber", withItem(kItem).replace(R"("2026-03-01T09:15:42Z")", "794560542")},
    {"identifierInBraces", withItem(kItem).replace("\"0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F\"", "\"{0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F}\"")},
    {"identifierShort", withItem(kItem).replace("7A8B9C0D1E2F", "7A8B9C0D1E2")},
    {"identifierNotHex", withItem(kItem).replace("0F8B2C1E", "0F8B2C1G")},
    {"identifierWithoutDashes", withItem(kItem).replace("0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F", "0F8B2C1E3D4A4B5C9E6F7A8B9C0D1E2F")},
    {"trailingGarbage", "[]x"},
    {"invalidUtf8", withItem(R"({"label":")" + QByteArray("\xC3\x28") + R"(","value":"V","status":"info","isVolatile":false})")},
    {"oneGoodOneBad", "[" + withItem(kItem).mid(1, withItem(kItem).size() - 2) + ",{\"id\":1}]"},
    // Not JSON, though Qt's own reader would take each of them.
    {"rawTabInString", withItem(R"({"label":"L)" + QByteArray("\t") + R"(","value":"V","status":"info","isVolatile":false})")},
    {"rawLineFeedInKey", withItem(kItem, R"(,"lang)" + QByteArray("\n") + R"(uage":"en")")},
    {"unknownEscape", withItem(R"({"label":"\x41","value":"V","status":"info","isVolatile":false})")},
    {"loneHighSurrogate", withItem(R"({"label":"\ud83d","value":"V","status":"info","isVolatile":false})")},
    {"highSurrogateThenLetter", withItem(R"({"label":"\ud83d\u0041","value":"V","status":"info","isVolatile":false})")},
    {"loneLowSurrogate", withItem(R"({"label":"\ude00","value":"V","status":"info","isVolatile":false})")},
    {"numberEndingInPoint", withItem(kItem, R"(,"language":"en","extra":1.)")},
    {"numberStartingWithPoint", withItem(kItem, R"(,"language":"en","extra":.5)")},
    {"numberWithLeadingZero", withItem(kItem, R"(,"language":"en","extra":01)")},
    {"trailingComma", withItem(kItem, R"(,"language":"en",)")},
    {"deeplyNested", withItem(kItem, R"(,"extra":)" + QByteArray(100000, '['))},
};

TEST(SnapshotCodec, DamagedFilesDoNotReadAtAll)
{
    ASSERT_TRUE(SnapshotCodec::decode(withItem(kItem)));  // the base of the table reads
    for (const DamagedCase& c : kDamaged) EXPECT_FALSE(SnapshotCodec::decode(c.json)) << c.name;
}

TEST(SnapshotCodec, TextReadsBackExactly)
{
    // A U+FEFF anywhere, a leading one above all, which JSON readers are apt to drop as a byte order
    // mark; written as an escape, read back as itself. Other texts keep their plain form.
    const QString bom(QChar(0xFEFF));
    const QString texts[] = {bom, bom + bom + QStringLiteral("x"), bom + QStringLiteral("label"), QStringLiteral("mid") + bom + QStringLiteral("dle"),
                             QString::fromUtf8("é😀 \\u0000 ") + QChar(0)};
    for (const QString& text : texts) {
        ScanSnapshot s = snapshot({section(text, {item(text, text, CapabilityStatus::info, text)}, text, text)}, text);
        s.deviceName = s.modelIdentifier = s.chip = s.osVersion = text;
        const QByteArray encoded = *SnapshotCodec::encode(QList<ScanSnapshot>{s});
        EXPECT_FALSE(encoded.contains("\xEF\xBB\xBF"));
        const std::optional<QList<ScanSnapshot>> decoded = SnapshotCodec::decode(encoded);
        ASSERT_TRUE(decoded);
        s.date = (*decoded)[0].date;
        EXPECT_EQ(*decoded, QList<ScanSnapshot>{s});
    }
    // A raw U+FEFF inside a string of a file (as another writer may leave it) reads as itself too.
    const QByteArray raw = withItem(R"({"label":")" + QByteArray("\xEF\xBB\xBF") + R"(L","value":"V","status":"info","isVolatile":false})");
    ASSERT_TRUE(SnapshotCodec::decode(raw));
    EXPECT_EQ((*SnapshotCodec::decode(raw))[0].sections[0].items[0].label, bom + QStringLiteral("L"));
}

TEST(SnapshotCodec, ASnapshotHoldsWhatTheFileWillHold)
{
    // Half a surrogate pair has no form in the file: the snapshot already holds the replacement, so
    // the same inspection read back after a restart compares equal.
    const QString lone = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    const QString pair = QString::fromUtf8("😀");
    const DeviceSummary device{lone, pair, lone, lone, {}, {}, false, false};
    CapabilitySection section = CapabilitySection::make(lone, lone, {CapabilityItem::make(lone, pair + lone, CapabilityStatus::info, lone)});
    section.key = lone;
    const ScanSnapshot s = ScanSnapshot::make(device, {section}, utc(2026, 3, 1, 9, 15, 42), lone);
    const QString replaced = QStringLiteral("a") + QChar(QChar::ReplacementCharacter) + QStringLiteral("b");
    EXPECT_EQ(s.deviceName, replaced);
    EXPECT_EQ(s.modelIdentifier, pair);
    EXPECT_EQ(s.language, replaced);
    EXPECT_EQ(s.sections[0].title, replaced);
    EXPECT_EQ(s.sections[0].key, replaced);
    EXPECT_EQ(s.sections[0].items[0].value, pair + replaced);
    EXPECT_EQ(s.sections[0].items[0].key, replaced);
    EXPECT_EQ(SnapshotCodec::decode(*SnapshotCodec::encode(QList<ScanSnapshot>{s})), QList<ScanSnapshot>{s});
}

TEST(SnapshotCodec, DateAndIdentifierForms)
{
    EXPECT_EQ(SnapshotCodec::formatDate(utc(2026, 3, 1, 9, 15, 42, 999)), QStringLiteral("2026-03-01T09:15:42Z"));
    EXPECT_EQ(SnapshotCodec::formatDate(utc(1969, 12, 31, 23, 59, 59, 500)), QStringLiteral("1969-12-31T23:59:59Z"));
    EXPECT_EQ(SnapshotCodec::parseDate(u"2026-03-01T09:15:42-02:30"), utc(2026, 3, 1, 11, 45, 42));
    EXPECT_FALSE(SnapshotCodec::parseDate(u"2026-03-01T24:00:00Z"));
    EXPECT_FALSE(SnapshotCodec::parseDate(u"2026-03-01T09:15:60Z"));
    EXPECT_FALSE(SnapshotCodec::parseDate(u"2026-03-01T09:15:42+0100"));
    EXPECT_FALSE(SnapshotCodec::parseDate(u"+2026-03-01T09:15:42Z"));
    EXPECT_FALSE(SnapshotCodec::parseDate(u"0000-03-01T09:15:42Z"));
    // Moments the file could not hold again once in UTC.
    EXPECT_FALSE(SnapshotCodec::parseDate(u"0001-01-01T00:30:00+01:00"));
    EXPECT_FALSE(SnapshotCodec::parseDate(u"9999-12-31T23:30:00-01:00"));
    EXPECT_EQ(SnapshotCodec::parseDate(u"9999-12-31T23:30:00+01:00"), utc(9999, 12, 31, 22, 30));
    // The nil identifier is an identifier like any other; garbage is not.
    EXPECT_EQ(SnapshotCodec::parseIdentifier(u"00000000-0000-0000-0000-000000000000"), QUuid());
    EXPECT_FALSE(SnapshotCodec::parseIdentifier(u"not-a-uuid-at-all-not-a-uuid-at-all!"));
}

}  // namespace
