#pragma once

#include "monitor/MonitorSample.h"
#include "monitor/SamplingLoop.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

// The one live-sampling engine. Views that show live figures call start() when they
// appear and stop() when they go; while anyone watches, one sample a second is added
// to a rolling history of the last two minutes. Lives on the main thread.
class LiveMonitor final : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    static constexpr qsizetype kHistoryLength = 120;
    // A history whose newest sample is older than this is not continued.
    static constexpr qint64 kStaleHistoryMs = 5000;

    struct Dependencies {
        std::unique_ptr<SamplingLoop> loop;  // taken over; the threaded host loop when null
        Clock clock;                         // the current wall time when null
    };

    static LiveMonitor& shared();
    explicit LiveMonitor(Dependencies deps = {}, QObject* parent = nullptr);
    ~LiveMonitor() override;

    // Oldest first, newest last; never more than kHistoryLength samples.
    const QList<MonitorSample>& samples() const { return samples_; }
    const std::optional<MonitorSample>& latest() const { return latest_; }
    int clients() const { return clients_; }
    bool isRunning() const { return clients_ > 0; }

    // Registers one client; the first one starts sampling.
    void start();
    // Deregisters one client; the last one stops sampling. Without clients it does nothing.
    void stop();
    // Ends the sampling thread (the application is quitting).
    void shutdown();

signals:
    void samplesChanged();
    void latestChanged();

private:
    void append(const MonitorSample& sample, quint64 generation);
    QDateTime now() const;

    QList<MonitorSample> samples_;
    std::optional<MonitorSample> latest_;
    int clients_ = 0;
    // Counts the running periods; a sample of an earlier period is never appended.
    quint64 generation_ = 0;
    std::unique_ptr<SamplingLoop> loop_;
    Clock clock_;
};
