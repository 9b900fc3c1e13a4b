#include "history/HistoryComparisonPane.h"

#include "history/HistoryChangeList.h"
#include "history/HistoryStyle.h"
#include "ui/Card.h"
#include "ui/Formatters.h"
#include "ui/SymbolView.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

using HistoryStyle::dateFont;
using HistoryStyle::roundedPath;

namespace {

// "Older" / "Newer" over the scan's date and time, on a sunken rounded rectangle.
class ScanBadge : public QWidget {
public:
    ScanBadge(const QString& title, const QDateTime& date, QWidget* parent = nullptr) : QWidget(parent)
    {
        setObjectName(QStringLiteral("scanBadge"));
        auto* stack = new QVBoxLayout(this);
        stack->setContentsMargins(12, 6, 12, 6);
        stack->setSpacing(1);
        auto* t = new ThemedLabel(title, Theme::font(Theme::TextStyle::caption), Theme::Level::secondary);
        t->setObjectName(QStringLiteral("title"));
        stack->addWidget(t);
        auto* d = new ThemedLabel(Formatters::date(date, true), dateFont(), Theme::Level::primary);
        d->setObjectName(QStringLiteral("date"));
        stack->addWidget(d);
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(roundedPath(QRectF(rect()), 10), Theme::surfaceSunken());
    }
};

CardFrame* emptyCard(const QString& symbol, const QString& title, const QString& message)
{
    auto* card = new CardFrame(16, 14);
    card->setObjectName(QStringLiteral("emptyCard"));
    card->setContent(new EmptyStateView(symbol, title, message));
    return card;
}

}  // namespace

HistoryComparisonPane::HistoryComparisonPane()
{
    setObjectName(QStringLiteral("comparison"));
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(16);
}

// With a pair: its dates and changes; without one: the prompt to pick two scans.
void HistoryComparisonPane::show(const std::optional<std::pair<QDateTime, QDateTime>>& dates, const std::optional<QList<ChangeRow>>& changes)
{
    while (QLayoutItem* item = layout_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        if (QLayout* inner = item->layout()) {
            while (QLayoutItem* child = inner->takeAt(0)) {
                if (QWidget* w = child->widget()) {
                    w->hide();
                    w->deleteLater();
                }
                delete child;
            }
            delete inner;
            continue;  // the layout was the item
        }
        delete item;
    }
    const Localization l = UiLanguage::current();
    if (dates) {
        auto* badges = new QHBoxLayout;
        badges->setSpacing(12);
        badges->addWidget(new ScanBadge(l.tr("Older"), dates->first));
        badges->addWidget(new SymbolView(QRL_SYMBOL("arrow.forward"), Theme::pixelSize(Theme::TextStyle::body),
                                          [] { return QBrush(Theme::foreground(Theme::Level::secondary)); }));
        badges->addWidget(new ScanBadge(l.tr("Newer"), dates->second));
        badges->addStretch(1);
        layout_->addLayout(badges);
        if (changes && !changes->isEmpty()) {
            for (const ChangeGroup& group : HistoryComparison::group(*changes)) {
                auto* block = new QVBoxLayout;
                block->setSpacing(8);
                auto* title = new ThemedLabel(group.section, Theme::font(Theme::TextStyle::headline), Theme::Level::secondary);
                title->setObjectName(QStringLiteral("sectionTitle"));
                title->setWordWrap(true);
                block->addWidget(title);
                auto* card = new CardFrame(12, 14);
                card->setObjectName(QStringLiteral("changesCard"));
                auto* list = new HistoryChangeList(group.rows);
                card->setContent(list);
                block->addWidget(card);
                layout_->addLayout(block);
            }
        } else {
            layout_->addWidget(emptyCard(QRL_SYMBOL("equal.circle"), l.tr("No changes between these scans"),
                                         l.tr("Everything that's tracked is the same in both.")));
        }
    } else {
        layout_->addWidget(emptyCard(QRL_SYMBOL("square.on.square"), l.tr("Pick two scans to compare"),
                                     l.tr("Select scans in the timeline. The diff shows what was added, removed or changed.")));
    }
    layout_->addStretch(1);
}
