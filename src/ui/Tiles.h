#pragma once

#include "ui/Card.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QHBoxLayout;
class ThemedLabel;

// All texts these widgets receive are already translated by the caller and shown verbatim.

// A gradient square (corner radius size × 0.26) with a white symbol at size × 0.48.
// Hidden from assistive technology.
class IconTile : public QWidget {
    Q_OBJECT
public:
    IconTile(const QString& symbol, qreal size, Theme::LinearGradient gradient, QWidget* parent = nullptr);
    qreal tileSize() const { return size_; }
    qreal cornerRadius() const { return size_ * 0.26; }
    qreal symbolSize() const { return size_ * 0.48; }
    QString symbol() const { return symbol_; }
    void setSymbol(const QString& symbol);
    static void paint(QPainter& painter, const QRectF& rect, const QString& symbol, const Theme::LinearGradient& gradient,
                      Qt::LayoutDirection direction);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString symbol_;
    qreal size_;
    Theme::LinearGradient gradient_;
    Theme::TintedStops stops_;  // the gradient's colours, resolved when painted
};

// The title block of a page: an icon tile of 40, the title (title 2, semibold) over an
// optional subtitle (callout, secondary), a gap of at least 12 and the trailing content.
class ScreenHeader : public QWidget {
    Q_OBJECT
public:
    ScreenHeader(const QString& symbol, const QString& title, std::optional<QString> subtitle,
                 Theme::LinearGradient gradient, QWidget* trailing = nullptr, QWidget* parent = nullptr);
    // Replaces the trailing content (nullptr for none).
    void setTrailing(QWidget* trailing);
    QWidget* trailing() const { return trailing_; }
    void setSubtitle(const std::optional<QString>& subtitle);

private:
    QHBoxLayout* row_;
    ThemedLabel* subtitle_;
    QWidget* trailing_ = nullptr;
};

// A counted status tile on a tint of its colour; a plain button whose click runs the
// action (when there is one); the count rolls to new values.
class StatTile : public QAbstractButton {
    Q_OBJECT
public:
    StatTile(qint64 count, const QString& title, const QString& symbol, const QColor& color,
             std::function<void()> action = {}, QWidget* parent = nullptr);
    qint64 count() const { return count_; }
    void setCount(qint64 count);
    QString title() const { return title_; }
    // "Warnings: 3".
    static QString spokenText(const QString& title, qint64 count);
    HoverHighlight* hoverHighlight() const { return hover_; }
    NumericText* numericText() const { return number_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override;

private:
    qint64 count_;
    QString title_;
    QString symbol_;
    Theme::Tint color_;
    std::function<void()> action_;
    HoverHighlight* hover_;
    NumericText* number_;
};

// A compact fact: symbol in brandPrimary, caption over a one-line value that is elided in
// the middle when too long (the tooltip holds it whole), on surfaceSunken.
class SpecPill : public QWidget {
    Q_OBJECT
public:
    SpecPill(const QString& symbol, const QString& title, const QString& value, QWidget* parent = nullptr);
    QString value() const { return value_; }
    // The value as the pill shows it in its current width.
    QString shownValue() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void elide();
    QString symbol_;
    QString value_;
    QLabel* valueLabel_;
};

// The centred placeholder of a page with nothing to show.
class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    EmptyStateView(const QString& symbol, const QString& title, std::optional<QString> message = std::nullopt,
                   QWidget* parent = nullptr);
    static constexpr int kMessageMaxWidth = 360;
    // The message wraps to any width, so it does not hold the view wider than symbol and title.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QWidget* symbol_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
};
