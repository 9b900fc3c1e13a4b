#include "shell/Sidebar.h"

#include "inspection/Quorlent.h"
#include "shell/MainWindowIcons.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QVBoxLayout>

namespace {
enum Role { kKind = Qt::UserRole + 1, kPayload, kSymbol, kHeaderKey };
constexpr int kHeader = -1;

// Rows drawn as the style draws a list's rows, with one difference of cost: the style lays a row
// out (check box, icon and text places) before each of the three places it asks for, and each
// time it lays the row's text out to measure it, then again to elide it and to draw it. These
// rows' places depend on their size alone, not on their text: they are asked for once per kind
// of row and kept, and the text is laid out once to place and draw it (again only when elided).
// A row with the keyboard focus, whose frame fits its text, is the style's to draw.
class RowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const bool plain = !opt.icon.isNull() && !opt.text.isEmpty() && opt.decorationPosition == QStyleOptionViewItem::Left &&
                           !(opt.features & (QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasCheckIndicator)) &&
                           !(opt.state & QStyle::State_Editing) && !opt.text.contains(QChar::LineSeparator) &&
                           !opt.text.contains(QLatin1Char('\n')) && !(opt.state & QStyle::State_HasFocus);
        if (!plain) {
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
            return;
        }
        const Places& at = placesFor(opt, style);
        const QPoint origin = opt.rect.topLeft();
        painter->save();
        painter->setClipRect(opt.rect);
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
        const QIcon::Mode mode = !(opt.state & QStyle::State_Enabled) ? QIcon::Disabled
                                 : (opt.state & QStyle::State_Selected) ? QIcon::Selected
                                                                         : QIcon::Normal;
        opt.icon.paint(painter, at.icon.translated(origin), opt.decorationAlignment, mode,
                       (opt.state & QStyle::State_Open) ? QIcon::On : QIcon::Off);
        QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(opt.state & QStyle::State_Active)) group = QPalette::Inactive;
        painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
        drawText(*painter, opt, at.text.translated(origin), style);
        painter->restore();
    }

private:
    struct Places {
        QRect icon, text;  // from the row's top left; the text's is the widest a text may take
    };
    struct Kind {
        QSize size;
        Qt::LayoutDirection direction;
        QFont font;
        QSize decoration;
        Qt::Alignment decorationAlignment, displayAlignment;
        int features;
        const QStyle* style;
        bool operator==(const Kind&) const = default;
    };

    const Places& placesFor(const QStyleOptionViewItem& opt, const QStyle* style) const
    {
        const Kind kind{opt.rect.size(),  opt.direction,          opt.font, opt.decorationSize, opt.decorationAlignment,
                        opt.displayAlignment, int(opt.features), style};
        for (const auto& [k, places] : kept_)
            if (k == kind) return places;
        if (kept_.size() >= 8) kept_.clear();
        // The text's place is as wide as its text, up to the room beside the icon: asked with a
        // text longer than any room, it is that room. A shorter text is drawn from its leading
        // edge (the trailing one right to left is the same edge of the room), and elided only
        // where it passes the room.
        QStyleOptionViewItem at = opt;
        at.rect.moveTopLeft(QPoint(0, 0));
        at.text = QString(at.rect.width() / qMax(1, at.fontMetrics.horizontalAdvance(QLatin1Char('M'))) + 2, QLatin1Char('M'));
        const QWidget* widget = opt.widget;
        kept_.append({kind, Places{style->subElementRect(QStyle::SE_ItemViewItemDecoration, &at, widget),
                                   style->subElementRect(QStyle::SE_ItemViewItemText, &at, widget)}});
        return kept_.last().second;
    }

    // The row's one line where the style puts it: in its text place less the focus frame's margin,
    // centred by the line's height, elided to the place's width when longer.
    static void drawText(QPainter& painter, const QStyleOptionViewItem& opt, const QRect& place, const QStyle* style)
    {
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
        const QRect box = place.adjusted(margin, 0, -margin, 0);
        QTextOption option;
        option.setWrapMode(QTextOption::ManualWrap);
        option.setTextDirection(opt.direction);
        option.setAlignment(QStyle::visualAlignment(opt.direction, opt.displayAlignment));
        auto layOut = [&](QTextLayout& layout) {
            layout.setTextOption(option);
            qreal height = 0;
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(box.width());
                line.setPosition(QPointF(0, height));
                height += line.height();
            }
            layout.endLayout();
        };
        QTextLayout whole(opt.text, opt.font);
        layOut(whole);
        const QRect lines = QStyle::alignedRect(Qt::LayoutDirectionAuto, opt.displayAlignment, whole.boundingRect().size().toSize(), box);
        const QPointF position(box.x(), lines.top());
        if (whole.lineCount() != 1 || whole.lineAt(0).naturalTextWidth() <= box.width()) {
            whole.draw(&painter, position);
            return;
        }
        QTextLayout elided(QFontMetrics(opt.font).elidedText(opt.text, opt.textElideMode, box.width()), opt.font);
        layOut(elided);
        elided.draw(&painter, position);
    }

    mutable QList<std::pair<Kind, Places>> kept_;
};

QString symbolFor(const SidebarItem& item)
{
    switch (item.kind()) {
    case SidebarItem::Kind::overview: return QRL_SYMBOL("square.grid.2x2");
    case SidebarItem::Kind::section: return item.symbol();
    case SidebarItem::Kind::pro: return ProFeatures::symbol(item.feature());
    }
    return {};
}
}  // namespace

Sidebar::Sidebar(Quorlent& model, AppRouter& router, QWidget* parent) : QWidget(parent), model_(model), router_(router)
{
    setObjectName(QStringLiteral("sidebar"));
    setMinimumWidth(kMinimumWidth);
    setMaximumWidth(kMaximumWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->setSpacing(6);

    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("search"));
    // The clear button shows only over a query; enabling it looks its icon up in the desktop's
    // theme, which the start need not wait for: it comes with the first query.
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty() && !search_->isClearButtonEnabled()) search_->setClearButtonEnabled(true);
    });
    searchSymbol_ = search_->addAction(MainWindowIcons::symbol(QRL_SYMBOL("magnifyingglass"), Theme::foreground(Theme::Level::secondary)),
                                       QLineEdit::LeadingPosition);
    layout->addWidget(search_);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("sidebarList"));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setTextElideMode(Qt::ElideRight);
    list_->setUniformItemSizes(false);
    list_->setIconSize(QSize(16, 16));
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->viewport()->setAutoFillBackground(false);
    list_->setAutoFillBackground(false);
    list_->setSpacing(1);
    list_->setFont(Theme::font(Theme::TextStyle::body));
    list_->setItemDelegate(new RowDelegate(list_));
    layout->addWidget(list_, 1);

    // A click chooses the row even when it is already selected: that leaves a status list.
    connect(list_, &QListWidget::itemClicked, this, &Sidebar::choose);
    // Keyboard moves choose too.
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* current) {
        if (!syncing_ && current && QApplication::mouseButtons() == Qt::NoButton) choose(current);
    });
    // Assistive technology selects a row without making it current: that chooses it as well.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        if (syncing_ || QApplication::mouseButtons() != Qt::NoButton) return;
        const QList<QListWidgetItem*> rows = list_->selectedItems();
        if (rows.size() == 1 && rows.front() != list_->currentItem()) choose(rows.front());
    });
    connect(&router_, &AppRouter::selectionChanged, this, &Sidebar::highlightSelection);
    connect(&model_, &Quorlent::sectionsChanged, this, &Sidebar::rebuild);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, [this] {
        recolor();
        update();
    });
    rebuild();
}

std::optional<SidebarItem> Sidebar::itemOf(const QListWidgetItem* row)
{
    if (!row) return std::nullopt;
    switch (row->data(kKind).toInt()) {
    case int(SidebarItem::Kind::overview): return SidebarItem::overview();
    case int(SidebarItem::Kind::section): return SidebarItem::section(row->data(kPayload).toString());
    case int(SidebarItem::Kind::pro):
        if (auto f = ProFeatures::fromRawValue(row->data(kPayload).toString())) return SidebarItem::pro(*f);
        return std::nullopt;
    default: return std::nullopt;
    }
}

QListWidgetItem* Sidebar::rowFor(const SidebarItem& item) const
{
    for (int i = 0; i < list_->count(); ++i)
        if (itemOf(list_->item(i)) == item) return list_->item(i);
    return nullptr;
}

void Sidebar::rebuild()
{
    syncing_ = true;
    list_->clear();
    auto addRow = [this](const SidebarItem& item, const QString& title) {
        auto* row = new QListWidgetItem(title, list_);
        row->setData(kKind, int(item.kind()));
        row->setData(kPayload, item.kind() == SidebarItem::Kind::section ? item.symbol()
                               : item.kind() == SidebarItem::Kind::pro   ? ProFeatures::rawValue(item.feature())
                                                                         : QString());
        row->setData(kSymbol, symbolFor(item));
        row->setSizeHint(QSize(0, 27));
        return row;
    };
    auto addHeader = [this](const char* key) {
        auto* row = new QListWidgetItem(list_);
        row->setData(kKind, kHeader);
        row->setData(kHeaderKey, QString::fromUtf8(key));
        row->setFlags(Qt::NoItemFlags);
        row->setSizeHint(QSize(0, 28));
        QFont f = Theme::font(Theme::TextStyle::subheadline, QFont::DemiBold);
        row->setFont(f);
        return row;
    };
    addRow(SidebarItem::overview(), QString());
    addHeader(QRL_KEY("Inspection"));
    for (const CapabilitySection& s : model_.sections()) {
        QListWidgetItem* row = addRow(SidebarItem::section(s.symbol), s.title);
        row->setToolTip(s.title);
    }
    addHeader(QRL_KEY("Tools"));
    for (ProFeature f : ProFeatures::all()) addRow(SidebarItem::pro(f), QString());
    syncing_ = false;
    retranslate();
    recolor();
    highlightSelection();
}

void Sidebar::retranslate()
{
    const Localization L = UiLanguage::current();
    search_->setPlaceholderText(L.tr("Search capabilities"));
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* row = list_->item(i);
        if (row->data(kKind).toInt() == kHeader) {
            row->setText(L.tr(row->data(kHeaderKey).toString()));
            continue;
        }
        const auto item = itemOf(row);
        if (!item) continue;
        if (item->kind() == SidebarItem::Kind::overview) row->setText(L.tr("Overview"));
        else if (item->kind() == SidebarItem::Kind::pro) row->setText(ProFeatures::sidebarTitle(item->feature()));
    }
}

void Sidebar::recolor()
{
    const QColor tint = Theme::brandPrimary();
    const QColor header = Theme::foreground(Theme::Level::secondary);
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* row = list_->item(i);
        if (row->data(kKind).toInt() == kHeader) {
            row->setForeground(header);
            continue;
        }
        row->setIcon(MainWindowIcons::symbol(row->data(kSymbol).toString(), tint, QColor(Qt::white)));
    }
    searchSymbol_->setIcon(MainWindowIcons::symbol(QRL_SYMBOL("magnifyingglass"), Theme::foreground(Theme::Level::secondary)));
}

void Sidebar::highlightSelection()
{
    syncing_ = true;
    const auto selection = router_.selection();
    QListWidgetItem* row = selection ? rowFor(*selection) : nullptr;
    if (row) {
        list_->setCurrentItem(row);
        row->setSelected(true);
    } else {
        list_->clearSelection();
        list_->setCurrentItem(nullptr);
    }
    syncing_ = false;
}

void Sidebar::choose(QListWidgetItem* row)
{
    if (syncing_) return;
    if (const auto item = itemOf(row)) router_.setSelection(*item);
}

void Sidebar::paintEvent(QPaintEvent*)
{
    // A faintly sunken column with a hairline on the side of the detail pane.
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.fillRect(rect(), Theme::surfaceSunken());
    const int x = layoutDirection() == Qt::RightToLeft ? 0 : width() - 1;
    p.fillRect(QRect(x, 0, 1, height()), Theme::primary(Theme::isDark() ? 0.12 : 0.10));
}

void Sidebar::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(e);
}
