#include "inspection/Quorlent.h"

#include <QTimer>

#include <future>
#include <thread>
#include <utility>

namespace {
// The screens as they were listed when the inspection started.
class ListedDisplays final : public DisplayList {
public:
    explicit ListedDisplays(QList<ScreenInfo> screens) : screens_(std::move(screens)) {}
    QList<ScreenInfo> screens() const override { return screens_; }

private:
    QList<ScreenInfo> screens_;
};

struct Readings {
    DeviceSummary summary;
    QList<CapabilitySection> sections;
};
}  // namespace

// One inspection on its own thread: its inputs are copies made on the model's thread, so the
// worker shares nothing with it but the readers, which keep no state between calls.
struct Quorlent::Ahead {
    Localization language;
    std::optional<NetworkPath> path;
    ListedDisplays displays;
    Platform platform;
    std::future<Readings> readings;
    std::thread worker;

    Ahead(const Platform& p, Localization l, std::optional<NetworkPath> np)
        : language(std::move(l)), path(std::move(np)), displays(p.displays.screens()),
          platform{p.system, p.power, p.network, p.graphics, p.languageModel, displays, p.video, p.capture, p.powerMode, p.security}
    {
    }
    bool finished() const { return readings.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
};

Quorlent::Quorlent(Dependencies deps, QObject* parent) : QObject(parent), deps_(std::move(deps))
{
    if (!deps_.language) deps_.language = [] { return Localization::english(); };
    if (!deps_.clock) deps_.clock = [] { return QDateTime::currentDateTime(); };
    if (!deps_.clipboard) deps_.clipboard = &Clipboard::system();
    if (deps_.monitor) {
        deps_.monitor->setParent(this);
        connect(deps_.monitor, &NetworkPathMonitor::pathChanged, this, &Quorlent::pathDelivered);
        deps_.monitor->start();
    }
}

Quorlent::~Quorlent()
{
    joinAhead();
    if (deps_.monitor) {
        deps_.monitor->cancel();
        disconnect(deps_.monitor, nullptr, this, nullptr);
    }
}

void Quorlent::pathDelivered(const NetworkPath& path)
{
    // Inspect in a later turn of the loop, not inside the monitor's callback; the
    // timer dies with the model, so a path arriving after it is gone does nothing.
    QTimer::singleShot(0, this, [this, path] {
        networkPath_ = path;
        // An inspection still under way on the worker is taken, with this path, once it is
        // done: waiting for it here would hold the main thread in the window's first turns.
        if (ahead_ && !ahead_->finished()) {
            refreshWhenAheadDone_ = true;
            return;
        }
        refresh();
    });
}

void Quorlent::inspectAhead()
{
    if (ahead_) return;
    ahead_ = std::make_unique<Ahead>(deps_.platform, deps_.language(), networkPath_);
    std::promise<Readings> promise;
    ahead_->readings = promise.get_future();
    Ahead* ahead = ahead_.get();
    ahead_->worker = std::thread([this, ahead, promise = std::move(promise)]() mutable {
        const ProbeContext ctx{ahead->platform, ahead->language};
        Readings r;
        r.summary = DeviceProbe::summary(ctx);
        r.sections = DeviceProbe::sections(ctx, ahead->path);
        promise.set_value(std::move(r));
        // The model waits for this thread before it goes, so it is still there to be told; a
        // call posted to it and not yet run dies with it.
        QMetaObject::invokeMethod(this, [this] {
            if (std::exchange(refreshWhenAheadDone_, false) && ahead_) refresh();
            emit inspectionAheadFinished();
        }, Qt::QueuedConnection);
    });
}

bool Quorlent::inspectionAheadReady() const { return ahead_ && ahead_->finished(); }

bool Quorlent::waitForInspectionAhead(std::chrono::milliseconds limit) const
{
    return ahead_ && ahead_->readings.wait_for(limit) == std::future_status::ready;
}

void Quorlent::joinAhead()
{
    if (!ahead_) return;
    if (ahead_->worker.joinable()) ahead_->worker.join();
    ahead_.reset();
}

void Quorlent::refresh()
{
    refreshWhenAheadDone_ = false;
    const Localization L = deps_.language();
    const ProbeContext ctx{deps_.platform, L};
    if (ahead_ && ahead_->language.code == L.code && ahead_->language.localeId == L.localeId) {
        Readings r = ahead_->readings.get();
        const std::optional<NetworkPath> readWith = ahead_->path;
        joinAhead();
        // The path is the one input that may have moved on while the worker read.
        if (readWith != networkPath_)
            for (CapabilitySection& section : r.sections)
                if (section.key == QLatin1String("network")) {
                    CapabilitySection fresh = DeviceProbe::networkSection(ctx, networkPath_);
                    fresh.key = section.key;
                    section = std::move(fresh);
                }
        summary_ = std::move(r.summary);
        emit summaryChanged();
        sections_ = std::move(r.sections);
        emit sectionsChanged();
        lastUpdated_ = deps_.clock();
        emit lastUpdatedChanged();
        return;
    }
    // Read in another language: of no use any more.
    joinAhead();
    summary_ = DeviceProbe::summary(ctx);
    emit summaryChanged();
    sections_ = DeviceProbe::sections(ctx, networkPath_);
    emit sectionsChanged();
    lastUpdated_ = deps_.clock();
    emit lastUpdatedChanged();
}

void Quorlent::copyReport()
{
    deps_.clipboard->clear();
    const QString text = deps_.reportText ? deps_.reportText(sections_, lastUpdated_, deps_.language()) : QString();
    deps_.clipboard->setText(text);
}

qint64 Quorlent::count(CapabilityStatus status) const
{
    qint64 n = 0;
    for (const CapabilitySection& s : sections_)
        for (const CapabilityItem& i : s.items)
            if (i.status == status) ++n;
    return n;
}
