// The type of the PDF and the windows: one text face with real medium and semibold
// weights, and monospaced digits that keep that face where it has the digits.
#include "PdfTools.h"
#include "ReportFixtures.h"

#include "reports/ReportExporter.h"
#include "ui/Theme.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QStringList fontNames(const QByteArray& pdf)
{
    const PdfTools::Document doc(pdf);
    QStringList names;
    const QStringList lines = doc.fonts().split('\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QString name = lines[i].section(' ', 0, 0).trimmed();
        if (!name.isEmpty()) names << name.section('+', -1);  // without a subset tag
    }
    return names;
}

QByteArray pdf(const ReportFixtures::Inspection& i, const Localization& L)
{
    const ReportExporter::PdfResult result = ReportExporter::pdf(i.summary, i.sections, ReportFixtures::reportDate(), L, "US");
    const QByteArray* bytes = std::get_if<QByteArray>(&result);
    return bytes ? *bytes : QByteArray();
}

TEST(TextFace, IsLatoWithItsMediumAndSemiboldWeightsInTheWindows)
{
    ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("Lato"))) << "fonts-lato is installed by scripts/setup";
    EXPECT_EQ(Theme::textFamily(), QStringLiteral("Lato"));
    struct Case {
        QFont::Weight weight;
        const char* style;
    };
    for (const Case& c : {Case{QFont::Normal, "Regular"}, Case{QFont::Medium, "Medium"}, Case{QFont::DemiBold, "Semibold"},
                          Case{QFont::Bold, "Bold"}}) {
        const QFontInfo info(Theme::systemFont(13, c.weight));
        EXPECT_EQ(info.family(), QStringLiteral("Lato"));
        EXPECT_EQ(info.styleName(), QString::fromLatin1(c.style));
    }
    EXPECT_EQ(QFontInfo(Theme::font(Theme::TextStyle::headline)).styleName(), QStringLiteral("Semibold"));
}

TEST(TextFace, ThePdfUsesTheMediumAndSemiboldFaces)
{
    const QStringList names = fontNames(pdf(ReportFixtures::english(), Localization::english()));
    for (const char* face : {"Lato-Regular", "Lato-Medium", "Lato-Semibold", "Lato-Bold"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(face))) << face << " in " << names.join(", ").toStdString();
}

TEST(TextFace, EnglishFooterTextAndDigitsComeFromOneFamily)
{
    // An inspection without items has only the cover and the footer: every text, the page
    // numbers and the badge counts included, is the text face; the rest are symbols.
    const QStringList names = fontNames(pdf(ReportFixtures::empty(), Localization::english()));
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names)
        EXPECT_TRUE(name.startsWith(QStringLiteral("Lato-")) || name.startsWith(QStringLiteral("MaterialIcons")))
            << name.toStdString();
}

TEST(TextFace, ArabicIndicDigitsComeFromAFaceWithTabularDigitsLettersStayArabic)
{
    const Localization arabic = Localization::forCode(QStringLiteral("ar"), QStringLiteral("ar_EG"));
    const QByteArray bytes = pdf(ReportFixtures::empty(), arabic);
    const QStringList names = fontNames(bytes);
    EXPECT_TRUE(names.filter(QRegularExpression(QStringLiteral("^NotoSansArabic"))).size() > 0) << names.join(", ").toStdString();
    EXPECT_TRUE(names.filter(QRegularExpression(QStringLiteral("^DejaVuSans"))).size() > 0) << names.join(", ").toStdString();
    // The badge counts are Arabic-Indic zeros, and still text.
    const PdfTools::Document doc(bytes);
    EXPECT_TRUE(doc.text(1).contains(QString::fromUtf8("٠"))) << doc.text(1).toStdString();
}

TEST(TextFace, PdfTextKeepsEveryLetterWhenCopied)
{
    // Optional ligatures are off, so "ti" and "fi" are text, not nameless glyphs.
    ReportFixtures::Inspection i = ReportFixtures::empty();
    i.summary.deviceName = QStringLiteral("Workstation of the official fixture");
    const PdfTools::Document doc(pdf(i, Localization::english()));
    const QString text = doc.text(1);
    EXPECT_TRUE(text.contains(QStringLiteral("Workstation of the official fixture"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Capabilities"))) << text.toStdString();
}

TEST(TextFace, EachTextIsSetAtItsOwnSizeInWholePoints)
{
    // Every text is laid out at one size and scaled: each word must come out as wide as its
    // face sets it at the text's own size, rounded to whole points (9.5 as 10).
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    device.setDotsPerMeterX(2835);  // 72 dpi: points
    device.setDotsPerMeterY(2835);
    const auto width = [&device](const QString& word, int size, QFont::Weight weight) {
        QFont f(QStringLiteral("Lato"));
        f.setPointSizeF(size);
        f.setWeight(weight);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setStyleStrategy(QFont::PreferNoShaping);
        return QFontMetricsF(f, &device).horizontalAdvance(word);
    };
    const PdfTools::Document doc(pdf(ReportFixtures::english(), Localization::english()));
    const QList<PdfTools::Word> words = doc.words();
    struct Case {
        const char* word;
        int size;
        QFont::Weight weight;
    };
    // The headline, the device's name, a badge's title, a fact's value, the footer; the
    // largest of each word's boxes on the cover is the one in that text.
    for (const Case& c : {Case{"Capabilities", 22, QFont::Bold}, Case{"Workstation", 14, QFont::DemiBold},
                          Case{"Warnings", 10, QFont::Medium}, Case{"TB", 11, QFont::Medium}, Case{"Generated", 8, QFont::Normal}}) {
        const PdfTools::Word* found = nullptr;
        for (const PdfTools::Word& w : words)
            if (w.page == 1 && w.text == QLatin1String(c.word) && (!found || w.box.height() > found->box.height())) found = &w;
        ASSERT_NE(found, nullptr) << c.word;
        EXPECT_NEAR(found->box.width(), width(QString::fromLatin1(c.word), c.size, c.weight), 0.08) << c.word;
    }
    // Every page's footer stands on the same baseline.
    QList<double> footers;
    for (const PdfTools::Word& w : words)
        if (w.text == QLatin1String("Generated")) footers << w.box.bottom();
    ASSERT_GE(footers.size(), 2);
    for (double bottom : footers) EXPECT_NEAR(bottom, footers.first(), 0.01);
}

}  // namespace
