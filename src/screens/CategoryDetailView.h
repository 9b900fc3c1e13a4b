#pragma once

#include "inspection/Capability.h"

#include <QWidget>

#include <optional>

class AppRouter;
class CardFrame;
class EmptyStateView;
class PageFrame;
class Quorlent;
class RowList;
class ScreenHeader;
class SegmentedControl;

// Which items of a section a category page lists. Segments in declaration order.
enum class StatusFilter { all, supported, warning, unsupported };

namespace StatusFilters {
const QList<StatusFilter>& all();
QString rawValue(StatusFilter filter);
// Exactly the four raw words, case-sensitively; anything else is no filter.
std::optional<StatusFilter> fromRawValue(const QString& raw);
// "All", "Supported", "Warnings", "Not supported" in the interface language, on every call.
QString title(StatusFilter filter);
// Info items pass only "all"; no filter selects them alone.
bool admits(StatusFilter filter, CapabilityStatus status);
}  // namespace StatusFilters

// The page of one capability section: header with the section's counts, a status filter,
// and the admitted items as rows in a card (or an empty state). Follows every new
// inspection of the section, keeping the chosen filter; another section resets it.
class CategoryDetailView : public QWidget {
    Q_OBJECT
public:
    CategoryDetailView(Quorlent& inspector, AppRouter& router, const QString& symbol, QWidget* parent = nullptr);

    // Shows another section; the filter goes back to "All".
    void setSymbol(const QString& symbol);
    QString symbol() const { return symbol_; }
    StatusFilter filter() const { return filter_; }
    void setFilter(StatusFilter filter);

    // The section shown (the first of the inspection with the symbol), if any.
    const std::optional<CapabilitySection>& section() const { return section_; }
    QList<CapabilityItem> items() const;
    qint64 count(CapabilityStatus status) const;
    QString subtitle() const;

    static constexpr int kMaxWidth = 900;
    static constexpr int kFilterMaxWidth = 460;

    ScreenHeader* header() const { return header_; }
    SegmentedControl* filterControl() const { return filterControl_; }
    RowList* rowList() const { return rows_; }
    // The list's card and the empty state's card; exactly one of them is visible.
    CardFrame* listCard() const { return listCard_; }
    CardFrame* emptyCard() const { return emptyCard_; }

protected:
    void changeEvent(QEvent* e) override;

private:
    void sectionsChanged();
    // At most kFilterMaxWidth, unless the language's titles need more to be read whole.
    void fitFilterWidth();
    void rebuildHeader();
    void refreshList();
    void retranslate();

    Quorlent& inspector_;
    AppRouter& router_;
    QString symbol_;
    std::optional<CapabilitySection> section_;
    StatusFilter filter_ = StatusFilter::all;
    PageFrame* page_;
    ScreenHeader* header_ = nullptr;
    SegmentedControl* filterControl_;
    CardFrame* listCard_;
    RowList* rows_;
    CardFrame* emptyCard_;
    EmptyStateView* empty_ = nullptr;
};
