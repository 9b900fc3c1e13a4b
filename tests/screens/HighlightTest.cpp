// Highlight.derive over hand-made sections: every rule, the value gate of AV1 in English
// and German, ray tracing over Metal 3, per-display prefixes, the limit, exact comparisons.
#include "screens/Highlight.h"

#include "OverviewFixtures.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

using ScreenFixtures::item;
using S = CapabilityStatus;

namespace {
const Localization& german()
{
    static const StringTable table = StringTable::fromJson(QString::fromUtf8(R"({
        "Decode + encode": "Dekodieren + Kodieren",
        "Decode only": "Nur Dekodieren",
        "Hardware AV1 decode": "AV1-Hardwaredekodierung",
        "Hardware ray tracing": "Hardware-Raytracing",
        "Refresh rate": "Bildwiederholrate",
        "High refresh rate display": "Display mit hoher Bildrate",
        "Neural Engine": "Neural Engine",
        "Apple Intelligence ready": "Apple Intelligence bereit",
        "Décodage": "Décodage"
    })").toUtf8());
    static const Localization l{QStringLiteral("de"), &table, QStringLiteral("de_DE")};
    return l;
}

const Localization& french()
{
    // "Décodage + encodage" composed in the table.
    static const StringTable table = StringTable::fromJson(QString::fromUtf8(
        "{\"Decode + encode\": \"D\u00e9codage + encodage\", \"Hardware AV1 decode\": \"D\u00e9codage AV1 mat\u00e9riel\"}").toUtf8());
    static const Localization l{QStringLiteral("fr"), &table, QStringLiteral("fr_FR")};
    return l;
}

QStringList titles(const QList<Highlight>& list)
{
    QStringList t;
    for (const Highlight& h : list) t << h.title;
    return t;
}

QList<CapabilitySection> one(QList<CapabilityItem> items)
{
    return {CapabilitySection::make(QStringLiteral("Section"), QStringLiteral("cpu"), std::move(items))};
}

struct Case {
    const char* name;
    QList<CapabilitySection> sections;
    const Localization* language;
    QStringList expected;
};

QList<CapabilitySection> allEight()
{
    return {
        CapabilitySection::make("Artificial Intelligence", "sparkles", {item("Apple Intelligence", "Ready", S::supported)}),
        CapabilitySection::make("Hardware Video Acceleration", "film",
                                {item("ProRes", "Decode + encode", S::supported), item("AV1", "Decode only", S::supported)}),
        CapabilitySection::make("Graphics & Metal", "square.stack.3d.up",
                                {item("Metal 3", "Supported", S::supported), item("Hardware ray tracing", "Supported", S::supported)}),
        CapabilitySection::make("Displays", "display",
                                {item("Refresh rate (1)", "120 Hz", S::supported), item("HDR / EDR (1)", "Supported", S::supported)}),
        CapabilitySection::make("Processor & Memory", "cpu", {item("Neural Engine", "Available", S::supported)}),
        CapabilitySection::make("Security", "lock.shield", {item("Touch ID", "Available and enabled", S::supported)}),
    };
}
}  // namespace

TEST(Highlight, RulesOverSections)
{
    const Localization en = Localization::english();
    const QString composedValue = QString::fromUtf8("D\u00e9codage + encodage");
    const QString decomposedValue = QString::fromUtf8("De\u0301codage + encodage");
    const Case cases[] = {
        {"no sections", {}, &en, {}},
        {"nothing supported", one({item("Touch ID", "Not available", S::unsupported), item("AV1", "Software only", S::unsupported)}), &en, {}},
        {"unsupported then supported", one({item("Apple Intelligence", "Requires macOS 26", S::unsupported),
                                            item("Apple Intelligence", "Ready", S::supported)}), &en, {"Apple Intelligence ready"}},
        {"av1 decode + encode", one({item("AV1", "Decode + encode", S::supported)}), &en, {"Hardware AV1 decode"}},
        {"av1 decode only", one({item("AV1", "Decode only", S::supported)}), &en, {"Hardware AV1 decode"}},
        {"av1 encode only", one({item("AV1", "Encode only", S::supported)}), &en, {}},
        {"av1 value in other case", one({item("AV1", "decode only", S::supported)}), &en, {}},
        {"av1 value with a trailing space", one({item("AV1", "Decode only ", S::supported)}), &en, {}},
        {"av1 unsupported with a good value", one({item("AV1", "Decode only", S::unsupported)}), &en, {}},
        {"only the first supported av1 counts", one({item("AV1", "Encode only", S::supported), item("AV1", "Decode only", S::supported)}),
         &en, {}},
        {"av1 in German", one({item("AV1", "Nur Dekodieren", S::supported)}), &german(), {"AV1-Hardwaredekodierung"}},
        {"av1 English value under German", one({item("AV1", "Decode only", S::supported)}), &german(), {}},
        {"av1 value canonically equivalent", one({item("AV1", decomposedValue, S::supported)}), &french(),
         {QString::fromUtf8("D\u00e9codage AV1 mat\u00e9riel")}},
        {"av1 composed value", one({item("AV1", composedValue, S::supported)}), &french(), {QString::fromUtf8("D\u00e9codage AV1 mat\u00e9riel")}},
        {"prores", one({item("ProRes", "Decode + encode", S::supported)}), &en, {"ProRes acceleration"}},
        {"ray tracing over metal 3", one({item("Metal 3", "Supported", S::supported), item("Hardware ray tracing", "Supported", S::supported)}),
         &en, {"Hardware ray tracing"}},
        {"metal 3 without ray tracing", one({item("Hardware ray tracing", "Not supported", S::unsupported), item("Metal 3", "Supported", S::supported)}),
         &en, {"Metal 3 graphics"}},
        {"ray tracing label localised", one({item("Hardware-Raytracing", "Ja", S::supported)}), &german(), {"Hardware-Raytracing"}},
        {"ray tracing English label under German", one({item("Hardware ray tracing", "Ja", S::supported), item("Metal 3", "Ja", S::supported)}),
         &german(), {"Metal 3 graphics"}},
        {"refresh rate of one display", one({item("Refresh rate", "120 Hz", S::supported)}), &en, {"High refresh rate display"}},
        {"refresh rate with a display suffix", one({item("Refresh rate (1)", "60 Hz", S::info), item("Refresh rate (2)", "144 Hz", S::supported)}),
         &en, {"High refresh rate display"}},
        {"refresh rate at 60 Hz", one({item("Refresh rate", "60 Hz", S::info)}), &en, {}},
        {"refresh rate prefix localised", one({item("Bildwiederholrate (2)", "120 Hz", S::supported)}), &german(), {"Display mit hoher Bildrate"}},
        {"refresh rate in lower case", one({item("refresh rate", "120 Hz", S::supported)}), &en, {}},
        {"hdr with a display suffix", one({item("HDR / EDR (2)", "Supported", S::supported)}), &en, {"HDR display"}},
        {"hdr unsupported", one({item("HDR / EDR", "Not supported", S::unsupported)}), &en, {}},
        {"neural engine", one({item("Neural Engine", "Available", S::supported)}), &en, {"Neural Engine"}},
        {"neural engine needs the whole label", one({item("Neural Engine cores", "16", S::supported)}), &en, {}},
        {"touch id", one({item("Touch ID", "Available and enabled", S::supported)}), &en, {"Touch ID"}},
        {"touch id in German stays", one({item("Touch ID", "Verfügbar", S::supported)}), &german(), {"Touch ID"}},
        {"touch id in lower case", one({item("touch ID", "Available", S::supported)}), &en, {}},
        {"apple intelligence in lower case", one({item("apple intelligence", "Ready", S::supported)}), &en, {}},
        {"all eight in rule order", allEight(), &en,
         {"Apple Intelligence ready", "Hardware AV1 decode", "ProRes acceleration", "Hardware ray tracing",
          "High refresh rate display", "HDR display", "Neural Engine", "Touch ID"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(titles(Highlight::derive(c.sections, *c.language)), c.expected);
    }
}

TEST(Highlight, SymbolsIdentityAndLimit)
{
    const QList<Highlight> list = Highlight::derive(allEight(), Localization::english());
    ASSERT_EQ(list.size(), Highlight::kLimit);
    QStringList symbols;
    for (const Highlight& h : list) symbols << h.symbol;
    EXPECT_EQ(symbols, (QStringList{"sparkles", "play.rectangle", "film.stack", "light.max", "display", "sun.max", "brain", "touchid"}));
    EXPECT_EQ(list.first().id(), list.first().title);
    // Every rule fires at most once: twice the items still gives eight.
    QList<CapabilitySection> twice = allEight() + allEight();
    EXPECT_EQ(Highlight::derive(twice, Localization::english()).size(), 8);
    const Highlight metal = Highlight::derive(one({item("Metal 3", "Supported", S::supported)}), Localization::english()).value(0);
    EXPECT_EQ(metal.symbol, "cube.transparent");
}

TEST(Highlight, RichLaptopFiresEveryRule)
{
    ScreenFixtures::Inspection inspection(ScreenFixtures::Inspection::Kind::richLaptop);
    EXPECT_EQ(titles(Highlight::derive(inspection.model().sections(), Localization::english())),
              (QStringList{"Apple Intelligence ready", "Hardware AV1 decode", "ProRes acceleration", "Hardware ray tracing",
                           "High refresh rate display", "HDR display", "Neural Engine", "Touch ID"}));
}

TEST(HighlightChip, FillsItsCellWithTheTitleAsTooltip)
{
    HighlightChip chip({QStringLiteral("touchid"), QStringLiteral("Touch ID")});
    EXPECT_EQ(chip.toolTip(), "Touch ID");
    EXPECT_EQ(chip.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    // Padding 8 above and below around one line of the callout font.
    EXPECT_GE(chip.sizeHint().height(), 16 + QFontMetrics(Theme::font(Theme::TextStyle::callout, QFont::Medium)).height());
    chip.setHighlight({QStringLiteral("brain"), QStringLiteral("Neural Engine")});
    EXPECT_EQ(chip.toolTip(), "Neural Engine");
}
