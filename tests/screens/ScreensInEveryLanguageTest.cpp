// The screens with painted texts in all thirteen languages, light and dark: rendered to look
// at, and checked that no one-line text is cut (every label holds its shaped line, across and
// up and down) and that the fact tiles of a row stand equally tall.
#include "OverviewFixtures.h"
#include "app/TranslatedScreens.h"

#include "app/LanguageManager.h"
#include "app/AppRouter.h"
#include "inspection/BatteryHealthProbe.h"
#include "platform/Preferences.h"
#include "reports/ReportsView.h"
#include "screens/BatteryHealthView.h"
#include "screens/OverviewView.h"
#include "support/Render.h"
#include "ui/PaintedText.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMap>

#include <gtest/gtest.h>

namespace {
const char* const kLanguages[] = {"en", "ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"};

// The translated screens' worn battery, plugged in but not charging: "Plugged in" is the
// longest power text in several languages.
BatteryHealthReport worn(const Localization& l)
{
    BatteryHealthReport r = translated::worn(l);
    r.isCharging = false;
    r.serialNumber.reset();
    return r;
}

// Every visible one-line label under `root` holds its text's shaped line.
void expectLabelsHoldTheirText(QWidget& root)
{
    for (QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&root) || label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText)
            continue;
        const PaintedText::LineMetrics line = PaintedText::measure(label->font(), label->text());
        const QRect room = label->contentsRect();
        EXPECT_LE(line.width, room.width() + 1.0) << label->objectName().toStdString() << " " << label->text().toStdString();
        EXPECT_LE(line.ascent + line.descent, room.height() + 0.5) << label->objectName().toStdString() << " "
                                                                   << label->text().toStdString();
    }
}

void expectPng(const QString& path) { EXPECT_GT(QFileInfo(path).size(), 1000) << path.toStdString(); }
}  // namespace

TEST(ScreensInEveryLanguage, BatteryHealth)
{
    Theme::setReduceMotion(true);
    for (const char* code : kLanguages) {
        SCOPED_TRACE(code);
        const Localization l = Localization::forCode(code, "en_US");
        UiLanguage::Override language(l);
        BatteryHealthContent content{BatteryModel(worn(l))};
        content.setLayoutDirection(l.layoutDirection());
        for (int width : {880, 910, 940, 1060}) {
            SCOPED_TRACE(width);
            for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
                const int height = qMax(content.heightForWidth(width), content.sizeHint().height());
                expectPng(renderToPng(content, QSize(width, height), code, a, QStringLiteral("scripts-battery-%1").arg(width)));
            }
            expectLabelsHoldTheirText(content);
            // The tiles of a row are as tall as each other, a percentage's among them.
            QMap<int, QList<int>> rows;
            for (QWidget* tile : content.findChildren<QWidget*>(QStringLiteral("factTile"))) rows[tile->y()] << tile->height();
            for (const QList<int>& heights : rows)
                for (int h : heights) EXPECT_EQ(h, heights.first());
        }
    }
    Theme::setReduceMotion(std::nullopt);
    Theme::setForcedAppearance(std::nullopt);
}

TEST(ScreensInEveryLanguage, OverviewAndReports)
{
    Theme::setReduceMotion(true);
    for (const char* code : kLanguages) {
        SCOPED_TRACE(code);
        const Localization l = Localization::forCode(code, "en_US");
        UiLanguage::Override language(l);
        ScreenFixtures::Inspection inspection(ScreenFixtures::Inspection::Kind::richLaptop);
        Preferences prefs;
        LanguageManager manager(prefs, [] { return QStringList{"en_US"}; });
        AppRouter router;
        OverviewView overview(inspection.model(), manager, router);
        overview.setLayoutDirection(l.layoutDirection());
        ReportsView reports(inspection.model());
        reports.setLayoutDirection(l.layoutDirection());
        for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
            expectPng(renderToPng(overview, QSize(960, 1400), code, a, QStringLiteral("scripts-overview")));
            expectPng(renderToPng(reports, QSize(960, 1000), code, a, QStringLiteral("scripts-reports")));
        }
        expectLabelsHoldTheirText(overview);
    }
    Theme::setReduceMotion(std::nullopt);
    Theme::setForcedAppearance(std::nullopt);
}
