#pragma once

#include "inspection/Capability.h"
#include "platform/Clipboard.h"
#include "platform/i18n/Localization.h"

#include <QWidget>

#include <optional>

class HoverHighlight;
class QLabel;
class QMenu;
class StatusIcon;

// One capability as a list row: label (and the section's title under it when given),
// the value (selectable, wrapping with its lines at the trailing edge) and the status
// icon; a hover highlight and a menu to copy the value or the whole row. Label, title
// and value are shown verbatim; the menu and spoken texts use the Localization given
// (by default UiLanguage::current() when the row is built).
class CapabilityRowView : public QWidget {
    Q_OBJECT
public:
    explicit CapabilityRowView(const CapabilityItem& item, std::optional<QString> sectionTitle = std::nullopt,
                               QWidget* parent = nullptr);
    CapabilityRowView(const CapabilityItem& item, std::optional<QString> sectionTitle, const Localization& l,
                      QWidget* parent = nullptr);

    const CapabilityItem& item() const { return item_; }
    // The pasteboard the copy entries write to (the system's unless replaced).
    void setClipboard(Clipboard& clipboard) { clipboard_ = &clipboard; }

    // "label: value", the text "Copy Row" puts on the pasteboard.
    static QString rowText(const CapabilityItem& item);
    void copyValue();
    void copyRow();
    // The context menu ("Copy Value", "Copy Row"), owned by the caller.
    QMenu* makeContextMenu(QWidget* parent = nullptr);

    HoverHighlight* hoverHighlight() const { return hover_; }
    QLabel* valueLabel() const { return value_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    CapabilityItem item_;
    Localization l_;
    Clipboard* clipboard_;
    HoverHighlight* hover_;
    QLabel* value_;
};
