#pragma once

#include "inspection/DeviceProbe.h"
#include "platform/Clipboard.h"
#include "platform/NetworkPath.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

// The inspection model: holds the latest inspection and tells every screen when it changes.
class Quorlent final : public QObject {
    Q_OBJECT
public:
    using LanguageSource = std::function<Localization()>;
    using ReportText = std::function<QString(const QList<CapabilitySection>&, const std::optional<QDateTime>&, const Localization&)>;
    using Clock = std::function<QDateTime()>;

    struct Dependencies {
        const Platform& platform = Platform::host();
        LanguageSource language;             // the interface language of each inspection
        NetworkPathMonitor* monitor = nullptr;  // taken over by the model; may be null
        Clipboard* clipboard = nullptr;      // the system clipboard when null
        ReportText reportText;               // the plain-text report of Copy Report
        Clock clock;                         // the current time when null
    };

    explicit Quorlent(Dependencies deps, QObject* parent = nullptr);
    ~Quorlent() override;

    const std::optional<DeviceSummary>& summary() const { return summary_; }
    const QList<CapabilitySection>& sections() const { return sections_; }
    const std::optional<QDateTime>& lastUpdated() const { return lastUpdated_; }
    const std::optional<NetworkPath>& networkPath() const { return networkPath_; }

    // Re-inspects the machine: summary, then sections, then the time, each announced.
    // When an inspection started by inspectAhead() ran in the language asked for now, its
    // readings are taken instead (waited for, should it still run), the network section
    // read again here if the path has changed since.
    void refresh();
    // Starts an inspection on a worker thread, so that the first refresh() does not read the
    // machine on the main thread. The screens are listed here, on the calling thread (Qt's
    // screen list belongs to it); the other readers are safe on any thread. Nothing is
    // published until refresh() takes the result; it stays unannounced otherwise.
    void inspectAhead();
    // Whether an inspection started ahead has finished and not been taken yet.
    bool inspectionAheadReady() const;
    // Whether an inspection started ahead has not been taken yet (finished or not).
    bool inspectionAheadPending() const { return ahead_ != nullptr; }
    // Waits at most `limit` for an inspection started ahead and not taken yet to finish;
    // whether it has (false at once when there is none).
    bool waitForInspectionAhead(std::chrono::milliseconds limit) const;
    // Puts the plain-text report of the current sections on the clipboard.
    void copyReport();
    // Items with this status over all sections.
    qint64 count(CapabilityStatus status) const;

signals:
    void summaryChanged();
    void sectionsChanged();
    void lastUpdatedChanged();
    // An inspection started ahead has finished (in the model's thread, after the fact); a
    // path that came meanwhile has had it taken by then.
    void inspectionAheadFinished();

private:
    struct Ahead;
    void pathDelivered(const NetworkPath& path);
    void joinAhead();

    Dependencies deps_;
    std::optional<DeviceSummary> summary_;
    QList<CapabilitySection> sections_;
    std::optional<QDateTime> lastUpdated_;
    std::optional<NetworkPath> networkPath_;
    std::unique_ptr<Ahead> ahead_;
    bool refreshWhenAheadDone_ = false;  // a path came while the worker read
};
