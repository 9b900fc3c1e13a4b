#include "screens/PageFrame.h"
#include "ui/PaintedText.h"
#include "ui/UntrustedText.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetrics>
#include <QHash>
#include <QLayout>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace {
// Holds one widget at most `maxWidth` wide, centred; its height follows the width.
class CentredColumnLayout : public QLayout {
public:
    CentredColumnLayout(int maxWidth, QWidget* parent) : QLayout(parent), maxWidth_(maxWidth) { setContentsMargins(0, 0, 0, 0); }
    ~CentredColumnLayout() override { delete item_; }

    void addItem(QLayoutItem* item) override
    {
        delete item_;
        item_ = item;
    }
    QLayoutItem* itemAt(int index) const override { return index == 0 ? item_ : nullptr; }
    QLayoutItem* takeAt(int index) override
    {
        if (index != 0 || !item_) return nullptr;
        QLayoutItem* i = item_;
        item_ = nullptr;
        return i;
    }
    int count() const override { return item_ ? 1 : 0; }
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal | Qt::Vertical; }
    bool hasHeightForWidth() const override { return item_ && item_->hasHeightForWidth(); }
    int heightForWidth(int width) const override { return item_ ? item_->heightForWidth(columnWidth(width)) : 0; }
    QSize sizeHint() const override
    {
        if (!item_) return {};
        const QSize s = item_->sizeHint();
        return QSize(qMin(s.width(), maxWidth_), s.height());
    }
    QSize minimumSize() const override
    {
        if (!item_) return {};
        const QSize s = item_->minimumSize();
        // The height comes from heightForWidth; only the narrowest width matters here.
        return QSize(qMin(s.width(), maxWidth_), 0);
    }
    void setGeometry(const QRect& rect) override
    {
        QLayout::setGeometry(rect);
        if (!item_) return;
        const int w = columnWidth(rect.width());
        const QRect placed(rect.left() + (rect.width() - w) / 2, rect.top(), w, rect.height());
        item_->setGeometry(QStyle::visualRect(parentWidget() ? parentWidget()->layoutDirection() : Qt::LeftToRight, rect, placed));
    }

private:
    int columnWidth(int available) const { return qMax(0, qMin(available, maxWidth_)); }
    int maxWidth_;
    QLayoutItem* item_ = nullptr;
};
}  // namespace

PageFrame::PageFrame(int maxWidth, QWidget* parent) : QScrollArea(parent), maxWidth_(maxWidth)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    // The pane's own background shows through.
    viewport()->setAutoFillBackground(false);

    auto* canvas = new QWidget;
    canvas->setObjectName(QStringLiteral("pageCanvas"));
    canvas->setAutoFillBackground(false);
    auto* centred = new CentredColumnLayout(maxWidth, canvas);
    columnWidget_ = new QWidget;
    columnWidget_->setObjectName(QStringLiteral("pageColumn"));
    column_ = new QVBoxLayout(columnWidget_);
    column_->setContentsMargins(24, 24, 24, 24);
    column_->setSpacing(20);
    centred->addWidget(columnWidget_);
    setWidget(canvas);
}

// ---- CachedPaint ----------------------------------------------------------------------------

void CachedPaint::draw(QPainter& painter, const QWidget& widget, const std::function<void(QPainter&)>& paint)
{
    const qreal dpr = widget.devicePixelRatioF();
    const QSize size = widget.size();
    const Theme::Appearance appearance = Theme::appearance();
    const Qt::LayoutDirection direction = widget.layoutDirection();
    if (pixmap_.isNull() || size != size_ || appearance != appearance_ || direction != direction_ ||
        !qFuzzyCompare(pixmap_.devicePixelRatio(), dpr)) {
        pixmap_ = QPixmap(size * dpr);
        pixmap_.setDevicePixelRatio(dpr);
        pixmap_.fill(Qt::transparent);
        QPainter p(&pixmap_);
        p.setLayoutDirection(direction);
        p.setFont(widget.font());
        paint(p);
        size_ = size;
        appearance_ = appearance;
        direction_ = direction;
    }
    painter.drawPixmap(0, 0, pixmap_);
}

void CachedPaint::drawShared(QPainter& painter, const QWidget& widget, const QString& key,
                             const std::function<void(QPainter&)>& paint)
{
    static QHash<QString, QPixmap> shared;
    const qreal dpr = widget.devicePixelRatioF();
    const QString full = QStringLiteral("%1|%2x%3|%4|%5|%6")
                             .arg(key)
                             .arg(widget.width())
                             .arg(widget.height())
                             .arg(int(Theme::appearance()))
                             .arg(int(widget.layoutDirection()))
                             .arg(dpr);
    auto it = shared.find(full);
    if (it == shared.end()) {
        // A handful of sizes at a time; start afresh rather than grow without bound.
        if (shared.size() > 64) shared.clear();
        QPixmap pixmap(widget.size() * dpr);
        pixmap.setDevicePixelRatio(dpr);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setLayoutDirection(widget.layoutDirection());
        paint(p);
        p.end();
        it = shared.insert(full, pixmap);
    }
    painter.drawPixmap(0, 0, *it);
}

// ---- OneLineLabel ---------------------------------------------------------------------------

OneLineLabel::OneLineLabel(const QString& text, const QFont& font, Theme::Level level, QWidget* parent)
    : ThemedLabel(QString(), font, level, parent), full_(text)
{
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    elide();
}

void OneLineLabel::setFullText(const QString& text)
{
    if (text == full_) return;
    full_ = text;
    updateGeometry();
    elide();
}

QSize OneLineLabel::sizeHint() const
{
    // The shaped line: a title in a fallback face (Devanagari, CJK) stands taller than the font's own line.
    const PaintedText::LineMetrics line = PaintedText::measure(font(), full_);
    const QMargins m = contentsMargins();
    return QSize(int(std::ceil(line.width)) + 2 + m.left() + m.right(), int(std::ceil(line.centredHeight())) + m.top() + m.bottom());
}

QSize OneLineLabel::minimumSizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(qMin(sizeHint().width(), fm.horizontalAdvance(QStringLiteral("M…"))), sizeHint().height());
}

void OneLineLabel::resizeEvent(QResizeEvent* e)
{
    ThemedLabel::resizeEvent(e);
    elide(true);
}

void OneLineLabel::changeEvent(QEvent* e)
{
    ThemedLabel::changeEvent(e);
    if (e->type() == QEvent::FontChange) elide();
}

void OneLineLabel::elide(bool resized)
{
    // Before its first geometry the label has the width no layout gave it: eliding for that
    // width would only be undone by the first resize (which comes, at the latest, when shown).
    if (!resized && !testAttribute(Qt::WA_Resized)) {
        if (text() != full_) setText(full_);
        return;
    }
    const int available = contentsRect().width();
    const bool fits = PaintedText::width(font(), full_) <= available;
    const QString shown = PaintedText::elided(font(), full_, available);
    if (shown != text()) setText(shown);
    setToolTip(fits ? QString() : UntrustedText::toolTip(full_));
}

// ---- SectionLabel ---------------------------------------------------------------------------

namespace {
// Assistive technology reads the label as a heading of the page.
class SectionLabelAccessible : public QAccessibleWidget {
public:
    explicit SectionLabelAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Heading) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* sectionLabelAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("SectionLabel") && object && object->isWidgetType())
        return new SectionLabelAccessible(static_cast<QWidget*>(object));
    return nullptr;
}
}  // namespace

SectionLabel::SectionLabel(const QString& text, QWidget* parent)
    : ThemedLabel(text, Theme::font(Theme::TextStyle::headline), Theme::Level::secondary, parent)
{
    setObjectName(QStringLiteral("sectionLabel"));
    // The leading edge of the page, whatever the direction of the text itself.
    setEdgeAlignment(false, Qt::AlignVCenter);
    static const bool installed = [] {
        QAccessible::installFactory(sectionLabelAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}
