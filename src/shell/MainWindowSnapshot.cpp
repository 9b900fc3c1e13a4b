#include "shell/MainWindowSnapshot.h"

#include <QPointer>
#include <QTimer>

SnapshotScheduler::SnapshotScheduler(Deferrer deferrer, std::function<void()> record)
    : deferrer_(std::move(deferrer)), record_(std::move(record))
{
}

SnapshotScheduler::~SnapshotScheduler()
{
    if (cancel_) cancel_();
}

void SnapshotScheduler::inspectionChanged()
{
    if (cancel_) std::exchange(cancel_, {})();
    cancel_ = deferrer_(kDelayMs, [this] {
        cancel_ = {};
        if (record_) record_();
    });
}

SnapshotScheduler::Deferrer SnapshotScheduler::qtTimers(QObject* context)
{
    return [context](int ms, std::function<void()> action) -> Cancel {
        QPointer<QTimer> timer = new QTimer(context);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, action = std::move(action)] {
            timer->deleteLater();
            action();
        });
        timer->start(ms);
        return [timer] {
            if (timer) {
                timer->stop();
                timer->deleteLater();
            }
        };
    };
}
