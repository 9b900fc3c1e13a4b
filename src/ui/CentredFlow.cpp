#include "ui/CentredFlow.h"

#include <QEvent>
#include <QStyle>

#include <algorithm>

// ---- CentredFlow -------------------------------------------------------------------------------

CentredFlow::CentredFlow(int spacing, QWidget* parent) : QWidget(parent), spacing_(spacing)
{
    QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Preferred);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
}

void CentredFlow::addWidget(QWidget* w)
{
    w->setParent(this);
    items_ << w;
    updateGeometry();
}

int CentredFlow::place(int width, bool apply) const
{
    // Lines of items that fit, each line centred; an item wider than the width gets a line alone.
    int y = 0;
    qsizetype i = 0;
    while (i < items_.size()) {
        qsizetype j = i;
        int lineWidth = 0, lineHeight = 0;
        while (j < items_.size()) {
            const QSize s = items_[j]->sizeHint();
            const int next = lineWidth + (j > i ? spacing_ : 0) + s.width();
            if (j > i && next > width) break;
            lineWidth = next;
            lineHeight = std::max(lineHeight, s.height());
            ++j;
        }
        if (apply) {
            int x = std::max((width - lineWidth) / 2, 0);
            for (qsizetype k = i; k < j; ++k) {
                const QSize s = items_[k]->sizeHint();
                const QRect r(x, y + (lineHeight - s.height()) / 2, std::min(s.width(), width), s.height());
                items_[k]->setGeometry(QStyle::visualRect(layoutDirection(), QRect(0, 0, width, 1 << 16), r));
                x += s.width() + spacing_;
            }
        }
        y += lineHeight + 6;
        i = j;
    }
    return std::max(y - 6, 0);
}

int CentredFlow::heightForWidth(int width) const { return place(width, false); }

QSize CentredFlow::sizeHint() const
{
    int w = 0;
    for (QWidget* item : items_) w += item->sizeHint().width() + (w ? spacing_ : 0);
    return QSize(w, heightForWidth(w));
}

QSize CentredFlow::minimumSizeHint() const
{
    int w = 0;
    for (QWidget* item : items_) w = std::max(w, item->sizeHint().width());
    return QSize(w, heightForWidth(w));
}

void CentredFlow::resizeEvent(QResizeEvent*) { place(width(), true); }

bool CentredFlow::event(QEvent* e)
{
    if (e->type() == QEvent::LayoutDirectionChange || e->type() == QEvent::LayoutRequest) place(width(), true);
    return QWidget::event(e);
}
