#pragma once

#include "inspection/Capability.h"
#include "screens/PageFrame.h"
#include "ui/Card.h"
#include "ui/ScoreRing.h"

#include <QDateTime>
#include <QImage>

#include <optional>

class OneLineLabel;
class QLabel;
class ThemedLabel;

// The score as a ring with its percentage in the middle and "Capability score" under it;
// one element for assistive technology (name "Capability score", value the percentage).
class ScoreColumn : public QWidget {
    Q_OBJECT
public:
    explicit ScoreColumn(double score, QWidget* parent = nullptr);
    void setScore(double score);
    double score() const { return score_; }
    QString percentText() const;
    ScoreRing* ring() const { return ring_; }
    void retranslate();
    static AngularGradient gradient();

private:
    void recolour();
    double score_;
    ScoreRing* ring_;
    QLabel* percent_;
    ThemedLabel* caption_;
};

// The large card at the top of the overview: which machine was inspected (icon for a
// portable or a desktop, name, chip · model, system, time of the last scan) and, on the
// trailing side, the capability score. Every value is shown as the probe made it.
class HeroCard : public CardFrame {
    Q_OBJECT
public:
    HeroCard(const DeviceSummary& summary, const std::optional<QDateTime>& lastUpdated, double score,
             QWidget* parent = nullptr);
    // Replaces texts and the score in place; the ring sweeps from the old to the new score.
    void setSummary(const DeviceSummary& summary);
    void setLastUpdated(const std::optional<QDateTime>& lastUpdated);
    void setScore(double score);
    // Fixed texts and the time in the interface language of now.
    void retranslate();

    QString deviceSymbol() const;
    // "chip · model".
    static QString chipLine(const DeviceSummary& summary);
    // "Last scan: <time>", the time in the locale's standard style without the date.
    static QString lastScanText(const QDateTime& when);
    ScoreColumn* scoreColumn() const { return score_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QRectF iconRect() const;
    void paintSurface(QPainter& p) const;
    const QImage& iconImage(qreal dpr) const;
    DeviceSummary summary_;
    std::optional<QDateTime> lastUpdated_;
    QWidget* iconSpace_;
    OneLineLabel* name_;
    ThemedLabel* chip_;
    ThemedLabel* os_;
    ThemedLabel* lastScan_;
    ScoreColumn* score_;
};
