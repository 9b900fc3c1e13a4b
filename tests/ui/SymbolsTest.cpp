#include "ui/Symbols.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextLayout>

#include <thread>

#include <gtest/gtest.h>

namespace {
// Glyph indexes the font's shaping gives for a text (ligatures applied).
QList<quint32> shapedGlyphs(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QList<quint32> out;
    for (const QGlyphRun& run : layout.glyphRuns()) out += run.glyphIndexes();
    return out;
}

// Symbol names written in src/: QRL_SYMBOL("…"), the symbol argument of
// CapabilitySection::make, and literal arguments of Symbols:: calls.
QMap<QString, QString> symbolNamesInSources()
{
    const QList<QRegularExpression> patterns = {
        QRegularExpression(R"(QRL_SYMBOL\(\s*"([^"]*)\"\s*\))"),
        QRegularExpression(R"(CapabilitySection::make\([^;]*?,\s*"([^"]*)\")"),
        QRegularExpression(R"(Symbols::(?:draw|glyph|codepoint)\([^;]*?"([^"]*)\")"),
    };
    QMap<QString, QString> found;  // name → first file
    QDirIterator it(QStringLiteral(QRL_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith("/ui/Symbols.h") || path.endsWith("/ui/Symbols.cpp")) continue;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(f.readAll());
        for (const auto& re : patterns)
            for (auto m = re.globalMatch(text); m.hasNext();) {
                const QString name = m.next().captured(1);
                if (!found.contains(name)) found.insert(name, path.mid(path.indexOf("/src/") + 1));
            }
    }
    return found;
}
}  // namespace

TEST(Symbols, EveryEntryIsAGlyphOfTheFontAndMatchesItsLigature)
{
    ASSERT_FALSE(Symbols::loadedFamily().isEmpty()) << "Material Icons font missing";
    const QFont font = Symbols::font(48);
    const QRawFont raw = QRawFont::fromFont(font);
    ASSERT_TRUE(raw.isValid());
    for (const QString& name : Symbols::names()) {
        SCOPED_TRACE(name.toStdString());
        const char32_t cp = Symbols::codepoint(name);
        ASSERT_NE(cp, 0u);
        EXPECT_TRUE(raw.supportsCharacter(uint(cp)));
        const QList<quint32> byCodepoint = raw.glyphIndexesForString(QString::fromUcs4(&cp, 1));
        const QList<quint32> byLigature = shapedGlyphs(Symbols::glyph(name), font);
        ASSERT_EQ(byCodepoint.size(), 1);
        EXPECT_NE(byCodepoint.first(), 0u);
        EXPECT_EQ(byLigature, byCodepoint) << "ligature " << Symbols::glyph(name).toStdString();
    }
}

TEST(Symbols, EveryNameUsedInTheSourcesIsInTheTable)
{
    const auto used = symbolNamesInSources();
    EXPECT_GE(used.size(), 11);  // at least the section symbols
    for (auto it = used.cbegin(); it != used.cend(); ++it)
        EXPECT_TRUE(Symbols::isKnown(it.key())) << it.key().toStdString() << " in " << it.value().toStdString();
}

TEST(Symbols, UnknownNameGivesNoGlyphAndDrawsANeutralDot)
{
    EXPECT_FALSE(Symbols::isKnown("no.such.symbol"));
    EXPECT_TRUE(Symbols::glyph("no.such.symbol").isEmpty());
    EXPECT_EQ(Symbols::codepoint("no.such.symbol"), 0u);
    QImage img(40, 40, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        Symbols::draw(p, "no.such.symbol", QRectF(0, 0, 40, 40), QColor(Qt::red));
        Symbols::draw(p, "no.such.symbol", QRectF(0, 0, 40, 40), QColor(Qt::red));  // logs once, draws again
    }
    EXPECT_EQ(QColor(img.pixel(20, 20)), QColor(Qt::red));  // the dot's centre
    EXPECT_EQ(qAlpha(img.pixel(2, 2)), 0);                   // nothing at the corner
}

TEST(Symbols, GlyphIsFilledWithTheBrushAndCentred)
{
    QImage img(48, 48, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        Symbols::draw(p, "circle.fill", QRectF(0, 0, 48, 48), QColor(Qt::blue));
    }
    EXPECT_EQ(QColor(img.pixel(24, 24)), QColor(Qt::blue));
    EXPECT_EQ(qAlpha(img.pixel(1, 1)), 0);
}

TEST(Symbols, DirectionalSymbolsMirrorInRightToLeft)
{
    auto inkCentreX = [](Qt::LayoutDirection dir) {
        QImage img(48, 48, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setLayoutDirection(dir);
        // On the middle row a chevron's ink is its tip, on the side it points to.
        Symbols::draw(p, "chevron.forward", QRectF(0, 0, 48, 48), QColor(Qt::black));
        p.end();
        double sum = 0, weight = 0;
        for (int y = 23; y <= 24; ++y)
            for (int x = 0; x < 48; ++x) {
                const int a = qAlpha(img.pixel(x, y));
                sum += a * x, weight += a;
            }
        return sum / weight;
    };
    const double ltr = inkCentreX(Qt::LeftToRight), rtl = inkCentreX(Qt::RightToLeft);
    EXPECT_GT(ltr, 24);  // a chevron ">" leans right
    EXPECT_LT(rtl, 24);
    EXPECT_TRUE(Symbols::mirrorsInRightToLeft("chevron.backward"));
    EXPECT_FALSE(Symbols::mirrorsInRightToLeft("cpu"));
}

namespace {
QImage drawn(const QString& name, int side)
{
    QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    Symbols::draw(p, name, QRectF(0, 0, side, side), QColor(Qt::black));
    return img;
}
}  // namespace

// The outline is the font family's own glyph, placed on the em square as before, on any thread:
// the face is read from its file, one per thread, not matched by family.
TEST(Symbols, DrawsTheFamilysGlyphOnEveryThread)
{
    ASSERT_FALSE(Symbols::loadedFamily().isEmpty()) << "Material Icons font missing";
    const QRawFont raw = QRawFont::fromFont(Symbols::font(240));
    ASSERT_TRUE(raw.isValid());
    const int side = 22;
    QList<QImage> onWorker;
    std::thread worker([&] {
        for (const QString& name : Symbols::names()) onWorker << drawn(name, side);
    });
    worker.join();
    const QStringList names = Symbols::names();
    ASSERT_EQ(onWorker.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const char32_t cp = Symbols::codepoint(names[i]);
        const QList<quint32> index = raw.glyphIndexesForString(QString::fromUcs4(&cp, 1));
        ASSERT_EQ(index.size(), 1);
        const qreal scale = side * Symbols::kEmPerInk / 240;
        QTransform place;
        place.translate(side / 2.0, side / 2.0);
        place.scale(scale, scale);
        place.translate(-120, raw.ascent() - (raw.ascent() + raw.descent()) / 2);
        QImage expected(side, side, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::transparent);
        {
            QPainter p(&expected);
            p.setRenderHint(QPainter::Antialiasing);
            p.fillPath(place.map(raw.pathForGlyph(index.first())), QColor(Qt::black));
        }
        EXPECT_EQ(drawn(names[i], side), expected);
        EXPECT_EQ(onWorker[i], expected);
    }
}
