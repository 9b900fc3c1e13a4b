#pragma once

#include "ui/Card.h"
#include "ui/Theme.h"

#include <QWidget>

#include <optional>

class QGridLayout;
class QLabel;

// One line of text in a text style and a colour role, elided at its end when the room is
// short (the whole text stays in the tool tip). Plain text: it shows machine figures.
class ElidedText : public QWidget {
    Q_OBJECT
public:
    ElidedText(const QString& text, const QFont& font, Theme::Tint tint, QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return text_; }
    void setTint(Theme::Tint tint);
    // Drawn against the trailing edge instead of the leading one.
    void setTrailing(bool trailing);
    // On a card: the card's surface painted under the text, so a new value repaints the text
    // alone, not the card and its shadow behind it.
    void setSurface(Theme::Color surface);
    // The text as drawn in the current width.
    QString shownText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    QSize measure() const;
    QString text_;
    QSize hint_;  // measured once per text and font
    std::optional<Theme::Color> surface_;
    Theme::Tint tint_;
    bool trailing_ = false;
};

// A titled card around a chart: the title and the current value on one row (the value on a
// line of its own under the title when the row has no room for both), the chart 140 high,
// and an optional footnote under it.
class ChartCard : public CardFrame {
    Q_OBJECT
public:
    static constexpr int kChartHeight = 140;
    ChartCard(const QString& title, const QString& value, std::optional<QString> footnote, QWidget* chart,
              QWidget* parent = nullptr);
    void setTitle(const QString& title);
    void setValue(const QString& value);
    void setFootnote(std::optional<QString> footnote);
    QString title() const;
    QString value() const;
    std::optional<QString> footnote() const;
    QWidget* chart() const { return chart_; }

    // Whether the value stands on a line of its own under the title (no room beside it).
    bool valueOnOwnLine() const { return valueOnOwnLine_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void updateAccessibility();
    void placeValue(bool ownLine);
    void fitValue();
    QGridLayout* top_;
    bool valueOnOwnLine_ = false;
    QLabel* title_;
    ElidedText* value_;
    QWidget* chart_;
    ElidedText* footnote_;
};
