#include "screens/CategoryDetailView.h"

#include "app/AppRouter.h"
#include "inspection/Quorlent.h"
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "screens/PageFrame.h"
#include "screens/RowList.h"
#include "screens/SegmentedControl.h"
#include "ui/Card.h"
#include "ui/Formatters.h"
#include "ui/Symbols.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace StatusFilters {

const QList<StatusFilter>& all()
{
    static const QList<StatusFilter> a{StatusFilter::all, StatusFilter::supported, StatusFilter::warning, StatusFilter::unsupported};
    return a;
}

QString rawValue(StatusFilter f)
{
    switch (f) {
    case StatusFilter::all: return QStringLiteral("all");
    case StatusFilter::supported: return QStringLiteral("supported");
    case StatusFilter::warning: return QStringLiteral("warning");
    case StatusFilter::unsupported: return QStringLiteral("unsupported");
    }
    return {};
}

std::optional<StatusFilter> fromRawValue(const QString& raw)
{
    for (StatusFilter f : all())
        if (rawValue(f) == raw) return f;
    return std::nullopt;
}

QString title(StatusFilter f)
{
    const Localization l = UiLanguage::current();
    switch (f) {
    case StatusFilter::all: return l.tr("All");
    case StatusFilter::supported: return l.tr("Supported");
    case StatusFilter::warning: return l.tr("Warnings");
    case StatusFilter::unsupported: return l.tr("Not supported");
    }
    return {};
}

bool admits(StatusFilter f, CapabilityStatus s)
{
    switch (f) {
    case StatusFilter::all: return true;
    case StatusFilter::supported: return s == CapabilityStatus::supported;
    case StatusFilter::warning: return s == CapabilityStatus::warning;
    case StatusFilter::unsupported: return s == CapabilityStatus::unsupported;
    }
    return false;
}

}  // namespace StatusFilters

namespace {
QStringList filterTitles()
{
    QStringList t;
    for (StatusFilter f : StatusFilters::all()) t << StatusFilters::title(f);
    return t;
}
}  // namespace

CategoryDetailView::CategoryDetailView(Quorlent& inspector, AppRouter& router, const QString& symbol, QWidget* parent)
    : QWidget(parent), inspector_(inspector), router_(router), symbol_(symbol)
{
    setObjectName(QStringLiteral("categoryDetail"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    page_ = new PageFrame(kMaxWidth);
    outer->addWidget(page_);
    QVBoxLayout* column = page_->column();

    header_ = new ScreenHeader(symbol, QString(), QString(), Theme::brandGradient());
    column->addWidget(header_);

    // The segments fill up to 460 and stand at the leading edge like the rest of the page.
    filterControl_ = new SegmentedControl(filterTitles());
    filterControl_->setPreferredWidth(kFilterMaxWidth);
    fitFilterWidth();
    column->addWidget(filterControl_, 0, Qt::AlignLeading);
    connect(filterControl_, &SegmentedControl::currentIndexChanged, this,
            [this](int index) { setFilter(StatusFilters::all().value(index, StatusFilter::all)); });

    listCard_ = new CardFrame(8, 14);
    listCard_->setObjectName(QStringLiteral("listCard"));
    rows_ = new RowList;
    listCard_->setContent(rows_);
    column->addWidget(listCard_);

    emptyCard_ = new CardFrame(16, 14);
    emptyCard_->setObjectName(QStringLiteral("emptyCard"));
    column->addWidget(emptyCard_);
    column->addStretch(1);

    retranslate();
    sectionsChanged();
    connect(&inspector_, &Quorlent::sectionsChanged, this, &CategoryDetailView::sectionsChanged);
    // Another section chosen while this page stays: follow it, with the filter back at "All".
    connect(&router_, &AppRouter::selectionChanged, this, [this] {
        const std::optional<SidebarItem> s = router_.selection();
        if (s && s->kind() == SidebarItem::Kind::section) setSymbol(s->symbol());
    });
}

void CategoryDetailView::setSymbol(const QString& symbol)
{
    if (symbol == symbol_) return;
    symbol_ = symbol;
    filter_ = StatusFilter::all;
    filterControl_->setCurrentIndex(0);
    sectionsChanged();
}

void CategoryDetailView::setFilter(StatusFilter filter)
{
    if (filter == filter_) return;
    filter_ = filter;
    filterControl_->setCurrentIndex(int(StatusFilters::all().indexOf(filter)));
    refreshList();
}

QList<CapabilityItem> CategoryDetailView::items() const
{
    QList<CapabilityItem> out;
    if (!section_) return out;
    for (const CapabilityItem& i : section_->items)
        if (StatusFilters::admits(filter_, i.status)) out.append(i);
    return out;
}

qint64 CategoryDetailView::count(CapabilityStatus status) const
{
    qint64 n = 0;
    if (section_)
        for (const CapabilityItem& i : section_->items)
            if (i.status == status) ++n;
    return n;
}

QString CategoryDetailView::subtitle() const
{
    const Localization l = UiLanguage::current();
return Formatters::statusCounts(count(CapabilityStatus::supported), count(CapabilityStatus::warning),
                                  count(CapabilityStatus::unsupported), l);
}

void CategoryDetailView::sectionsChanged()
{
    section_.reset();
    for (const CapabilitySection& s : inspector_.sections())
        if (s.symbol == symbol_) {
            section_ = s;
            break;
        }
    rebuildHeader();
    // A newer inspection brings new rows for the same filter; the old ones are not kept.
    refreshList();
    rows_->dropHidden();
}

void CategoryDetailView::rebuildHeader()
{
    // In place: the header's title, subtitle and icon change, the header stays.
    if (auto* title = header_->findChild<QLabel*>(QStringLiteral("title"))) title->setText(section_ ? section_->title : QString());
    if (auto* icon = header_->findChild<IconTile*>()) icon->setSymbol(symbol_);
    header_->setSubtitle(subtitle());
}

void CategoryDetailView::refreshList()
{
    const QList<CapabilityItem> admitted = items();
    rows_->setItems(admitted);
    listCard_->setVisible(!admitted.isEmpty());
    emptyCard_->setVisible(admitted.isEmpty());
}

void CategoryDetailView::fitFilterWidth()
{
    filterControl_->setMaximumWidth(qMax(kFilterMaxWidth, filterControl_->sizeHint().width()));
}

void CategoryDetailView::retranslate()
{
    const Localization l = UiLanguage::current();
    filterControl_->setTitles(filterTitles());
    fitFilterWidth();
    filterControl_->setAccessibleName(l.tr("Show"));
    delete empty_;
    empty_ = new EmptyStateView(QRL_SYMBOL("line.3.horizontal.decrease.circle"), l.tr("No items match this filter"));
    emptyCard_->setContent(empty_);
    if (header_) header_->setSubtitle(subtitle());
}

void CategoryDetailView::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(e);
}
