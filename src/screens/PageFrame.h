#pragma once

#include <QLabel>
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
    void elide();
    QString full_;
};

// The heading of a part of a page: an already localised text in the headline font and
// the secondary style.
class SectionLabel : public ThemedLabel {
    Q_OBJECT
public:
    explicit SectionLabel(const QString& text, QWidget* parent = nullptr);
};
