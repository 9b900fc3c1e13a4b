#pragma once

#include "ui/FrameClock.h"
#include "ui/Theme.h"

#include <QColor>

#include <QWidget>

// The "Live" badge: a green dot that fades between full and 0.35 opacity (0.9 s each way,
// easing in and out) while the badge is on screen; with motion reduced it stays full. It
// steps on the frame clock, in the same ticks as the page's rings and bars.
class LivePulse : public QWidget, public FrameClock::Client {
    Q_OBJECT
public:
    static constexpr int kHalfPeriodMs = 900;
    static constexpr double kLowOpacity = 0.35;
    explicit LivePulse(QWidget* parent = nullptr);
    // The dot's opacity now.
    double dotOpacity() const { return opacity_; }
    bool isPulsing() const { return pulsing_; }
    // The opacity `ms` after the pulse started.
    static double opacityAt(qint64 ms);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    std::optional<qint64> advance(qint64 now) override;

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void restart();
    void stop();
    // The next moment after `now` at which the dot differs visibly from what is shown.
    qint64 nextStep(qint64 now) const;
    QRectF dotRect() const;
    class Dot;
    void placeDot();
    struct Colours {
        Theme::Appearance appearance;
        QColor window;
        QColor sunken;
        QColor dot;
        QColor underDot;  // the pill's colour where it covers the window
    };
    const Colours& colours();
    std::optional<Colours> colours_;
    bool pulsing_ = false;
    qint64 started_ = 0;  // on the frame clock
    double opacity_ = 1.0;
    Dot* dot_;
};
