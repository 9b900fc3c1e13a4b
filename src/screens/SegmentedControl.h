#pragma once

#include <QStringList>
#include <QWidget>

// A row of equally wide segments of which exactly one is chosen: a click, or the arrow
// keys while it has focus, chooses another. Mirrors in right-to-left layouts.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QStringList& titles, QWidget* parent = nullptr);
    // New titles (a language change); the chosen segment stays.
    void setTitles(const QStringList& titles);
    QStringList titles() const { return titles_; }
    int currentIndex() const { return current_; }
    void setCurrentIndex(int index);
    // The segment under a point, or -1.
    int segmentAt(const QPoint& pos) const;
    QRect segmentRect(int index) const;
    // The width it asks for when there is room (it fills up to its maximum width).
    void setPreferredWidth(int width);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void currentIndexChanged(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QStringList titles_;
    int current_ = 0;
    int preferredWidth_ = 0;
};
