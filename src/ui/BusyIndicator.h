#pragma once

#include <QTimer>
#include <QWidget>


// An indeterminate progress indicator: a ring of dots turning (still with motion reduced).
class BusyIndicator : public QWidget {
    Q_OBJECT
public:
    explicit BusyIndicator(int size, QWidget* parent = nullptr);
    bool isSpinning() const { return timer_.isActive(); }
    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    int size_;
    int step_ = 0;
    QTimer timer_;
};
