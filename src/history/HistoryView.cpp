#include "history/HistoryView.h"

#include "platform/Clipboard.h"
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "ui/Card.h"
#include "ui/Formatters.h"
#include "ui/StatusIcon.h"
#include "ui/SymbolView.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"
#include "ui/SmoothCorners.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedLayout>
#include <QTextLayout>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>

// ---- HistoryRow ---------------------------------------------------------------------------------

HistoryRow HistoryRow::make(const ScanSnapshot& s)
{
    HistoryRow row{s.id, s.date, s.deviceName, s.chip + QStringLiteral(" · ") + s.osVersion, 0, 0, 0};
    for (const ScanSnapshot::Section& section : s.sections) {
        for (const ScanSnapshot::Item& item : section.items) {
            switch (item.status) {
            case CapabilityStatus::supported: ++row.supported; break;
            case CapabilityStatus::warning: ++row.warnings; break;
            case CapabilityStatus::unsupported: ++row.unsupported; break;
            case CapabilityStatus::info: break;
            }
        }
    }
    return row;
}

namespace {

QPainterPath roundedPath(const QRectF& r, qreal radius)
{
    QPainterPath p;
    p.addPath(SmoothCorners::path(r, radius));
    return p;
}

QFont dateFont() { return Theme::font(Theme::TextStyle::callout, QFont::DemiBold); }
QFont detailFont() { return Theme::font(Theme::TextStyle::caption); }
QFont countFont() { return Theme::font(Theme::TextStyle::caption2); }

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

// ---- The comparison -----------------------------------------------------------------------------

// The right side: the two picked scans' badges and their changes by section, or why there is
// nothing to compare.
class HistoryComparisonPane : public QWidget {
public:
    HistoryComparisonPane()
    {
        setObjectName(QStringLiteral("comparison"));
        layout_ = new QVBoxLayout(this);
        layout_->setContentsMargins(0, 0, 0, 0);
        layout_->setSpacing(16);
    }

    // With a pair: its dates and changes; without one: the prompt to pick two scans.
    void show(const std::optional<std::pair<QDateTime, QDateTime>>& dates, const std::optional<QList<ChangeRow>>& changes)
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

private:
    QVBoxLayout* layout_;
};

// ---- HistoryChangeList ---------------------------------------------------------------------------

namespace {
constexpr qreal kRowVerticalPadding = 6;
constexpr qreal kGap = 8;          // between the parts of a row
constexpr qreal kValueGap = 12;    // at least, between the label and the values
constexpr qreal kStatusGap = 4;    // between a status symbol and its word

QFont changeFont() { return Theme::font(Theme::TextStyle::callout); }
QFont newValueFont() { return Theme::font(Theme::TextStyle::callout, QFont::Medium); }
QFont oldValueFont(bool struck)
{
    QFont f = changeFont();
    f.setStrikeOut(struck);
    return f;
}
qreal kindIconWidth() { return std::ceil(Theme::pixelSize(Theme::TextStyle::callout) * 1.2); }
qreal arrowWidth() { return std::ceil(Theme::pixelSize(Theme::TextStyle::caption) * 1.2); }

// Lays `text` out in lines of at most `width`, breaking between words where it can and anywhere
// where a word is longer than the line (paths, identifiers).
void layOut(QTextLayout& layout, qreal width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
}

qreal wrappedHeight(const QString& text, const QFont& font, qreal width)
{
    QTextLayout layout(text, font);
    layOut(layout, qMax<qreal>(1, width));
    return layout.boundingRect().height();
}

qreal naturalWidth(const QString& text, const QFont& font) { return std::ceil(QFontMetricsF(font).horizontalAdvance(text)) + 1; }

// Draws wrapped text in `box`, each line against the box's leading or trailing edge.
void drawWrapped(QPainter& p, const QRectF& box, const QString& text, const QFont& font, const QColor& color, bool trailing,
                 Qt::LayoutDirection direction)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const bool right = trailing != (direction == Qt::RightToLeft);
    option.setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute);
    // Each text takes its own direction ("3.80 GHz" stays in that order on a right-to-left
    // page); `direction` only decides the edge it keeps to.
    option.setTextDirection(Qt::LayoutDirectionAuto);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    p.save();
    p.setPen(color);
    layout.draw(&p, box.topLeft());
    p.restore();
}
}  // namespace

HistoryChangeList::HistoryChangeList(const QList<ChangeRow>& rows, QWidget* parent) : QWidget(parent), rows_(rows)
{
    setObjectName(QStringLiteral("changeList"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    const Localization l = UiLanguage::current();
    QStringList spoken;
    for (const ChangeRow& row : rows_) {
        Shown shown;
        shown.label = row.label;
        const bool statusOnly = row.isStatusOnly();
        if (row.oldValue) shown.oldValue = statusOnly ? StatusStyle::accessibilityName(*row.oldStatus, l) : *row.oldValue;
        if (row.newValue) shown.newValue = statusOnly ? StatusStyle::accessibilityName(*row.newStatus, l) : *row.newValue;
        switch (row.kind()) {
        case SnapshotChange::Kind::added: shown.kind = l.tr("Added"); break;
        case SnapshotChange::Kind::removed: shown.kind = l.tr("Removed"); break;
        case SnapshotChange::Kind::changed: shown.kind = l.tr("Changed"); break;
        }
        shown_ << shown;
        QStringList parts{shown.kind, shown.label};
        if (shown.oldValue) parts << *shown.oldValue;
        if (shown.newValue) parts << *shown.newValue;
        spoken << parts.join(QStringLiteral(", "));
    }
    setAccessibleName(spoken.join(QStringLiteral("; ")));
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

const QList<HistoryChangeList::Geometry>& HistoryChangeList::geometry(int width) const
{
    if (width == geometryWidth_ && !geometry_.isEmpty()) return geometry_;
    geometry_.clear();
    geometryWidth_ = width;
    const qreal W = qMax(1, width);
    const QFont labelFont = changeFont();
    const qreal lineHeight = QFontMetricsF(labelFont).height();
    const qreal labelX = kindIconWidth() + kGap;
    const qreal available = qMax<qreal>(1, W - labelX);
    qreal y = 0;
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        const ChangeRow& row = rows_[i];
        const Shown& shown = shown_[i];
        const bool statusOnly = row.isStatusOnly();
        const bool both = shown.oldValue && shown.newValue;
        const QFont oldFont = oldValueFont(both);
        const QFont newFont = newValueFont();
        const qreal statusWidth = statusOnly ? StatusIcon::kWidth + kStatusGap : 0;
        const Naturals& n = naturals(i);
        const qreal oldNatural = n.oldValue;
        const qreal newNatural = n.newValue;
        qreal fixed = 0;
        if (shown.oldValue) fixed += statusWidth;
        if (shown.newValue) fixed += statusWidth;
        if (both) fixed += kGap + arrowWidth() + kGap;
        const qreal valuesNatural = fixed + oldNatural + newNatural;
        const qreal labelNatural = n.label;
        // Wrapping is measured only for texts that do not fit on one line.
        auto heightOf = [lineHeight](const QString& text, const QFont& font, qreal width, qreal natural) {
            return natural <= width ? lineHeight : wrappedHeight(text, font, width);
        };

        // Both on one line when they fit; else the label keeps at least a third of the row and
        // the values take the rest, each wrapping in its share.
        qreal valuesWidth = valuesNatural;
        qreal labelWidth = labelNatural;
        if (labelNatural + kValueGap + valuesNatural > available) {
            const qreal labelMinimum = qMin(labelNatural, available / 3);
            valuesWidth = qMin(valuesNatural, qMax<qreal>(0, available - kValueGap - labelMinimum));
            labelWidth = qMin(labelNatural, qMax<qreal>(1, available - kValueGap - valuesWidth));
        }
        const qreal textBudget = qMax<qreal>(1, valuesWidth - fixed);
        qreal oldWidth = oldNatural, newWidth = newNatural;
        if (oldNatural + newNatural > textBudget) {
            if (both) {
                // A short value keeps its one line; the longer one wraps in what is left.
                const qreal half = textBudget / 2;
                if (oldNatural <= half) oldWidth = oldNatural, newWidth = textBudget - oldNatural;
                else if (newNatural <= half) newWidth = newNatural, oldWidth = textBudget - newNatural;
                else oldWidth = newWidth = half;
            } else if (shown.oldValue) {
                oldWidth = textBudget;
            } else {
                newWidth = textBudget;
            }
        }

        Geometry g;
        g.top = y + (i > 0 ? 1 : 0);  // the divider above every change but the first
        const qreal top = g.top + kRowVerticalPadding;
        g.kind = QRectF(0, top, kindIconWidth(), lineHeight);
        g.label = QRectF(labelX, top, labelWidth, heightOf(shown.label, labelFont, labelWidth, labelNatural));
        qreal x = W;
        qreal height = qMax(lineHeight, g.label.height());
        if (shown.newValue) {
            x -= newWidth;
            g.newValue = QRectF(x, top, newWidth, heightOf(*shown.newValue, newFont, newWidth, newNatural));
            height = qMax(height, g.newValue.height());
            if (statusOnly) {
                x -= kStatusGap + StatusIcon::kWidth;
                g.newStatus = QRectF(x, top, StatusIcon::kWidth, lineHeight);
            }
        }
        if (both) {
            x -= kGap + arrowWidth();
            g.arrow = QRectF(x, top, arrowWidth(), lineHeight);
            x -= kGap;
        }
        if (shown.oldValue) {
            x -= oldWidth;
            g.oldValue = QRectF(x, top, oldWidth, heightOf(*shown.oldValue, oldFont, oldWidth, oldNatural));
            height = qMax(height, g.oldValue.height());
            if (statusOnly) {
                x -= kStatusGap + StatusIcon::kWidth;
                g.oldStatus = QRectF(x, top, StatusIcon::kWidth, lineHeight);
            }
        }
        g.bottom = top + height + kRowVerticalPadding;
        y = g.bottom;
        geometry_ << g;
    }
    return geometry_;
}

const HistoryChangeList::Naturals& HistoryChangeList::naturals(qsizetype row) const
{
    // One line's width of each text, the same at every width of the list: measured once.
    if (naturals_.size() != shown_.size()) {
        naturals_.clear();
        const QFont labelFont = changeFont();
        const QFont newFont = newValueFont();
        for (const Shown& s : shown_) {
            const QFont oldFont = oldValueFont(s.oldValue && s.newValue);
            naturals_ << Naturals{naturalWidth(s.label, labelFont), s.oldValue ? naturalWidth(*s.oldValue, oldFont) : 0,
                                  s.newValue ? naturalWidth(*s.newValue, newFont) : 0};
        }
    }
    return naturals_[row];
}

int HistoryChangeList::heightForWidth(int width) const
{
    // Layouts ask for a few widths over and over while they settle.
    if (auto it = heights_.constFind(width); it != heights_.cend()) return *it;
    const QList<Geometry>& g = geometry(width);
    const int height = g.isEmpty() ? 0 : int(std::ceil(g.last().bottom));
    if (heights_.size() > 16) heights_.clear();
    heights_.insert(width, height);
    return height;
}

QSize HistoryChangeList::sizeHint() const { return QSize(480, heightForWidth(480)); }

QSize HistoryChangeList::minimumSizeHint() const { return QSize(160, 0); }

int HistoryChangeList::rowAt(const QPoint& pos) const
{
    const QList<Geometry>& g = geometry(width());
    for (qsizetype i = 0; i < g.size(); ++i)
        if (pos.y() >= g[i].top && pos.y() < g[i].bottom) return int(i);
    return -1;
}

QString HistoryChangeList::rowText(int index) const
{
    if (index < 0 || index >= shown_.size()) return {};
    const Shown& s = shown_[index];
    QString text = s.label + QStringLiteral(": ");
    if (s.oldValue && s.newValue) text += *s.oldValue + QStringLiteral(" → ") + *s.newValue;
    else text += s.oldValue ? *s.oldValue : s.newValue.value_or(QString());
    return text;
}

void HistoryChangeList::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    const Qt::LayoutDirection direction = layoutDirection();
    p.setLayoutDirection(direction);
    p.setRenderHint(QPainter::Antialiasing);
    const bool rtl = direction == Qt::RightToLeft;
    const qreal w = width();
    auto mirrored = [&](const QRectF& r) { return rtl ? QRectF(w - r.right(), r.top(), r.width(), r.height()) : r; };
    const QColor secondary = Theme::foreground(Theme::Level::secondary);
    const QColor primary = Theme::foreground(Theme::Level::primary);
    const qreal iconSize = Theme::pixelSize(Theme::TextStyle::callout);
    const qreal arrowSize = Theme::pixelSize(Theme::TextStyle::caption);
    auto centred = [](const QRectF& box, qreal size) {
        return QRectF(box.center().x() - size / 2, box.center().y() - size / 2, size, size);
    };

    const QList<Geometry>& geometry = this->geometry(width());
    for (qsizetype i = 0; i < geometry.size(); ++i) {
        const Geometry& g = geometry[i];
        if (g.bottom < e->rect().top() || g.top > e->rect().bottom() + 1) continue;
        const ChangeRow& row = rows_[i];
        const Shown& shown = shown_[i];
        if (i > 0) p.fillRect(QRectF(0, g.top - 1, w, 1), Theme::primary(0.1));

        QString symbol;
        Theme::Color color = Theme::Color::brandPrimary;
        switch (row.kind()) {
        case SnapshotChange::Kind::added:
            symbol = QRL_SYMBOL("plus.circle.fill");
            color = Theme::Color::statusSupported;
            break;
        case SnapshotChange::Kind::removed:
            symbol = QRL_SYMBOL("minus.circle.fill");
            color = Theme::Color::statusUnsupported;
            break;
        case SnapshotChange::Kind::changed:
            symbol = QRL_SYMBOL("arrow.triangle.2.circlepath.circle.fill");
            break;
        }
        Symbols::draw(p, symbol, mirrored(centred(g.kind, iconSize)), Theme::color(color));
        drawWrapped(p, mirrored(g.label), shown.label, changeFont(), secondary, false, direction);
        const bool both = shown.oldValue && shown.newValue;
        if (shown.oldValue) {
            if (!g.oldStatus.isNull()) StatusIcon::paint(p, *row.oldStatus, mirrored(g.oldStatus), iconSize);
            drawWrapped(p, mirrored(g.oldValue), *shown.oldValue, oldValueFont(both), both ? secondary : Theme::statusUnsupported(),
                        true, direction);
        }
        if (both) Symbols::draw(p, QRL_SYMBOL("arrow.forward"), mirrored(centred(g.arrow, arrowSize)), Theme::foreground(Theme::Level::tertiary));
        if (shown.newValue) {
            if (!g.newStatus.isNull()) StatusIcon::paint(p, *row.newStatus, mirrored(g.newStatus), iconSize);
            drawWrapped(p, mirrored(g.newValue), *shown.newValue, newValueFont(), primary, true, direction);
        }
    }
}

void HistoryChangeList::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    update();
}

void HistoryChangeList::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) {
        geometry_.clear();
        heights_.clear();
        naturals_.clear();
        updateGeometry();
    }
}

void HistoryChangeList::contextMenuEvent(QContextMenuEvent* e)
{
    const int row = rowAt(e->pos());
    if (row < 0) return;
    QMenu* menu = contextMenu(row, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
    e->accept();
}

QMenu* HistoryChangeList::contextMenu(int row, QWidget* parent) const
{
    // The values are painted, not labels: they are copied from here.
    auto* menu = new QMenu(parent);
    const Localization l = UiLanguage::current();
    const Shown shown = shown_.value(row);
    const QString value = shown.newValue ? *shown.newValue : shown.oldValue.value_or(QString());
    QAction* copyValue = menu->addAction(l.tr("Copy Value"));
    copyValue->setObjectName(QStringLiteral("copyValue"));
    connect(copyValue, &QAction::triggered, menu, [value] { Clipboard::system().setText(value); });
    QAction* copyRow = menu->addAction(l.tr("Copy Row"));
    copyRow->setObjectName(QStringLiteral("copyRow"));
    connect(copyRow, &QAction::triggered, menu, [text = rowText(row)] { Clipboard::system().setText(text); });
    return menu;
}

// ---- HistoryTimeline ----------------------------------------------------------------------------

namespace {
constexpr int kListPadding = 8;   // around the list of rows
constexpr int kRowPadding = 8;    // inside a row, left and right
constexpr int kTextPadding = 8;   // above and below a row's texts
constexpr int kTopBar = 10;
constexpr int kRailWidth = 18;
}  // namespace

HistoryTimeline::HistoryTimeline(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("timeline"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void HistoryTimeline::setRows(const QList<HistoryRow>& rows)
{
    if (rows == rows_) return;
    rows_ = rows;
    pressed_ = -1;
    current_ = rows_.isEmpty() ? -1 : qBound(0, current_, int(rows_.size()) - 1);
    updateGeometry();
    setFixedHeight(sizeHint().height());
    update();
}

void HistoryTimeline::setSelection(const HistorySelection& selection)
{
    if (selection.ids() == selected_) return;
    selected_ = selection.ids();
    update();
}

int HistoryTimeline::rowHeight() const
{
    const QFontMetrics d(dateFont()), c(detailFont()), n(countFont());
    return kTextPadding + d.height() + 2 + c.height() + 2 + n.height() + kTextPadding;
}

QRect HistoryTimeline::rowRect(int index) const
{
    return QRect(kListPadding, kListPadding + index * rowHeight(), qMax(0, width() - 2 * kListPadding), rowHeight());
}

int HistoryTimeline::rowAt(const QPoint& pos) const
{
    if (pos.x() < kListPadding || pos.x() >= width() - kListPadding) return -1;
    const int y = pos.y() - kListPadding;
    if (y < 0) return -1;
    const int index = y / rowHeight();
    return index < rows_.size() ? index : -1;
}

QString HistoryTimeline::dateText(int index) const
{
    if (index < 0 || index >= rows_.size()) return {};
    const HistoryRow& row = rows_[index];
    auto it = dates_.constFind(row.id);
    if (it != dates_.cend()) return *it;
    // Formatting a date is the costly part of a row: done when a row first shows, once.
    const QString text = Formatters::date(row.date, true);
    dates_.insert(row.id, text);
    return text;
}

QSize HistoryTimeline::sizeHint() const
{
    return QSize(HistoryView::kTimelineWidth, 2 * kListPadding + int(rows_.size()) * rowHeight());
}

QSize HistoryTimeline::minimumSizeHint() const { return QSize(120, sizeHint().height()); }

void HistoryTimeline::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const qreal w = width();
    auto mirrored = [&](const QRectF& r) { return rtl ? QRectF(w - r.right(), r.top(), r.width(), r.height()) : r; };
    const Qt::Alignment leading = (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute | Qt::AlignVCenter;

    const QFont df = dateFont(), cf = detailFont(), nf = countFont();
    const QFontMetricsF dm(df), cm(cf), nm(nf);
    const qreal symbolSize = Theme::pixelSize(Theme::TextStyle::body);
    const QColor rail = Theme::primary(0.12);
    const QColor secondary = Theme::foreground(Theme::Level::secondary);
    const QColor primaryText = Theme::foreground(Theme::Level::primary);
    QColor selectedFill = Theme::brandPrimary();
    selectedFill.setAlphaF(selectedFill.alphaF() * 0.08f);

    const int h = rowHeight();
    const int first = qMax(0, (e->rect().top() - kListPadding) / h);
    const int last = qMin(int(rows_.size()) - 1, (e->rect().bottom() - kListPadding) / h);
    for (int i = first; i <= last; ++i) {
        const HistoryRow& row = rows_[i];
        const QRectF r(rowRect(i));
        const bool selected = selected_.contains(row.id);
        if (selected) p.fillPath(roundedPath(r, 10), selectedFill);
        if (i == current_ && hasFocus()) {
            p.save();
            p.setPen(QPen(Theme::brandPrimary(), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawPath(roundedPath(r.adjusted(0.75, 0.75, -0.75, -0.75), 9.5));
            p.restore();
        }

        // The rail: a line through every row, broken above the first and below the last.
        const qreal railX = r.left() + kRowPadding;
        const qreal cx = railX + kRailWidth / 2.0;
        if (i > 0) p.fillRect(mirrored(QRectF(cx - 1, r.top(), 2, kTopBar)), rail);
        const QRectF mark(cx - symbolSize / 2, r.top() + kTopBar, symbolSize, symbolSize * 1.2);
        if (i < rows_.size() - 1) p.fillRect(mirrored(QRectF(cx - 1, mark.bottom(), 2, r.bottom() - mark.bottom())), rail);
        const QRectF markSymbol(cx - symbolSize / 2, mark.center().y() - symbolSize / 2, symbolSize, symbolSize);
        if (selected) Symbols::draw(p, QRL_SYMBOL("checkmark.circle.fill"), mirrored(markSymbol), Theme::brandPrimary());
        else Symbols::draw(p, QRL_SYMBOL("circle"), mirrored(markSymbol), secondary);

        // The texts.
        const qreal x = railX + kRailWidth + 12;
        const qreal textWidth = qMax<qreal>(0, r.right() - kRowPadding - x);
        qreal y = r.top() + kTextPadding;
        p.setFont(df);
        p.setPen(primaryText);
        p.drawText(mirrored(QRectF(x, y, textWidth, dm.height())), leading, dm.elidedText(dateText(i), Qt::ElideRight, textWidth));
        y += dm.height() + 2;
        p.setFont(cf);
        p.setPen(secondary);
        p.drawText(mirrored(QRectF(x, y, textWidth, cm.height())), leading, cm.elidedText(row.detail, Qt::ElideRight, textWidth));
        y += cm.height() + 2;

        // The three counts, each a coloured symbol and its number, 8 apart.
        p.setFont(nf);
        const qreal countSymbol = Theme::pixelSize(Theme::TextStyle::caption2);
        const std::tuple<QString, Theme::Color, int> counts[] = {
            {QRL_SYMBOL("checkmark.circle.fill"), Theme::Color::statusSupported, row.supported},
            {QRL_SYMBOL("exclamationmark.triangle.fill"), Theme::Color::statusWarning, row.warnings},
            {QRL_SYMBOL("xmark.circle.fill"), Theme::Color::statusUnsupported, row.unsupported},
        };
        qreal cx2 = x;
        for (const auto& [symbol, color, count] : counts) {
            const QRectF s(cx2, y + (nm.height() - countSymbol) / 2, countSymbol, countSymbol);
            Symbols::draw(p, symbol, mirrored(s), Theme::color(color));
            cx2 += countSymbol + 2;
            const QString number = QString::number(count);
            const qreal nw = nm.horizontalAdvance(number) + 1;
            p.setPen(secondary);
            p.drawText(mirrored(QRectF(cx2, y, nw, nm.height())), leading, number);
            cx2 += nw + 8;
        }
    }
}

void HistoryTimeline::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton ? rowAt(e->position().toPoint()) : -1;
    if (pressed_ >= 0) current_ = pressed_;
    QWidget::mousePressEvent(e);
}

void HistoryTimeline::mouseReleaseEvent(QMouseEvent* e)
{
    const int row = e->button() == Qt::LeftButton ? rowAt(e->position().toPoint()) : -1;
    if (row >= 0 && row == pressed_) emit toggled(rows_[row].id);
    pressed_ = -1;
    QWidget::mouseReleaseEvent(e);
}

void HistoryTimeline::contextMenuEvent(QContextMenuEvent* e)
{
    // From the keyboard (the menu key, Shift+F10) the menu is for the row with the focus.
    const bool keyboard = e->reason() == QContextMenuEvent::Keyboard;
    const int row = keyboard ? current_ : rowAt(e->pos());
    if (row < 0 || row >= rows_.size()) return;
    const QPoint at = keyboard ? mapToGlobal(rowRect(row).center()) : e->globalPos();
    emit contextMenuRequested(rows_[row].id, at);
    e->accept();
}

void HistoryTimeline::keyPressEvent(QKeyEvent* e)
{
    if (rows_.isEmpty()) return QWidget::keyPressEvent(e);
    int next = current_ < 0 ? 0 : current_;
    switch (e->key()) {
    case Qt::Key_Up: next = qMax(0, current_ - 1); break;
    case Qt::Key_Down: next = qMin(int(rows_.size()) - 1, current_ + 1); break;
    case Qt::Key_Home: next = 0; break;
    case Qt::Key_End: next = int(rows_.size()) - 1; break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current_ >= 0) emit toggled(rows_[current_].id);
        return;
    default: return QWidget::keyPressEvent(e);
    }
    setCurrentRow(next);
}

void HistoryTimeline::setCurrentRow(int row)
{
    if (row < 0 || row >= rows_.size()) return;
    current_ = row;
    // Keeps the row in sight inside the scroll view around the timeline.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(w)) {
            const QRect r = rowRect(row);
            scroll->ensureVisible(r.center().x(), r.center().y(), 0, r.height() / 2 + kListPadding);
            break;
        }
    }
    update();
}

void HistoryTimeline::focusInEvent(QFocusEvent* e)
{
    if (current_ < 0 && !rows_.isEmpty()) current_ = 0;
    update();
    QWidget::focusInEvent(e);
}

void HistoryTimeline::focusOutEvent(QFocusEvent* e)
{
    update();
    QWidget::focusOutEvent(e);
}

bool HistoryTimeline::event(QEvent* e)
{
    // The detail line may be cut short: its whole text shows as the row's tool tip.
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int row = rowAt(help->pos());
        if (row >= 0) QToolTip::showText(help->globalPos(), rows_[row].detail, this, rowRect(row));
        else QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void HistoryTimeline::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LanguageChange || e->type() == QEvent::LocaleChange) {
        dates_.clear();
        update();
    }
}

// ---- HistoryView --------------------------------------------------------------------------------

namespace {
void confirmWithMessageBox(QWidget* parent, std::function<void()> clear)
{
    const Localization l = UiLanguage::current();
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setText(l.tr("Clear all saved scans?"));
    box->setInformativeText(l.tr("This removes every saved scan from this Mac. It can't be undone."));
    QPushButton* destroy = box->addButton(l.tr("Clear History"), QMessageBox::DestructiveRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, box, [box, destroy, clear = std::move(clear)] {
        if (box->clickedButton() == destroy) clear();
    });
    box->open();
}
}  // namespace

HistoryView::HistoryView(ScanHistory& history, QWidget* parent)
    : QWidget(parent), history_(history), confirmClear_(confirmWithMessageBox)
{
    setObjectName(QStringLiteral("history"));
    const Localization l = UiLanguage::current();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    clearButton_ = new QPushButton(l.tr("Clear History…"));
    clearButton_->setObjectName(QStringLiteral("clearHistory"));
    connect(clearButton_, &QPushButton::clicked, this, &HistoryView::requestClear);
    header_ = new ScreenHeader(QRL_SYMBOL("clock.arrow.circlepath"), l.tr("History"), QString(), Theme::brandGradient(), clearButton_);
    auto* headerBox = new QWidget;
    auto* headerLayout = new QVBoxLayout(headerBox);
    headerLayout->setContentsMargins(24, 24, 24, 24);
    headerLayout->addWidget(header_);
    column->addWidget(headerBox);

    auto* stackHost = new QWidget;
    stack_ = new QStackedLayout(stackHost);
    stack_->setContentsMargins(0, 0, 0, 0);
    empty_ = new EmptyStateView(QRL_SYMBOL("clock.arrow.circlepath"), l.tr("No scans yet"),
                                l.tr("Each time the app inspects your Mac, a snapshot is saved here so you can compare later."));
    stack_->addWidget(empty_);

    body_ = new QWidget;
    body_->setObjectName(QStringLiteral("body"));
    auto* row = new QHBoxLayout(body_);
    row->setContentsMargins(24, 0, 24, 24);
    row->setSpacing(16);

    // The timeline: a card 300 wide around a scroll view of the rows.
    auto* card = new CardFrame(0, 14);
    card->setObjectName(QStringLiteral("timelineCard"));
    card->setFixedWidth(kTimelineWidth);
    auto* timelineScroll = new QScrollArea;
    timelineScroll->setObjectName(QStringLiteral("timelineScroll"));
    timelineScroll->setFrameShape(QFrame::NoFrame);
    timelineScroll->setWidgetResizable(true);
    timelineScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    timelineScroll->setAutoFillBackground(false);
    timelineScroll->viewport()->setAutoFillBackground(false);
    // Keeps the scroll bar clear of the card's rounded corners and border.
    timelineScroll->setContentsMargins(2, 6, 2, 6);
    timeline_ = new HistoryTimeline;
    timelineScroll->setWidget(timeline_);
    timeline_->setAutoFillBackground(false);  // the card shows through
    card->setContent(timelineScroll);
    row->addWidget(card);
    connect(timeline_, &HistoryTimeline::toggled, this, &HistoryView::toggle);
    connect(timeline_, &HistoryTimeline::contextMenuRequested, this, [this](const QUuid& id, const QPoint& at) {
        QMenu* menu = rowMenu(id, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });

    comparisonScroll_ = new QScrollArea;
    comparisonScroll_->setObjectName(QStringLiteral("comparisonScroll"));
    comparisonScroll_->setFrameShape(QFrame::NoFrame);
    comparisonScroll_->setWidgetResizable(true);
    comparisonScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    comparisonScroll_->setAutoFillBackground(false);
    comparisonScroll_->viewport()->setAutoFillBackground(false);
    comparison_ = new HistoryComparisonPane;
    comparisonScroll_->setWidget(comparison_);
    comparison_->setAutoFillBackground(false);
    row->addWidget(comparisonScroll_, 1);
    stack_->addWidget(body_);
    column->addWidget(stackHost, 1);

    connect(&history_, &ScanHistory::snapshotsChanged, this, &HistoryView::reload);
    reload();
    // Shown for the first time: with two scans or more the two newest are compared at once.
    selection_.repair(ids_);
    selectionChanged();
}

HistoryView::~HistoryView() = default;

QString HistoryView::subtitle() const
{
    const Localization l = UiLanguage::current();
    const qint64 count = rows_.size();
    return formatString(l.trPlural(QRL_KEY("%lld saved scans · pick two to compare"), double(count)), {LocaleFormat::count(count, l)});
}

void HistoryView::reload()
{
    const QList<ScanSnapshot>& snapshots = history_.snapshots();
    QList<HistoryRow> rows;
    QList<QUuid> ids;
    rows.reserve(snapshots.size());
    ids.reserve(snapshots.size());
    for (const ScanSnapshot& s : snapshots) {
        rows << HistoryRow::make(s);
        ids << s.id;
    }
    rows_ = std::move(rows);
    header_->setSubtitle(subtitle());
    clearButton_->setVisible(!rows_.isEmpty());
    stack_->setCurrentWidget(rows_.isEmpty() ? empty_ : body_);
    timeline_->setRows(rows_);
    // Any change of the list (not only of its length) may have taken a picked scan away.
    if (ids != ids_) {
        ids_ = std::move(ids);
        selection_.repair(ids_);
    }
    selectionChanged();
}

void HistoryView::selectionChanged()
{
    timeline_->setSelection(selection_);
    const QList<ScanSnapshot>& snapshots = history_.snapshots();
    const std::optional<HistorySelection::Pair> pair = selection_.pair(snapshots);
    std::optional<std::pair<QUuid, QUuid>> ids;
    if (pair) ids = std::make_pair(snapshots[pair->older].id, snapshots[pair->newer].id);
    // Snapshots never change once made: the same two identifiers give the same comparison.
    if (pairShown_ && ids == pairIds_) return;
    pairIds_ = ids;
    pairShown_ = true;
    if (pair) {
        const ScanSnapshot& older = snapshots[pair->older];
        const ScanSnapshot& newer = snapshots[pair->newer];
        changes_ = HistoryComparison::compare(older, newer);
        comparison_->show(std::make_pair(older.date, newer.date), changes_);
    } else {
        changes_.reset();
        comparison_->show(std::nullopt, std::nullopt);
    }
}

void HistoryView::toggle(const QUuid& id)
{
    selection_.toggle(id);
    selectionChanged();
}

void HistoryView::deleteScan(const QUuid& id)
{
    if (!ids_.contains(id)) return;
    selection_.remove(id);
    history_.deleteSnapshot(id);  // announces the new list, which repairs the selection
}

void HistoryView::requestClear()
{
    if (!confirmClear_) return;
    QPointer<HistoryView> self(this);
    confirmClear_(this, [self] {
        if (!self) return;
        self->selection_.clear();
        self->history_.clear();
    });
}

QMenu* HistoryView::rowMenu(const QUuid& id, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("rowMenu"));
    const Localization l = UiLanguage::current();
    QAction* remove = menu->addAction(l.tr("Delete Scan"));
    remove->setObjectName(QStringLiteral("deleteScan"));
    QPointer<HistoryView> self(this);
    connect(remove, &QAction::triggered, this, [self, id] {
        if (self) self->deleteScan(id);
    });
    return menu;
}

void HistoryView::retranslate()
{
    const Localization l = UiLanguage::current();
    if (auto* title = header_->findChild<QLabel*>(QStringLiteral("title"))) title->setText(l.tr("History"));
    header_->setSubtitle(subtitle());
    clearButton_->setText(l.tr("Clear History…"));
    auto* empty = new EmptyStateView(QRL_SYMBOL("clock.arrow.circlepath"), l.tr("No scans yet"),
                                     l.tr("Each time the app inspects your Mac, a snapshot is saved here so you can compare later."));
    const bool showingEmpty = stack_->currentWidget() == empty_;
    delete stack_->replaceWidget(empty_, empty);  // the item that held the old page is ours to delete
    delete empty_;
    empty_ = empty;
    if (showingEmpty) stack_->setCurrentWidget(empty_);
    pairShown_ = false;
    selectionChanged();
}

void HistoryView::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) retranslate();
}
