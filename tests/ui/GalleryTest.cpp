// Renders every shared widget in light and dark, left to right and in Arabic, so the
// pictures can be looked at (build/artifacts/gallery-*.png).
#include "support/Render.h"
#include "ui/AdaptiveGridLayout.h"
#include "ui/CapabilityRowView.h"
#include "ui/Card.h"
#include "ui/Formatters.h"
#include "ui/ScoreRing.h"
#include "ui/Symbols.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {
struct Case {
    const char* language;
    Theme::Appearance appearance;
};

CapabilityItem item(const QString& label, const QString& value, CapabilityStatus status)
{
    return CapabilityItem::make(label, value, status, QString());
}

// The gallery page: one of each widget, in a column, with texts in the case's language.
std::unique_ptr<QWidget> gallery(const Localization& l)
{
    const bool ar = l.code == "ar";
    auto page = std::make_unique<QWidget>();
    page->setObjectName("gallery");
    auto* column = new QVBoxLayout(page.get());
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    auto* refresh = new QPushButton(ar ? QString::fromUtf8("تحديث") : QStringLiteral("Refresh"));
    column->addWidget(new ScreenHeader(QRL_SYMBOL("waveform.path.ecg"), ar ? QString::fromUtf8("المراقبة المباشرة") : "Live Monitor",
                                       ar ? QString::fromUtf8("يُحدَّث كل ثانية") : QStringLiteral("Updated every second · last 2 minutes"),
                                       Theme::brandGradient(), refresh));
    column->addWidget(new ScreenHeader(QRL_SYMBOL("clock.arrow.circlepath"), ar ? QString::fromUtf8("السجل") : "History", std::nullopt,
                                       Theme::brandGradient()));

    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(12);
    tiles->addWidget(new StatTile(12, l.tr("Supported"), QRL_SYMBOL("checkmark.circle.fill"), Theme::statusSupported()));
    tiles->addWidget(new StatTile(3, ar ? QString::fromUtf8("تحذيرات") : "Warnings", QRL_SYMBOL("exclamationmark.triangle.fill"),
                                  Theme::statusWarning()));
    tiles->addWidget(new StatTile(1, l.tr("Not supported"), QRL_SYMBOL("xmark.circle.fill"), Theme::statusUnsupported()));
    column->addLayout(tiles);

    auto* pills = new QWidget;
    auto* grid = new AdaptiveGridLayout(200, 12, 12, pills);
    grid->addWidget(new SpecPill(QRL_SYMBOL("cpu"), ar ? QString::fromUtf8("المعالج") : "Processor", "AMD Ryzen 9 7950X 16-Core Processor"));
    grid->addWidget(new SpecPill(QRL_SYMBOL("memorychip"), ar ? QString::fromUtf8("الذاكرة") : "Memory", "64 GB"));
    grid->addWidget(new SpecPill(QRL_SYMBOL("internaldrive"), ar ? QString::fromUtf8("التخزين") : "Storage", "2 TB <b>NVMe</b>"));
    grid->addWidget(new SpecPill(QRL_SYMBOL("apple.logo"), ar ? QString::fromUtf8("النظام") : "System", "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64"));
    column->addWidget(pills);

    auto* card = new CardFrame(16, 14);
    auto* rows = new QWidget;
    auto* rowsLayout = new QVBoxLayout(rows);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(0);
    rowsLayout->addWidget(new CapabilityRowView(item("Chip", "AMD Ryzen 9 7950X", CapabilityStatus::info), std::nullopt, l));
    rowsLayout->addWidget(new CapabilityRowView(item("Hardware ray tracing", l.tr("Supported"), CapabilityStatus::supported),
                                                QStringLiteral("Graphics & Metal"), l));
    rowsLayout->addWidget(new CapabilityRowView(item("Thermal state", "Serious", CapabilityStatus::warning), std::nullopt, l));
    rowsLayout->addWidget(new CapabilityRowView(
        item("Codecs", "H.264 decode + encode, HEVC decode only, AV1 decode only, VP9 none, ProRes none", CapabilityStatus::unsupported),
        std::nullopt, l));
    card->setContent(rows);
    column->addWidget(card);

    auto* rings = new QHBoxLayout;
    rings->setSpacing(24);
    rings->addWidget(new ScoreRing(0.72, 14, AngularGradient{{{0, Theme::brandPrimary()}, {1, Theme::brandSecondary()}}, 0}));
    rings->addWidget(new RingGauge(ar ? QString::fromUtf8("المعالج") : "CPU", 0.42, Formatters::percent(0.42, l), Theme::statusSupported(), 120));
    rings->addWidget(new RingGauge(ar ? QString::fromUtf8("الذاكرة") : "Memory", 0.91, Formatters::percent(0.91, l), Theme::statusWarning(), 90));
    rings->addWidget(new RingGauge("Swap", 0, Formatters::throughput(1500.7, l), Theme::statusUnsupported(), 90));
    rings->addWidget(new IconTile(QRL_SYMBOL("checklist"), 64, Theme::brandGradient()));
    rings->addWidget(new IconTile(QRL_SYMBOL("doc.richtext"), 36, Theme::goldGradient()));
    rings->addStretch(1);
    column->addLayout(rings);

    auto* emptyCard = new CardFrame(16, 14);
    emptyCard->setContent(new EmptyStateView(QRL_SYMBOL("square.on.square"), ar ? QString::fromUtf8("اختر عمليتي فحص للمقارنة") : "Pick two scans to compare",
                                             ar ? QString::fromUtf8("اختر عمليات الفحص في المخطط الزمني لترى ما أضيف أو أزيل أو تغيّر.")
                                                : QStringLiteral("Select scans in the timeline. The diff shows what was added, removed or changed between them.")));
    column->addWidget(emptyCard);
    column->addStretch(1);
    return page;
}

// Every symbol of the table, to check the glyph choices by eye.
std::unique_ptr<QWidget> symbolSheet()
{
    auto page = std::make_unique<QWidget>();
    page->setObjectName("symbols");
    auto* grid = new AdaptiveGridLayout(180, 8, 6, page.get());
    grid->setContentsMargins(16, 16, 16, 16);
    for (const QString& name : Symbols::names()) {
        auto* cell = new QWidget;
        auto* row = new QHBoxLayout(cell);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(new IconTile(name, 28, Theme::brandGradient()));
        auto* label = new QLabel(name);
        label->setTextFormat(Qt::PlainText);
        label->setFont(Theme::font(Theme::TextStyle::caption));
        row->addWidget(label, 1);
        grid->addWidget(cell);
    }
    return page;
}
}  // namespace

class Gallery : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { Theme::setReduceMotion(true); }
    void TearDown() override
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }
};

TEST_P(Gallery, RendersEveryWidget)
{
    const Case c = GetParam();
    const Localization l = Localization::forCode(c.language, "en_US");
    UiLanguage::Override language(l);
    Theme::setForcedAppearance(c.appearance);
    auto page = gallery(l);
    const QString path = renderToPng(*page, QSize(900, 1000), c.language, c.appearance);
    EXPECT_TRUE(QFileInfo(path).size() > 0) << path.toStdString();
}

INSTANTIATE_TEST_SUITE_P(LightDarkLtrRtl, Gallery,
                         ::testing::Values(Case{"en", Theme::Appearance::Light}, Case{"en", Theme::Appearance::Dark},
                                           Case{"ar", Theme::Appearance::Light}, Case{"ar", Theme::Appearance::Dark}),
                         [](const auto& info) {
                             return std::string(info.param.language) +
                                    (info.param.appearance == Theme::Appearance::Dark ? "_dark" : "_light");
                         });

TEST(SymbolSheet, RendersEveryGlyphOfTheTable)
{
    for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        Theme::setForcedAppearance(a);
        auto page = symbolSheet();
        EXPECT_TRUE(QFileInfo(renderToPng(*page, QSize(980, 560), "en", a)).size() > 0);
    }
    Theme::setForcedAppearance(std::nullopt);
}
