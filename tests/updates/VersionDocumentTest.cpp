#include "updates/APIClient.h"
#include "updates/VersionDocument.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const char* kValid = R"({
  "latest_version": "2.1", "latest_build": 42, "min_build": 30, "minimum_macos": "13.0",
  "download_url": "https://example.com/q.dmg", "notes": {"en": "Faster scans", "ar": "فحص أسرع"}
})";

struct DecodeCase {
    const char* name;
    const char* json;
    bool accepted;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, AcceptsOnlyCompleteDocumentsWithBuildsFromOne)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(AppVersionInfo::fromJson(QByteArray(c.json)).has_value(), c.accepted) << c.json;
}

// A document in the server's form with one field replaced, added or removed.
#define DOC(fields) "{" fields "}"
#define NOTES R"("notes": {"en": "e", "ar": "a"})"
#define BASE R"("latest_version": "2.1", "minimum_macos": "13", "download_url": "https://x.test/d")"

INSTANTIATE_TEST_SUITE_P(
    Documents, DecodeTest,
    ::testing::Values(
        DecodeCase{"complete", kValid, true},
        DecodeCase{"camelCaseKeys",
                   R"({"latestVersion": "2", "latestBuild": 2, "minBuild": 1, "minimumMacos": "", "downloadUrl": "",
                       "notes": {"en": "", "ar": ""}})",
                   true},
        DecodeCase{"extraKeysIgnored", DOC(BASE R"(, "latest_build": 2, "min_build": 1, "channel": "beta", )" NOTES), true},
        DecodeCase{"emptyStringsAccepted",
                   R"({"latest_version": "", "latest_build": 1, "min_build": 1, "minimum_macos": "", "download_url": "",
                       "notes": {"en": "", "ar": ""}})",
                   true},
        DecodeCase{"latestBelowMinAccepted", DOC(BASE R"(, "latest_build": 3, "min_build": 9, )" NOTES), true},
        DecodeCase{"wholeNumberWithFraction", DOC(BASE R"(, "latest_build": 3.0, "min_build": 1, )" NOTES), true},
        DecodeCase{"minBuildZero", DOC(BASE R"(, "latest_build": 3, "min_build": 0, )" NOTES), false},
        DecodeCase{"latestBuildZero", DOC(BASE R"(, "latest_build": 0, "min_build": 1, )" NOTES), false},
        DecodeCase{"negativeBuild", DOC(BASE R"(, "latest_build": -4, "min_build": 1, )" NOTES), false},
        DecodeCase{"notesMissing", DOC(BASE R"(, "latest_build": 3, "min_build": 1)"), false},
        DecodeCase{"notesWithoutArabic", DOC(BASE R"(, "latest_build": 3, "min_build": 1, "notes": {"en": "e"})"), false},
        DecodeCase{"notesNotObject", DOC(BASE R"(, "latest_build": 3, "min_build": 1, "notes": "e")"), false},
        DecodeCase{"notesWrongType", DOC(BASE R"(, "latest_build": 3, "min_build": 1, "notes": {"en": "e", "ar": 1})"), false},
        DecodeCase{"buildAsString", DOC(BASE R"(, "latest_build": "3", "min_build": 1, )" NOTES), false},
        DecodeCase{"buildFractional", DOC(BASE R"(, "latest_build": 3.5, "min_build": 1, )" NOTES), false},
        DecodeCase{"buildBeyond64Bits", DOC(BASE R"(, "latest_build": 1e300, "min_build": 1, )" NOTES), false},
        DecodeCase{"buildBoolean", DOC(BASE R"(, "latest_build": true, "min_build": 1, )" NOTES), false},
        DecodeCase{"versionAsNumber",
                   R"({"latest_version": 2, "latest_build": 2, "min_build": 1, "minimum_macos": "", "download_url": "",
                       "notes": {"en": "", "ar": ""}})",
                   false},
        DecodeCase{"minimumMissing",
                   R"({"latest_version": "2", "latest_build": 2, "min_build": 1, "download_url": "",
                       "notes": {"en": "", "ar": ""}})",
                   false},
        DecodeCase{"nullValue", DOC(BASE R"(, "latest_build": null, "min_build": 1, )" NOTES), false},
        DecodeCase{"upperCaseKeyNotConverted", DOC(BASE R"(, "LATEST_BUILD": 3, "min_build": 1, )" NOTES), false},
        DecodeCase{"array", "[1, 2]", false},
        DecodeCase{"empty", "", false},
        DecodeCase{"garbage", "<html>Service unavailable</html>", false},
        DecodeCase{"truncated", R"({"latest_version": "2.1", "latest_build": 4)", false},
        DecodeCase{"trailingGarbage", DOC(BASE R"(, "latest_build": 3, "min_build": 1, )" NOTES) " x", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VersionDocument, ReadsEveryField)
{
    const auto info = AppVersionInfo::fromJson(kValid);
    ASSERT_TRUE(info);
    EXPECT_EQ(*info, (AppVersionInfo{QStringLiteral("2.1"), 42, 30, QStringLiteral("13.0"),
                                     QStringLiteral("https://example.com/q.dmg"),
                                     {QStringLiteral("Faster scans"), QString::fromUtf8("فحص أسرع")}}));
}

TEST(VersionDocument, SnakeCaseConversion)
{
    const std::pair<const char*, const char*> cases[] = {
        {"latest_build", "latestBuild"}, {"minimum_macos", "minimumMacos"}, {"latestBuild", "latestBuild"},
        {"a_b_c", "aBC"},                {"latest__build", "latestBuild"},  {"_private", "_private"},
        {"trail_", "trail_"},            {"__both_sides__", "__bothSides__"}, {"___", "___"},
        {"", ""},                        {"en", "en"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(convertFromSnakeCase(in), QString(out)) << in;
}

TEST(VersionDecision, ParsesIntegersStrictly)
{
    const std::pair<const char*, std::optional<qint64>> cases[] = {
        {"42", 42},
        {"+7", 7},
        {"-3", -3},
        {"007", 7},
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775809", std::nullopt},
        {"1.2", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {" 4", std::nullopt},
        {"4a", std::nullopt},
        {"٤", std::nullopt},  // digits of other scripts are not build numbers
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(UpdateDecision::parseInteger(QString::fromUtf8(text)), expected) << text;
}

TEST(VersionDecision, BuildNumberIgnoresSurroundingSpacesButNotLineBreaks)
{
    EXPECT_EQ(UpdateDecision::parseBuildNumber(QString::fromUtf8(" \t12\u00a0 ")), 12);
    EXPECT_EQ(UpdateDecision::parseBuildNumber("12\n"), std::nullopt);
    EXPECT_EQ(UpdateDecision::parseBuildNumber("1.2"), std::nullopt);
    EXPECT_EQ(UpdateDecision::parseBuildNumber(""), std::nullopt);
    // The build configuration's own number is one.
    EXPECT_TRUE(UpdateDecision::installedBuild().has_value());
    EXPECT_FALSE(UpdateDecision::installedVersion().isEmpty());
}

struct SupportCase {
    const char* minimum;
    OperatingSystemVersion system;
    bool supported;
};

TEST(VersionDecision, MinimumSystemComparison)
{
    const SupportCase cases[] = {
        {"13", {13, 0, 0}, true},
        {"13", {12, 7, 0}, false},
        {"14.0.1", {14, 0, 0}, false},
        {"14.0.1", {14, 1, 0}, true},
        {"14.0.1", {14, 0, 1}, true},
        {"", {10, 0, 0}, true},
        {"...", {10, 0, 0}, true},
        {"beta", {10, 0, 0}, true},
        {"14.x.2", {14, 1, 0}, false},  // read as 14.2
        {"14.x.2", {14, 2, 0}, true},
        {"13.5.1.9", {13, 5, 1}, true},  // the fourth number is ignored
        {"..14..3.", {14, 3, 0}, true},
        {"..14..3.", {14, 2, 9}, false},
        {"15", {14, 99, 99}, false},
        {"-1", {0, 0, 0}, true},
        {"+14", {14, 0, 0}, true},
    };
    for (const SupportCase& c : cases)
        EXPECT_EQ(UpdateDecision::isSupported(c.system, c.minimum), c.supported)
            << c.minimum << " on " << c.system.major << '.' << c.system.minor << '.' << c.system.patch;
}

TEST(VersionDecision, DownloadAddress)
{
    const QUrl fallback = APIClient::appendingPathComponent(APIClient::defaultBaseURL(), "download");
    EXPECT_TRUE(fallback.path().endsWith("/download"));
    const std::pair<const char*, const char*> cases[] = {
        {"https://example.com/q.dmg", "https://example.com/q.dmg"},
        {"http://example.com/q", "http://example.com/q"},
        {"", nullptr},
        {"/downloads/q.dmg", nullptr},
        {"ftp://example.com/q.dmg", nullptr},
        {"HTTPS://example.com/q.dmg", nullptr},  // the scheme must be written in lower case
        {"https:///q.dmg", nullptr},
        {" https://example.com/q.dmg", nullptr},  // taken as written, not trimmed
        {"javascript:alert(1)", nullptr},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(UpdateDecision::downloadURL(text), expected ? QUrl(expected) : fallback) << text;
}

struct DecideCase {
    const char* name;
    std::optional<qint64> installed;
    qint64 latest;
    qint64 min;
    const char* minimumOS;
    std::optional<OperatingSystemVersion> system;
    const char* language;
    UpdateState::Kind kind;
    const char* notes;
};

void PrintTo(const DecideCase& c, std::ostream* os) { *os << c.name; }

class DecideTest : public ::testing::TestWithParam<DecideCase> {};

TEST_P(DecideTest, Verdict)
{
    const DecideCase& c = GetParam();
    const AppVersionInfo info{"9.0", c.latest, c.min, c.minimumOS, "https://example.com/q.dmg", {"English", "Arabic"}};
    const UpdateState s = UpdateDecision::decide(info, c.installed, c.system, c.language);
    EXPECT_EQ(s.kind, c.kind);
    if (s.hasUpdate()) {
        EXPECT_EQ(s.version, "9.0");  // the newest release, also when required
        EXPECT_EQ(s.notes, c.notes);
        EXPECT_EQ(s.url, QUrl("https://example.com/q.dmg"));
    }
}

using K = UpdateState::Kind;
constexpr OperatingSystemVersion v13{13, 0, 0};
constexpr OperatingSystemVersion v12{12, 7, 0};

INSTANTIATE_TEST_SUITE_P(
    Cases, DecideTest,
    ::testing::Values(
        DecideCase{"belowMinimumIsRequired", 5, 20, 10, "13", v13, "en", K::required, "English"},
        DecideCase{"equalToMinimumIsAvailable", 10, 20, 10, "13", v13, "en", K::available, "English"},
        DecideCase{"equalToLatestIsUpToDate", 20, 20, 10, "13", v13, "en", K::upToDate, ""},
        DecideCase{"newerThanServerIsUpToDate", 25, 20, 10, "13", v13, "en", K::upToDate, ""},
        DecideCase{"oldSystemHidesRequired", 5, 20, 10, "13", v12, "en", K::upToDate, ""},
        DecideCase{"oldSystemHidesAvailable", 15, 20, 10, "13", v12, "en", K::upToDate, ""},
        DecideCase{"noSystemToCompare", 5, 20, 10, "99", std::nullopt, "en", K::required, "English"},
        DecideCase{"unreadableInstalledBuild", std::nullopt, 20, 10, "13", v13, "en", K::upToDate, ""},
        DecideCase{"negativeInstalledBuild", -1, 20, 10, "13", v13, "en", K::required, "English"},
        DecideCase{"arabicNotes", 15, 20, 10, "13", v13, "ar", K::available, "Arabic"},
        DecideCase{"arabicRegionNotes", 15, 20, 10, "13", v13, "ar-SA", K::available, "Arabic"},
        DecideCase{"arabicEgyptNotes", 15, 20, 10, "13", v13, "ar_EG", K::available, "Arabic"},
        DecideCase{"frenchGetsEnglish", 15, 20, 10, "13", v13, "fr", K::available, "English"},
        DecideCase{"emptyCodeGetsEnglish", 15, 20, 10, "13", v13, "", K::available, "English"},
        DecideCase{"latestBelowMinimum", 5, 3, 9, "13", v13, "en", K::required, "English"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VersionDecision, FallbackAddressInState)
{
    for (const char* bad : {"", "relative/path", "ftp://example.com/q"}) {
        const AppVersionInfo info{"9.0", 20, 1, "", bad, {"e", "a"}};
        const UpdateState s = UpdateDecision::decide(info, 5, std::nullopt, "en");
        EXPECT_EQ(s.url, APIClient::appendingPathComponent(APIClient::defaultBaseURL(), "download")) << bad;
    }
}

TEST(UpdateValues, StateEqualityAndAlertIdentity)
{
    const QUrl u("https://example.com/a");
    EXPECT_EQ(UpdateState::available("2", "n", u), UpdateState::available("2", "n", u));
    EXPECT_NE(UpdateState::available("2", "n", u), UpdateState::available("2", "other", u));
    EXPECT_NE(UpdateState::available("2", "n", u), UpdateState::required("2", "n", u));
    EXPECT_NE(UpdateState::unknown(), UpdateState::upToDate());

    EXPECT_EQ(UpdateAlert::available("2.1", "one", u).id(), "available-2.1");
    EXPECT_EQ(UpdateAlert::available("2.1", "one", u).id(), UpdateAlert::available("2.1", "two", u).id());
    EXPECT_NE(UpdateAlert::available("2.1", "one", u), UpdateAlert::available("2.1", "two", u));
    EXPECT_EQ(UpdateAlert::failed("x").id(), "failed");
    EXPECT_EQ(UpdateAlert::upToDate().id(), "upToDate");
}

}  // namespace
