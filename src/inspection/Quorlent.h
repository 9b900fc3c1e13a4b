#pragma once

#include "inspection/DeviceProbe.h"
#include "platform/Clipboard.h"
#include "platform/NetworkPath.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <functional>

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
    void refresh();
    // Puts the plain-text report of the current sections on the clipboard.
    void copyReport();
    // Items with this status over all sections.
    qint64 count(CapabilityStatus status) const;

signals:
    void summaryChanged();
    void sectionsChanged();
    void lastUpdatedChanged();

private:
    void pathDelivered(const NetworkPath& path);

    Dependencies deps_;
    std::optional<DeviceSummary> summary_;
    QList<CapabilitySection> sections_;
    std::optional<QDateTime> lastUpdated_;
    std::optional<NetworkPath> networkPath_;
};
