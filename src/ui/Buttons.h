#pragma once

// The application's button family: the filled accent button, the plain one and the link.
#include <QAbstractButton>
#include <QPushButton>

#include <QString>

#include <functional>

// The filled accent button ("bordered prominent"): brandPrimary with white text, an optional
// leading symbol, a minimum width for its label.
class AccentButton : public QPushButton {
    Q_OBJECT
public:
    explicit AccentButton(const QString& text = {}, QWidget* parent = nullptr);
    void setSymbol(const QString& symbol);
    void setMinimumLabelWidth(int width);
    // Large control size: taller, more padding.
    void setLarge(bool large);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void focusInEvent(QFocusEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    // The ring shows for focus that came from the keyboard, not for a click or a default.
    bool keyboardFocus_ = false;
    QString symbol_;
    int minLabelWidth_ = 0;
    bool large_ = false;
};

// A filled button in a tint, white label across the whole width (the cards' "Export…").
// The tint is a colour role resolved at paint time, so it follows the appearance.
class ProminentButton : public QAbstractButton {
    Q_OBJECT
public:
    ProminentButton(const QString& text, std::function<QColor()> tint, QWidget* parent = nullptr);
    QColor tint() const { return tint_(); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::function<QColor()> tint_;
};

// A plain push button at a given label width and size; the style's own look.
class PlainButton : public QPushButton {
    Q_OBJECT
public:
    explicit PlainButton(const QString& text = {}, QWidget* parent = nullptr);
    void setMinimumLabelWidth(int width);
    void setLarge(bool large);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    int minLabelWidth_ = 0;
    bool large_ = false;
};

// A text button in the link style: the accent colour, underlined under the pointer.
class LinkButton : public QPushButton {
    Q_OBJECT
public:
    explicit LinkButton(const QString& text = {}, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void focusInEvent(QFocusEvent*) override;
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    // The ring shows for focus that came from the keyboard, not for a click or a default.
    bool keyboardFocus_ = false;
    bool hovered_ = false;
};
