// The reports preview in a right-to-left page: every line at the leading edge whatever script
// it begins with, and a scroll bar drawn in the theme's colours in light and dark.
#include "reports/ReportsView.h"
#include "support/PixelProbe.h"
#include "ui/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {
// The left and right ends of each block's first line, in document coordinates.
QList<std::pair<qreal, qreal>> lineEnds(QTextEdit* view)
{
    QList<std::pair<qreal, qreal>> ends;
    QTextDocument* doc = view->document();
    doc->documentLayout();  // laid out
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.text().isEmpty()) continue;
        const QTextLine line = b.layout()->lineAt(0);
        const QRectF r = line.naturalTextRect().translated(b.layout()->position());
        ends << std::make_pair(r.left(), r.right());
    }
    return ends;
}
}  // namespace

TEST(ReportPreviewLayout, EveryLineAtTheLeadingEdge)
{
    const QString text = QString::fromUtf8("الذاكرة: ١٦ غيغابايت\nCPU: Apple M2\nmacOS 14.5\nالتخزين: ٥١٢ غيغابايت\n");
    for (Qt::LayoutDirection d : {Qt::RightToLeft, Qt::LeftToRight}) {
        SCOPED_TRACE(d == Qt::RightToLeft ? "rtl" : "ltr");
        ReportPreviewBox box;
        box.setLayoutDirection(d);
        box.setText(text);
        box.resize(600, 300);
        box.setAttribute(Qt::WA_DontShowOnScreen);
        box.show();
        QTextEdit* view = box.textView();
        const qreal width = view->document()->textWidth();
        const qreal margin = view->document()->documentMargin();
        ASSERT_GT(width, 400);
        const auto ends = lineEnds(view);
        ASSERT_EQ(ends.size(), 4);
        // Arabic and Latin lines alike end at the leading edge, inside the padding.
        for (const auto& [left, right] : ends) {
            if (d == Qt::RightToLeft) EXPECT_NEAR(right, width - margin, 1.0);
            else EXPECT_NEAR(left, margin, 1.0);
        }
    }
}

TEST(ReportPreviewLayout, ScrollBarInTheThemesColours)
{
    QString text;
    for (int i = 0; i < 80; ++i) text += QStringLiteral("Line %1\n").arg(i);
    for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        Theme::setForcedAppearance(a);
        ReportPreviewBox box;
        box.setText(text);
        box.resize(500, ReportPreviewBox::kMaximumHeight);
        box.setAttribute(Qt::WA_DontShowOnScreen);
        box.show();
        QScrollBar* bar = box.textView()->verticalScrollBar();
        ASSERT_TRUE(bar->isVisible());
        const QPalette p = bar->palette();
        // The bar's colours are opaque theme colours, not the text view's clear ones.
        EXPECT_EQ(p.color(QPalette::Window).alpha(), 255);
        EXPECT_EQ(p.color(QPalette::Button).alpha(), 255);
        // Drawn, the groove is near the window colour of the appearance, not black.
        const QImage image = bar->grab().toImage();
        const QColor groove = PixelProbe::at(image, image.width() / 2, image.height() - 30);
        const QColor window = Theme::palette(a).color(QPalette::Window);
        EXPECT_LE(PixelProbe::distance(groove, window), 40) << groove.name().toStdString();
    }
    Theme::setForcedAppearance(std::nullopt);
}
