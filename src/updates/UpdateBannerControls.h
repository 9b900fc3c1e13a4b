#pragma once

#include "ui/UntrustedText.h"

// Small pieces the update views share with the settings window and the onboarding sheet:
// the two painted button styles, the application's icon, a line-limited plain-text view and
// the one rule for showing text that came from the network.
#include "ui/Theme.h"

#include <QPushButton>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

// Calls `retranslate` when the window that holds `widget` hears of a language change (a host
// may tell only its windows, not every widget in them). Lives as long as `widget`.
void followWindowLanguage(QWidget* widget, std::function<void()> retranslate);

// Where web and mail addresses go: the desktop's handler unless a test records instead.
namespace UrlOpener {
using Function = std::function<void(const QUrl&)>;
Function desktop();
}  // namespace UrlOpener

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

// The application's icon at a square size: the window icon the application set, or the
// product's mark painted in the brand colours when it has none. Decorative.
class ApplicationIconView : public QWidget {
    Q_OBJECT
public:
    explicit ApplicationIconView(int size, QWidget* parent = nullptr);
    static void paint(QPainter& p, const QRectF& rect, Qt::LayoutDirection direction);

protected:
    void paintEvent(QPaintEvent*) override;
};

// Plain text laid out to the widget's width, at most `maxLines` lines (0: no limit), the
// last one cut with an ellipsis. Wraps at word boundaries, or anywhere inside an overlong word.
class ClampedText : public QWidget {
    Q_OBJECT
public:
    ClampedText(const QFont& font, Theme::Level level, int maxLines, QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return text_; }
    void setAlignment(Qt::Alignment alignment);  // Qt::AlignLeading, AlignHCenter
    void setColor(std::optional<QColor> color);
    // The lines as shown at `width`.
    QStringList shownLines(int width) const;
    // The widest line without any wrapping (each paragraph on one line), capped.
    int idealWidth() const;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
    Theme::Level level_;
    std::optional<QColor> color_;
    int maxLines_;
    Qt::Alignment alignment_ = Qt::AlignLeading;
};
