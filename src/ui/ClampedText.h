#pragma once

#include "ui/Theme.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>

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
