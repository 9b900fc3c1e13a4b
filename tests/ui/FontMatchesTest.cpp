#include "ui/FontMatches.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <thread>

#include <gtest/gtest.h>

namespace {

// A size no other test and no widget here asks for, so its engine is made fresh in each test.
constexpr int kRareSize = 37;

QFont rareFace(QFont::Weight weight = QFont::DemiBold) { return Theme::systemFont(kRareSize, weight); }

bool familyHolds(const QFont& font)
{
    // Only a family installed with a face of exactly that weight has matches to keep.
    return QFontInfo(font).family() == font.family() && QFontDatabase::styles(font.family()).size() > 1;
}

QImage drawn(const QFont& font)
{
    QImage image(260, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPointF(4, 48), QStringLiteral("Quorlent 0123 ’—…"));
    return image;
}

struct Clean {
    Clean() { FontMatches::drop(); }
    ~Clean() { FontMatches::drop(); }
};

}  // namespace

TEST(FontMatches, AMatchKeptOnAWorkerAnswersTheInterfaceThreadsEngineAndDrawsTheSame)
{
    Clean clean;
    const QFont face = rareFace();
    const FontMatches::Face wanted[] = {{face.weight(), face.pixelSize()}};
    int kept = 0;
    std::thread worker([&] { kept = FontMatches::keepAhead(face.family(), wanted); });
    worker.join();
    if (kept == 0 && !familyHolds(face)) GTEST_SKIP() << "the text family has no face of that weight here";
    ASSERT_EQ(kept, 1);

    const int before = FontMatches::taken();
    const int substitutedBefore = FontMatches::substituted();
    const QImage withKept = drawn(face);
    EXPECT_EQ(FontMatches::taken(), before + 1);
    EXPECT_EQ(FontMatches::substituted(), substitutedBefore + 1);
    EXPECT_EQ(FontMatches::kept(), 0);

    // The same face's engine made on another thread, where nothing is kept any more, asks
    // fontconfig itself: its text must come out pixel for pixel the same.
    QImage asked;
    std::thread other([&] { asked = drawn(face); });
    other.join();
    EXPECT_EQ(FontMatches::taken(), before + 1);
    EXPECT_EQ(FontMatches::substituted(), substitutedBefore + 1);
    EXPECT_EQ(withKept, asked);
}

TEST(FontMatches, EachKeptMatchServesOneRequestAndTheSameFaceIsKeptOnce)
{
    Clean clean;
    const QFont face = rareFace(QFont::Bold);
    const FontMatches::Face twice[] = {{face.weight(), face.pixelSize()}, {face.weight(), face.pixelSize()}};
    if (FontMatches::keepAhead(face.family(), twice) == 0) GTEST_SKIP() << "the text family has no bold face here";
    EXPECT_EQ(FontMatches::kept(), 1);
    EXPECT_EQ(FontMatches::keepAhead(face.family(), twice), 1);
    QFontMetricsF(face).height();
    EXPECT_EQ(FontMatches::kept(), 0);
}

TEST(FontMatches, FacesTheFamilyDoesNotHoldExactlyOrAnUnknownFamilyKeepNothing)
{
    Clean clean;
    const QFont face = rareFace();
    const FontMatches::Face between[] = {{450, kRareSize}, {0, kRareSize}};
    EXPECT_EQ(FontMatches::keepAhead(face.family(), between), 0);
    const FontMatches::Face plain[] = {{QFont::Normal, kRareSize}};
    EXPECT_EQ(FontMatches::keepAhead(QStringLiteral("No Such Family Qx"), plain), 0);
    EXPECT_EQ(FontMatches::keepAhead(QString(), plain), 0);
}

TEST(FontMatches, AKeptMatchIsDroppedUnusedOnceTheApplicationsFacesChange)
{
    Clean clean;
    const QFont face = rareFace(QFont::Medium);
    const FontMatches::Face wanted[] = {{face.weight(), face.pixelSize()}};
    if (FontMatches::keepAhead(face.family(), wanted) == 0) GTEST_SKIP() << "the text family has no medium face here";
    // A face of the application's own registered after the match was made may change the
    // answer: the kept one must not be given.
    QFile icons(QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"));
    if (!icons.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no icon face to register";
    ASSERT_GE(QFontDatabase::addApplicationFontFromData(icons.readAll()), 0);
    const int before = FontMatches::taken();
    const int substitutedBefore = FontMatches::substituted();
    QFontMetricsF(face).height();
    EXPECT_EQ(FontMatches::taken(), before);
    EXPECT_EQ(FontMatches::substituted(), substitutedBefore);
    EXPECT_EQ(FontMatches::kept(), 0);
}

TEST(FontMatches, AMatchKeptForAFaceMadeFromItsDataAnswersThatRawFont)
{
    Clean clean;
    QFile icons(QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"));
    if (!icons.open(QIODevice::ReadOnly) || Symbols::loadedFamily().isEmpty()) GTEST_SKIP() << "no icon face here";
    const QByteArray data = icons.readAll();
    EXPECT_EQ(FontMatches::keepAheadForData(Symbols::loadedFamily(), kRareSize), 1);
    const int before = FontMatches::taken();
    const QRawFont raw(data, kRareSize);
    ASSERT_TRUE(raw.isValid());
    EXPECT_EQ(FontMatches::taken(), before + 1);
    EXPECT_EQ(FontMatches::kept(), 0);
}
