#include "platform/i18n/StringFormat.h"

#include <gtest/gtest.h>

TEST(StringFormat, FillsPlaceholdersInOnePass)
{
    struct Case {
        const char* pattern;
        std::initializer_list<FormatArg> args;
        const char* expected;
    };
    const Case cases[] = {
        {"Interface %@", {"en0"}, "Interface en0"},
        {"Supported: %lld · Not supported: %lld", {qint64(3), qint64(0)}, "Supported: 3 · Not supported: 0"},
        {"%2$@ before %1$@", {"one", "two"}, "two before one"},
        {"%1$lld of %2$lld", {qint64(1), qint64(9)}, "1 of 9"},
        {"100%% sure %d", {7}, "100% sure 7"},
        // A value holding a placeholder is never substituted again.
        {"Search: %@ and %@", {"%@", "%1$@"}, "Search: %@ and %1$@"},
        {"%@ ends with %", {"x"}, "x ends with %"},
        {"unknown %s stays", {"x"}, "unknown %s stays"},
        {"missing %@ %@", {"a"}, "missing a "},
        {"no placeholders", {"ignored"}, "no placeholders"},
        // Positions count from 1, in ASCII digits; anything else is no placeholder and never takes
        // the next value.
        {"%0$@ and %@", {"a", "b"}, "%0$@ and a"},
        {"%00$@", {"a"}, "%00$@"},
        {"%\u0661$@ and %@", {"a", "b"}, "%\u0661$@ and a"},
        {"%1\u0662$@", {"a"}, "%1\u0662$@"},
        {"%$@ stays", {"a"}, "%$@ stays"},
        {"%99999999999999999999$@ stays", {"a"}, "%99999999999999999999$@ stays"},
        {"%3$@ missing", {"a"}, " missing"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatString(QString::fromUtf8(c.pattern), c.args), QString::fromUtf8(c.expected)) << c.pattern;
    }
}
