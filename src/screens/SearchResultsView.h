#pragma once

#include <QLocale>

#include "inspection/Capability.h"

#include <QAbstractButton>
#include <QWidget>

#include <optional>

class AppRouter;
class CardFrame;
class EmptyStateView;
class PageFrame;
class Quorlent;
class RowList;
class ScreenHeader;
class QVBoxLayout;

// The matching items of one section.
struct SearchGroup {
    CapabilitySection section;
    QList<CapabilityItem> items;
};

namespace SearchResults {
// The query with horizontal space (spaces, tabs, no-break and ideographic spaces) removed
// from both ends; line breaks stay. The main window decides "is this a search" with it too.
QString term(const QString& query);
// A section matches when the term is not empty and its title contains the term; an item
// is listed when it has the status (if one is given) and the term is empty, or its
// section matches, or its label or value contains the term. Containment ignores letter
// case as `locale` folds it (the interface language's, by default) and treats canonically
// equivalent texts as equal. Groups follow the sections.
QList<SearchGroup> groups(const QList<CapabilitySection>& sections, const QString& query,
                          std::optional<CapabilityStatus> status);
QList<SearchGroup> groups(const QList<CapabilitySection>& sections, const QString& query,
                          std::optional<CapabilityStatus> status, const QLocale& locale);
// The header's title and symbol for a status focus (or none).
QString title(std::optional<CapabilityStatus> status);
QString symbol(std::optional<CapabilityStatus> status);
// "%lld results" with the number filled in.
QString resultsText(qint64 count);
// The empty state's title: "No results for “query”" (the query as typed), or "Nothing to
// show" without a query.
QString emptyTitle(const QString& query);
}  // namespace SearchResults

// A button drawn as a symbol and a text in a font and colour of its own, without chrome:
// the link that leads back to the overview and the section names of the search results.
class SymbolTextButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Style { link, sectionTitle };
    SymbolTextButton(const QString& symbol, const QString& text, Style style, QWidget* parent = nullptr);
    void setSymbol(const QString& symbol);
    QString symbol() const { return symbol_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QFont textFont() const;
    QString symbol_;
    Style style_;
};

// One section's results: the section's name as a button, and its matching items in a card.
class SearchGroupBlock : public QWidget {
    Q_OBJECT
public:
    explicit SearchGroupBlock(QWidget* parent = nullptr);
    void setSection(const CapabilitySection& section);
    void setItems(const QList<CapabilityItem>& items);
    const CapabilitySection& section() const { return section_; }
    SymbolTextButton* button() const { return button_; }
    RowList* rows() const { return rows_; }

signals:
    void sectionRequested(const QString& symbol);

private:
    CapabilitySection section_;
    SymbolTextButton* button_;
    RowList* rows_;
};

// All items across the sections that match a search text or a status focus, grouped by
// section, with their number; a status focus has a way back to the overview. A keystroke
// (setQuery) changes only the rows and groups that differ.
class SearchResultsView : public QWidget {
    Q_OBJECT
public:
    SearchResultsView(Quorlent& inspector, AppRouter& router, const QString& query, std::optional<CapabilityStatus> status,
                      QWidget* parent = nullptr);

    void setQuery(const QString& query);
    QString query() const { return query_; }
    std::optional<CapabilityStatus> status() const { return status_; }
    const QList<SearchGroup>& groups() const { return groups_; }
    qint64 resultCount() const;

    static constexpr int kMaxWidth = 900;

    ScreenHeader* header() const { return header_; }
    SymbolTextButton* backButton() const { return back_; }
    // The blocks now shown, in order.
    QList<SearchGroupBlock*> visibleBlocks() const;
    CardFrame* emptyCard() const { return emptyCard_; }
    EmptyStateView* emptyState() const { return empty_; }

protected:
    void changeEvent(QEvent* e) override;

private:
    void sectionsChanged();
    void refresh();
    void retranslate();
    void updateEmptyState();

    Quorlent& inspector_;
    AppRouter& router_;
    QString query_;
    std::optional<CapabilityStatus> status_;
    QList<SearchGroup> groups_;
    PageFrame* page_;
    QWidget* backRow_;
    SymbolTextButton* back_;
    ScreenHeader* header_;
    QWidget* blocksHost_;
    QVBoxLayout* blocksLayout_;
    QList<SearchGroupBlock*> blocks_;  // one per section of the inspection, in order
    CardFrame* emptyCard_;
    EmptyStateView* empty_ = nullptr;
    QString emptyTitle_;
};
