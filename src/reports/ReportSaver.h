#pragma once

// The save flow behind ReportExporter::save, in parts: where the inspection comes from,
// the dialog that asks for a destination and the alert that tells of a failure. The
// application uses the desktop's dialog and the platform's warning box; tests replace
// both so no real dialog ever runs.
#include "reports/ReportExporter.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace ReportExporter {

// What the save dialog is asked to offer.
struct SavePanelRequest {
    ReportFormat format = ReportFormat::pdf;
    QString nameFilter;         // "PDF Report (*.pdf)": the one type offered
    QString defaultSuffix;      // "pdf": added to a name typed without it
    QString suggestedName;      // "DeviceReport-Mac14,2-2026-12-09.pdf"
    QString directory;          // where the dialog opens
    QWidget* window = nullptr;  // modal on this window; application-modal when null
};

// Asks for a destination. Calls `done` exactly once, with the chosen path or with nothing
// when the user cancelled; it may do so before returning (application-modal) or later.
using SavePanel = std::function<void(const SavePanelRequest& request, std::function<void(std::optional<QString>)> done)>;
// Tells of a failed save: the message, the error's description as informative text.
using FailureAlert = std::function<void(const QString& message, const QString& informative, QWidget* window)>;

// The desktop's own save dialog (a portal or the desktop's native dialog where there is
// one): window-modal with a window, else application-modal.
SavePanel systemSavePanel();
// The platform's warning box, application-modal.
FailureAlert systemFailureAlert();

// Replaces the dialog and the alert for as long as it lives.
class SaveInterfaceOverride {
public:
    SaveInterfaceOverride(SavePanel panel, FailureAlert alert);
    ~SaveInterfaceOverride();
    SaveInterfaceOverride(const SaveInterfaceOverride&) = delete;
    SaveInterfaceOverride& operator=(const SaveInterfaceOverride&) = delete;

private:
    SavePanel previousPanel_;
    FailureAlert previousAlert_;
};

// The inspection as the save flow reads it.
struct ReportSource {
    std::function<std::optional<DeviceSummary>()> summary;
    std::function<QList<CapabilitySection>()> sections;
    std::function<std::optional<QDateTime>()> lastUpdated;
    std::function<void()> refresh;

    static ReportSource of(Quorlent& inspector);
};

// The whole flow over any source: inspect once if there is no inspection (and stop
// silently if there still is none), capture summary, sections and date, ask, then render
// and write. `now` gives the date of an inspection without one.
void save(ReportFormat format, const ReportSource& source, std::function<QDateTime()> now = {});

// The report's bytes for a format, or the description of what went wrong.
struct RenderedReport {
    QByteArray bytes;
    std::optional<QString> error;
};
RenderedReport render(ReportFormat format, const DeviceSummary& summary, const QList<CapabilitySection>& sections,
                      const QDateTime& date, const Localization& L);

// Whether a folder lies in a file system of the kernel's own (/proc, /sys, /dev and their kind):
// the dialog never opens there, since reading such files to show them can block.
bool isPseudoFileSystem(const QString& folder);

// The window the dialog is modal on right now: the active window of ours, else the main
// window while it is shown; nullptr for none.
QWidget* dialogParent();

}  // namespace ReportExporter
