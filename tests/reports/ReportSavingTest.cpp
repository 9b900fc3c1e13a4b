// Saving a report: the dialog's request, the bytes on disk, failures in one alert, cancel,
// and exporting before any inspection. The dialog and the alert are fakes; the files are
// real, in a temporary folder.
#include "ReportFixtures.h"

#include "inspection/Quorlent.h"
#include "platform/AtomicWrite.h"
#include "reports/ReportSaver.h"
#include "support/FileSizeLimit.h"
#include "support/FakePlatform.h"
#include "ui/UiLanguage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
using namespace ReportExporter;

struct FakePanel {
    QList<SavePanelRequest> requests;
    std::optional<QString> answer;
    bool deferred = false;
    std::function<void(std::optional<QString>)> pending;

    SavePanel panel()
    {
        return [this](const SavePanelRequest& r, std::function<void(std::optional<QString>)> done) {
            requests.append(r);
            if (deferred) pending = std::move(done);
            else done(answer);
        };
    }
};

struct FakeAlert {
    struct Shown {
        QString message;
        QString informative;
    };
    QList<Shown> shown;
    FailureAlert alert()
    {
        return [this](const QString& m, const QString& i, QWidget*) { shown.append({m, i}); };
    }
};

struct SaveFixture {
    QTemporaryDir dir;
    FakePanel panel;
    FakeAlert alert;
    SaveInterfaceOverride override{panel.panel(), alert.alert()};
    UiLanguage::Override language{Localization::english()};
    ReportFixtures::Inspection inspection = ReportFixtures::english();
    std::optional<QDateTime> updated = ReportFixtures::reportDate();
    int refreshes = 0;

    ReportSource source()
    {
        ReportSource s;
        s.summary = [this] { return std::optional<DeviceSummary>(inspection.summary); };
        s.sections = [this] { return inspection.sections; };
        s.lastUpdated = [this] { return updated; };
        s.refresh = [this] { ++refreshes; };
        return s;
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Qt stamps each PDF with the time of writing; everything else is the same for the same input.
QByteArray withoutTimestamps(QByteArray pdf)
{
    static const QRegularExpression stamp(QStringLiteral("D:\\d{14}[^)>]*"));
    return QString::fromLatin1(pdf).replace(stamp, QStringLiteral("D:-")).toLatin1();
}

QByteArray comparable(ReportFormat format, const QByteArray& bytes)
{
    return format == ReportFormat::pdf ? withoutTimestamps(bytes) : bytes;
}

TEST(ReportSaving, EachFormatWritesExactlyTheRenderersBytes)
{
    struct Case {
        ReportFormat format;
        const char* filter;
        const char* suffix;
    };
    const Case cases[] = {
        {ReportFormat::pdf, "PDF Report (*.pdf)", "pdf"},
        {ReportFormat::json, "JSON (*.json)", "json"},
        {ReportFormat::markdown, "Markdown (*.md)", "md"},
        {ReportFormat::text, "Plain Text (*.txt)", "txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.suffix);
        SaveFixture f;
        const QString target = f.path(QStringLiteral("report.") + c.suffix);
        f.panel.answer = target;
        save(c.format, f.source());

        ASSERT_EQ(f.panel.requests.size(), 1);
        const SavePanelRequest& r = f.panel.requests.first();
        EXPECT_EQ(r.format, c.format);
        EXPECT_EQ(r.nameFilter, QString::fromUtf8(c.filter));
        EXPECT_EQ(r.defaultSuffix, QString::fromLatin1(c.suffix));
        EXPECT_EQ(r.suggestedName, suggestedFilename(c.format, f.inspection.summary, ReportFixtures::reportDate()));
        EXPECT_TRUE(r.suggestedName.endsWith(QStringLiteral(".") + c.suffix));
        EXPECT_TRUE(QFileInfo(r.directory).isDir());

        const RenderedReport expected =
            render(c.format, f.inspection.summary, f.inspection.sections, ReportFixtures::reportDate(), Localization::english());
        ASSERT_FALSE(expected.error);
        ASSERT_FALSE(expected.bytes.isEmpty());
        EXPECT_EQ(comparable(c.format, readAll(target)), comparable(c.format, expected.bytes));
        EXPECT_TRUE(f.alert.shown.isEmpty());
        EXPECT_EQ(f.entries(), QStringList{QFileInfo(target).fileName()});  // no temporary file left beside it
        EXPECT_EQ(f.refreshes, 0);
    }
}

TEST(ReportSaving, TextFormatsAreUtf8WithoutAByteOrderMark)
{
    for (ReportFormat format : {ReportFormat::markdown, ReportFormat::text, ReportFormat::json}) {
        const QByteArray bytes =
            render(format, ReportFixtures::english().summary, ReportFixtures::english().sections, ReportFixtures::reportDate(),
                   Localization::english())
                .bytes;
        EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
        EXPECT_TRUE(QString::fromUtf8(bytes).toUtf8() == bytes);
    }
}

TEST(ReportSaving, AFailedWriteShowsOneAlertWithTheReasonAndLeavesNothing)
{
    struct Case {
        const char* name;
        std::function<QString(SaveFixture&)> target;
    };
    const Case cases[] = {
        {"missing folder", [](SaveFixture& f) { return f.path(QStringLiteral("gone/report.pdf")); }},
        {"a folder in the way",
         [](SaveFixture& f) {
             QDir(f.dir.path()).mkdir(QStringLiteral("report.pdf"));
             return f.path(QStringLiteral("report.pdf"));
         }},
        {"a file where the folder should be",
         [](SaveFixture& f) {
             QFile file(f.path(QStringLiteral("plain")));
             EXPECT_TRUE(file.open(QIODevice::WriteOnly));
             return f.path(QStringLiteral("plain/report.pdf"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFixture f;
        const QString target = c.target(f);
        const QStringList before = f.entries();
        // What the atomic writer says about this destination is what the alert must say, in the
        // interface language.
        const AtomicWrite::Result direct = AtomicWrite::write(target, "x");
        ASSERT_FALSE(direct.ok);
        f.panel.answer = target;
        save(ReportFormat::pdf, f.source());

        ASSERT_EQ(f.alert.shown.size(), 1);
        EXPECT_EQ(f.alert.shown[0].message, QString::fromUtf8("The report couldn’t be saved."));
        EXPECT_FALSE(f.alert.shown[0].informative.isEmpty());
        EXPECT_EQ(f.alert.shown[0].informative, AtomicWrite::describe(direct, Localization::english()));
        EXPECT_EQ(f.entries(), before);
        if (QFileInfo(target).isDir()) {
            EXPECT_TRUE(QDir(target).isEmpty());
        }
    }
}

TEST(ReportSaving, AFailedWriteOverAnEarlierFileLeavesItByteForByte)
{
    for (ReportFormat format : {ReportFormat::pdf, ReportFormat::text}) {
        SCOPED_TRACE(ReportFormats::rawValue(format).toStdString());
        SaveFixture f;
        const QString target = f.path(QStringLiteral("earlier.") + ReportFormats::fileExtension(format));
        const QByteArray earlier("the earlier report, which must survive\n");
        {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(earlier);
        }
        f.panel.answer = target;
        {
            FileSizeLimit limit(64);
            ASSERT_TRUE(limit.ok());
            save(format, f.source());
        }
        ASSERT_EQ(f.alert.shown.size(), 1);
        EXPECT_EQ(f.alert.shown[0].message, QString::fromUtf8("The report couldn’t be saved."));
        EXPECT_FALSE(f.alert.shown[0].informative.isEmpty());
        EXPECT_EQ(readAll(target), earlier);
        EXPECT_EQ(f.entries(), QStringList{QFileInfo(target).fileName()});
    }
}

TEST(ReportSaving, SavingOverAnEarlierFileReplacesItWhole)
{
    SaveFixture f;
    const QString target = f.path(QStringLiteral("report.txt"));
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100000, 'x'));
    }
    f.panel.answer = target;
    save(ReportFormat::text, f.source());
    EXPECT_TRUE(f.alert.shown.isEmpty());
    EXPECT_EQ(readAll(target), ReportExporter::text(f.inspection.sections, ReportFixtures::reportDate(), Localization::english()).toUtf8());
}

TEST(ReportSaving, CancelWritesAndShowsNothing)
{
    for (const std::optional<QString>& answer : {std::optional<QString>(), std::optional<QString>(QString())}) {
        SaveFixture f;
        f.panel.answer = answer;
        save(ReportFormat::pdf, f.source());
        EXPECT_EQ(f.panel.requests.size(), 1);
        EXPECT_TRUE(f.alert.shown.isEmpty());
        EXPECT_TRUE(f.entries().isEmpty());
    }
}

TEST(ReportSaving, WithoutAnInspectionItInspectsOnceAndThenDoesNothingIfThereIsStillNone)
{
    SaveFixture f;
    ReportSource source = f.source();
    source.summary = [] { return std::optional<DeviceSummary>(); };
    f.panel.answer = f.path(QStringLiteral("report.pdf"));
    save(ReportFormat::pdf, source);
    EXPECT_EQ(f.refreshes, 1);
    EXPECT_TRUE(f.panel.requests.isEmpty());
    EXPECT_TRUE(f.alert.shown.isEmpty());
    EXPECT_TRUE(f.entries().isEmpty());
}

TEST(ReportSaving, WithoutAnInspectionTheModelInspectsFirstAndTheNameCarriesThatDate)
{
    SaveFixture f;
    FakeMachine machine = FakeMachine::appleSilicon();
    const Platform platform = machine.platform();
    const QDateTime inspectedAt(QDate(2026, 12, 24), QTime(8, 0), Qt::LocalTime);
    Quorlent::Dependencies deps{platform, {}, nullptr, nullptr, {}, [&] { return inspectedAt; }};
    Quorlent model(deps);
    QSignalSpy inspections(&model, &Quorlent::lastUpdatedChanged);
    f.panel.answer = std::nullopt;
    save(ReportFormat::markdown, model);
    EXPECT_EQ(inspections.count(), 1);
    ASSERT_EQ(f.panel.requests.size(), 1);
    EXPECT_TRUE(f.panel.requests[0].suggestedName.endsWith(QStringLiteral("-2026-12-24.md")));

    // With an inspection, none is run again.
    save(ReportFormat::json, model);
    EXPECT_EQ(inspections.count(), 1);
}

TEST(ReportSaving, TheReportIsTheInspectionOfTheMomentTheDialogOpened)
{
    SaveFixture f;
    f.panel.deferred = true;
    save(ReportFormat::text, f.source());
    ASSERT_TRUE(f.panel.pending);
    const QByteArray expected =
        ReportExporter::text(f.inspection.sections, ReportFixtures::reportDate(), Localization::english()).toUtf8();
    // An inspection that finishes while the dialog is open.
    f.inspection = ReportFixtures::empty();
    f.updated = ReportFixtures::reportDate().addDays(1);
    const QString target = f.path(QStringLiteral("report.txt"));
    f.panel.pending(target);
    EXPECT_EQ(readAll(target), expected);
}

TEST(ReportSaving, WithoutAnInspectionDateTheCurrentTimeIsTheReportDate)
{
    SaveFixture f;
    f.updated.reset();
    const QDateTime now(QDate(2027, 1, 2), QTime(10, 0), Qt::LocalTime);
    f.panel.answer = f.path(QStringLiteral("report.txt"));
    save(ReportFormat::text, f.source(), [&] { return now; });
    ASSERT_EQ(f.panel.requests.size(), 1);
    EXPECT_TRUE(f.panel.requests[0].suggestedName.endsWith(QStringLiteral("-2027-01-02.txt")));
    EXPECT_EQ(readAll(f.panel.answer.value()), ReportExporter::text(f.inspection.sections, now, Localization::english()).toUtf8());
}

TEST(ReportSaving, TheDialogIsModalOnTheMainWindowWhileItIsShown)
{
    SaveFixture f;
    QWidget main;
    setMainWindowProvider([&main] { return &main; });
    main.show();
    f.panel.answer = std::nullopt;
    save(ReportFormat::pdf, f.source());
    ASSERT_EQ(f.panel.requests.size(), 1);
    // The active window of ours, which here can only be the main window.
    EXPECT_EQ(f.panel.requests[0].window, &main);

    main.hide();
    QApplication::processEvents();
    save(ReportFormat::pdf, f.source());
    ASSERT_EQ(f.panel.requests.size(), 2);
    EXPECT_EQ(f.panel.requests[1].window, nullptr);
    setMainWindowProvider({});
}

TEST(ReportSaving, TheDesktopDialogIsAskedForOneTypeItsExtensionAndTheName)
{
    QWidget window;
    window.show();
    SavePanelRequest request;
    request.format = ReportFormat::markdown;
    request.nameFilter = QStringLiteral("Markdown (*.md)");
    request.defaultSuffix = QStringLiteral("md");
    request.suggestedName = QStringLiteral("DeviceReport-Mac-2026-12-09.md");
    QTemporaryDir dir;
    request.directory = dir.path();
    request.window = &window;
    int answers = 0;
    std::optional<QString> answer = QStringLiteral("not yet");
    systemSavePanel()(request, [&](std::optional<QString> path) {
        ++answers;
        answer = path;
    });
    // Window-modal: it returned at once, with the dialog open on the window.
    EXPECT_EQ(answers, 0);
    auto* dialog = window.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters(), QStringList{"Markdown (*.md)"});
    EXPECT_EQ(dialog->defaultSuffix(), "md");
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly));  // new folders can be made
    EXPECT_EQ(QFileInfo(dialog->selectedFiles().value(0)).fileName(), request.suggestedName);
    EXPECT_EQ(QFileInfo(dialog->selectedFiles().value(0)).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    dialog->reject();
    EXPECT_EQ(answers, 1);
    EXPECT_FALSE(answer);
}

TEST(ReportSaving, TheDialogOpensWhereALastSaveSucceededNeverWhereOneFailed)
{
    SaveFixture f;
    QDir(f.dir.path()).mkpath(QStringLiteral("good"));
    f.panel.answer = f.path(QStringLiteral("good/report.txt"));
    save(ReportFormat::text, f.source());
    ASSERT_TRUE(f.alert.shown.isEmpty());
    const QStringList failing = {f.path(QStringLiteral("missing/report.txt")), QStringLiteral("/proc/self/report.txt"),
                                 QStringLiteral("/sys/report.txt")};
    for (const QString& target : failing) {
        SCOPED_TRACE(target.toStdString());
        f.panel.answer = target;
        save(ReportFormat::text, f.source());
        f.panel.answer = std::nullopt;
        save(ReportFormat::text, f.source());  // only to see where the dialog opens
        EXPECT_EQ(f.panel.requests.last().directory, f.path(QStringLiteral("good")));
    }
    EXPECT_EQ(f.alert.shown.size(), failing.size());
}

TEST(ReportSaving, TheDialogNeverStartsInAKernelFileSystem)
{
    for (const char* folder : {"/proc", "/proc/self", "/proc/1/fd", "/sys", "/sys/class", "/dev", "/dev/shm"})
        EXPECT_TRUE(isPseudoFileSystem(QString::fromLatin1(folder))) << folder;
    QTemporaryDir dir;
    EXPECT_FALSE(isPseudoFileSystem(dir.path()));
    EXPECT_FALSE(isPseudoFileSystem(QDir::homePath()));
    // Reached through a link, it is still the kernel's.
    const QString link = dir.filePath(QStringLiteral("looks-harmless"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self"), link));
    EXPECT_TRUE(isPseudoFileSystem(link));

    // Even a save that worked there is not where the next dialog opens.
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        SaveFixture f;
        const QString target = QStringLiteral("/dev/shm/qrl-report-%1.txt").arg(QCoreApplication::applicationPid());
        f.panel.answer = target;
        save(ReportFormat::text, f.source());
        QFile::remove(target);
        ASSERT_TRUE(f.alert.shown.isEmpty());
        f.panel.answer = std::nullopt;
        save(ReportFormat::text, f.source());
        EXPECT_FALSE(isPseudoFileSystem(f.panel.requests.last().directory)) << f.panel.requests.last().directory.toStdString();
    }
}

TEST(ReportSaving, APipeAtTheDestinationIsRefusedInTheInterfaceLanguage)
{
    SaveFixture f;
    UiLanguage::Override german{Localization::forCode(QStringLiteral("de"), QStringLiteral("de_DE"))};
    const QString target = f.path(QStringLiteral("report.md"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    f.panel.answer = target;
    save(ReportFormat::markdown, f.source());
    ASSERT_EQ(f.alert.shown.size(), 1);
    EXPECT_EQ(f.alert.shown[0].message, QString::fromUtf8("Der Bericht konnte nicht gespeichert werden."));
    EXPECT_EQ(f.alert.shown[0].informative, QString::fromUtf8("Das Ziel ist keine gewöhnliche Datei."));
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(f.entries(), QStringList{QStringLiteral("report.md")});
}

}  // namespace
