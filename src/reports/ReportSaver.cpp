#include "reports/ReportSaver.h"

#include "inspection/Quorlent.h"
#include "platform/AtomicWrite.h"
#include "ui/UiLanguage.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QWidget>

#include <sys/vfs.h>
#include <linux/magic.h>

namespace ReportExporter {

bool isPseudoFileSystem(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString path = canonical.isEmpty() ? QFileInfo(folder).absoluteFilePath() : canonical;
    for (const char* root : {"/proc", "/sys", "/dev"}) {
        const QString r = QString::fromLatin1(root);
        if (path == r || path.startsWith(r + QLatin1Char('/'))) return true;
    }
    // Mounted elsewhere too (a container's /proc under another name, a bind mount): ask the kernel.
    struct statfs fs {};
    if (::statfs(QFile::encodeName(path).constData(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC: case SYSFS_MAGIC: case DEBUGFS_MAGIC: case TRACEFS_MAGIC: case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC: case CGROUP2_SUPER_MAGIC: case DEVPTS_SUPER_MAGIC: case BPF_FS_MAGIC:
        return true;
    default: return false;
    }
}

namespace {

std::function<QWidget*()>& mainWindowProvider()
{
    static std::function<QWidget*()> provider;
    return provider;
}

SavePanel& currentPanel()
{
    static SavePanel panel = systemSavePanel();
    return panel;
}

FailureAlert& currentAlert()
{
    static FailureAlert alert = systemFailureAlert();
    return alert;
}

// The folder of the last successful save in this run, so a second report lands beside the first.
QString& lastDirectory()
{
    static QString dir;
    return dir;
}

QString startDirectory()
{
    const QString last = lastDirectory();
    if (!last.isEmpty() && QFileInfo(last).isDir() && !isPseudoFileSystem(last)) return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

bool usableWindow(const QWidget* w)
{
    if (!w || !w->isWindow() || !w->isVisible()) return false;
    // Menus, tray panels and tool windows close when they lose focus, and would take a
    // dialog that is modal on them along.
    const Qt::WindowType type = w->windowType();
    return type != Qt::Popup && type != Qt::Tool && type != Qt::ToolTip && type != Qt::SplashScreen;
}

// True when the report reached the disk.
bool writeReport(ReportFormat format, const DeviceSummary& summary, const QList<CapabilitySection>& sections,
                 const QDateTime& date, const Localization& L, const QString& path)
{
    const auto fail = [&L](const QString& why) {
        currentAlert()(L.tr("The report couldn’t be saved."), why, dialogParent());
    };
    const RenderedReport report = render(format, summary, sections, date, L);
    if (report.error) {
        fail(*report.error);
        return false;
    }
    const AtomicWrite::Result written = AtomicWrite::write(path, report.bytes);
    if (!written) {
        // The log keeps the file and the system's words; the alert speaks the interface language.
        qWarning().noquote() << QStringLiteral("ReportExporter: ") + written.error;
        fail(AtomicWrite::describe(written, L));
        return false;
    }
    return true;
}

}  // namespace

void setMainWindowProvider(std::function<QWidget*()> provider)
{
    mainWindowProvider() = std::move(provider);
}

QWidget* dialogParent()
{
    if (QWidget* active = QApplication::activeWindow(); usableWindow(active)) return active;
    if (mainWindowProvider()) {
        QWidget* main = mainWindowProvider()();
        if (main) main = main->window();
        if (usableWindow(main)) return main;
    }
    return nullptr;
}

SavePanel systemSavePanel()
{
    return [](const SavePanelRequest& r, std::function<void(std::optional<QString>)> done) {
        auto* dialog = new QFileDialog(r.window);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilters({r.nameFilter});
        dialog->setDefaultSuffix(r.defaultSuffix);
        dialog->setDirectory(r.directory);
        dialog->selectFile(r.suggestedName);
        const auto finish = [dialog, done](int result) {
            std::optional<QString> path;
            if (result == QDialog::Accepted) {
                const QStringList files = dialog->selectedFiles();
                if (!files.isEmpty() && !files.first().isEmpty()) path = files.first();
            }
            dialog->deleteLater();
            done(path);
        };
        if (r.window) {
            dialog->setWindowModality(Qt::WindowModal);
            QObject::connect(dialog, &QDialog::finished, dialog, finish);
            dialog->open();
        } else {
            dialog->setWindowModality(Qt::ApplicationModal);
            finish(dialog->exec());
        }
    };
}

FailureAlert systemFailureAlert()
{
    return [](const QString& message, const QString& informative, QWidget* window) {
        QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::Ok, window);
        // The description may hold a path or the system's words: never markup.
        box.setTextFormat(Qt::PlainText);
        box.setInformativeText(informative);
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            label->setTextFormat(Qt::PlainText);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    };
}

SaveInterfaceOverride::SaveInterfaceOverride(SavePanel panel, FailureAlert alert)
    : previousPanel_(std::exchange(currentPanel(), std::move(panel))),
      previousAlert_(std::exchange(currentAlert(), std::move(alert)))
{
}

SaveInterfaceOverride::~SaveInterfaceOverride()
{
    currentPanel() = std::move(previousPanel_);
    currentAlert() = std::move(previousAlert_);
}

ReportSource ReportSource::of(Quorlent& inspector)
{
    QPointer<Quorlent> model(&inspector);
    ReportSource source;
    source.summary = [model] { return model ? model->summary() : std::nullopt; };
    source.sections = [model] { return model ? model->sections() : QList<CapabilitySection>(); };
    source.lastUpdated = [model] { return model ? model->lastUpdated() : std::nullopt; };
    source.refresh = [model] {
        if (model) model->refresh();
    };
    return source;
}

RenderedReport render(ReportFormat format, const DeviceSummary& summary, const QList<CapabilitySection>& sections,
                      const QDateTime& date, const Localization& L)
{
    switch (format) {
    case ReportFormat::pdf: {
        PdfResult result = pdf(summary, sections, date, L);
        if (const ExportError* e = std::get_if<ExportError>(&result)) return {{}, describe(*e, L)};
        return {std::get<QByteArray>(std::move(result)), std::nullopt};
    }
    case ReportFormat::json: return {json(summary, sections, date, L), std::nullopt};
    case ReportFormat::markdown: return {markdown(summary, sections, date, L).toUtf8(), std::nullopt};
    case ReportFormat::text: return {text(sections, date, L).toUtf8(), std::nullopt};
    }
    return {{}, describe(ExportError::pdfContext, L)};
}

void save(ReportFormat format, const ReportSource& source, std::function<QDateTime()> now)
{
    std::optional<DeviceSummary> summary = source.summary();
    if (!summary) {
        source.refresh();
        summary = source.summary();
    }
    if (!summary) return;

    // Captured now: an inspection that finishes while the dialog is open does not change the report.
    const std::optional<QDateTime> updated = source.lastUpdated();
    const QDateTime date = updated ? *updated : (now ? now() : QDateTime::currentDateTime());
    const QList<CapabilitySection> sections = source.sections();
    const Localization L = UiLanguage::current();

    SavePanelRequest request;
    request.format = format;
    request.defaultSuffix = ReportFormats::fileExtension(format);
    request.nameFilter = ReportFormats::title(format, L) + QStringLiteral(" (*.") + request.defaultSuffix + ')';
    request.suggestedName = suggestedFilename(format, *summary, date);
    request.directory = startDirectory();
    request.window = dialogParent();

    currentPanel()(request, [format, summary = *summary, sections, date, L](std::optional<QString> path) {
        if (!path || path->isEmpty()) return;
        // Only a folder that took a report is worth opening again.
        if (writeReport(format, summary, sections, date, L, *path)) lastDirectory() = QFileInfo(*path).absolutePath();
    });
}

void save(ReportFormat format, Quorlent& inspector)
{
    save(format, ReportSource::of(inspector));
}

}  // namespace ReportExporter
