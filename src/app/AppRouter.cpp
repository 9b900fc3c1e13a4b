#include "app/AppRouter.h"

#include "ui/UiLanguage.h"

#include <QHash>

namespace ProFeatures {

const QList<ProFeature>& all()
{
    static const QList<ProFeature> features{ProFeature::reports, ProFeature::liveMonitor, ProFeature::batteryHealth,
                                            ProFeature::history};
    return features;
}

QString rawValue(ProFeature feature)
{
    switch (feature) {
    case ProFeature::reports: return QStringLiteral("reports");
    case ProFeature::liveMonitor: return QStringLiteral("liveMonitor");
    case ProFeature::batteryHealth: return QStringLiteral("batteryHealth");
    case ProFeature::history: return QStringLiteral("history");
    }
    return {};
}

std::optional<ProFeature> fromRawValue(const QString& raw)
{
    for (ProFeature f : all())
        if (rawValue(f) == raw) return f;
    return std::nullopt;
}

QString sidebarTitle(ProFeature feature)
{
    const Localization L = UiLanguage::current();
    switch (feature) {
    case ProFeature::reports: return L.tr("Reports");
    case ProFeature::liveMonitor: return L.tr("Live Monitor");
    case ProFeature::batteryHealth: return L.tr("Battery Health");
    case ProFeature::history: return L.tr("History");
    }
    return {};
}

QString symbol(ProFeature feature)
{
    switch (feature) {
    case ProFeature::reports: return QStringLiteral("doc.richtext");
    case ProFeature::liveMonitor: return QStringLiteral("waveform.path.ecg");
    case ProFeature::batteryHealth: return QStringLiteral("battery.100.bolt");
    case ProFeature::history: return QStringLiteral("clock.arrow.circlepath");
    }
    return {};
}

}  // namespace ProFeatures

size_t qHash(const SidebarItem& item, size_t seed)
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, static_cast<int>(item.kind()));
    switch (item.kind()) {
    case SidebarItem::Kind::overview: break;
    case SidebarItem::Kind::section: seed = combine(seed, item.symbol()); break;
    case SidebarItem::Kind::pro: seed = combine(seed, ProFeatures::rawValue(item.feature())); break;
    }
    return seed;
}

AppRouter& AppRouter::shared()
{
    static AppRouter* router = new AppRouter;  // lives until exit, like the other shared models
    return *router;
}

AppRouter::AppRouter(QObject* parent) : QObject(parent) {}

void AppRouter::setSelection(std::optional<SidebarItem> selection)
{
    selection_ = std::move(selection);
    emit selectionChanged();
}

void AppRouter::setShowOnboarding(bool show)
{
    showOnboarding_ = show;
    emit showOnboardingChanged();
}

void AppRouter::setStatusFocus(std::optional<CapabilityStatus> status)
{
    statusFocus_ = status;
    emit statusFocusChanged();
}
