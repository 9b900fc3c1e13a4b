#pragma once

#include "platform/AssetCatalog.h"

#include <QColor>
#include <QEasingCurve>
#include <QFont>
#include <QGradientStops>
#include <QLinearGradient>
#include <QObject>
#include <QPalette>
#include <QPointF>
#include <QRectF>

#include <optional>

// The shared visual vocabulary: named colours (each with a light and a dark value), the
// hierarchical foreground levels, text styles as fonts in device-independent pixels, and
// the two standard animations with the one reduce-motion switch they all read.
namespace Theme {

using Appearance = AssetCatalog::Appearance;

// --- Appearance -------------------------------------------------------------------------
// The appearance in effect: the forced one when set, else the desktop's (the lightness
// of the application palette's window colour as the desktop gave it).
Appearance appearance();
bool isDark();
// Forces light or dark (tests, a future setting); nullopt follows the desktop again.
void setForcedAppearance(std::optional<Appearance> appearance);
// The palette that goes with an appearance, for windows that host the themed widgets.
QPalette palette(Appearance appearance);
// Qt's own controls (buttons, fields, menus, scroll bars, toolbars) in one style, Fusion,
// coloured by palette(appearance()) on every window of the application, re-applied when the
// appearance changes. The application palette itself stays the desktop's, so a desktop
// switch between light and dark is still seen.
void applyStandardControls();

// --- Named colours ------------------------------------------------------------------------
enum class Color {
    brandPrimary,
    brandSecondary,
    brandGlow,
    proGoldStart,
    proGoldEnd,
    surfaceElevated,
    surfaceSunken,
    statusSupported,
    statusWarning,
    statusUnsupported,
};
// The catalogue's asset name of a colour ("BrandPrimary").
QString assetName(Color color);
// The asset colour when the catalogue has the name, else the fallback. Whether the asset
// exists is decided once per colour, at first use; the value still follows `appearance`.
QColor color(Color color, Appearance appearance);
QColor color(Color color);  // in the current appearance
// The fallback alone (tests, and callers that must not use the catalogue).
QColor fallback(Color color, Appearance appearance);

inline QColor brandPrimary() { return color(Color::brandPrimary); }
inline QColor brandSecondary() { return color(Color::brandSecondary); }
inline QColor brandGlow() { return color(Color::brandGlow); }
inline QColor proGoldStart() { return color(Color::proGoldStart); }
inline QColor proGoldEnd() { return color(Color::proGoldEnd); }
inline QColor surfaceElevated() { return color(Color::surfaceElevated); }
inline QColor surfaceSunken() { return color(Color::surfaceSunken); }
inline QColor statusSupported() { return color(Color::statusSupported); }
inline QColor statusWarning() { return color(Color::statusWarning); }
inline QColor statusUnsupported() { return color(Color::statusUnsupported); }

// The desktop system colours the fallbacks name, light and dark.
enum class SystemColor { indigo, blue, green, orange, red, controlBackground, windowBackground };
QColor systemColor(SystemColor color, Appearance appearance);

// --- Foreground -----------------------------------------------------------------------------
// The primary label colour (black in light, white in dark) at an opacity, as the card
// border, the ring track and the hover highlight use it.
QColor primary(qreal opacity, Appearance appearance);
QColor primary(qreal opacity);
// The hierarchical foreground: 1 primary, 2 secondary, 3 tertiary, 4 quaternary.
enum class Level { primary = 1, secondary, tertiary, quaternary };
QColor foreground(Level level, Appearance appearance);
QColor foreground(Level level);

// --- Colours kept by name -------------------------------------------------------------------
// A colour handed to a widget that must follow a later switch between light and dark: a named
// colour, a system colour or a foreground level is kept by its name and resolved when painted.
// A plain QColor that is one of those in the current appearance (whatever its opacity) is
// recognised and kept by name too; any other colour stays as it is.
class Tint {
public:
    Tint() = default;  // a colour of its own, not yet given
    Tint(Color color) : kind_(Kind::named), index_(int(color)) {}
    Tint(SystemColor color) : kind_(Kind::system), index_(int(color)) {}
    Tint(Level level) : kind_(Kind::level), index_(int(level)) {}
    Tint(const QColor& color);
    QColor resolve(Appearance appearance) const;
    QColor resolve() const;
    // Whether the colour is kept by name (false for a colour of its own).
    bool followsAppearance() const { return kind_ != Kind::fixed; }
    // The same colour made fainter (or stronger) by `opacity`, still kept by name.
    Tint withOpacity(qreal opacity) const;
    bool operator==(const Tint&) const = default;

private:
    enum class Kind { fixed, named, system, level };
    Kind kind_ = Kind::fixed;
    int index_ = 0;
    qreal alphaScale_ = 1;
    QColor fixed_;
};

// Gradient stops kept as tints.
class TintedStops {
public:
    TintedStops() = default;
    explicit TintedStops(const QGradientStops& stops);
    QGradientStops resolve(Appearance appearance) const;
    QGradientStops resolve() const;

private:
    QList<std::pair<qreal, Tint>> stops_;
};

// --- Gradients --------------------------------------------------------------------------
// A linear gradient in unit coordinates of the rect it fills; "leading" is x = 0 and
// swaps sides in right-to-left layouts.
struct LinearGradient {
    QGradientStops stops;
    QPointF start{0, 0};
    QPointF end{1, 1};
    bool operator==(const LinearGradient&) const = default;
};
// From `from` at the top leading corner to `to` at the bottom trailing corner.
LinearGradient diagonal(const QColor& from, const QColor& to);
// brandPrimary → brandSecondary, top leading to bottom trailing.
LinearGradient brandGradient();
LinearGradient goldGradient();
QLinearGradient toQGradient(const LinearGradient& gradient, const QRectF& rect, Qt::LayoutDirection direction);

// --- Text styles -----------------------------------------------------------------------------
enum class TextStyle { largeTitle, title, title2, title3, headline, body, callout, subheadline, footnote, caption, caption2 };
// The style's size in device-independent pixels.
qreal pixelSize(TextStyle style);
// The interface font in a text style, with an optional weight (headline is semibold by default).
QFont font(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
// The interface font at an explicit pixel size.
QFont systemFont(qreal pixelSize, QFont::Weight weight = QFont::Normal);
// The face of every text of ours, in the windows and in the PDF: Lato, whose medium and
// semibold weights the text styles use, where it is installed; else the desktop's font.
// Scripts it lacks (Arabic, CJK, Devanagari) fall back per character.
QString textFamily();

// --- Motion -------------------------------------------------------------------------------
// True when animations must not run: forced by setReduceMotion, else the desktop's
// setting where one can be read (animations off; followed while the application runs,
// Notifier::reduceMotionChanged announces a change), else false.
bool reduceMotion();
void setReduceMotion(std::optional<bool> reduce);

struct Animation {
    int durationMs;
    QEasingCurve curve;
};
// Spring: response 0.35 s, damping fraction 0.85, blend duration 0 (settles in ~0.45 s).
struct Spring {
    double response = 0.35;
    double dampingFraction = 0.85;
    double blendDuration = 0;
};
inline constexpr Spring springParameters{};
Animation spring();
// The score ring's fill: ease-out lasting 0.9 s.
Animation ringFill();
// The platform's ease-out curve over a duration (hover highlight: 150 ms).
Animation easeOut(int durationMs);
// The platform's default animation (ease in and out, 0.35 s).
Animation defaultAnimation();
// The ease-out curve alone: cubic Bézier (0, 0) (0.58, 1).
QEasingCurve easeOutCurve();
// The spring's position at `seconds` for a unit step (0 → 1, may overshoot slightly).
double springValue(double seconds, const Spring& spring = springParameters);

// Announces appearance and motion changes to widgets that cache themed values: a forced
// appearance, and the desktop's own switch between light and dark (a new application
// palette of the other lightness).
class Notifier : public QObject {
    Q_OBJECT
public:
    static Notifier& shared();
signals:
    void appearanceChanged();
    void reduceMotionChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Notifier();
    Appearance desktop_;
};

}  // namespace Theme
