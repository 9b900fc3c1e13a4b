#include "history/HistoryChangeList.h"

#include "history/HistoryStyle.h"
#include "platform/Clipboard.h"
#include "ui/StatusIcon.h"
#include "ui/Symbols.h"
#include "ui/UiLanguage.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

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
    spoken_ = spoken;
    PaintedListAccessible::install("HistoryChangeList");
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
        // One value column, placed leftwards from `x`: the text, then its status icon before it.
        auto placeValue = [&](const QString& text, const QFont& font, qreal width, qreal natural, QRectF& value, QRectF& status) {
            x -= width;
            value = QRectF(x, top, width, heightOf(text, font, width, natural));
            height = qMax(height, value.height());
            if (statusOnly) {
                x -= kStatusGap + StatusIcon::kWidth;
                status = QRectF(x, top, StatusIcon::kWidth, lineHeight);
            }
        };
        if (shown.newValue) placeValue(*shown.newValue, newFont, newWidth, newNatural, g.newValue, g.newStatus);
        if (both) {
            x -= kGap + arrowWidth();
            g.arrow = QRectF(x, top, arrowWidth(), lineHeight);
            x -= kGap;
        }
        if (shown.oldValue) placeValue(*shown.oldValue, oldFont, oldWidth, oldNatural, g.oldValue, g.oldStatus);
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

QString HistoryChangeList::accessibleRowName(int row) const { return spoken_.value(row); }

QRect HistoryChangeList::accessibleRowRect(int row) const
{
    const QList<Geometry>& g = geometry(width());
    if (row < 0 || row >= g.size()) return {};
    return QRectF(0, g[row].top, width(), g[row].bottom - g[row].top).toAlignedRect();
}

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
