#include "inspection/Quorlent.h"

#include <QTimer>

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
        refresh();
    });
}

void Quorlent::refresh()
{
    const Localization L = deps_.language();
    const ProbeContext ctx{deps_.platform, L};
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
