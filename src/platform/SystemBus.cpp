#include "platform/SystemBus.h"

#include <QHash>
#include <QMutex>

#include <chrono>

struct StallGuardBus::State {
    QMutex mutex;
    QHash<QString, qint64> stalledAt;  // service → time of its last stall
};

StallGuardBus::StallGuardBus(const SystemBus& inner, std::function<qint64()> nowMs, qint64 backoffMs)
    : inner_(inner), now_(std::move(nowMs)), backoffMs_(backoffMs), state_(std::make_unique<State>())
{
    if (!now_) {
        now_ = [] {
            using namespace std::chrono;
            return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        };
    }
}

StallGuardBus::~StallGuardBus() = default;

BusReply StallGuardBus::call(const QString& service, const QString& path, const QString& interface,
                             const QString& method, const QVariantList& args) const
{
    {
        QMutexLocker lock(&state_->mutex);
        auto it = state_->stalledAt.constFind(service);
        if (it != state_->stalledAt.constEnd() && now_() - it.value() < backoffMs_)
            return BusReply{false, BusError::kNoReply, {}};
    }
    BusReply reply = inner_.call(service, path, interface, method, args);
    QMutexLocker lock(&state_->mutex);
    if (!reply.ok && BusError::isStall(reply.errorName) && reply.errorName != BusError::kDisconnected)
        state_->stalledAt.insert(service, now_());
    else
        state_->stalledAt.remove(service);
    return reply;
}
