#pragma once

#include <QObject>

#include <functional>

// Hands an inspection to the scan history three seconds after it was made. A newer inspection
// within those seconds cancels the wait, so the refreshes of a launch end in one record.
class SnapshotScheduler {
public:
    using Cancel = std::function<void()>;
    // Runs `action` once after `ms`; the returned function cancels it if it has not run.
    using Deferrer = std::function<Cancel(int ms, std::function<void()> action)>;

    static constexpr int kDelayMs = 3000;

    SnapshotScheduler(Deferrer deferrer, std::function<void()> record);
    ~SnapshotScheduler();
    SnapshotScheduler(const SnapshotScheduler&) = delete;
    SnapshotScheduler& operator=(const SnapshotScheduler&) = delete;

    // A new inspection time: cancels the waiting record and starts the wait again.
    void inspectionChanged();
    bool isWaiting() const { return bool(cancel_); }

    // Single-shot Qt timers owned by `context` (cancelled with it).
    static Deferrer qtTimers(QObject* context);

private:
    Deferrer deferrer_;
    std::function<void()> record_;
    Cancel cancel_;
};
