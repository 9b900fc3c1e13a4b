#pragma once

#include "inspection/Capability.h"
#include "screens/PageFrame.h"
#include "ui/Card.h"

#include <functional>

class IconTile;
class OneLineLabel;
class ThemedLabel;
class HoverHighlight;

// How many items of a section have one rated status: the status symbol (small) and the
// count in plain digits. Below 1 it is hidden and takes no space.
class StatusCount : public QWidget {
    Q_OBJECT
public:
    StatusCount(qint64 count, CapabilityStatus status, QWidget* parent = nullptr);
    void setCount(qint64 count);
    qint64 count() const { return count_; }
    CapabilityStatus status() const { return status_; }
    // "Supported: 3", the status's spoken name in the interface language.
    static QString spokenText(CapabilityStatus status, qint64 count);
    void retranslate();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    qint64 count_;
    CapabilityStatus status_;
};

// A capability section as a clickable card: icon, title, the counts of its rated statuses
// (or how many details it holds when none is rated) and a chevron. The whole card is one
// button; a click runs the action with the section's symbol, the navigation key that
// survives a new inspection.
class SectionSummaryCard : public CardFrame {
    Q_OBJECT
public:
    using Action = std::function<void(const QString& symbol)>;
    SectionSummaryCard(const CapabilitySection& section, Action action, QWidget* parent = nullptr);
    // Shows a newer inspection of the section (or another section) in place.
    void setSection(const CapabilitySection& section);
    const CapabilitySection& section() const { return section_; }
    qint64 count(CapabilityStatus status) const;
    // "%lld details" with the number of items, shown only when no item is rated.
    QString detailsText() const;
    bool showsDetails() const;
    StatusCount* statusCount(CapabilityStatus status) const;
    HoverHighlight* hoverHighlight() const { return hover_; }
    void retranslate();
    // Runs the action, as a click does.
    void activate();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    CapabilitySection section_;
    Action action_;
    bool pressed_ = false;
    HoverHighlight* hover_;
    IconTile* icon_;
    OneLineLabel* title_;
    StatusCount* supported_;
    StatusCount* warning_;
    StatusCount* unsupported_;
    ThemedLabel* details_;
};
