#pragma once

#include "inspection/Capability.h"

#include <QList>

class Quorlent;

// The capability score: the share of rated items (supported, warning, unsupported) that
// are supported. Info items are not rated; warnings count against the score like
// unsupported items; no rated item at all gives 0.
namespace CapabilityScore {
double from(qint64 supported, qint64 warning, qint64 unsupported);
double of(const QList<CapabilitySection>& sections);
double of(const Quorlent& inspector);
}  // namespace CapabilityScore
