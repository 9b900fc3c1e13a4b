#include "monitor/LivePulse.h"

#include "ui/Accessibility.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QPaintEvent>
#include <QLineF>
#include <QImage>
#include <QPainter>

#include <cmath>

// ---------------------------------------------------------------- LivePulse

namespace {
// A slow fade of an eight-point dot: steps of 8 % opacity read as smooth, and each costs a
// repaint of the dot (about nine a second, most of them in ticks the page repaints anyway).
constexpr int kPulseFrameMs = 60;
constexpr double kVisibleStep = 0.08;
}

// The dot, in a square of the pill's solid middle that it paints whole: a step of the pulse
// then repaints this square alone, not the header, the page and the window under a
// translucent pill (each a paint event, a region walk and a clip of its own).
class LivePulse::Dot : public QWidget {
public:
    explicit Dot(LivePulse* pulse) : QWidget(pulse), pulse_(pulse)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        // The pulse reads as one "Live" element; its dot is a picture of it.
        UiAccessibility::markDecorative(this);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const Colours& c = pulse_->colours();
        p.fillRect(rect(), c.underDot);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        QColor dot = c.dot;
        dot.setAlphaF(float(dot.alphaF() * pulse_->opacity_));
        p.setBrush(dot);
        p.drawEllipse(pulse_->dotRect().translated(-QPointF(pos())));
    }

private:
    LivePulse* pulse_;
};

LivePulse::LivePulse(QWidget* parent) : QWidget(parent), dot_(new Dot(this))
{
    setObjectName(QStringLiteral("livePulse"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, [this] {
        colours_.reset();
        update();
    });
    connect(&Theme::Notifier::shared(), &Theme::Notifier::reduceMotionChanged, this, &LivePulse::restart);
    setAccessibleName(UiLanguage::current().tr("Live"));
}

qint64 LivePulse::nextStep(qint64 now) const
{
    // Looks ahead in frames for the first one that differs visibly from what is shown, or
    // that is a turning point (so the fade spans the whole range). The clock wakes for that
    // moment only, rather than every frame: the pulse runs for as long as the page is open.
    const qint64 at = now - started_;
    for (qint64 ahead = kPulseFrameMs; ahead <= kHalfPeriodMs; ahead += kPulseFrameMs) {
        const double o = opacityAt(at + ahead);
        const bool turning = (o < kLowOpacity + 0.005 || o > 0.995) && std::abs(o - opacity_) > 0.005;
        if (std::abs(o - opacity_) >= kVisibleStep || turning) return now + ahead;
    }
    return now + kHalfPeriodMs;
}

std::optional<qint64> LivePulse::advance(qint64 now)
{
    if (!pulsing_) return std::nullopt;
    const double next = opacityAt(now - started_);
    // Stepped early (in another client's tick): only once the dot has moved by a visible part
    // of a step.
    if (std::abs(next - opacity_) >= kVisibleStep / 2 || next < kLowOpacity + 0.005 || next > 0.995) {
        if (next != opacity_) {
            opacity_ = next;
            dot_->update();
        }
    }
    return nextStep(now);
}

double LivePulse::opacityAt(qint64 ms)
{
    // Down for one half period, up for the next, easing in and out each way.
    const qint64 period = 2 * kHalfPeriodMs;
    const qint64 t = ((ms % period) + period) % period;
    const double half = double(t < kHalfPeriodMs ? t : period - t) / kHalfPeriodMs;
    const double eased = 0.5 - 0.5 * std::cos(M_PI * half);
    return 1.0 - (1.0 - kLowOpacity) * eased;
}

void LivePulse::stop()
{
    pulsing_ = false;
    FrameClock::shared().remove(this);
    opacity_ = 1.0;
}

void LivePulse::restart()
{
    stop();
    if (isVisible() && !Theme::reduceMotion()) {
        FrameClock& clock = FrameClock::shared();
        pulsing_ = true;
        started_ = clock.now();
        clock.schedule(this, nextStep(started_));
    }
    update();
}

void LivePulse::showEvent(QShowEvent*) { restart(); }

void LivePulse::hideEvent(QHideEvent*) { stop(); }

void LivePulse::resizeEvent(QResizeEvent*) { placeDot(); }

void LivePulse::placeDot() { dot_->setGeometry(dotRect().toAlignedRect().adjusted(-1, -1, 1, 1)); }

void LivePulse::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LayoutDirectionChange) placeDot();
    if (e->type() == QEvent::PaletteChange) {
        colours_.reset();
        dot_->update();
    }
    if (e->type() == QEvent::LanguageChange) {
        setAccessibleName(UiLanguage::current().tr("Live"));
        updateGeometry();
        update();
    }
}

QSize LivePulse::sizeHint() const
{
    const QFontMetrics fm(Theme::font(Theme::TextStyle::caption, QFont::DemiBold));
    const int text = fm.horizontalAdvance(UiLanguage::current().tr("Live"));
    return QSize(10 + 8 + 6 + text + 10, std::max(8, fm.height()) + 10);
}

QRectF LivePulse::dotRect() const
{
    const QRectF r = QRectF(rect());
    const qreal x = layoutDirection() == Qt::RightToLeft ? r.right() - 10 - 8 : r.left() + 10;
    return QRectF(x, r.center().y() - 4, 8, 8);
}

const LivePulse::Colours& LivePulse::colours()
{
    // Looked up once per appearance: the dot's frames come about nine times a second.
    const Theme::Appearance appearance = Theme::appearance();
    const QColor window = palette().color(QPalette::Window);
    if (!colours_ || colours_->appearance != appearance || colours_->window != window) {
        const QColor sunken = Theme::surfaceSunken();
        // The pill over the window's background, blended as a paint of the pill blends it.
        QImage blend(1, 1, QImage::Format_ARGB32_Premultiplied);
        blend.fill(window);
        {
            QPainter b(&blend);
            b.fillRect(blend.rect(), sunken);
        }
        colours_ = Colours{appearance, window, sunken, Theme::statusSupported(), blend.pixelColor(0, 0)};
    }
    return *colours_;
}

void LivePulse::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setLayoutDirection(layoutDirection());
    const QRectF r = QRectF(rect());
    const Colours& c = colours();
    p.setPen(Qt::NoPen);
    // A step of the pulse repaints a rectangle inside the pill's solid middle, where the pill
    // is its colour all over: filled as such, without tracing the rounded outline.
    const qreal radius = r.height() / 2;
    const QRectF solid = r.adjusted(radius, 0, -radius, 0);
    const QRectF changed = QRectF(e->rect());
    auto insideCaps = [&](const QPointF& corner) {
        if (solid.left() <= corner.x() && corner.x() <= solid.right()) return true;
        const QPointF centre(corner.x() < solid.left() ? solid.left() : solid.right(), r.center().y());
        return QLineF(centre, corner).length() <= radius - 1;
    };
    if (insideCaps(changed.topLeft()) && insideCaps(changed.topRight()) && insideCaps(changed.bottomLeft()) &&
        insideCaps(changed.bottomRight()) && r.contains(changed)) {
        p.fillRect(changed, c.sunken);
    } else {
        p.setBrush(c.sunken);
        p.drawRoundedRect(r, radius, radius);
    }
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QRectF text = rtl ? QRectF(r.left() + 10, r.top(), r.width() - 10 - 8 - 6 - 10, r.height())
                            : QRectF(r.left() + 10 + 8 + 6, r.top(), r.width() - 10 - 8 - 6 - 10, r.height());
    // A step of the pulse repaints the dot only: no text to lay out then.
    if (!e->rect().intersects(text.toAlignedRect())) return;
    p.setFont(Theme::font(Theme::TextStyle::caption, QFont::DemiBold));
    p.setPen(Theme::foreground(Theme::Level::secondary));
    p.drawText(text, int(Qt::AlignVCenter | (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute),
               UiLanguage::current().tr("Live"));
}
