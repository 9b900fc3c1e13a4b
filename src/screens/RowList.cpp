#include "screens/RowList.h"

#include "ui/CapabilityRowView.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>
#include <QVarLengthArray>
#include <QVBoxLayout>

namespace {
// Rows one under the other, one pixel apart. A row never changes after it is made, so its
// height at a width is measured once; hiding and showing rows as a search narrows and
// widens then costs no text layout.
class RowStackLayout : public QLayout {
public:
    explicit RowStackLayout(QWidget* parent) : QLayout(parent)
    {
        setContentsMargins(0, 0, 0, 0);
        setSpacing(1);
    }
    ~RowStackLayout() override
    {
        while (QLayoutItem* item = takeAt(0)) delete item;
    }
    void addItem(QLayoutItem* item) override { items_.append(item); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override
    {
        if (index < 0 || index >= items_.size()) return nullptr;
        // The row's measured height stays: taking rows out to reorder them is no change.
        return items_.takeAt(index);
    }
    int count() const override { return int(items_.size()); }
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return arrange(QRect(0, 0, width, 0), false); }
    QSize sizeHint() const override
    {
        int w = 0;
        for (QLayoutItem* item : items_)
            if (!item->isEmpty()) w = qMax(w, item->sizeHint().width());
        return QSize(w, heightForWidth(w));
    }
    QSize minimumSize() const override
    {
        int w = 0;
        for (QLayoutItem* item : items_)
            if (!item->isEmpty()) w = qMax(w, item->minimumSize().width());
        return QSize(w, 0);
    }
    void setGeometry(const QRect& rect) override
    {
        QLayout::setGeometry(rect);
        arrange(rect, true);
    }
    void forgetHeights() { heights_.clear(); }
    void forget(const QWidget* row) { heights_.remove(row); }

private:
    // The enclosing layouts ask at more than one width in one pass (the page's column with and
    // without its scroll bar, the card less its padding): a few widths are kept per row.
    int rowHeight(QLayoutItem* item, int width) const
    {
        Heights& known = heights_[item->widget()];
        for (const auto& [w, h] : known)
            if (w == width) return h;
        const int h = item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height();
        if (known.size() == kWidthsKept) known.remove(0);
        known.append({width, h});
        return h;
    }
    static constexpr int kWidthsKept = 4;
    using Heights = QVarLengthArray<std::pair<int, int>, kWidthsKept>;
    int arrange(const QRect& rect, bool apply) const
    {
        int y = rect.top();
        bool first = true;
        for (QLayoutItem* item : items_) {
            if (item->isEmpty()) continue;
            if (!first) y += spacing();
            first = false;
            const int h = rowHeight(item, rect.width());
            if (apply) item->setGeometry(QRect(rect.left(), y, rect.width(), h));
            y += h;
        }
        return y - rect.top();
    }
    QList<QLayoutItem*> items_;
    mutable QHash<const QWidget*, Heights> heights_;
};
}  // namespace

RowList::RowList(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("rowList"));
    layout_ = new RowStackLayout(this);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

QString RowList::contentKey(const CapabilityItem& item)
{
    return item.label + QChar(0x1f) + item.value + QChar(0x1f) + CapabilityStatusText::raw(item.status);
}

void RowList::setItems(const QList<CapabilityItem>& items, bool keepHidden)
{
    // Every row goes back to the spares; the new list takes back those with its contents.
    for (CapabilityRowView* r : std::as_const(shown_)) spare_[contentKey(r->item())].append(r);
    QList<CapabilityRowView*> next;
    next.reserve(items.size());
    for (const CapabilityItem& item : items) {
        auto it = spare_.find(contentKey(item));
        CapabilityRowView* r = nullptr;
        if (it != spare_.end() && !it->isEmpty()) {
            r = it->takeFirst();
            if (it->isEmpty()) spare_.erase(it);
        } else {
            r = new CapabilityRowView(item, std::nullopt, this);
        }
        next.append(r);
    }
    // Showing a widget whose parent is visible lays out every ancestor at once, row by
    // row; with the list hidden for the change the page is laid out once, afterwards.
    const bool wasShown = !isHidden();
    if (wasShown) setVisible(false);
    const bool sameOrder = next == shown_;
    shown_ = next;
    if (!sameOrder) {
        while (layout_->count() > 0) delete layout_->takeAt(0);
        for (CapabilityRowView* r : std::as_const(shown_)) layout_->addWidget(r);
    }
    for (CapabilityRowView* r : std::as_const(shown_)) r->setVisible(true);
    for (const QList<CapabilityRowView*>& list : std::as_const(spare_))
        for (CapabilityRowView* r : list) r->setVisible(false);
    if (!keepHidden) dropHidden();
    if (wasShown) setVisible(true);
}

void RowList::dropHidden()
{
    for (const QList<CapabilityRowView*>& list : std::as_const(spare_))
        for (CapabilityRowView* r : list) {
            layout_->removeWidget(r);
            static_cast<RowStackLayout*>(layout_)->forget(r);
            delete r;
        }
    spare_.clear();
}

void RowList::changeEvent(QEvent* e)
{
    // Another font or style measures the rows anew.
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange || e->type() == QEvent::LayoutDirectionChange)
        static_cast<RowStackLayout*>(layout_)->forgetHeights();
    QWidget::changeEvent(e);
}

void RowList::paintEvent(QPaintEvent*)
{
    if (shown_.size() < 2) return;
    QPainter p(this);
    const QColor line = Theme::primary(0.1);
    for (qsizetype i = 1; i < shown_.size(); ++i) {
        // The gap of one pixel above each row but the first.
        const int y = shown_[i]->geometry().top() - 1;
        p.fillRect(QRect(kDividerInset, y, width() - 2 * kDividerInset, 1), line);
    }
}
