#include "HistorySamples.h"

#include <gtest/gtest.h>

using namespace history_test;
using Kind = SnapshotChange::Kind;
using S = CapabilityStatus;

namespace {

// A change without its identifier, for comparing lists.
struct Expected {
    Kind kind;
    QString section;
    QString label;
    std::optional<QString> oldValue;
    std::optional<QString> newValue;
};

Expected added(QString s, QString l, QString v) { return {Kind::added, s, l, std::nullopt, v}; }
Expected removed(QString s, QString l, QString v) { return {Kind::removed, s, l, v, std::nullopt}; }
Expected changed(QString s, QString l, QString o, QString n) { return {Kind::changed, s, l, o, n}; }

struct DiffCase {
    const char* name;
    ScanSnapshot from;
    ScanSnapshot to;
    QList<Expected> expected;
};

const QString kSys = QStringLiteral("System");
const QString kSysKey = QStringLiteral("system");
const QString kEn = QStringLiteral("en");
const QString kDe = QStringLiteral("de");

ScanSnapshot systemSnapshot(QList<ScanSnapshot::Item> items, std::optional<QString> language = kEn, QString title = kSys,
                            std::optional<QString> key = kSysKey)
{
    return snapshot({section(title, std::move(items), std::move(key))}, std::move(language));
}

QList<DiffCase> cases()
{
    const auto thermal = [](QString v, bool vol = true) { return item(QStringLiteral("Thermal"), v, S::info, QStringLiteral("thermalState"), vol); };
    const auto kernel = [](QString label, QString v, S st = S::info) { return item(label, v, st, QStringLiteral("kernel")); };
    const auto disk = [](QString v) { return item(QStringLiteral("Disk"), v); };
    const QString k = QStringLiteral("Kernel");

    QList<DiffCase> list;
    list.append({"identicalContents", systemSnapshot({kernel(k, "6.1")}), systemSnapshot({kernel(k, "6.1")}), {}});
    list.append({"volatileValueChangedInBoth", systemSnapshot({thermal("Nominal"), kernel(k, "6.1")}),
                 systemSnapshot({thermal("Serious"), kernel(k, "6.1")}), {}});
    list.append({"volatileOnlyInOlderIsAdded", systemSnapshot({thermal("Nominal", true)}), systemSnapshot({thermal("Nominal", false)}),
                 {added(kSys, "Thermal", "Nominal")}});
    list.append({"volatileOnlyInNewerIsRemoved", systemSnapshot({thermal("Nominal", false)}), systemSnapshot({thermal("Nominal", true)}),
                 {removed(kSys, "Thermal", "Nominal")}});
    list.append({"statusOnlyChange", systemSnapshot({kernel(k, "6.1", S::supported)}), systemSnapshot({kernel(k, "6.1", S::warning)}),
                 {changed(kSys, k, "6.1", "6.1")}});
    list.append({"valueChangeSameLanguage", systemSnapshot({kernel(k, "6.1")}), systemSnapshot({kernel(k, "6.6")}),
                 {changed(kSys, k, "6.1", "6.6")}});
    list.append({"bothWithoutLanguageCompareValues", systemSnapshot({kernel(k, "6.1")}, std::nullopt),
                 systemSnapshot({kernel(k, "6.6")}, std::nullopt), {changed(kSys, k, "6.1", "6.6")}});
    list.append({"languagesDifferValuesIgnored", systemSnapshot({kernel(k, "Ja")}, kEn),
                 systemSnapshot({kernel(QStringLiteral("Kern"), "Yes")}, kDe), {}});
    list.append({"missingLanguageCountsAsDifferent", systemSnapshot({kernel(k, "6.1")}, std::nullopt),
                 systemSnapshot({kernel(k, "6.6")}, kEn), {}});
    list.append({"languagesDifferStatusChangeReportedInBoth", systemSnapshot({kernel(k, "Yes", S::supported)}, kEn),
                 systemSnapshot({kernel(QStringLiteral("Kern"), "Nein", S::unsupported)}, kDe),
                 {changed(kSys, "Kern", "Yes", "Nein")}});
    list.append({"languagesDifferTranslatedLabelWithoutKey", systemSnapshot({item("Memory", "16 GB")}, kEn),
                 systemSnapshot({item("Speicher", "16 GB")}, kDe),
                 {added(kSys, "Speicher", "16 GB"), removed(kSys, "Memory", "16 GB")}});
    list.append({"repeatedLabelsMatchInOrder", systemSnapshot({disk("A"), disk("B"), disk("C")}), systemSnapshot({disk("A"), disk("C")}),
                 {changed(kSys, "Disk", "B", "C"), removed(kSys, "Disk", "C")}});
    list.append({"repeatedLabelsCountOverTheWholeSnapshot",
                 snapshot({section("One", {disk("A")}, "same"), section("Two", {disk("B")}, "same")}),
                 snapshot({section("One", {disk("A")}, "same")}), {removed("Two", "Disk", "B")}});
    list.append({"sectionOnlyInNewer", systemSnapshot({kernel(k, "6.1")}),
                 snapshot({section(kSys, {kernel(k, "6.1")}, kSysKey),
                           section("Power", {item("Battery", "None", S::unsupported), thermal("x")}, "power")}),
                 {added("Power", "Battery", "None")}});
    list.append({"sectionOnlyInOlder", snapshot({section("Power", {item("Battery", "None")}, "power"), section(kSys, {}, kSysKey)}),
                 systemSnapshot({}), {removed("Power", "Battery", "None")}});
    list.append({"unkeyedSectionRetitled", systemSnapshot({item("A", "1"), item("B", "2")}, kEn, "Old", std::nullopt),
                 systemSnapshot({item("A", "1"), item("B", "2")}, kEn, "New", std::nullopt),
                 {added("New", "A", "1"), added("New", "B", "2"), removed("Old", "A", "1"), removed("Old", "B", "2")}});
    list.append({"keyedSectionRetitledStillMatches", systemSnapshot({item("A", "1")}, kEn, "Old"), systemSnapshot({item("A", "1")}, kEn, "New"), {}});
    list.append({"addedAndChangedInterleaveInNewerOrder", systemSnapshot({item("A", "1"), item("C", "3")}),
                 systemSnapshot({item("A", "9"), item("B", "2"), item("C", "8")}),
                 {changed(kSys, "A", "1", "9"), added(kSys, "B", "2"), changed(kSys, "C", "3", "8")}});
    list.append({"composedAndDecomposedTextsAreEqual", systemSnapshot({item(QString::fromUtf8("Caf\u00e9"), QString::fromUtf8("\u00e9t\u00e9"))}),
                 systemSnapshot({item(QString::fromUtf8("Cafe\u0301"), QString::fromUtf8("e\u0301te\u0301"))}), {}});
    list.append({"emptySectionsAndNoSections", snapshot({section("Empty", {})}), snapshot({}), {}});
    return list;
}

TEST(SnapshotDiff, Table)
{
    for (const DiffCase& c : cases()) {
        SCOPED_TRACE(c.name);
        const QList<SnapshotChange> got = ScanHistory::diff(c.from, c.to);
        ASSERT_EQ(got.size(), c.expected.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(got[i].kind(), c.expected[i].kind);
            EXPECT_EQ(got[i].section, c.expected[i].section);
            EXPECT_EQ(got[i].label, c.expected[i].label);
            EXPECT_EQ(got[i].oldValue, c.expected[i].oldValue);
            EXPECT_EQ(got[i].newValue, c.expected[i].newValue);
            EXPECT_FALSE(got[i].id.isNull());
        }
    }
}

TEST(SnapshotDiff, EverySnapshotMatchesItselfEvenWhenALabelLooksLikeACountedKey)
{
    // "Disk#2" written out as a label meets the key the second "Disk" is counted to.
    const ScanSnapshot s = systemSnapshot({item("Disk#2", "x"), item("Disk", "a"), item("Disk", "b"), item("Disk#2", "y")});
    EXPECT_TRUE(ScanHistory::diff(s, s).isEmpty());
    const ScanSnapshot later = systemSnapshot({item("Disk#2", "x"), item("Disk", "a"), item("Disk", "c"), item("Disk#2", "y")});
    const QList<SnapshotChange> got = ScanHistory::diff(s, later);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].oldValue, QStringLiteral("b"));
    EXPECT_EQ(got[0].newValue, QStringLiteral("c"));
}

TEST(SnapshotDiff, ChangesAreFreshRecordsEachTime)
{
    const ScanSnapshot a = systemSnapshot({item("A", "1")});
    const ScanSnapshot b = systemSnapshot({item("A", "2")});
    const QList<SnapshotChange> first = ScanHistory::diff(a, b), second = ScanHistory::diff(a, b);
    ASSERT_EQ(first.size(), 1);
    EXPECT_NE(first[0], second[0]);
    EXPECT_NE(first[0].id, second[0].id);
}

}  // namespace
