#pragma once

#include "monitor/MonitorSample.h"
#include "platform/SamplerSources.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <chrono>
#include <memory>
#include <optional>

// What takes the live samples: primed by begin(), then one sample per interval until
// end(). Each sample carries the generation of the begin() it belongs to, so a
// sample still on its way when sampling stops or restarts can be told apart.
class SamplingLoop : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void begin(quint64 generation) = 0;
    virtual void end() = 0;
    // Ends the sampling for good (the application is quitting).
    virtual void shutdown() {}

signals:
    // Delivered on the thread the loop was created on.
    void sampled(const MonitorSample& sample, quint64 generation);
};

class SamplingWorker;

// Samples on a thread of its own at low priority; the sampler lives on that thread.
class ThreadedSamplingLoop final : public SamplingLoop {
    Q_OBJECT
public:
    ThreadedSamplingLoop(std::shared_ptr<const SamplerSources> sources, std::shared_ptr<const SamplerClock> clock,
                         std::chrono::milliseconds interval = std::chrono::seconds(1), QObject* parent = nullptr);
    ~ThreadedSamplingLoop() override;

    void begin(quint64 generation) override;
    void end() override;
    // Stops the sampling thread and waits for it; begin() does nothing afterwards.
    void shutdown() override;

    bool isThreadRunning() const { return thread_.isRunning(); }
    // The sampling thread's nice value, read on that thread; absent when it does not run.
    std::optional<int> samplingThreadNice() const;

private:
    // Kept alive here as long as the worker may read them.
    std::shared_ptr<const SamplerSources> sources_;
    std::shared_ptr<const SamplerClock> clock_;
    QThread thread_;
    QPointer<SamplingWorker> worker_;  // lives on thread_ until shutdown()
};
