#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>


// The "Live" badge: a green dot that fades between full and 0.35 opacity (0.9 s each way,
// easing in and out) while the badge is on screen; with motion reduced it stays full.
class LivePulse : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHalfPeriodMs = 900;
    static constexpr double kLowOpacity = 0.35;
    explicit LivePulse(QWidget* parent = nullptr);
    // The dot's opacity now.
    double dotOpacity() const { return opacity_; }
    bool isPulsing() const { return timer_.isActive(); }
    // The opacity `ms` after the pulse started.
    static double opacityAt(qint64 ms);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    void restart();
    void scheduleNextStep();
    QRectF dotRect() const;
    QTimer timer_;
    QElapsedTimer clock_;
    double opacity_ = 1.0;
};
