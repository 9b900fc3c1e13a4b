#pragma once

#include <QLabel>
#include <QPixmap>

#include <functional>
#include <QScrollArea>

#include "ui/ThemedLabel.h"

class QVBoxLayout;

// The frame every page of the detail pane shares: a vertical scroll view holding one
// column, padded by 24, its children 20 apart, at most `maxWidth` wide (padding
// included) and centred in the pane; on narrow panes the column fills the width.
class PageFrame : public QScrollArea {
    Q_OBJECT
public:
    explicit PageFrame(int maxWidth, QWidget* parent = nullptr);
    // The column's stack; children are added in order, leading-aligned.
    QVBoxLayout* column() const { return column_; }
    QWidget* columnWidget() const { return columnWidget_; }
    int maxWidth() const { return maxWidth_; }

private:
    int maxWidth_;
    QWidget* columnWidget_;
    QVBoxLayout* column_;
};

// A one-line label: the full text when it fits, else elided at its end (the tooltip then
// holds it whole). Its size hint is the full text, so layouts give it room when there is.
class OneLineLabel : public ThemedLabel {
    Q_OBJECT
public:
    OneLineLabel(const QString& text, const QFont& font, Theme::Level level, QWidget* parent = nullptr);
    void setFullText(const QString& text);
    QString fullText() const { return full_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    // `resized`: from a resize, when the label has the width a layout (or the window) gave it.
    void elide(bool resized = false);
    QString full_;
};

// What a widget paints that changes only with its size, the appearance and the reading
// direction (a card's surface, a chip), kept as a pixmap between paints: a page full of
// cards repaints by copying.
class CachedPaint {
public:
    // Paints through the cache: `paint` runs only when the pixmap is out of date.
    void draw(QPainter& painter, const QWidget& widget, const std::function<void(QPainter&)>& paint);
    void invalidate() { pixmap_ = QPixmap(); }
    // The same, shared by every widget that paints the same thing under `key` at a size
    // (the surfaces of a grid of equal cards are painted once for all of them).
    static void drawShared(QPainter& painter, const QWidget& widget, const QString& key,
                           const std::function<void(QPainter&)>& paint);

private:
    QPixmap pixmap_;
    QSize size_;
    Theme::Appearance appearance_ = Theme::Appearance::Light;
    Qt::LayoutDirection direction_ = Qt::LeftToRight;
};

// The heading of a part of a page: an already localised text in the headline font and
// the secondary style.
class SectionLabel : public ThemedLabel {
    Q_OBJECT
public:
    explicit SectionLabel(const QString& text, QWidget* parent = nullptr);
};
