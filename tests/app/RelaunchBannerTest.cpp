// The relaunch banner's button keeps its text clear of its frame in every script, and the
// picker and banner read their texts from the one interface-language path.
#include "app/LanguageManager.h"
#include "app/LanguagePicker.h"
#include "platform/Preferences.h"
#include "ui/UiLanguage.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(RelaunchBanner, TheButtonFitsItsShapedTextInEveryScript)
{
    Preferences prefs{QString()};
    LanguageManager language(prefs, [] { return QStringList{QStringLiteral("en")}; });
    language.setLauncher([] {});
    UiLanguage::setProvider([&language] { return language.localization(); });
    for (const char* code : {"en", "ar", "hi", "ja", "de"}) {
        SCOPED_TRACE(code);
        language.select(QString::fromLatin1(code));
        RelaunchBanner banner(language);
        banner.setLayoutDirection(language.layoutDirection());
        banner.resize(476, 80);
        banner.show();
        QApplication::processEvents();
        QPushButton* button = banner.relaunchButton();
        EXPECT_EQ(button->text(), language.localization().tr("Relaunch Now"));
        const QRect shaped = QFontMetrics(button->font()).boundingRect(button->text());
        EXPECT_GE(button->height(), shaped.height() + 2 * RelaunchBanner::kButtonPaddingY);
        EXPECT_GE(button->width(), shaped.width() + 2 * RelaunchBanner::kButtonPaddingX);
        EXPECT_LE(button->geometry().bottom(), banner.height());
    }
    // A render in a language other than the manager's reads that language throughout.
    language.select(QStringLiteral("en"));
    {
        UiLanguage::Override german(Localization::forCode(QStringLiteral("de"), QStringLiteral("de_DE")));
        RelaunchBanner banner(language);
        EXPECT_EQ(banner.relaunchButton()->text(), UiLanguage::current().tr("Relaunch Now"));
        EXPECT_NE(banner.relaunchButton()->text(), QStringLiteral("Relaunch Now"));
    }
    UiLanguage::setProvider({});
}
