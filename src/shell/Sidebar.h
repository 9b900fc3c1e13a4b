#pragma once

#include "app/AppRouter.h"

#include <QWidget>

#include <optional>

class QAction;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class Quorlent;

// The navigation column: the search field, then "Overview", the sections of the current
// inspection under "Inspection" and the four tools. Choosing a row sets the router's
// selection (also when the row is already selected, which leaves a status list); a selection
// made elsewhere highlights its row.
class Sidebar : public QWidget {
    Q_OBJECT
public:
    Sidebar(Quorlent& model, AppRouter& router, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    QListWidget* list() const { return list_; }
    // The row standing for `item`, or null (a section that no longer exists).
    QListWidgetItem* rowFor(const SidebarItem& item) const;
    static std::optional<SidebarItem> itemOf(const QListWidgetItem* row);

    static constexpr int kMinimumWidth = 210;
    static constexpr int kIdealWidth = 236;
    static constexpr int kMaximumWidth = 320;

protected:
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void rebuild();
    void retranslate();
    void recolor();
    void highlightSelection();
    void choose(QListWidgetItem* row);

    Quorlent& model_;
    AppRouter& router_;
    QLineEdit* search_;
    QAction* searchSymbol_ = nullptr;  // the leading magnifying glass (the clear button is an action too)
    QListWidget* list_;
    bool syncing_ = false;
};
