#include "platform/linux/LinuxDisplays.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

#include <cmath>

namespace {
// "HDMI-A-1", "HDMI1" and "hdmi-a-1" name the same output in different servers.
QString normalized(QString name)
{
    name.remove('-');
    return name.toLower();
}

// Names from the display server are device data: no control characters, no outer spaces.
QString cleanName(const QString& raw)
{
    QString out;
    for (QChar c : raw)
        if (c.category() != QChar::Other_Control) out += c;
    return out.trimmed();
}
}  // namespace

LinuxDisplays::LinuxDisplays(QString root) : fs_(std::move(root)) {}

bool LinuxDisplays::isBuiltInConnector(const QString& name)
{
    const QString n = name.toLower();
    return n.startsWith(QLatin1String("edp")) || n.startsWith(QLatin1String("lvds")) || n.startsWith(QLatin1String("dsi"));
}

QList<DrmConnector> LinuxDisplays::connectors() const
{
    static const QRegularExpression entry(QStringLiteral("^card(\\d+)-(.+)$"));
    struct Found {
        int card;
        QString dir;
        QString name;
    };
    QList<Found> found;
    for (const QString& dir : fs_.list(QStringLiteral("sys/class/drm"))) {
        const auto m = entry.match(dir);
        if (!m.hasMatch()) continue;
        found.append({m.captured(1).toInt(), dir, m.captured(2)});
    }
    // By card, a card's built-in panel first (the machine's own screen), then by name.
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.card != b.card) return a.card < b.card;
        return isBuiltInConnector(a.name) && !isBuiltInConnector(b.name);
    });

    QList<DrmConnector> out;
    for (const Found& f : found) {
        const QString base = QStringLiteral("sys/class/drm/") + f.dir;
        if (fs_.line(base + QStringLiteral("/status")) != QStringLiteral("connected")) continue;
        DrmConnector c;
        c.name = f.name;
        if (auto blob = fs_.read(base + QStringLiteral("/edid"), 32 * 1024)) c.edid = Edid::parse(*blob);
        // "3840x2160" (an interlaced mode ends in "i"); the kernel lists the preferred mode first.
        if (const auto mode = fs_.line(base + QStringLiteral("/modes"))) {
            static const QRegularExpression size(QStringLiteral("^(\\d{1,5})x(\\d{1,5})"));
            if (const auto m = size.match(*mode); m.hasMatch()) {
                c.modeWidth = m.captured(1).toInt();
                c.modeHeight = m.captured(2).toInt();
            }
        }
        out << c;
    }
    return out;
}

QList<QtScreenFacts> LinuxDisplays::qtScreens()
{
    QList<QtScreenFacts> out;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return out;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return out;
    for (QScreen* s : QGuiApplication::screens()) {
        QtScreenFacts f;
        f.name = s->name();
        f.model = s->model();
        f.width = s->geometry().width();
        f.height = s->geometry().height();
        f.devicePixelRatio = s->devicePixelRatio();
        f.refreshRate = s->refreshRate();
        out << f;
    }
    return out;
}

QList<ScreenInfo> LinuxDisplays::combine(const QList<QtScreenFacts>& screens, const QList<DrmConnector>& connectors)
{
    QList<ScreenInfo> out;
    QList<bool> taken(connectors.size(), false);
    auto claim = [&](auto&& matches) -> const DrmConnector* {
        for (qsizetype i = 0; i < connectors.size(); ++i)
            if (!taken[i] && matches(connectors[i])) {
                taken[i] = true;
                return &connectors[i];
            }
        return nullptr;
    };

    QList<const DrmConnector*> matched(screens.size(), nullptr);
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QString n = normalized(screens[i].name);
        if (!n.isEmpty()) matched[i] = claim([&](const DrmConnector& c) { return normalized(c.name) == n; });
    }
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (matched[i] || screens[i].model.isEmpty()) continue;
        const QString model = cleanName(screens[i].model);
        matched[i] = claim([&](const DrmConnector& c) { return c.edid && !c.edid->name.isEmpty() && c.edid->name == model; });
    }
    if (screens.size() == 1 && connectors.size() == 1 && !matched[0]) matched[0] = claim([](const DrmConnector&) { return true; });

    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QtScreenFacts& s = screens[i];
        const DrmConnector* c = matched[i];
        const EdidInfo* edid = c && c->edid ? &*c->edid : nullptr;
        ScreenInfo info;
        info.name = edid && !edid->name.isEmpty() ? edid->name : cleanName(s.model);
        if (info.name.isEmpty()) info.name = cleanName(s.name);
        info.frameWidth = s.width;
        info.frameHeight = s.height;
        info.backingScaleFactor = s.devicePixelRatio > 0 ? s.devicePixelRatio : 1;
        // Qt rounds the size to whole device-independent pixels, so at a fractional scale
        // size × scale misses the pixel size by up to a pixel. A monitor in its native mode
        // (upright or turned) has the size its EDID gives.
        if (edid && edid->preferredWidth > 0 && edid->preferredHeight > 0) {
            const double scale = info.backingScaleFactor;
            auto fits = [&](int w, int h) { return qRound(w / scale) == qRound(s.width) && qRound(h / scale) == qRound(s.height); };
            const bool upright = fits(edid->preferredWidth, edid->preferredHeight);
            if (upright || fits(edid->preferredHeight, edid->preferredWidth)) {
                info.frameWidth = (upright ? edid->preferredWidth : edid->preferredHeight) / scale;
                info.frameHeight = (upright ? edid->preferredHeight : edid->preferredWidth) / scale;
            }
        }
        info.isBuiltIn = isBuiltInConnector(c ? c->name : s.name);
        // Qt's X11 screens read exactly 60 Hz when the server reports no rate: that is no reading.
        const bool qtKnowsRate = std::isfinite(s.refreshRate) && s.refreshRate > 0 && s.refreshRate != 60.0;
        const int qtRate = qtKnowsRate ? int(std::lround(s.refreshRate)) : 0;
        info.maximumFramesPerSecond = edid && edid->maxRefreshHz ? qMax(*edid->maxRefreshHz, qtRate) : qtRate;
        // Linux tells no brightness headroom; a monitor that takes HDR signals has some.
        info.maximumPotentialEdr = edid && edid->hdr ? 2.0 : 1.0;
        out << info;
    }
    return out;
}

QList<ScreenInfo> LinuxDisplays::fromConnectors(const QList<DrmConnector>& connectors)
{
    QList<ScreenInfo> out;
    for (const DrmConnector& c : connectors) {
        const EdidInfo* edid = c.edid ? &*c.edid : nullptr;
        ScreenInfo info;
        info.name = edid && !edid->name.isEmpty() ? edid->name : c.name;
        const bool hasMode = c.modeWidth > 0 && c.modeHeight > 0;
        info.frameWidth = hasMode ? c.modeWidth : (edid ? edid->preferredWidth : 0);
        info.frameHeight = hasMode ? c.modeHeight : (edid ? edid->preferredHeight : 0);
        info.backingScaleFactor = 1;
        info.isBuiltIn = isBuiltInConnector(c.name);
        // The EDID's rates are those of its native mode: they hold for the mode shown only there.
        const bool native = edid && (!hasMode || (c.modeWidth == edid->preferredWidth && c.modeHeight == edid->preferredHeight));
        info.maximumFramesPerSecond = native && edid->maxRefreshHz ? *edid->maxRefreshHz : 0;
        info.maximumPotentialEdr = edid && edid->hdr ? 2.0 : 1.0;
        out << info;
    }
    return out;
}

QList<ScreenInfo> LinuxDisplays::screens() const
{
    // Without a display server (a console, a remote shell) the kernel still knows the monitors.
    const QList<QtScreenFacts> qt = qtScreens();
    if (qt.isEmpty()) return fromConnectors(connectors());
    return combine(qt, connectors());
}
