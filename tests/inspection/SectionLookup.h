#pragma once

#include "inspection/Capability.h"

#include <QList>
#include <QString>

#include <optional>

// The item `key` of section `section` in an inspection's sections, if it is there.
inline std::optional<CapabilityItem> findItem(const QList<CapabilitySection>& sections, const char* section, const char* key)
{
    for (const CapabilitySection& s : sections)
        if (s.key == QString::fromLatin1(section))
            for (const CapabilityItem& i : s.items)
                if (i.key == QString::fromLatin1(key)) return i;
    return std::nullopt;
}

// Its value, or "<none>" where the item is missing, so an assertion's message shows which.
inline QString itemValue(const QList<CapabilitySection>& sections, const char* section, const char* key)
{
    const auto i = findItem(sections, section, key);
    return i ? i->value : QStringLiteral("<none>");
}
