#include "screens/RowList.h"

#include "ui/CapabilityRowView.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QVBoxLayout>

RowList::RowList(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("rowList"));
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(1);  // the divider's line
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
            delete r;
        }
    spare_.clear();
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
