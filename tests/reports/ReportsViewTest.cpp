// The Reports page and the Export menu: the preview follows the model, the cards and the
// menu start the save flow with their format, Copy Report, the preview box's height, the
// grid's columns, and renders to look at.
#include "ReportFixtures.h"

#include "inspection/Quorlent.h"
#include "platform/Clipboard.h"
#include "reports/ExportMenu.h"
#include "reports/ReportExporter.h"
#include "reports/ReportsView.h"
#include "support/FakePlatform.h"
#include "support/Render.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QFontInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

class FakeClipboard : public Clipboard {
public:
    QStringList events;
    void clear() override { events << QStringLiteral("clear"); }
    void setText(const QString& t) override { events << QStringLiteral("set:") + t; }
};

struct ModelFixture {
    FakeMachine machine = FakeMachine::appleSilicon();
    Platform platform = machine.platform();
    FakeClipboard clipboard;
    QDateTime now = QDateTime(QDate(2026, 12, 9), QTime(15, 4), Qt::UTC);
    Quorlent model{Quorlent::Dependencies{platform, {}, nullptr, &clipboard, {}, [this] { return now; }}};
};

QString labelText(QWidget* parent, const char* name)
{
    auto* label = parent->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QString();
}

TEST(ReportsView, ThePreviewIsThePlainTextReportOfTheModel)
{
    UiLanguage::Override language(Localization::english());
    ModelFixture f;
    f.model.refresh();
    ReportsView view(f.model);
    const QString expected = ReportExporter::text(f.model.sections(), f.model.lastUpdated(), Localization::english());
    EXPECT_EQ(view.content()->previewText(), expected);
    EXPECT_EQ(view.content()->previewBox()->textView()->toPlainText(), expected);

    f.now = f.now.addSecs(3600);
    f.model.refresh();
    EXPECT_EQ(view.content()->previewText(),
              ReportExporter::text(f.model.sections(), f.model.lastUpdated(), Localization::english()));
    EXPECT_NE(view.content()->previewText(), expected);
}

TEST(ReportsView, PreviewIsSelectableAndReadOnlyPlainText)
{
    ReportPreviewBox box;
    box.setText(QStringLiteral("<b>not bold</b>"));
    QTextEdit* text = box.textView();
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("<b>not bold</b>"));
    EXPECT_TRUE(QFontInfo(text->font()).fixedPitch());
}

TEST(ReportsView, CardsInFormatOrderOnlyPdfHighlightedEachExportsItsFormat)
{
    UiLanguage::Override language(Localization::english());
    ModelFixture f;
    f.model.refresh();
    ReportsView view(f.model);
    QList<std::pair<ReportFormat, Quorlent*>> calls;
    view.setExportAction([&](ReportFormat format, Quorlent& q) { calls.append({format, &q}); });
    struct Expected {
        ReportFormat format;
        const char* title;
        const char* extension;
    };
    const Expected expected[] = {{ReportFormat::pdf, "PDF Report", ".pdf"},
                                 {ReportFormat::json, "JSON", ".json"},
                                 {ReportFormat::markdown, "Markdown", ".md"},
                                 {ReportFormat::text, "Plain Text", ".txt"}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.title);
        FormatCard* card = view.content()->card(e.format);
        ASSERT_NE(card, nullptr);
        EXPECT_EQ(card->isHighlighted(), e.format == ReportFormat::pdf);
        EXPECT_EQ(labelText(card, "title"), QString::fromUtf8(e.title));
        EXPECT_EQ(labelText(card, "extension"), QString::fromUtf8(e.extension));
        EXPECT_EQ(labelText(card, "useCase"), FormatCard::useCase(e.format));
        EXPECT_EQ(card->button()->text(), QString::fromUtf8("Export…"));
        // The PDF card's button is brand-tinted, the others the secondary colour.
        EXPECT_EQ(card->button()->tint(), FormatCard::buttonTint(e.format == ReportFormat::pdf));
        card->button()->click();
        ASSERT_FALSE(calls.isEmpty());
        EXPECT_EQ(calls.last().first, e.format);
        EXPECT_EQ(calls.last().second, &f.model);
    }
    EXPECT_EQ(calls.size(), 4);
    Theme::setForcedAppearance(Theme::Appearance::Light);
    EXPECT_EQ(FormatCard::buttonTint(true), Theme::brandPrimary());
    EXPECT_EQ(FormatCard::buttonTint(false), Theme::foreground(Theme::Level::secondary));
    Theme::setForcedAppearance(std::nullopt);
    EXPECT_EQ(FormatCard::useCase(ReportFormat::pdf),
              QString::fromUtf8("A designed report with a cover, summary and colour-coded sections. Ready to share or print."));
}

TEST(ReportsView, CopyReportPutsThePreviewOnTheClipboardEachTimeOnce)
{
    ReportsContent content([](ReportFormat) {});
    FakeClipboard clipboard;
    content.setClipboard(&clipboard);
    content.setPreviewText(QStringLiteral("Device Capabilities Report\nline"));
    content.copyButton()->click();
    content.copyButton()->click();
    EXPECT_EQ(clipboard.events, (QStringList{"clear", "set:Device Capabilities Report\nline", "clear",
                                             "set:Device Capabilities Report\nline"}));
    EXPECT_EQ(content.copyButton()->text(), QStringLiteral("Copy Report"));  // no confirmation on this page
}

TEST(ReportsView, ThePreviewBoxIsBetween260And420HighAndScrollsInside)
{
    ReportsContent content([](ReportFormat) {});
    content.resize(900, 700);
    content.show();
    ReportPreviewBox* box = content.previewBox();

    content.setPreviewText(QStringLiteral("short"));
    QApplication::processEvents();
    EXPECT_EQ(box->heightForWidth(600), ReportPreviewBox::kMinimumHeight);
    EXPECT_EQ(box->height(), ReportPreviewBox::kMinimumHeight);

    QStringList lines;
    for (int i = 0; i < 200; ++i) lines << QStringLiteral("✓ Item %1: value").arg(i);
    content.setPreviewText(lines.join('\n'));
    QApplication::processEvents();
    EXPECT_EQ(box->heightForWidth(600), ReportPreviewBox::kMaximumHeight);
    EXPECT_EQ(box->height(), ReportPreviewBox::kMaximumHeight);
    EXPECT_GT(box->textView()->verticalScrollBar()->maximum(), 0);

    // In between, the box is as high as its text.
    lines = lines.mid(0, 20);
    content.setPreviewText(lines.join('\n'));
    QApplication::processEvents();
    EXPECT_GT(box->height(), ReportPreviewBox::kMinimumHeight);
    EXPECT_LT(box->height(), ReportPreviewBox::kMaximumHeight);
    EXPECT_EQ(box->textView()->verticalScrollBar()->maximum(), 0);
}

TEST(ReportsView, TheGridTakesAsManyColumnsAsFitInAColumnOfAtMost1000)
{
    struct Case {
        int width;
        int columns;
    };
    for (const Case c : {Case{400, 1}, Case{600, 2}, Case{860, 3}, Case{1180, 4}, Case{1600, 4}}) {
        SCOPED_TRACE(c.width);
        ReportsContent content([](ReportFormat) {});
        content.resize(c.width, 900);
        content.show();
        QApplication::processEvents();
        QList<int> lefts;
        for (ReportFormat format : ReportFormats::allCases()) {
            const int left = content.card(format)->geometry().left();
            if (!lefts.contains(left)) lefts.append(left);
        }
        EXPECT_EQ(lefts.size(), c.columns);
        auto* column = content.findChild<QWidget*>(QStringLiteral("reportsColumn"));
        ASSERT_NE(column, nullptr);
        EXPECT_LE(column->width(), ReportsContent::kMaximumColumnWidth);
        // Centred in the pane.
        const int viewport = content.scrollArea()->viewport()->width();
        EXPECT_NEAR(column->geometry().left(), viewport - column->geometry().right() - 1, 1);
        for (ReportFormat format : ReportFormats::allCases()) EXPECT_GE(content.card(format)->height(), FormatCard::kMinimumHeight);
    }
}

TEST(ReportsView, FixedTextsFollowALanguageChange)
{
    ReportsContent content([](ReportFormat) {});
    static const StringTable table = StringTable::fromJson(
        QString::fromUtf8(R"({"Preview": "معاينة", "Copy Report": "نسخ التقرير", "Plain Text": "نص عادي"})").toUtf8());
    Localization arabic = Localization::forCode(QStringLiteral("ar"), QStringLiteral("ar_EG"));
    arabic.table = &table;
    UiLanguage::Override language(arabic);
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&content, &change);
    EXPECT_EQ(labelText(&content, "previewTitle"), arabic.tr("Preview"));
    EXPECT_EQ(content.copyButton()->text(), arabic.tr("Copy Report"));
    EXPECT_EQ(labelText(content.card(ReportFormat::text), "title"), arabic.tr("Plain Text"));
    EXPECT_NE(arabic.tr("Plain Text"), QStringLiteral("Plain Text"));
}

TEST(ExportMenu, EveryFormatWithItsTitleAndSymbolEachRunsItsFormatOnce)
{
    UiLanguage::Override language(Localization::english());
    QList<ReportFormat> runs;
    ExportMenu menu([&](ReportFormat f) { runs.append(f); });
    EXPECT_EQ(menu.title(), QStringLiteral("Export"));
    EXPECT_EQ(menu.menuAction()->toolTip(), QStringLiteral("Export a report as PDF, JSON, Markdown or text"));
    EXPECT_FALSE(menu.icon().isNull());
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 4);
    const QStringList titles = {"PDF Report", "JSON", "Markdown", "Plain Text"};
    const QStringList symbols = {"doc.richtext", "curlybraces", "text.alignleft", "doc.plaintext"};
    for (int i = 0; i < 4; ++i) {
        const ReportFormat format = ReportFormats::allCases()[i];
        EXPECT_EQ(actions[i], menu.actionFor(format));
        EXPECT_EQ(actions[i]->text(), titles[i]);
        EXPECT_EQ(ExportMenu::symbol(format), symbols[i]);
        EXPECT_FALSE(actions[i]->icon().pixmap(16, 16).isNull());
    }
    menu.actionFor(ReportFormat::markdown)->trigger();
    EXPECT_EQ(runs, QList<ReportFormat>{ReportFormat::markdown});
}

TEST(ExportMenu, SymbolIconsAreDrawnInTheCurrentForeground)
{
    const QIcon icon = ExportMenu::symbolIcon(QStringLiteral("doc.richtext"));
    for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        Theme::setForcedAppearance(a);
        const QImage image = icon.pixmap(32, 32).toImage();
        QColor darkest = Qt::white, lightest = Qt::black;
        bool any = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() < 200) continue;
                any = true;
                if (c.lightness() < darkest.lightness()) darkest = c;
                if (c.lightness() > lightest.lightness()) lightest = c;
            }
        ASSERT_TRUE(any);
        if (a == Theme::Appearance::Light) EXPECT_LT(darkest.lightness(), 80);
        else EXPECT_GT(lightest.lightness(), 180);
    }
    Theme::setForcedAppearance(std::nullopt);
}

TEST(ReportsView, Renders)
{
    for (const char* code : {"en", "ar"}) {
        const Localization L = Localization::forCode(QString::fromLatin1(code), QStringLiteral("en_US"));
        UiLanguage::Override language(L);
        ModelFixture f;
        Quorlent model{Quorlent::Dependencies{f.platform, [L] { return L; }, nullptr, &f.clipboard, {}, [&f] { return f.now; }}};
        model.refresh();
        for (int width : {860, 1180}) {
            for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
                ReportsView view(model);
                const QString path = renderToPng(view, QSize(width, 1100), QString::fromLatin1(code), a,
                                                 QStringLiteral("reports-%1").arg(width));
                EXPECT_TRUE(QFileInfo::exists(path));
            }
        }
    }
    Theme::setForcedAppearance(std::nullopt);
}

}  // namespace
