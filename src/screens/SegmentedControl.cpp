#include "screens/SegmentedControl.h"

#include "ui/PaintedText.h"

#include <cmath>
#include "ui/Card.h"
#include "ui/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace {
// To assistive technology the control is a tab list with one tab per segment, the chosen one
// selected, each chosen by its press action (as a click chooses it).
class SegmentAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    SegmentAccessible(SegmentedControl* control, int index) : control_(control), index_(index) {}
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    bool isValid() const override { return control_ && index_ < control_->titles().size(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return control_ ? control_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(control_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name) return {};
        return control_->titles().at(index_);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid()) return {};
        const QRect r = control_->segmentRect(index_);
        return QRect(control_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) return s;
        s.selectable = true;
        s.selected = control_->currentIndex() == index_;
        s.checkable = true;
        s.checked = s.selected;
        s.invisible = !control_->isVisible();
        s.disabled = !control_->isEnabled();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (isValid() && name == pressAction()) control_->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<SegmentedControl> control_;
    int index_;
};

class SegmentedControlAccessible : public QAccessibleWidget {
public:
    explicit SegmentedControlAccessible(SegmentedControl* control) : QAccessibleWidget(control, QAccessible::PageTabList) {}
    ~SegmentedControlAccessible() override
    {
        for (QAccessible::Id id : std::as_const(ids_)) QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return int(control()->titles().size()); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) return nullptr;
        if (QAccessible::Id id = ids_.value(index)) return QAccessible::accessibleInterface(id);
        auto* segment = new SegmentAccessible(control(), index);
        ids_.insert(index, QAccessible::registerAccessibleInterface(segment));
        return segment;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (auto it = ids_.cbegin(); it != ids_.cend(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child) return it.key();
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const int i = control()->segmentAt(control()->mapFromGlobal(QPoint(x, y)));
        return i >= 0 ? child(i) : nullptr;
    }

private:
    SegmentedControl* control() const { return static_cast<SegmentedControl*>(widget()); }
    mutable QHash<int, QAccessible::Id> ids_;
};

QAccessibleInterface* segmentedControlAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("SegmentedControl"))
        if (auto* control = qobject_cast<SegmentedControl*>(object)) return new SegmentedControlAccessible(control);
    return nullptr;
}

constexpr int kHeight = 24;
constexpr qreal kRadius = 6;
QFont segmentFont() { return Theme::font(Theme::TextStyle::callout, QFont::Medium); }
}  // namespace

SegmentedControl::SegmentedControl(const QStringList& titles, QWidget* parent) : QWidget(parent), titles_(titles)
{
    static const bool accessible = [] {
        QAccessible::installFactory(segmentedControlAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    setObjectName(QStringLiteral("segmentedControl"));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void SegmentedControl::setTitles(const QStringList& titles)
{
    titles_ = titles;
    if (current_ >= titles_.size()) current_ = 0;
    updateGeometry();
    update();
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= titles_.size() || index == current_) return;
    const int previous = current_;
    current_ = index;
    update();
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.selected = true;
        changed.checked = true;
        for (int i : {previous, index}) {
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(this);
            if (QAccessibleInterface* segment = control ? control->child(i) : nullptr) {
                QAccessibleStateChangeEvent event(segment, changed);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
    emit currentIndexChanged(index);
}

QRect SegmentedControl::segmentRect(int index) const
{
    const int n = qMax(1, int(titles_.size()));
    const qreal w = qreal(width()) / n;
    const QRect r(int(index * w), 0, int((index + 1) * w) - int(index * w), height());
    return QStyle::visualRect(layoutDirection(), rect(), r);
}

int SegmentedControl::segmentAt(const QPoint& pos) const
{
    for (int i = 0; i < titles_.size(); ++i)
        if (segmentRect(i).contains(pos)) return i;
    return -1;
}

void SegmentedControl::setPreferredWidth(int width)
{
    preferredWidth_ = width;
    updateGeometry();
}

QSize SegmentedControl::sizeHint() const
{
    int widest = 0;
    for (const QString& t : titles_) widest = qMax(widest, int(std::ceil(PaintedText::width(segmentFont(), t))));
    return QSize(qMax(preferredWidth_, int(titles_.size()) * (widest + 24)), kHeight);
}

QSize SegmentedControl::minimumSizeHint() const
{
    int widest = 0;
    for (const QString& t : titles_) widest = qMax(widest, int(std::ceil(PaintedText::width(segmentFont(), t))));
    return QSize(int(titles_.size()) * qMin(widest + 8, 60), kHeight);
}

void SegmentedControl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    const int i = segmentAt(e->position().toPoint());
    if (i >= 0) setCurrentIndex(i);
}

void SegmentedControl::keyPressEvent(QKeyEvent* e)
{
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    int step = 0;
    if (e->key() == Qt::Key_Right) step = rtl ? -1 : 1;
    else if (e->key() == Qt::Key_Left) step = rtl ? 1 : -1;
    if (!step) return QWidget::keyPressEvent(e);
    setCurrentIndex(qBound(0, current_ + step, int(titles_.size()) - 1));
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, kRadius, kRadius);
    p.fillPath(trackPath, Theme::primary(0.06));

    // Thin separators between segments that are not next to the chosen one.
    for (int i = 1; i < titles_.size(); ++i) {
        if (i == current_ || i - 1 == current_) continue;
        const QRect a = segmentRect(i - 1), b = segmentRect(i);
        const qreal x = (qMin(a.right(), b.right()) + qMax(a.left(), b.left())) / 2.0 + 0.5;
        p.fillRect(QRectF(x - 0.5, 6, 1, height() - 12), Theme::primary(0.12));
    }
    if (current_ >= 0 && current_ < titles_.size()) {
        const QRectF chosen = QRectF(segmentRect(current_)).adjusted(2, 2, -2, -2);
        Card::paintShadow(p, chosen, kRadius - 1, Theme::appearance());
        QPainterPath path;
        path.addRoundedRect(chosen, kRadius - 1, kRadius - 1);
        p.fillPath(path, Theme::isDark() ? Theme::primary(0.22) : Theme::surfaceElevated());
    }
    if (hasFocus()) {
        QPen focus(Theme::brandPrimary(), 2);
        p.setPen(focus);
        p.setBrush(Qt::NoBrush);
        p.drawPath(trackPath);
    }
    p.setFont(segmentFont());
    for (int i = 0; i < titles_.size(); ++i) {
        const QRect r = segmentRect(i).adjusted(4, 0, -4, 0);
        p.setPen(Theme::foreground(i == current_ ? Theme::Level::primary : Theme::Level::secondary));
        PaintedText::draw(p, QRectF(r), Qt::AlignCenter, titles_[i]);
    }
}
