#pragma once

#include "inspection/Capability.h"
#include "platform/i18n/Localization.h"
#include "reports/ReportFormat.h"

#include <QDateTime>

#include <functional>
#include <optional>
#include <variant>

class QWidget;
class Quorlent;

// Renders one inspection as a report. Pure functions of their arguments and the language.
namespace ReportExporter {

enum class ExportError { pdfContext };
QString describe(ExportError e, const Localization& L);

struct Counts {
    qint64 supported = 0;
    qint64 warning = 0;
    qint64 unsupported = 0;
    qint64 info = 0;

    Counts() = default;
    explicit Counts(const QList<CapabilitySection>& sections);
    explicit Counts(const QList<CapabilityItem>& items);
    qint64 total() const { return supported + warning + unsupported + info; }
    bool operator==(const Counts&) const = default;

private:
    void add(const CapabilityItem& item);
};

QString suggestedFilename(ReportFormat format, const DeviceSummary& summary, const QDateTime& date);
// Long date and short time in the interface language.
QString formattedDate(const QDateTime& date, const Localization& L);
QString statusTitle(CapabilityStatus status, const Localization& L);

// The plain-text summary (Copy Report, the preview, the text format).
QString text(const QList<CapabilitySection>& sections, const std::optional<QDateTime>& date, const Localization& L);

// The Markdown document. Inspection data goes through markdownCellEscape; looked-up words do not.
QString markdown(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
                 const Localization& L);
// Backslash doubled, "|" as "\|", line feed as a space, in that order.
QString markdownCellEscape(const QString& text);

// The machine-readable report: pretty printed, keys sorted, UTF-8, no final line feed.
QByteArray json(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
                const Localization& L);

// The paginated PDF, or ExportError::pdfContext when no document could be made. The page
// size follows the region (US Letter for the Americas that use it, A4 elsewhere); without a
// region argument the user's own locale decides.
using PdfResult = std::variant<QByteArray, ExportError>;
PdfResult pdf(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
              const Localization& L);
PdfResult pdf(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
              const Localization& L, const QString& region);
// Loads fontconfig's configuration and font list, which every font look-up waits for. Needs
// no application object, so a program can do this on the thread that will make its PDF
// while its main thread makes the application.
void loadFontConfiguration();
// Loads on the calling thread what the first PDF there would wait for: the font database,
// each face of the report the language needs, once for every size (by laying out a report of
// every kind of text, drawn nowhere), the symbols' face and outlines. A program can do this
// while it inspects, then make its PDF on the same thread (fonts are loaded per thread).
void preparePdf(const Localization& L);
// The region of the user's locale ("US", "GB"; empty when it names none).
QString systemRegion();

// Saves the model's current inspection in `format`: asks where (the desktop's save
// dialog), renders only once the user confirms, writes atomically and tells of a failure
// in one alert. Inspects first when there is no inspection yet. Returns at once when the
// dialog is window-modal; see ReportSaver.h for the parts tests replace.
void save(ReportFormat format, Quorlent& inspector);
// The main window, which the save dialog is modal on when no other window of ours is
// active; without one (or while it is hidden) the dialog is application-modal.
void setMainWindowProvider(std::function<QWidget*()> provider);

}  // namespace ReportExporter
