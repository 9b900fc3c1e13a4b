#include "monitor/SamplingLoop.h"
#include "monitor/SystemSampler.h"
#include "platform/ThreadPriority.h"

#include <QTimer>

// The sampling thread's side: owns the sampler and the timer; touched only on that thread.
class SamplingWorker final : public QObject {
    Q_OBJECT
public:
    SamplingWorker(const SamplerSources& sources, const SamplerClock& clock, std::chrono::milliseconds interval)
        : sampler_(sources, clock), timer_(this)
    {
        // Coarse: the wake-ups may drift a little so the system can bundle them.
        timer_.setTimerType(Qt::CoarseTimer);
        timer_.setInterval(interval);
        connect(&timer_, &QTimer::timeout, this, [this] { emit sampled(sampler_.sample(), generation_); });
    }

    void begin(quint64 generation)
    {
        generation_ = generation;
        sampler_.prime();
        timer_.start();
    }
    void end() { timer_.stop(); }

signals:
    void sampled(const MonitorSample& sample, quint64 generation);

private:
    SystemSampler sampler_;
    QTimer timer_;
    quint64 generation_ = 0;
};

ThreadedSamplingLoop::ThreadedSamplingLoop(std::shared_ptr<const SamplerSources> sources, std::shared_ptr<const SamplerClock> clock,
                                           std::chrono::milliseconds interval, QObject* parent)
    : SamplingLoop(parent), sources_(std::move(sources)), clock_(std::move(clock))
{
    qRegisterMetaType<MonitorSample>();
    thread_.setObjectName(QStringLiteral("LiveMonitor"));
    worker_ = new SamplingWorker(*sources_, *clock_, interval);
    worker_->moveToThread(&thread_);
    // Crosses to this object's thread as a queued call, in the order the samples were taken.
    connect(worker_, &SamplingWorker::sampled, this, &SamplingLoop::sampled, Qt::QueuedConnection);
    // Runs on the new thread before its event loop: QThread's priorities mean nothing to
    // Linux's ordinary scheduler, the thread's nice value does.
    connect(&thread_, &QThread::started, &thread_, [] { ThreadPriority::lowerCurrentThread(); }, Qt::DirectConnection);
    thread_.start(QThread::LowPriority);
}

ThreadedSamplingLoop::~ThreadedSamplingLoop() { shutdown(); }

void ThreadedSamplingLoop::begin(quint64 generation)
{
    if (!worker_ || !thread_.isRunning()) return;
    QMetaObject::invokeMethod(worker_, [w = worker_.data(), generation] { w->begin(generation); }, Qt::QueuedConnection);
}

void ThreadedSamplingLoop::end()
{
    if (!worker_ || !thread_.isRunning()) return;
    QMetaObject::invokeMethod(worker_, [w = worker_.data()] { w->end(); }, Qt::QueuedConnection);
}

std::optional<int> ThreadedSamplingLoop::samplingThreadNice() const
{
    if (!worker_ || !thread_.isRunning()) return std::nullopt;
    std::optional<int> nice;
    QMetaObject::invokeMethod(worker_.data(), [&nice] { nice = ThreadPriority::currentThreadNice(); },
                              Qt::BlockingQueuedConnection);
    return nice;
}

void ThreadedSamplingLoop::shutdown()
{
    if (!worker_) return;
    if (thread_.isRunning()) {
        // The worker stops its timer and comes back to this thread, so that it can be
        // deleted here after the sampling thread has ended (even while the application
        // object is being torn down, when deferred deletions no longer run).
        QMetaObject::invokeMethod(
            worker_.data(), [w = worker_.data(), home = thread()] {
                w->end();
                w->moveToThread(home);
            },
            Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    delete worker_.data();
    worker_ = nullptr;
}

#include "SamplingLoop.moc"
