#pragma once

#include <QWidget>

// A thin line across, inset on both sides.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};
