#pragma once

#include "platform/linux/SysFs.h"

#include <QList>

#include <optional>

// The processor's cores as /sys/devices/system/cpu describes them.
struct CpuTopology {
    int logical = 0;                // online CPUs
    std::optional<int> physical;    // distinct cores among them; absent when the ids are unreadable
    // Performance levels: 2 when the processor mixes performance and efficiency cores, else 1.
    int levels = 1;
    // Per level (0 = performance, 1 = efficiency): online CPUs and distinct cores.
    int levelLogical[2] = {0, 0};
    std::optional<int> levelPhysical[2];
};

namespace LinuxCpu {

// A kernel CPU list ("0-3,8,10-11") as CPU numbers in ascending order; absent when
// malformed or naming more CPUs than any kernel supports.
std::optional<QList<int>> parseCpuList(const QString& text);

// The online CPUs and how they group into cores and levels; absent when no CPU is listed.
std::optional<CpuTopology> readTopology(const SysFs& fs);

// The highest hardware frequency over all frequency policies, in hertz; absent without
// cpufreq or when nothing positive is read.
std::optional<qint64> maxFrequencyHz(const SysFs& fs);

// The first processor block of /proc/cpuinfo (up to its blank line); absent when unreadable.
// The kernel formats the file record by record as it is read, and each record costs time,
// so only the first is read, and a block read moments ago under the same root serves again:
// one inspection asks for the maker, the name and several flags in a row.
std::optional<QByteArray> firstCpuinfoBlock(const SysFs& fs);

// Whether /proc/cpuinfo's "flags" (x86) list `flag`; absent when there is no flags line.
std::optional<bool> x86Flag(const SysFs& fs, const QString& flag);

enum class ArmFeature { BF16, SME };
// An arm64 feature from the auxiliary vector's hardware capabilities, else from the
// "Features" line of /proc/cpuinfo; absent when neither can be read.
std::optional<bool> armFeature(const SysFs& fs, ArmFeature feature);

}  // namespace LinuxCpu
