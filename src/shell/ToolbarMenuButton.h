#pragma once

#include <QToolButton>

// A toolbar button that opens its menu: icon and title, then a small chevron at the trailing
// end, with room of its own, so in right to left the arrow never lies over the title's last
// letters (the style's own arrow sits in the corner, over the text).
class ToolbarMenuButton : public QToolButton {
    Q_OBJECT
public:
    explicit ToolbarMenuButton(QWidget* parent = nullptr);
    static constexpr int kChevronRoom = 12;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Where the chevron is drawn, in the button's coordinates.
    QRect chevronRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
};
