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
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatString(QString::fromUtf8(c.pattern), c.args), QString::fromUtf8(c.expected)) << c.pattern;
    }
}
