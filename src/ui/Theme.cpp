#include "ui/Theme.h"

#include "platform/DesktopSettings.h"
#include "ui/Symbols.h"
#include "ui/TextFamily.h"

#include <QApplication>
#include <QEvent>
#include <QStyleFactory>
#include <QToolTip>
#include <QWidget>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMutex>

#include <array>
#include <cmath>

namespace Theme {

namespace {
std::optional<Appearance> forcedAppearance;
std::optional<bool> forcedReduceMotion;

QColor rgb(double r, double g, double b, double a = 1.0) { return QColor::fromRgbF(float(r), float(g), float(b), float(a)); }
QColor withAlpha(QColor c, qreal alpha)
{
    c.setAlphaF(float(alpha));
    return c;
}
constexpr int kColorCount = int(Color::statusUnsupported) + 1;

// The desktop's appearance: the lightness of the application palette's window colour.
Appearance desktopAppearance()
{
    const QColor window = QGuiApplication::palette().color(QPalette::Active, QPalette::Window);
    return window.lightnessF() < 0.5 ? Appearance::Dark : Appearance::Light;
}
}  // namespace

Appearance appearance()
{
    if (forcedAppearance) return *forcedAppearance;
    return desktopAppearance();
}

bool isDark() { return appearance() == Appearance::Dark; }

void setForcedAppearance(std::optional<Appearance> a)
{
    if (forcedAppearance == a) return;
    forcedAppearance = a;
    emit Notifier::shared().appearanceChanged();
}

QPalette palette(Appearance a)
{
    const bool dark = a == Appearance::Dark;
    QPalette p;
    const QColor window = systemColor(SystemColor::windowBackground, a);
    const QColor base = systemColor(SystemColor::controlBackground, a);
    const QColor text = foreground(Level::primary, a);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, dark ? QColor(0x2a, 0x2a, 0x2c) : QColor(0xf4, 0xf4, 0xf6));
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Button, dark ? QColor(0x3a, 0x3a, 0x3c) : QColor(0xff, 0xff, 0xff));
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::PlaceholderText, foreground(Level::tertiary, a));
        p.setColor(group, QPalette::Highlight, color(Color::brandPrimary, a));
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::ToolTipBase, base);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::Link, color(Color::brandSecondary, a));
        p.setColor(group, QPalette::BrightText, Qt::white);
    }
    p.setColor(QPalette::Disabled, QPalette::WindowText, foreground(Level::tertiary, a));
    p.setColor(QPalette::Disabled, QPalette::Text, foreground(Level::tertiary, a));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, foreground(Level::tertiary, a));
    p.setColor(QPalette::Disabled, QPalette::Window, window);
    p.setColor(QPalette::Disabled, QPalette::Base, base);
    return p;
}

QString assetName(Color c)
{
    switch (c) {
    case Color::brandPrimary: return QStringLiteral("BrandPrimary");
    case Color::brandSecondary: return QStringLiteral("BrandSecondary");
    case Color::brandGlow: return QStringLiteral("BrandGlow");
    case Color::proGoldStart: return QStringLiteral("ProGoldStart");
    case Color::proGoldEnd: return QStringLiteral("ProGoldEnd");
    case Color::surfaceElevated: return QStringLiteral("SurfaceElevated");
    case Color::surfaceSunken: return QStringLiteral("SurfaceSunken");
    case Color::statusSupported: return QStringLiteral("StatusSupported");
    case Color::statusWarning: return QStringLiteral("StatusWarning");
    case Color::statusUnsupported: return QStringLiteral("StatusUnsupported");
    }
    return {};
}

QColor systemColor(SystemColor c, Appearance a)
{
    const bool dark = a == Appearance::Dark;
    switch (c) {
    case SystemColor::indigo: return dark ? QColor(0x5e, 0x5c, 0xe6) : QColor(0x58, 0x56, 0xd6);
    case SystemColor::blue: return dark ? QColor(0x0a, 0x84, 0xff) : QColor(0x00, 0x7a, 0xff);
    case SystemColor::green: return dark ? QColor(0x30, 0xd1, 0x58) : QColor(0x34, 0xc7, 0x59);
    case SystemColor::orange: return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xff, 0x95, 0x00);
    case SystemColor::red: return dark ? QColor(0xff, 0x45, 0x3a) : QColor(0xff, 0x3b, 0x30);
    case SystemColor::controlBackground: return dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xff, 0xff, 0xff);
    case SystemColor::windowBackground: return dark ? QColor(0x1c, 0x1c, 0x1e) : QColor(0xf2, 0xf2, 0xf4);
    }
    return {};
}

QColor fallback(Color c, Appearance a)
{
    switch (c) {
    case Color::brandPrimary: return systemColor(SystemColor::indigo, a);
    case Color::brandSecondary: return systemColor(SystemColor::blue, a);
    case Color::brandGlow: return withAlpha(systemColor(SystemColor::blue, a), 0.55);
    case Color::proGoldStart: return rgb(0.98, 0.80, 0.36);
    case Color::proGoldEnd: return rgb(0.90, 0.55, 0.18);
    case Color::surfaceElevated: return systemColor(SystemColor::controlBackground, a);
    case Color::surfaceSunken: return primary(0.045, a);
    case Color::statusSupported: return systemColor(SystemColor::green, a);
    case Color::statusWarning: return systemColor(SystemColor::orange, a);
    case Color::statusUnsupported: return systemColor(SystemColor::red, a);
    }
    return {};
}

QColor color(Color c, Appearance a)
{
    // Whether the catalogue has the name is settled once; its value still follows the appearance.
    static QMutex mutex;
    static std::array<std::optional<bool>, kColorCount> hasAsset;
    const int index = int(c);
    bool useAsset = false;
    {
        QMutexLocker lock(&mutex);
        if (!hasAsset[index])
            hasAsset[index] = AssetCatalog::color(assetName(c), Appearance::Light).has_value() &&
                              AssetCatalog::color(assetName(c), Appearance::Dark).has_value();
        useAsset = *hasAsset[index];
    }
    if (useAsset)
        if (auto asset = AssetCatalog::color(assetName(c), a)) return *asset;
    return fallback(c, a);
}

QColor color(Color c) { return color(c, appearance()); }

QColor primary(qreal opacity, Appearance a)
{
    return withAlpha(a == Appearance::Dark ? QColor(Qt::white) : QColor(Qt::black), opacity);
}

QColor primary(qreal opacity) { return primary(opacity, appearance()); }

QColor foreground(Level level, Appearance a)
{
    const bool dark = a == Appearance::Dark;
    switch (level) {
    case Level::primary: return primary(0.85, a);
    case Level::secondary: return primary(dark ? 0.55 : 0.50, a);
    case Level::tertiary: return primary(dark ? 0.25 : 0.26, a);
    case Level::quaternary: return primary(0.10, a);
    }
    return primary(0.85, a);
}

QColor foreground(Level level) { return foreground(level, appearance()); }

Tint::Tint(const QColor& c) : fixed_(c)
{
    const Appearance a = appearance();
    // The same colour at the same opacity first (the secondary level, not the primary at a
    // lower opacity); then the same colour made fainter.
    for (bool exact : {true, false}) {
        auto matches = [&](const QColor& candidate) {
            if (!candidate.isValid() || candidate.alpha() == 0 || candidate.rgb() != c.rgb()) return false;
            // Only as opaque as the named colour or less: a solid black is not the primary level.
            if (exact ? candidate.alpha() != c.alpha() : c.alpha() > candidate.alpha()) return false;
            alphaScale_ = exact ? 1.0 : c.alphaF() / candidate.alphaF();
            return true;
        };
        for (int i = 0; i < kColorCount; ++i)
            if (matches(color(Color(i), a))) {
                kind_ = Kind::named;
                index_ = i;
                return;
            }
        for (int i = 0; i <= int(SystemColor::windowBackground); ++i)
            if (matches(systemColor(SystemColor(i), a))) {
                kind_ = Kind::system;
                index_ = i;
                return;
            }
        for (int i = int(Level::primary); i <= int(Level::quaternary); ++i)
            if (matches(foreground(Level(i), a))) {
                kind_ = Kind::level;
                index_ = i;
                return;
            }
    }
}

QColor Tint::resolve(Appearance a) const
{
    QColor c;
    switch (kind_) {
    case Kind::fixed: return fixed_;
    case Kind::named: c = color(Color(index_), a); break;
    case Kind::system: c = systemColor(SystemColor(index_), a); break;
    case Kind::level: c = foreground(Level(index_), a); break;
    }
    if (alphaScale_ != 1) c.setAlphaF(float(qBound(0.0, c.alphaF() * alphaScale_, 1.0)));
    return c;
}

QColor Tint::resolve() const { return resolve(appearance()); }

Tint Tint::withOpacity(qreal opacity) const
{
    Tint t = *this;
    if (kind_ == Kind::fixed) t.fixed_.setAlphaF(float(qBound(0.0, fixed_.alphaF() * opacity, 1.0)));
    else t.alphaScale_ *= opacity;
    return t;
}

TintedStops::TintedStops(const QGradientStops& stops)
{
    for (const QGradientStop& s : stops) stops_.append({s.first, Tint(s.second)});
}

QGradientStops TintedStops::resolve(Appearance a) const
{
    QGradientStops out;
    for (const auto& s : stops_) out.append({s.first, s.second.resolve(a)});
    return out;
}

QGradientStops TintedStops::resolve() const { return resolve(appearance()); }

LinearGradient diagonal(const QColor& from, const QColor& to)
{
    return LinearGradient{{{0.0, from}, {1.0, to}}, {0, 0}, {1, 1}};
}

LinearGradient brandGradient() { return diagonal(brandPrimary(), brandSecondary()); }
LinearGradient goldGradient() { return diagonal(proGoldStart(), proGoldEnd()); }

QLinearGradient toQGradient(const LinearGradient& g, const QRectF& rect, Qt::LayoutDirection direction)
{
    auto place = [&](QPointF unit) {
        const qreal x = direction == Qt::RightToLeft ? 1.0 - unit.x() : unit.x();
        return QPointF(rect.left() + x * rect.width(), rect.top() + unit.y() * rect.height());
    };
    QLinearGradient q(place(g.start), place(g.end));
    q.setStops(g.stops);
    return q;
}

qreal pixelSize(TextStyle style)
{
    switch (style) {
    case TextStyle::largeTitle: return 26;
    case TextStyle::title: return 22;
    case TextStyle::title2: return 17;
    case TextStyle::title3: return 15;
    case TextStyle::headline: return 13;
    case TextStyle::body: return 13;
    case TextStyle::callout: return 12;
    case TextStyle::subheadline: return 11;
    case TextStyle::footnote: return 10;
    case TextStyle::caption: return 10;
    case TextStyle::caption2: return 10;
    }
    return 13;
}

QString textFamily() { return TextFamily::family(); }

QFont systemFont(qreal size, QFont::Weight weight)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setFamily(textFamily());
    f.setStyleName(QString());  // the weight decides the face
    f.setPixelSize(qMax(1, qRound(size)));
    f.setWeight(weight);
    return f;
}

QFont font(TextStyle style, std::optional<QFont::Weight> weight)
{
    const QFont::Weight w = weight.value_or(style == TextStyle::headline ? QFont::DemiBold : QFont::Normal);
    return systemFont(pixelSize(style), w);
}

bool reduceMotion()
{
    if (forcedReduceMotion) return *forcedReduceMotion;
    if (const auto enabled = DesktopSettings::animationsEnabled()) return !*enabled;
    return false;
}

void setReduceMotion(std::optional<bool> reduce)
{
    if (forcedReduceMotion == reduce) return;
    forcedReduceMotion = reduce;
    emit Notifier::shared().reduceMotionChanged();
}

double springValue(double t, const Spring& s)
{
    if (t <= 0) return 0;
    const double omega = 2 * M_PI / s.response;
    const double zeta = s.dampingFraction;
    if (zeta >= 1) return 1 - std::exp(-omega * t) * (1 + omega * t);
    const double omegaD = omega * std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-zeta * omega * t) * (std::cos(omegaD * t) + zeta * omega / omegaD * std::sin(omegaD * t));
}

namespace {
// Time for the default spring's envelope to fall under 0.1 % of the step.
double springSettleSeconds()
{
    const double omega = 2 * M_PI / springParameters.response;
    return std::log(1000.0) / (springParameters.dampingFraction * omega);
}
qreal springEasing(qreal progress)
{
    if (progress >= 1) return 1;
    return springValue(progress * springSettleSeconds());
}
}  // namespace

Animation spring()
{
    QEasingCurve curve;
    curve.setCustomType(&springEasing);
    return {int(std::lround(springSettleSeconds() * 1000)), curve};
}

QEasingCurve easeOutCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

Animation ringFill() { return {900, easeOutCurve()}; }
Animation easeOut(int durationMs) { return {durationMs, easeOutCurve()}; }

Animation defaultAnimation()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return {350, curve};
}

Notifier::Notifier() : desktop_(desktopAppearance())
{
    // A switch of the desktop theme reaches the application object as a new palette.
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
    // The desktop's animation setting is followed while the application runs; a forced
    // setting (tests, a preference) hides its changes.
    connect(&DesktopSettings::Changes::shared(), &DesktopSettings::Changes::animationsEnabledChanged, this, [this] {
        if (!forcedReduceMotion) emit reduceMotionChanged();
    });
}

bool Notifier::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance()) {
        const Appearance now = desktopAppearance();
        if (now != desktop_) {
            desktop_ = now;
            if (!forcedAppearance) emit appearanceChanged();
        }
    }
    return false;
}

namespace {
// Gives each window the theme's palette as it is first polished, and all of them again on a
// change of appearance.
class StandardControls : public QObject {
public:
    StandardControls()
    {
        qApp->installEventFilter(this);
        connect(&Notifier::shared(), &Notifier::appearanceChanged, this, &StandardControls::applyAll);
        applyAll();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow()) w->setPalette(palette(appearance()));
        }
        return false;
    }

private:
    void applyAll()
    {
        const QPalette p = palette(appearance());
        QToolTip::setPalette(p);
        for (QWidget* w : QApplication::topLevelWidgets()) w->setPalette(p);
    }
};
}  // namespace

void applyStandardControls()
{
    static StandardControls* controls = nullptr;
    if (controls || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    controls = new StandardControls;
    controls->setParent(qApp);
}

Notifier& Notifier::shared()
{
    static Notifier notifier;
    return notifier;
}

}  // namespace Theme
