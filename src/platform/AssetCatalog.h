#pragma once

#include <QColor>
#include <QString>

#include <optional>

// The product's named colours (resources/colors/colors.json), each with a light and a
// dark value. A name the catalogue lacks gives no colour, so callers use their fallback.
namespace AssetCatalog {
enum class Appearance { Light, Dark };
std::optional<QColor> color(const QString& name, Appearance appearance);
}
