#pragma once

#include "inspection/Capability.h"
#include "platform/i18n/Localization.h"
#include "screens/PageFrame.h"

#include <QList>
#include <QWidget>

// A headline capability picked out of the inspection for the overview's chips.
struct Highlight {
    QString symbol;  // the chip's icon
    QString title;   // already localised ("Touch ID" is the same in every language)

    // Titles are unique within one list, so the title identifies a highlight.
    QString id() const { return title; }
    bool operator==(const Highlight&) const = default;

    static constexpr int kLimit = 8;

    // The highlights of an inspection, in rule order, at most kLimit. Labels and values
    // are compared exactly and case-sensitively (canonically equivalent texts are equal);
    // the texts the rules look for are taken in the language `l`, as the inspection that
    // made the labels was.
    static QList<Highlight> derive(const QList<CapabilitySection>& sections, const Localization& l);
    // In the interface language (UiLanguage::current()).
    static QList<Highlight> derive(const QList<CapabilitySection>& sections);
};

// One highlight as a chip: the symbol in the brand gradient and the title on a faint
// brand-tinted capsule; the chip fills its grid cell with its content at the leading edge.
class HighlightChip : public QWidget {
    Q_OBJECT
public:
    explicit HighlightChip(const Highlight& highlight, QWidget* parent = nullptr);
    const Highlight& highlight() const { return highlight_; }
    void setHighlight(const Highlight& highlight);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void paintChip(QPainter& p) const;
    Highlight highlight_;
};
