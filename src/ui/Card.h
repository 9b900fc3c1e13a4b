#pragma once

#include "ui/Motion.h"
#include "ui/Theme.h"

#include <QPointer>
#include <QWidget>

class QPainter;
class QVBoxLayout;

// The shared card: content padded on every edge over a rounded rectangle filled with
// surfaceElevated, a 1 px border inside its outline (primary at 0.07 light / 0.10 dark)
// and a soft shadow (black at 0.05, blur 8, 2 down) in light appearance only.
namespace Card {
inline constexpr qreal kShadowBlur = 8;
inline constexpr qreal kShadowOffsetY = 2;
qreal borderOpacity(Theme::Appearance appearance);
qreal shadowOpacity(Theme::Appearance appearance);
// Fill and border of a card occupying `rect`.
void paint(QPainter& painter, const QRectF& rect, qreal radius, Theme::Appearance appearance);
// The shadow of a card occupying `rect`; it reaches `shadowExtent()` beyond it.
void paintShadow(QPainter& painter, const QRectF& rect, qreal radius, Theme::Appearance appearance);
qreal shadowExtent();
}  // namespace Card

// A widget wrapped in a card. The shadow is painted by a sibling placed under the card,
// so it may fall outside the card's own rectangle without changing its layout.
class CardFrame : public QWidget {
    Q_OBJECT
public:
    CardFrame(qreal padding, qreal radius, QWidget* parent = nullptr);
    // The shadow lives in the parent: it goes with the card.
    ~CardFrame() override;
    // The padded layout that holds the card's content.
    QVBoxLayout* contentLayout() const { return layout_; }
    void setContent(QWidget* content);
    qreal padding() const { return padding_; }
    qreal radius() const { return radius_; }
    // Hiding a card that was never shown sends it no hide event; its shadow must go all the same.
    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent*) override;
    bool event(QEvent* e) override;

private:
    void updateShadow();
    qreal padding_;
    qreal radius_;
    QVBoxLayout* layout_;
    QPointer<QWidget> shadow_;
};

// A faint highlight under the pointer (primary at 0.06), shown and hidden with a 0.15 s
// ease-out, or at once with motion reduced. The decorated widget calls paint() first
// thing in its paintEvent.
class HoverHighlight : public QObject {
    Q_OBJECT
public:
    HoverHighlight(QWidget* target, qreal radius);
    bool isHovering() const { return hovering_; }
    // Current opacity of the highlight (0 … 0.06).
    double opacity() const { return opacity_.value(); }
    void paint(QPainter& painter, const QRectF& rect) const;
    void setHovering(bool hovering);
    static constexpr double kOpacity = 0.06;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* target_;
    qreal radius_;
    bool hovering_ = false;
    MotionValue opacity_;
};

// A number whose digits roll to a new value: the old text leaves and the new one comes
// in from the direction of the change. With motion reduced it simply changes.
class NumericText : public QObject {
    Q_OBJECT
public:
    explicit NumericText(QWidget* target);
    QString text() const { return text_; }
    void setValue(qint64 value, const Theme::Animation& animation = Theme::defaultAnimation());
    qint64 value() const { return value_; }
    bool isRolling() const { return progress_.isAnimating(); }
    void paint(QPainter& painter, const QRectF& rect, Qt::Alignment alignment) const;

private:
    QWidget* target_;
    qint64 value_ = 0;
    qint64 previous_ = 0;
    QString text_ = QStringLiteral("0");
    QString previousText_;
    MotionValue progress_{1};
};
