#pragma once

#include <QAbstractButton>

// An on/off switch drawn as a small capsule with a knob; checkable.
class SettingsSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit SettingsSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(38, 22); }

protected:
    void paintEvent(QPaintEvent*) override;
};
