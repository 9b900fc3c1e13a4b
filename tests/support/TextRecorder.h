#pragma once

// What a widget's painting puts down as text: every text item it draws, with the glyphs as
// they land on the device (inside the painter's clip at that moment) and as they would land
// without any clip, for comparing painted text with the shaped line QTextLayout makes.
#include <QFont>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QTransform>

#include <optional>

#include <gtest/gtest.h>

class QWidget;

struct RecordedText {
    QString text;
    QFont font;
    QPointF origin;        // the baseline origin, in the coordinates of `transform`
    QTransform transform;  // to the device
    QPoint at;             // where the two images stand on the device
    QImage whole;          // the item's glyphs alone, unclipped (alpha only matters)
    QImage shown;          // the same within the clip they were drawn with
};

// Renders `widget` (laid out at its current size) and returns the text items it drew.
QList<RecordedText> recordTexts(QWidget& widget);

// The items that together draw `text` on one line: the first run of consecutive items (in
// `font`, when given) whose characters make up exactly `text` (as laid out: see
// PaintedText::forLayout). Empty when the widget never drew it whole.
QList<RecordedText> itemsDrawing(const QList<RecordedText>& items, const QString& text,
                                 const std::optional<QFont>& font = std::nullopt);

// The shaped line QTextLayout gives for `text` in `font`, drawn where `items` begin, in the
// same device image size: what a QLabel would put down there.
QImage shapedReference(const QList<RecordedText>& items, const QString& text, const QFont& font, QSize size,
                       Qt::LayoutDirection direction);

// Union of the items' images.
QImage unionOf(const QList<RecordedText>& items, bool shown, QSize size);

// The number of pixels whose alpha differs by more than `tolerance` between two images.
int differingPixels(const QImage& a, const QImage& b, int tolerance = 96);
int inkPixels(const QImage& image);

// Whether `widget` drew `text` in `font` as the shaped line, whole: the items that draw it
// are in that font, nothing of their glyphs is cut by a clip, and they put down the glyphs
// the shaped line puts down at the same places.
::testing::AssertionResult drawsShapedAndWhole(QWidget& widget, const QString& text, const QFont& font,
                                               Qt::LayoutDirection direction);
// The same over texts recorded once (a page with many texts to check).
::testing::AssertionResult drawsShapedAndWhole(const QList<RecordedText>& recorded, QSize size, const QString& text,
                                               const QFont& font, Qt::LayoutDirection direction);
