#include "history/HistoryTimeline.h"

#include "history/HistoryStyle.h"
#include "platform/i18n/StringFormat.h"
#include "ui/Formatters.h"
#include "ui/PaintedText.h"
#include "ui/Symbols.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolTip>

#include <utility>

using HistoryStyle::dateFont;
using HistoryStyle::roundedPath;

namespace {
QFont detailFont() { return Theme::font(Theme::TextStyle::caption); }
QFont countFont() { return Theme::font(Theme::TextStyle::caption2); }
}  // namespace

// ---- HistoryRow ---------------------------------------------------------------------------------

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
    PaintedListAccessible::install("HistoryTimeline");
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
    PaintedListAccessible::rowsChanged(this);
}

void HistoryTimeline::setSelection(const HistorySelection& selection)
{
    if (selection.ids() == selected_) return;
    const QList<QUuid> before = std::exchange(selected_, selection.ids());
    update();
    for (int i = 0; i < rows_.size(); ++i)
        if (before.contains(rows_[i].id) != selected_.contains(rows_[i].id)) PaintedListAccessible::rowStateChanged(this, i, true);
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
    return QSize(kWidth, 2 * kListPadding + int(rows_.size()) * rowHeight());
}

QString HistoryTimeline::accessibleRowName(int index) const
{
    if (index < 0 || index >= rows_.size()) return {};
    const HistoryRow& row = rows_[index];
    const Localization l = UiLanguage::current();
    const QString counts = Formatters::statusCounts(row.supported, row.warnings, row.unsupported, l);
    return dateText(index) + QStringLiteral(", ") + row.detail + QStringLiteral(", ") + counts;
}

bool HistoryTimeline::accessibleRowSelected(int index) const
{
    return index >= 0 && index < rows_.size() && selected_.contains(rows_[index].id);
}

void HistoryTimeline::activateAccessibleRow(int index)
{
    if (index < 0 || index >= rows_.size()) return;
    current_ = index;
    emit toggled(rows_[index].id);
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
        PaintedText::draw(p, mirrored(QRectF(x, y, textWidth, dm.height())), leading, dateText(i));
        y += dm.height() + 2;
        p.setFont(cf);
        p.setPen(secondary);
        PaintedText::draw(p, mirrored(QRectF(x, y, textWidth, cm.height())), leading, row.detail);
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
    PaintedListAccessible::rowFocused(this, row);
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
