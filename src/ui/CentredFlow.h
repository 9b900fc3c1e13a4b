#pragma once

#include <QList>
#include <QWidget>

// Lays its children out in centred lines, wrapping where the width runs out.
class CentredFlow : public QWidget {
    Q_OBJECT
public:
    explicit CentredFlow(int spacing, QWidget* parent = nullptr);
    void addWidget(QWidget* w);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent*) override;
    bool event(QEvent*) override;

private:
    int place(int width, bool apply) const;
    int spacing_;
    QList<QWidget*> items_;
};
