#pragma once

#include <QWidget>

// A rounded group of rows, as a grouped form shows its sections.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSection(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};
