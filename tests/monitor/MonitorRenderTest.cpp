// Pictures of the live monitor page and the tray panel to look at (build/artifacts/monitor-*):
// real samples of this machine and the fixture laptop (16 cores, battery discharging,
// warm), light and dark, English and Arabic. They check only that a picture was made.
#include "HandDrivenLoop.h"
#include "MonitorSamples.h"
#include "monitor/LiveMonitorView.h"
#include "monitor/MenuBarMonitorView.h"
#include "monitor/ChartCard.h"
#include "monitor/LiveChart.h"
#include "monitor/LivePulse.h"
#include "monitor/PerCoreBars.h"
#include "ui/BusyIndicator.h"
#include "monitor/MonitorTrayItem.h"
#include "support/AnimationClock.h"
#include "support/Render.h"
#include "ui/UiLanguage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QScrollArea>

#include <gtest/gtest.h>

namespace {

struct Look {
    const char* language;
    Theme::Appearance appearance;
};
const Look kLooks[] = {{"en", Theme::Appearance::Light}, {"en", Theme::Appearance::Dark},
                       {"ar", Theme::Appearance::Light}, {"ar", Theme::Appearance::Dark}};

const QList<MonitorSample>& machineSamples()
{
    static const QList<MonitorSample> samples = thisMachineSamples(8, 250);
    return samples;
}

void renderAll(const QString& name, const QList<MonitorSample>& samples, QSize pageSize)
{
    // Rings and bars at their values, not halfway through their animations.
    FakeAnimationClock clock;
    for (const Look& look : kLooks) {
        UiLanguage::Override language(Localization::forCode(look.language, QStringLiteral("en_US")));
        Theme::setForcedAppearance(look.appearance);
        HandDrivenMonitor m;
        m.now = samples.last().date;
        {
            LiveMonitorView page(m.monitor);
            page.setLayoutDirection(Localization::forCode(look.language).layoutDirection());
            page.resize(pageSize);
            page.show();
            m.feed(samples);
            QCoreApplication::processEvents();  // the rings built with the first sample come on screen
            clock.advance(1000);
            const QString path = renderToPng(page, pageSize, look.language, look.appearance, "monitor-page-" + name);
            EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
        }
        {
            MenuBarMonitorView panel(m.monitor);
            panel.setLayoutDirection(Localization::forCode(look.language).layoutDirection());
            panel.show();
            panel.adjustSize();
            const QString path = renderToPng(panel, panel.size(), look.language, look.appearance, "monitor-panel-" + name);
            EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
        }
    }
    Theme::setForcedAppearance(std::nullopt);
}

TEST(MonitorRender, FixtureLaptop)
{
    const QDateTime last(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    renderAll("laptop", fixtureLaptopSamples(120, last), QSize(940, 1180));
}

TEST(MonitorRender, ThisMachine)
{
    renderAll("machine", machineSamples(), QSize(940, 1180));
}

TEST(MonitorRender, NarrowPageAndManyCores)
{
    QList<MonitorSample> samples;
    const QDateTime start(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    for (int i = 0; i < 120; ++i) {
        MonitorSample s = plainSample(start.addSecs(i), 0.3 + 0.2 * std::sin(i / 7.0), 256);
        for (int c = 0; c < 256; ++c) s.perCoreUsage[c] = 0.5 + 0.5 * std::sin(c / 5.0 + i);
        s.networkInPerSecond = 1.2e9 * (0.5 + 0.5 * std::sin(i / 11.0));
        s.networkOutPerSecond = 12e6;
        samples << s;
    }
    FakeAnimationClock clock;
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.resize(640, 1180);
    page.show();
    m.feed(samples);
    QCoreApplication::processEvents();
    clock.advance(1000);
    EXPECT_TRUE(QFileInfo::exists(renderToPng(page, QSize(640, 1180), "en", Theme::Appearance::Light, "monitor-page-256cores")));
    page.resize(1180, 1100);
    EXPECT_TRUE(QFileInfo::exists(renderToPng(page, QSize(1180, 1100), "en", Theme::Appearance::Dark, "monitor-page-256cores-wide")));
    // The placeholder face.
    HandDrivenMonitor idle;
    LiveMonitorView waiting(idle.monitor);
    EXPECT_TRUE(QFileInfo::exists(renderToPng(waiting, QSize(700, 500), "en", Theme::Appearance::Light, "monitor-page-collecting")));
    MenuBarMonitorView panel(idle.monitor);
    panel.show();
    panel.adjustSize();
    EXPECT_TRUE(QFileInfo::exists(renderToPng(panel, panel.size(), "en", Theme::Appearance::Dark, "monitor-panel-collecting")));
    // The tray icons at the sizes desktops use.
    QImage icons(6 * 70, 70, QImage::Format_ARGB32);
    icons.fill(Qt::gray);
    {
        QPainter p(&icons);
        int x = 2;
        for (std::optional<int> load : {std::optional<int>(), std::optional<int>(7), std::optional<int>(42), std::optional<int>(100)}) {
            for (int size : {16, 22, 32}) {
                p.drawImage(x, 2, MonitorTrayItem::iconImage(load, size));
                x += size + 4;
            }
        }
    }
    icons.save(artifactsDir() + "/monitor-tray-icons.png");
}

}  // namespace

// The German card values at the main window's minimum width (860, so a detail pane of about
// 560 to 650): each value is shown whole or elided with "…", inside its card, never cut.
TEST(MonitorRender, GermanCardValuesAtTheMinimumWidth)
{
    FakeAnimationClock clock;
    UiLanguage::Override language(Localization::forCode(QStringLiteral("de"), QStringLiteral("de_DE")));
    const QDateTime last(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    QList<MonitorSample> samples = fixtureLaptopSamples(120, last);
    // Large figures: the longest texts these cards show.
    for (MonitorSample& s : samples) {
        s.memoryUsed = 123'400'000'000;
        s.memoryTotal = 137'400'000'000;
        s.swapUsed = 12'340'000'000;
        s.networkInPerSecond = 987'600'000;
        s.networkOutPerSecond = 876'500'000;
    }
    for (int width : {560, 624, 650}) {
        HandDrivenMonitor m;
        m.now = samples.last().date;
        LiveMonitorView page(m.monitor);
        page.resize(width, 1100);
        page.show();
        m.feed(samples);
        QCoreApplication::processEvents();
        clock.advance(1000);
        const QString path = renderToPng(page, QSize(width, 1100), "de", Theme::Appearance::Light,
                                         QStringLiteral("monitor-page-de-%1").arg(width));
        EXPECT_TRUE(QFileInfo::exists(path));
        for (ChartCard* card : {page.content()->processorCard(), page.content()->memoryCard(), page.content()->networkCard()}) {
            for (const char* name : {"value", "footnote"}) {
                auto* text = card->findChild<ElidedText*>(QString::fromLatin1(name));
                ASSERT_NE(text, nullptr);
                if (text->isHidden()) continue;
                const QString shown = text->shownText();
                const QFontMetricsF fm(text->font());
                SCOPED_TRACE(QStringLiteral("%1 %2 at %3: %4").arg(card->objectName(), QString::fromLatin1(name)).arg(width).arg(shown).toStdString());
                // Whole, or elided with the ellipsis; in either case within the widget.
                EXPECT_TRUE(shown == text->text() || shown.endsWith(QChar(0x2026)));
                EXPECT_FALSE(shown.isEmpty());
                EXPECT_LE(fm.horizontalAdvance(shown), text->width() + 0.5);
                // As tall as its line, and inside the card's content.
                EXPECT_GE(text->height(), int(fm.height()));
                const QRect inCard(text->mapTo(card, QPoint(0, 0)), text->size());
                EXPECT_TRUE(card->rect().contains(inCard));
            }
        }
        // The long values keep every figure: on a line of their own when the row is short.
        for (ChartCard* card : {page.content()->memoryCard(), page.content()->networkCard()}) {
            auto* value = card->findChild<ElidedText*>(QStringLiteral("value"));
            EXPECT_EQ(value->shownText(), value->text()) << card->objectName().toStdString() << " at " << width;
        }
    }
}
