#include "platform/JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

struct EscapeCase {
    const char* name;
    QString text;
    bool escapeSlashes;
    QByteArray expected;
};

void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }

class JsonWriterEscaping : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JsonWriterEscaping, QuotesLikeFoundation)
{
    const EscapeCase& c = GetParam();
    EXPECT_EQ(JsonWriter::quoted(c.text, c.escapeSlashes), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JsonWriterEscaping,
    ::testing::Values(
        EscapeCase{"plain", QStringLiteral("abc"), true, "\"abc\""},
        EscapeCase{"empty", QString(), true, "\"\""},
        EscapeCase{"slash", QStringLiteral("a/b//"), true, "\"a\\/b\\/\\/\""},
        EscapeCase{"slashUnescaped", QStringLiteral("https://x/y"), false, "\"https://x/y\""},
        EscapeCase{"quoteAndBackslash", QStringLiteral("say \"hi\" \\o/"), true, "\"say \\\"hi\\\" \\\\o\\/\""},
        EscapeCase{"shortEscapes", QStringLiteral("\b\f\n\r\t"), true, "\"\\b\\f\\n\\r\\t\""},
        EscapeCase{"otherControls", QString::fromUtf16(u"\u0000\u0001\u001b\u001f", 4), true, "\"\\u0000\\u0001\\u001b\\u001f\""},
        EscapeCase{"deleteIsRaw", QString(QChar(0x7f)), true, "\"\x7f\""},
        EscapeCase{"nonAsciiRaw", QString::fromUtf8("— · é ’ 中"), true, "\"— · é ’ 中\""},
        EscapeCase{"astralRaw", QString::fromUtf8("😀"), true, "\"\xF0\x9F\x98\x80\""},
        EscapeCase{"lineSeparatorRaw", QString(QChar(0x2028)), true, "\"\xE2\x80\xA8\""},
        EscapeCase{"loneSurrogateReplaced", QString(QChar(0xD800)) + QLatin1Char('a'), true, "\"\xEF\xBF\xBD" "a\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonWriter, CompactHasNoWhiteSpaceAndKeepsKeyOrder)
{
    JsonWriter w;
    w.beginObject();
    w.member(u"zeta", QStringLiteral("z"));
    w.memberInt(u"alpha", -42);
    w.key(u"list");
    w.beginArray();
    w.boolean(true);
    w.boolean(false);
    w.null();
    w.number(0.5);
    w.beginObject();
    w.endObject();
    w.beginArray();
    w.endArray();
    w.endArray();
    w.endObject();
    ASSERT_TRUE(w.complete());
    EXPECT_EQ(w.data(), QByteArray(R"({"zeta":"z","alpha":-42,"list":[true,false,null,0.5,{},[]]})"));
}

TEST(JsonWriter, PrettyUsesTwoSpacesAndSpacedColons)
{
    JsonWriter w({JsonWriter::Layout::pretty, false});
    w.beginObject();
    w.member(u"schema", QStringLiteral("https://x/y.json"));
    w.key(u"items");
    w.beginArray();
    w.beginObject();
    w.memberBool(u"volatile", false);
    w.endObject();
    w.integer(7);
    w.endArray();
    w.key(u"none");
    w.beginArray();
    w.endArray();
    w.key(u"nothing");
    w.beginObject();
    w.endObject();
    w.endObject();
    ASSERT_TRUE(w.complete());
    const QByteArray expected = "{\n"
                                "  \"schema\" : \"https://x/y.json\",\n"
                                "  \"items\" : [\n"
                                "    {\n"
                                "      \"volatile\" : false\n"
                                "    },\n"
                                "    7\n"
                                "  ],\n"
                                "  \"none\" : [\n"
                                "\n"
                                "  ],\n"
                                "  \"nothing\" : {\n"
                                "\n"
                                "  }\n"
                                "}";
    EXPECT_EQ(w.data(), expected);
}

TEST(JsonWriter, TopLevelScalarsAndEmptyArrays)
{
    JsonWriter compact;
    compact.beginArray();
    compact.endArray();
    EXPECT_EQ(compact.data(), QByteArray("[]"));

    JsonWriter pretty({JsonWriter::Layout::pretty, true});
    pretty.beginArray();
    pretty.endArray();
    EXPECT_EQ(pretty.data(), QByteArray("[\n\n]"));

    JsonWriter scalar;
    scalar.string(u"a/b");
    EXPECT_TRUE(scalar.complete());
    EXPECT_EQ(scalar.data(), QByteArray("\"a\\/b\""));
}

struct DoubleCase {
    double value;
    const char* expected;
};

TEST(JsonWriter, DoublesInShortestRoundTripForm)
{
    const DoubleCase cases[] = {
        {1.0, "1"},      {-2.0, "-2"},          {0.5, "0.5"},      {0.1, "0.1"},         {1.0 / 3, "0.3333333333333333"},
        {123.456, "123.456"}, {0.0001, "0.0001"}, {0.00001, "1e-05"}, {1e15, "1000000000000000"}, {1e16, "1e+16"},
        {1.5e300, "1.5e+300"}, {0.0, "0"},       {-0.0, "-0"},
    };
    for (const DoubleCase& c : cases) {
        EXPECT_EQ(JsonWriter::formatDouble(c.value), QByteArray(c.expected)) << c.expected;
        EXPECT_EQ(JsonWriter::formatDouble(c.value).toDouble(), c.value) << c.expected;
    }
}

struct MisuseCase {
    const char* name;
    std::function<void(JsonWriter&)> write;
};

TEST(JsonWriter, MisuseFailsTheDocument)
{
    const MisuseCase cases[] = {
        {"valueWithoutKey", [](JsonWriter& w) { w.beginObject(); w.integer(1); w.endObject(); }},
        {"keyInArray", [](JsonWriter& w) { w.beginArray(); w.key(u"a"); w.integer(1); w.endArray(); }},
        {"keyWithoutValue", [](JsonWriter& w) { w.beginObject(); w.key(u"a"); w.endObject(); }},
        {"twoKeys", [](JsonWriter& w) { w.beginObject(); w.key(u"a"); w.key(u"b"); w.integer(1); w.endObject(); }},
        {"wrongCloser", [](JsonWriter& w) { w.beginObject(); w.endArray(); }},
        {"closeNothing", [](JsonWriter& w) { w.endObject(); }},
        {"twoTopValues", [](JsonWriter& w) { w.integer(1); w.integer(2); }},
        {"notANumber", [](JsonWriter& w) { w.beginArray(); w.number(std::nan("")); w.endArray(); }},
        {"infinity", [](JsonWriter& w) { w.beginArray(); w.number(std::numeric_limits<double>::infinity()); w.endArray(); }},
    };
    for (const MisuseCase& c : cases) {
        JsonWriter w;
        c.write(w);
        EXPECT_FALSE(w.complete()) << c.name;
    }
    JsonWriter unclosed;
    unclosed.beginArray();
    EXPECT_TRUE(unclosed.ok());
    EXPECT_FALSE(unclosed.complete());
}

}  // namespace
