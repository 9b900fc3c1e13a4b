// The screens' painted texts in every script: the category card's title, the battery ring's
// caption and percentage, the condition pill, the capacity bars and the fact tiles put down
// the shaped line QTextLayout gives for their text and font, whole; and the tray panel's rows.
#include "inspection/BatteryHealthProbe.h"
#include "monitor/MenuBarMonitorView.h"
#include "monitor/ChartCard.h"
#include "monitor/MonitorModel.h"
#include "screens/BatteryHealthView.h"
#include "screens/CategoryCard.h"
#include "support/TextRecorder.h"
#include "ui/Formatters.h"
#include "ui/PaintedText.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QLabel>
#include <QLayout>

#include <gtest/gtest.h>

namespace {

const char* const kCodes[] = {"hi", "ar", "ja", "ko", "zh-Hans", "ru"};

Localization lang(const char* code) { return Localization::forCode(code, "en_US"); }

BatteryHealthReport battery(const Localization& l)
{
    BatteryHealthReport r;
    r.maxCapacity = 4200;
    r.designCapacity = 5000;
    r.healthPercent = 0.84;
    r.cycleCount = 312;
    r.designCycleCount = 1000;
    r.condition = l.tr("Service recommended");
    r.temperatureCelsius = 29.8;
    r.chargePercent = 0.5;
    r.isPluggedIn = true;
    r.adapterWatts = 65;
    return r;
}

void lay(QWidget& w, QSize size)
{
    w.setAttribute(Qt::WA_DontShowOnScreen);
    w.resize(size);
    w.show();
    if (w.layout()) w.layout()->activate();
}

}  // namespace

TEST(PaintedScripts, CategoryCardTitle)
{
    for (const char* code : kCodes) {
        SCOPED_TRACE(code);
        const Localization l = lang(code);
        UiLanguage::Override language(l);
        const QString title = l.tr("Processor & Memory");
        SectionSummaryCard card(CapabilitySection::make(title, "cpu"), {});
        card.setLayoutDirection(l.layoutDirection());
        lay(card, QSize(320, card.sizeHint().height()));
        EXPECT_TRUE(drawsShapedAndWhole(card, title, Theme::font(Theme::TextStyle::callout, QFont::DemiBold), l.layoutDirection()));
    }
}

TEST(PaintedScripts, BatteryRingPillBarsAndTiles)
{
    for (const char* code : kCodes) {
        SCOPED_TRACE(code);
        const Localization l = lang(code);
        UiLanguage::Override language(l);
        BatteryHealthContent content{BatteryModel(battery(l))};
        content.setLayoutDirection(l.layoutDirection());
        lay(content, QSize(1000, content.sizeHint().height()));
        const QFont callout = Theme::font(Theme::TextStyle::callout);
        const QFont caption = Theme::font(Theme::TextStyle::caption);
        const std::pair<QString, QFont> texts[] = {
            {l.tr("Health"), callout},                                             // the ring's caption
            {Formatters::percent(0.84, l), Theme::systemFont(38, QFont::Bold)},   // the ring's percentage
            {l.tr("Service recommended"), Theme::font(Theme::TextStyle::body, QFont::DemiBold)},  // the pill
            {l.tr("Maximum capacity"), callout},
            {l.tr("Design capacity"), callout},
            {l.tr("Charge cycles"), caption},
            {l.tr("Power source"), caption},
            {Formatters::percent(0.5, l), Theme::font(Theme::TextStyle::body, QFont::DemiBold)},  // a tile's value
        };
        const QList<RecordedText> recorded = recordTexts(content);
        for (const auto& [text, font] : texts)
            EXPECT_TRUE(drawsShapedAndWhole(recorded, content.size(), text, font, l.layoutDirection())) << text.toStdString();
    }
}

TEST(PaintedScripts, TrayPanelChartRow)
{
    for (const char* code : kCodes) {
        SCOPED_TRACE(code);
        const Localization l = lang(code);
        UiLanguage::Override language(l);
        MiniChartRow row(Theme::Color::brandPrimary);
        row.setLayoutDirection(l.layoutDirection());
        const QString title = l.tr("Memory");
        const QString value = Formatters::percent(0.42, l);
        row.set(title, value, {});
        lay(row, QSize(300, row.sizeHint().height()));
        EXPECT_TRUE(drawsShapedAndWhole(row, title, Theme::font(Theme::TextStyle::caption), l.layoutDirection()));
        EXPECT_TRUE(drawsShapedAndWhole(row, value, Theme::font(Theme::TextStyle::title3, QFont::DemiBold), l.layoutDirection()));
    }
}

TEST(PaintedScripts, AccentsOverCapitalsKeepTheirTop)
{
    // "État" by the condition pill; accents over small letters on the fact tiles.
    const std::pair<const char*, const char*> cases[] = {{"fr", "Condition"}, {"fr", "Temperature"}, {"de", "Health"}};
    for (const auto& [code, key] : cases) {
        SCOPED_TRACE(std::string(code) + " " + key);
        const Localization l = lang(code);
        UiLanguage::Override language(l);
        BatteryHealthContent content{BatteryModel(battery(l))};
        lay(content, QSize(1000, content.sizeHint().height()));
        const QByteArray k(key);
        const QFont font = k == "Condition" ? Theme::font(Theme::TextStyle::body)
                           : k == "Health"  ? Theme::font(Theme::TextStyle::callout)
                                            : Theme::font(Theme::TextStyle::caption);
        EXPECT_TRUE(drawsShapedAndWhole(content, l.tr(key), font, Qt::LeftToRight));
    }
}

TEST(PaintedScripts, ATileValueTooWideEndsInAnEllipsisNeverMidLetter)
{
    const Localization l = lang("it");
    UiLanguage::Override language(l);
    BatteryHealthReport report = battery(l);
    report.isCharging = false;
    report.isPluggedIn = true;
    BatteryHealthContent content{BatteryModel(report)};
    const QString plugged = l.tr("Plugged in");
    ASSERT_EQ(plugged, QString::fromUtf8("Collegato all’alimentazione"));
    bool elided = false;
    for (int width = 860; width <= 960; width += 10) {
        SCOPED_TRACE(width);
        lay(content, QSize(width, content.sizeHint().height()));
        bool found = false;
        for (QLabel* value : content.findChildren<QLabel*>(QStringLiteral("value"))) {
            const QString shown = value->text();
            const qreal room = value->contentsRect().width();
            EXPECT_LE(PaintedText::width(value->font(), shown), room + 0.5) << shown.toStdString();
            if (shown == plugged || (shown.endsWith(QChar(0x2026)) && plugged.startsWith(shown.chopped(1)))) {
                found = true;
                elided |= shown != plugged;
            }
        }
        EXPECT_TRUE(found);
    }
    // Some of those widths are too narrow for the whole text: it is shortened, not cut.
    EXPECT_TRUE(elided);
}

TEST(PaintedScripts, AChartCardsReadingUsesTheRoomBesideItsTitle)
{
    for (const char* code : {"en", "ar", "hi"}) {
        SCOPED_TRACE(code);
        const Localization l = lang(code);
        UiLanguage::Override language(l);
        const QString reading = MonitorTexts::networkValue(179'000, 24'000, l);
        ChartCard card(l.tr("Network"), reading, std::nullopt, new QWidget);
        card.setLayoutDirection(l.layoutDirection());
        lay(card, QSize(448, card.sizeHint().height()));
        auto* value = card.findChild<ElidedText*>(QStringLiteral("value"));
        ASSERT_TRUE(value);
        const qreal room = card.contentsRect().width() - 32 - card.findChild<QLabel*>(QStringLiteral("title"))->width() - 8;
        ASSERT_GT(room, PaintedText::width(value->font(), reading) + 10);  // the card has room for it
        EXPECT_EQ(value->shownText(), PaintedText::forLayout(reading)) << value->width();
    }
}
