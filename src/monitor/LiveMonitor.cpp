#include "monitor/LiveMonitor.h"

#include <QCoreApplication>

namespace {
std::unique_ptr<SamplingLoop> hostLoop()
{
    // The host's readers are static: shared without ownership.
    std::shared_ptr<const SamplerSources> sources(&SamplerSources::host(), [](const SamplerSources*) {});
    std::shared_ptr<const SamplerClock> clock(&SamplerClock::system(), [](const SamplerClock*) {});
    return std::make_unique<ThreadedSamplingLoop>(std::move(sources), std::move(clock));
}
}  // namespace

LiveMonitor& LiveMonitor::shared()
{
    // Owned by the application object, so its thread ends before the application goes.
    static LiveMonitor* instance = [] {
        auto* app = QCoreApplication::instance();
        Q_ASSERT_X(app, "LiveMonitor::shared", "needs the application object");
        auto* monitor = new LiveMonitor({}, app);
        QObject::connect(app, &QCoreApplication::aboutToQuit, monitor, &LiveMonitor::shutdown);
        // Also when the application object goes without its event loop having quit.
        qAddPostRoutine([] { LiveMonitor::shared().shutdown(); });
        return monitor;
    }();
    return *instance;
}

LiveMonitor::LiveMonitor(Dependencies deps, QObject* parent)
    : QObject(parent), loop_(deps.loop ? std::move(deps.loop) : hostLoop()), clock_(std::move(deps.clock))
{
    connect(loop_.get(), &SamplingLoop::sampled, this, &LiveMonitor::append);
}

LiveMonitor::~LiveMonitor() { shutdown(); }

QDateTime LiveMonitor::now() const { return clock_ ? clock_() : QDateTime::currentDateTimeUtc(); }

void LiveMonitor::start()
{
    if (++clients_ > 1) return;
    if (!samples_.isEmpty() && samples_.constLast().date.msecsTo(now()) > kStaleHistoryMs) {
        samples_.clear();
        latest_.reset();
        emit samplesChanged();
        emit latestChanged();
    }
    loop_->begin(++generation_);
}

void LiveMonitor::stop()
{
    if (clients_ == 0) return;
    if (--clients_ == 0) loop_->end();
}

void LiveMonitor::shutdown()
{
    if (loop_) loop_->shutdown();
}

void LiveMonitor::append(const MonitorSample& sample, quint64 generation)
{
    // Taken just before the last client left, or in an earlier running period.
    if (clients_ < 1 || generation != generation_) return;
    samples_.append(sample);
    if (samples_.size() > kHistoryLength) samples_.remove(0, samples_.size() - kHistoryLength);
    emit samplesChanged();
    latest_ = sample;
    emit latestChanged();
}
