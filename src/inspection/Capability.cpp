#include "inspection/Capability.h"

namespace CapabilityStatusText {
QString raw(CapabilityStatus s)
{
    switch (s) {
    case CapabilityStatus::supported: return QStringLiteral("supported");
    case CapabilityStatus::unsupported: return QStringLiteral("unsupported");
    case CapabilityStatus::warning: return QStringLiteral("warning");
    case CapabilityStatus::info: return QStringLiteral("info");
    }
    return QStringLiteral("info");
}

std::optional<CapabilityStatus> fromRaw(const QString& raw)
{
    for (CapabilityStatus s : all())
        if (CapabilityStatusText::raw(s) == raw) return s;
    return std::nullopt;
}

const QList<CapabilityStatus>& all()
{
    static const QList<CapabilityStatus> statuses = {CapabilityStatus::supported, CapabilityStatus::unsupported,
                                                     CapabilityStatus::warning, CapabilityStatus::info};
    return statuses;
}
}  // namespace CapabilityStatusText

CapabilityItem CapabilityItem::make(QString label, QString value, CapabilityStatus status, QString key, bool isVolatile)
{
    return CapabilityItem{QUuid::createUuid(), std::move(label), std::move(value), status, std::move(key), isVolatile};
}

CapabilitySection CapabilitySection::make(QString title, QString symbol, QList<CapabilityItem> items)
{
    return CapabilitySection{QUuid::createUuid(), std::move(title), std::move(symbol), std::move(items), std::nullopt};
}
