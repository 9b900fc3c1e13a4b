#pragma once

#include "ui/Theme.h"

#include <QLabel>

// A plain-text label in a text style and a foreground level, recoloured when the
// appearance changes. Plain text always: labels show data from the machine and files.
class ThemedLabel : public QLabel {
    Q_OBJECT
public:
    ThemedLabel(const QString& text, const QFont& font, Theme::Level level, QWidget* parent = nullptr);
    // The text as it is laid out (PaintedText::forLayout): an Arabic percentage keeps the
    // line height of its digits.
    void setText(const QString& text);
    void setLevel(Theme::Level level);
    // A fixed colour instead of a foreground level.
    void setColor(const QColor& color);
    // Horizontal alignment by reading direction: `trailing` false is the leading edge.
    // Resolved against the layout direction (selectable text would otherwise follow the
    // text's own direction and leave Latin values on the left in Arabic).
    void setEdgeAlignment(bool trailing, Qt::Alignment vertical = Qt::AlignTop);
    // A line tall enough for every glyph of its text: accents over capitals ("État", "Über")
    // and Devanagari's signs rise above the face's ascent, and a label only as tall as the
    // face's line cuts them off.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // A wrapping label's height at a width, kept with the size hints: layouts ask for the
    // same few widths many times in one pass, and each answer lays the whole text out again.
    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent* e) override;

private:
    void refresh();
    int inkHeight() const;
    // The hint of a label that neither wraps nor takes input, measured once; nothing where
    // QLabel must measure.
    std::optional<QSize> unwrappedHint() const;
    // Both size hints, the ink's height included, and the heights asked of a wrapping label;
    // kept for every label with the same text, font and settings (the same label on the
    // next page built asks the same questions, and QLabel lays the text out again for each).
    struct Hints;
    Hints& labelHints() const;
    Theme::Level level_;
    std::optional<Theme::Tint> color_;
    std::optional<std::pair<bool, Qt::Alignment>> edge_;
    void applyEdge();
};
