#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Arm processors name themselves only by numbers: the implementer (the maker) and, per
// maker, the part (the core design), in the "CPU implementer" and "CPU part" lines of
// /proc/cpuinfo. These tables turn the numbers into the names people use.
namespace ArmCpuParts {

// "Arm", "Qualcomm", "Apple"...; absent for a number the table lacks.
std::optional<QString> implementerName(int implementer);
// "Cortex-A76", "Neoverse-N1", "Apple M1"...; absent for a number the table lacks.
std::optional<QString> partName(int implementer, int part);

// The cores of a whole /proc/cpuinfo by name, each distinct name once in the order the
// cores list them, joined by " + " ("Cortex-A55 + Cortex-A76"). Empty when the text lists
// no Arm cores or any of them is not in the tables: half a name would mislead.
QString coreNames(const QByteArray& cpuinfo);

}  // namespace ArmCpuParts
