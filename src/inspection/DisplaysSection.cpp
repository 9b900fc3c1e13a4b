#include "inspection/DeviceProbe.h"

#include <cmath>

namespace DeviceProbe {

namespace {
// A scale factor as written after "@": whole factors without a fraction ("2"),
// fractional ones as they are ("1.5", "1.25"), never in the locale's digits.
QString scaleText(double scale)
{
    if (!std::isfinite(scale) || scale <= 0) return QStringLiteral("0");
    QString s = QString::number(scale, 'f', 2);
    while (s.endsWith('0')) s.chop(1);
    if (s.endsWith('.')) s.chop(1);
    return s;
}

// Toward zero; a product a hair off a whole number (size / scale × scale) is that number.
qint64 truncated(double v)
{
    if (!std::isfinite(v)) return 0;
    v = qBound(-9.0e15, v, 9.0e15);
    if (const double whole = std::round(v); std::abs(v - whole) < 1e-6) return qint64(whole);
    return qint64(std::trunc(v));
}
}  // namespace

CapabilitySection displaysSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    const QList<ScreenInfo> screens = ctx.platform.displays.screens();
    QList<CapabilityItem> items;

    const qsizetype count = screens.size();
    for (qsizetype i = 0; i < count; ++i) {
        const ScreenInfo& s = screens[i];
        const QString n = QString::number(i + 1);
        const QString suffix = count >= 2 ? QStringLiteral(" (%1)").arg(n) : QString();
        const QString key = QStringLiteral("display.") + n;

        QString name = s.name;
        if (s.isBuiltIn) name += QStringLiteral(" (") + L.tr(QRL_CTX("Display", "Built-in")) + QStringLiteral(")");
        items << CapabilityItem::make(L.tr("Display") + suffix, name, S::info, key);

        const qint64 width = truncated(s.frameWidth * s.backingScaleFactor);
        const qint64 height = truncated(s.frameHeight * s.backingScaleFactor);
        const QString resolution = QString::number(width) + QStringLiteral(" \u00D7 ") + QString::number(height) +
                                   QStringLiteral(" @") + scaleText(s.backingScaleFactor) + QStringLiteral("x");
        items << CapabilityItem::make(L.tr("Resolution") + suffix, resolution, S::info, key + QStringLiteral(".resolution"));

        // A rate nothing reported is missing, never a guess.
        const int hz = s.maximumFramesPerSecond;
        items << CapabilityItem::make(L.tr("Refresh rate") + suffix, hz > 0 ? QString::number(hz) + QStringLiteral(" Hz") : kMissingValue,
                                      hz > 60 ? S::supported : S::info, key + QStringLiteral(".refreshRate"));

        const bool hdr = s.maximumPotentialEdr > 1.0;
        items << CapabilityItem::make(QStringLiteral("HDR / EDR") + suffix, hdr ? L.tr("Supported") : L.tr("Not supported"),
                                      hdr ? S::supported : S::unsupported, key + QStringLiteral(".hdr"));
    }

    if (items.isEmpty()) items << CapabilityItem::make(L.tr("Displays"), L.tr(QRL_CTX("Displays", "None")), S::warning, "displays");

    return CapabilitySection::make(L.tr("Displays"), "display", items);
}

}  // namespace DeviceProbe
