#pragma once

#include <QBrush>
#include <QWidget>

#include <functional>

// A symbol centred in a fixed frame, its brush asked for at paint time so a light/dark switch
// recolours it. The frame is `frameWidth` wide (the symbol's own 1.2 × size when 0) and
// 1.2 × the size high, so symbols line up with text of that size.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString& symbol, qreal pixelSize, std::function<QBrush()> brush, int frameWidth = 0,
               QWidget* parent = nullptr);
    QString symbol() const { return symbol_; }
    void setSymbol(const QString& symbol);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString symbol_;
    qreal pixelSize_;
    std::function<QBrush()> brush_;
};
