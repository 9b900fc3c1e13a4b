#pragma once

#include "platform/SystemFacts.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>

#include <chrono>
#include <optional>

// Cumulative processor time of one logical processor, in ticks. Hosts that keep more
// kinds of time than the first four report them apart, so that each kind's difference can
// be taken on its own: a kind that goes backwards (Linux's iowait may) then costs nothing
// instead of dragging its sum down with it.
struct CoreTickCounts {
    quint64 user = 0;
    quint64 system = 0;
    quint64 idle = 0;
    quint64 nice = 0;
    // Busy time kept apart from `system`.
    quint64 irq = 0;
    quint64 softirq = 0;
    quint64 steal = 0;  // taken by the hypervisor from a virtual processor
    // Idle time spent waiting for input or output, kept apart from `idle`.
    quint64 iowait = 0;
    bool operator==(const CoreTickCounts&) const = default;
};

// One reading of every online processor, in the order the host lists them.
struct ProcessorTicks {
    QList<CoreTickCounts> cores;
    // Width of the host's counters: a difference is taken modulo 2^bits.
    int counterBits = 64;
    bool operator==(const ProcessorTicks&) const = default;
};

// Page counts of the memory kinds the live figures are made of.
struct MemoryPages {
    quint64 active = 0;      // in use by processes and not reclaimable at once
    quint64 wired = 0;       // held by the kernel, never paged out
    quint64 compressed = 0;  // occupied by the compressed-memory pool
    bool operator==(const MemoryPages&) const = default;
};

// Cumulative byte counters of one network interface.
struct ByteCounters {
    quint64 inBytes = 0;
    quint64 outBytes = 0;
    int counterBits = 64;
    bool operator==(const ByteCounters&) const = default;
};

// One link-level interface entry.
struct InterfaceLink {
    QString name;
    bool up = false;
    bool loopback = false;
    std::optional<ByteCounters> counters;  // absent when the interface keeps no statistics
    // A software link (bridge, bond, VLAN, tunnel, container pair): its traffic also
    // crosses a physical interface, or never leaves the machine.
    bool isVirtual = false;
    bool operator==(const InterfaceLink&) const = default;
};

// The memory figures and the swap in use of one moment, as one reading gives them (on Linux,
// one read of /proc/meminfo), so that the two agree.
struct MemoryReading {
    std::optional<MemoryPages> pages;
    std::optional<qint64> swapUsed;
    bool operator==(const MemoryReading&) const = default;
};

// Raw readings the live sampler turns into figures. Each read stands alone and
// reports absence instead of failing; every call comes from one sampling thread.
class SamplerSources {
public:
    virtual ~SamplerSources() = default;

    // Absent when the processor counters cannot be read; an empty list when none are online.
    virtual std::optional<ProcessorTicks> processorTicks() const = 0;
    // The kernel's memory pressure level: 1 normal, 2 warning, 4 critical; absent when unknown.
    virtual std::optional<int> memoryPressureLevel() const = 0;
    // The memory pages and the bytes of swap in use, from one reading; each absent when it
    // cannot be read.
    virtual MemoryReading memory() const = 0;
    virtual ThermalState thermalState() const = 0;
    // The power sources with the keys "Type", "Current Capacity", "Max Capacity" and "Is Charging".
    virtual std::optional<QVariantList> powerSourceDescriptions() const = 0;
    // Link-level interface entries in system order; absent when the list cannot be read.
    virtual std::optional<QList<InterfaceLink>> interfaceLinks() const = 0;
    // Bytes of physical memory; 0 when unknown.
    virtual quint64 physicalMemory() const = 0;
    // Bytes per memory page.
    virtual qint64 pageSize() const = 0;

    // The readers of the machine this process runs on.
    static const SamplerSources& host();
};

// Time as the sampler sees it: wall time dates a sample, the steady clock measures
// the interval between readings so that a clock change is no traffic spike.
class SamplerClock {
public:
    virtual ~SamplerClock() = default;
    virtual QDateTime wallTime() const = 0;
    virtual std::chrono::nanoseconds steadyTime() const = 0;

    static const SamplerClock& system();
};
