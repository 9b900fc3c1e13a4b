#pragma once

// A machine for the live sampler that tests set reading by reading, and a clock they move by hand.
#include "platform/SamplerSources.h"

#include <QThread>

#include <atomic>

class FakeSamplerSources : public SamplerSources {
public:
    std::optional<ProcessorTicks> ticks = ProcessorTicks{};
    std::optional<MemoryPages> pages = MemoryPages{};
    std::optional<int> pressureLevel;
    std::optional<qint64> swap = 0;
    ThermalState thermal = ThermalState::Nominal;
    std::optional<QVariantList> power = QVariantList{};
    std::optional<QList<InterfaceLink>> links = QList<InterfaceLink>{};
    quint64 physical = 16ull << 30;
    qint64 page = 16384;

    mutable std::atomic<int> tickReads{0};
    mutable std::atomic<int> pressureReads{0};
    mutable std::atomic<QThread*> readingThread{nullptr};

    std::optional<ProcessorTicks> processorTicks() const override
    {
        ++tickReads;
        readingThread = QThread::currentThread();
        return ticks;
    }
    MemoryReading memory() const override { return {pages, swap}; }
    std::optional<int> memoryPressureLevel() const override
    {
        ++pressureReads;
        return pressureLevel;
    }
    ThermalState thermalState() const override { return thermal; }
    std::optional<QVariantList> powerSourceDescriptions() const override { return power; }
    std::optional<QList<InterfaceLink>> interfaceLinks() const override { return links; }
    quint64 physicalMemory() const override { return physical; }
    qint64 pageSize() const override { return page; }

    // Processors with these cumulative counts, 64-bit unless told otherwise.
    void setCores(QList<CoreTickCounts> cores, int bits = 64) { ticks = ProcessorTicks{std::move(cores), bits}; }
    // One counted interface (up, not a loopback) with these byte counters.
    static InterfaceLink link(const QString& name, quint64 in, quint64 out, int bits = 64)
    {
        return InterfaceLink{name, true, false, ByteCounters{in, out, bits}};
    }
};

class FakeSamplerClock : public SamplerClock {
public:
    QDateTime wall = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    std::chrono::nanoseconds steady{std::chrono::hours(1)};

    QDateTime wallTime() const override { return wall; }
    std::chrono::nanoseconds steadyTime() const override { return steady; }

    void advance(std::chrono::milliseconds by)
    {
        wall = wall.addMSecs(by.count());
        steady += by;
    }
};
