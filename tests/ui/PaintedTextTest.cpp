// Painted text must be shaped as a QLabel shapes it, in every script: the glyphs a painted
// widget puts down for a string are the shaped line QTextLayout gives for the same string
// and font, whole (nothing cut off by the box it was placed in).
#include "support/TextRecorder.h"
#include "ui/CapabilityRowView.h"
#include "ui/Formatters.h"
#include "ui/ThemedLabel.h"
#include "ui/PaintedText.h"
#include "ui/ScoreRing.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <cmath>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

struct Script {
    const char* code;
    const char* text;  // a title in that language, as the string tables have it
};
// Devanagari's vowel signs and reph stand above the headline, Arabic joins and runs right to
// left, CJK and Hangul come from taller faces, Cyrillic is the interface face's own.
const Script kScripts[] = {
    {"hi", "प्रोसेसर और मेमोरी समर्थित"}, {"ar", "المعالج والذاكرة"}, {"ja", "プロセッサとメモリ"},
    {"ko", "프로세서 및 메모리"},         {"zh-Hans", "处理器与内存"},   {"ru", "Процессор и память"},
};

Qt::LayoutDirection directionOf(const char* code) { return QByteArray(code) == "ar" ? Qt::RightToLeft : Qt::LeftToRight; }

void expectShapedAndWhole(QWidget& widget, const QString& text, const QFont& font, Qt::LayoutDirection direction)
{
    EXPECT_TRUE(drawsShapedAndWhole(widget, text, font, direction));
}

}  // namespace

TEST(PaintedText, StatTileTitleIsTheShapedLineInEveryScript)
{
    for (const Script& s : kScripts) {
        SCOPED_TRACE(s.code);
        const QString title = QString::fromUtf8(s.text);
        StatTile tile(3, title, QStringLiteral("checkmark.circle.fill"), Theme::statusSupported());
        tile.setLayoutDirection(directionOf(s.code));
        tile.resize(360, tile.sizeHint().height());
        expectShapedAndWhole(tile, title, Theme::font(Theme::TextStyle::caption), directionOf(s.code));
    }
}

TEST(PaintedText, RingGaugeCaptionIsTheShapedLineInEveryScript)
{
    for (const Script& s : kScripts) {
        SCOPED_TRACE(s.code);
        const QString title = QString::fromUtf8(s.text);
        RingGauge gauge(title, 0.5, QStringLiteral("50%"), Theme::brandPrimary(), 120);
        gauge.setLayoutDirection(directionOf(s.code));
        gauge.resize(gauge.sizeHint().expandedTo(QSize(240, 0)));
        expectShapedAndWhole(gauge, title, Theme::font(Theme::TextStyle::caption), directionOf(s.code));
    }
}

TEST(PaintedText, DrawsTheShapedLineWholeInABoxOfTheFacesHeight)
{
    // A box only as tall as the interface face's line: the glyphs rising above it still show.
    class Box : public QWidget {
    public:
        QString text;
        void paintEvent(QPaintEvent*) override
        {
            QPainter p(this);
            p.setLayoutDirection(layoutDirection());
            p.setFont(Theme::font(Theme::TextStyle::caption));
            const qreal h = QFontMetricsF(p.font()).height();
            PaintedText::draw(p, QRectF(4, (height() - h) / 2, width() - 8, h), Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    };
    for (const Script& s : kScripts) {
        SCOPED_TRACE(s.code);
        Box box;
        box.text = QString::fromUtf8(s.text);
        box.setLayoutDirection(directionOf(s.code));
        box.resize(300, 40);
        expectShapedAndWhole(box, box.text, Theme::font(Theme::TextStyle::caption), directionOf(s.code));
    }
}

TEST(PaintedText, LineHeightIsTheShapedLinesAndNeverBelowTheFaces)
{
    const QFont caption = Theme::font(Theme::TextStyle::caption);
    const qreal face = QFontMetricsF(caption).height();
    EXPECT_DOUBLE_EQ(PaintedText::lineHeight(caption, QStringLiteral("Supported")), face);
    EXPECT_DOUBLE_EQ(PaintedText::lineHeight(caption, QString()), face);
    // Devanagari stands taller than the interface face: its box grows as a QLabel's does.
    EXPECT_GT(PaintedText::lineHeight(caption, QString::fromUtf8("प्रोसेसर")), face);
}

TEST(PaintedText, ArabicPercentLaysOutWithoutTheLetterMarksTallerLine)
{
    const QFont callout = Theme::font(Theme::TextStyle::callout);
    const Localization ar = Localization::forCode("ar", "en_US");
    const QString percent = QString::fromUtf8("٥٠٪؜");
    // The mark is replaced where the order stays the same...
    EXPECT_EQ(PaintedText::forLayout(percent), QString::fromUtf8("٥٠٪\u200f"));
    EXPECT_EQ(PaintedText::lineHeight(callout, percent), PaintedText::lineHeight(callout, QString::fromUtf8("٥٠٪")));
    EXPECT_EQ(PaintedText::lineHeight(callout, percent), PaintedText::lineHeight(callout, QString::fromUtf8("المعالج")));
    // ...and kept where it turns the European digits after it into Arabic numbers.
    const QString governing = QString::fromUtf8("٪؜ 5+3");
    EXPECT_EQ(PaintedText::forLayout(governing), governing);
    EXPECT_EQ(PaintedText::forLayout(QStringLiteral("50%")), QStringLiteral("50%"));
    Q_UNUSED(ar);
}

TEST(PaintedText, ArabicPercentKeepsItsVisualOrder)
{
    // In a left-to-right line too the sign stays on the number's left, as with the mark.
    const QFont callout = Theme::font(Theme::TextStyle::callout);
    auto order = [&](const QString& text, Qt::LayoutDirection direction) {
        QTextLayout layout(text, callout);
        QTextOption option;
        option.setTextDirection(direction);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1000);
        layout.endLayout();
        QList<qreal> x;
        for (int i = 0; i < text.size(); ++i) x << line.cursorToX(i);
        return x;
    };
    const QString percent = QString::fromUtf8("٥٠٪؜ CPU");
    for (Qt::LayoutDirection d : {Qt::LeftToRight, Qt::RightToLeft})
        EXPECT_EQ(order(PaintedText::forLayout(percent), d), order(percent, d));
}

TEST(PaintedText, ArabicRowsWithAPercentageKeepTheirHeight)
{
    const Localization ar = Localization::forCode("ar", "en_US");
    const Localization en = Localization::english();
    auto rowHeight = [](const QString& label, const QString& value, const Localization& l) {
        CapabilityRowView row(CapabilityItem::make(label, value, CapabilityStatus::info, QStringLiteral("k")), std::nullopt, l);
        row.setLayoutDirection(l.layoutDirection());
        row.resize(600, 100);
        return row.heightForWidth(600) > 0 ? row.heightForWidth(600) : row.sizeHint().height();
    };
    const QString percent = Formatters::percent(0.87, ar);
    ASSERT_TRUE(percent.contains(QChar(0x061C)));  // ICU's letter mark, which only a taller face has
    const QString label = ar.tr("Battery");
    const int plain = rowHeight(label, ar.tr("Supported"), ar);
    EXPECT_EQ(rowHeight(label, percent, ar), plain);
    // The English rows are no taller with a percentage either.
    EXPECT_EQ(rowHeight("Battery", Formatters::percent(0.87, en), en), rowHeight("Battery", "Supported", en));
    // A themed label holding the percentage is as tall as one holding its digits alone.
    const QFont callout = Theme::font(Theme::TextStyle::callout);
    ThemedLabel withMark(percent, callout, Theme::Level::primary), digits(QString(percent).remove(QChar(0x061C)), callout, Theme::Level::primary);
    EXPECT_EQ(withMark.sizeHint().height(), digits.sizeHint().height());
}

// Texts are shaped once and their lines kept: what is kept for one font never answers for
// another, and a kept answer is the answer shaping gives.
TEST(PaintedText, AKeptLineAnswersOnlyForItsOwnFontAndText)
{
    const QString text = QStringLiteral("Quorlent 123");
    QFont small = Theme::font(Theme::TextStyle::callout), big = Theme::font(Theme::TextStyle::title);
    QFont bold = small;
    bold.setWeight(QFont::Bold);
    auto shaped = [](const QFont& f, const QString& t) {
        QTextLayout layout(t, f);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e6);
        layout.endLayout();
        return line.naturalTextWidth();
    };
    for (int round = 0; round < 2; ++round) {  // the second round answers from what was kept
        SCOPED_TRACE(round);
        for (const QFont& f : {small, big, bold}) {
            EXPECT_DOUBLE_EQ(PaintedText::width(f, text), shaped(f, text));
            EXPECT_DOUBLE_EQ(PaintedText::width(f, text + QStringLiteral("4")), shaped(f, text + QStringLiteral("4")));
        }
    }
    EXPECT_LT(PaintedText::width(small, text), PaintedText::width(bold, text));
    EXPECT_LT(PaintedText::width(small, text), PaintedText::width(big, text));
}

// A themed label's size hints are kept for every label with the same text and settings: a
// label that differs in any one thing QLabel sizes by gets its own, the one QLabel gives.
TEST(ThemedLabelHints, ALabelDifferingInOneSettingGetsItsOwnHint)
{
    const QFont callout = Theme::font(Theme::TextStyle::callout);
    const QString text = QStringLiteral("Hardware ray tracing");
    const struct {
        const char* what;
        std::function<void(QLabel&)> change;
    } cases[] = {
        {"nothing", [](QLabel&) {}},
        {"text", [](QLabel& l) { l.setText(QStringLiteral("Hardware ray tracing and more")); }},
        {"font", [](QLabel& l) { l.setFont(Theme::font(Theme::TextStyle::title)); }},
        {"weight", [](QLabel& l) { l.setFont(Theme::font(Theme::TextStyle::callout, QFont::Bold)); }},
        {"minimum width", [](QLabel& l) { l.setMinimumWidth(400); }},
        {"contents margins", [](QLabel& l) { l.setContentsMargins(7, 5, 11, 3); }},
        {"margin", [](QLabel& l) { l.setMargin(6); }},
        {"indent", [](QLabel& l) { l.setIndent(30); }},
        {"selectable", [](QLabel& l) { l.setTextInteractionFlags(Qt::TextSelectableByMouse); }},
        {"wrapping", [](QLabel& l) { l.setWordWrap(true); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ThemedLabel first(text, callout, Theme::Level::primary);
        (void)first.sizeHint();  // what is kept for the plain label
        ThemedLabel themed(text, callout, Theme::Level::primary);
        QLabel plain(text);
        plain.setTextFormat(Qt::PlainText);
        plain.setFont(callout);
        c.change(themed);
        c.change(plain);
        EXPECT_EQ(themed.sizeHint().width(), plain.sizeHint().width());
        EXPECT_GE(themed.sizeHint().height(), plain.sizeHint().height());
        EXPECT_EQ(themed.minimumSizeHint().width(), plain.minimumSizeHint().width());
        // Asked again, the same.
        EXPECT_EQ(themed.sizeHint().width(), plain.sizeHint().width());
    }
}

// A label that neither wraps nor takes input is measured once, not three times as QLabel does:
// its hints are QLabel's own, for every text and setting such a label may have.
TEST(ThemedLabelHints, AnUnwrappedLabelMeasuredOnceIsSizedAsQLabelSizesIt)
{
    const QFont callout = Theme::font(Theme::TextStyle::callout);
    const struct {
        const char* what;
        QString text;
        std::function<void(QLabel&)> change;
    } cases[] = {
        {"one line", QStringLiteral("Hardware ray tracing"), [](QLabel&) {}},
        {"empty", QString(), [](QLabel&) {}},
        {"two lines", QStringLiteral("Memory\n16 GB of 32"), [](QLabel&) {}},
        {"a tab", QStringLiteral("Cores\t8"), [](QLabel&) {}},
        {"right to left", QStringLiteral("المعالج والذاكرة"), [](QLabel&) {}},
        {"right aligned", QStringLiteral("Hardware ray tracing"), [](QLabel& l) { l.setAlignment(Qt::AlignRight | Qt::AlignVCenter); }},
        {"centred", QStringLiteral("Hardware ray tracing"), [](QLabel& l) { l.setAlignment(Qt::AlignCenter); }},
        {"absolute right, right to left", QStringLiteral("المعالج"),
         [](QLabel& l) { l.setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop); }},
        {"margins", QStringLiteral("Hardware ray tracing"),
         [](QLabel& l) {
             l.setContentsMargins(7, 5, 11, 3);
             l.setMargin(4);
         }},
        {"no indent", QStringLiteral("Hardware ray tracing"), [](QLabel& l) { l.setIndent(0); }},
        {"minimum size", QStringLiteral("Hi"), [](QLabel& l) { l.setMinimumSize(200, 40); }},
        {"bold title", QStringLiteral("Quorlent 42"), [](QLabel& l) { l.setFont(Theme::font(Theme::TextStyle::title, QFont::Bold)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ThemedLabel themed(c.text, callout, Theme::Level::primary);
        QLabel plain(PaintedText::forLayout(c.text));
        plain.setTextFormat(Qt::PlainText);
        plain.setFont(callout);
        c.change(themed);
        c.change(plain);
        const int ink = themed.text().isEmpty()
                            ? 0
                            : int(std::ceil(PaintedText::measure(themed.font(), themed.text()).centredHeight())) +
                                  themed.contentsMargins().top() + themed.contentsMargins().bottom() + 2 * themed.margin();
        const QSize want(plain.sizeHint().width(), std::max(plain.sizeHint().height(), ink));
        const QSize wantMinimum(plain.minimumSizeHint().width(), std::max(plain.minimumSizeHint().height(), ink));
        EXPECT_EQ(themed.sizeHint(), want);
        EXPECT_EQ(themed.minimumSizeHint(), wantMinimum);
    }
}

TEST(ThemedLabelHints, AWrappingLabelsHeightFollowsItsText)
{
    const QFont callout = Theme::font(Theme::TextStyle::callout);
    const QString shortText = QStringLiteral("Apple M3 Max");
    const QString longText = QStringLiteral("Apple M3 Max with a name long enough to wrap over several lines at this width");
    ThemedLabel label(shortText, callout, Theme::Level::secondary);
    label.setWordWrap(true);
    QLabel plain(shortText);
    plain.setTextFormat(Qt::PlainText);
    plain.setFont(callout);
    plain.setWordWrap(true);
    for (int width : {120, 240, 120}) EXPECT_EQ(label.heightForWidth(width), plain.heightForWidth(width)) << width;
    const int oneLine = label.heightForWidth(240);
    label.setText(longText);
    plain.setText(longText);
    for (int width : {120, 240}) EXPECT_EQ(label.heightForWidth(width), plain.heightForWidth(width)) << width;
    EXPECT_GT(label.heightForWidth(240), oneLine);
    label.setFont(Theme::font(Theme::TextStyle::title));
    plain.setFont(Theme::font(Theme::TextStyle::title));
    EXPECT_EQ(label.heightForWidth(240), plain.heightForWidth(240));
}

// Painted lines are laid out once and drawn from what was kept: what was kept for one font,
// reading direction or resolution is never drawn for another.
TEST(PaintedText, AKeptLayoutIsDrawnOnlyForItsOwnFontDirectionAndResolution)
{
    const QString text = QStringLiteral("Quorlent 42 ‏مرحبا");
    auto paint = [&](const QFont& font, Qt::LayoutDirection direction, int dpi) {
        QImage image(400, 60, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = qRound(dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setLayoutDirection(direction);
        p.setFont(font);
        p.setPen(Qt::black);
        PaintedText::draw(p, QRectF(4, 4, 392, 52), Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter, text, Qt::ElideNone);
        return image;
    };
    // How far the ink reaches to the right.
    auto inkRight = [](const QImage& image) {
        int right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) right = qMax(right, x);
        return right;
    };
    const QFont callout = Theme::font(Theme::TextStyle::callout), title = Theme::font(Theme::TextStyle::title);
    const QImage first = paint(callout, Qt::LeftToRight, 96);
    ASSERT_GT(inkRight(first), 0);
    EXPECT_EQ(paint(callout, Qt::LeftToRight, 96), first);  // drawn again from what was kept
    EXPECT_GT(inkRight(paint(title, Qt::LeftToRight, 96)), inkRight(first));
    // A face sized in points is resolved for the device: twice the resolution, twice the line.
    QFont points = callout;
    points.setPointSizeF(9);
    EXPECT_GT(inkRight(paint(points, Qt::LeftToRight, 192)), inkRight(paint(points, Qt::LeftToRight, 96)) + 40);
    // Right to left, the Latin and Arabic runs trade places.
    EXPECT_NE(paint(callout, Qt::RightToLeft, 96), first);
    EXPECT_EQ(paint(callout, Qt::LeftToRight, 96), first);
}
