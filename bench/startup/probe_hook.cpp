// Linked into quorlent_probed only: the application's own entry (src/main.cpp) with this
// probe beside it. When QApplication is constructed under QRL_BENCH_REPORT, it reports when
// the main window was mapped, when its first overview was painted and the resident memory
// then; with QRL_BENCH_TOUR also set it shows every page once, reports the resident memory
// again, and quits. The shipped executable carries none of this.
#include "StartupProbe.h"

#include "app/AppRouter.h"
#include "history/ScanHistory.h"
#include "shell/MainWindow.h"
#include "shell/MainWindowPaintProbe.h"
#include "shell/Sidebar.h"
#include "ui/FontMatches.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        // The event loop deletes the pages left behind as soon as it gets back; processEvents
        // called from inside it does not, so the probe does it here.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void tour(MainWindow& window)
{
    AppRouter& router = AppRouter::shared();
    QList<SidebarItem> stops;
    if (auto* sidebar = window.findChild<Sidebar*>())
        for (int row = 0; row < sidebar->list()->count(); ++row)
            if (std::optional<SidebarItem> item = Sidebar::itemOf(sidebar->list()->item(row))) stops << *item;
    for (const SidebarItem& item : stops) {
        router.setSelection(item);
        // The history page reads the stored scans.
        if (item == SidebarItem::pro(ProFeature::history)) ScanHistory::shared();
        settle();
    }
    router.setStatusFocus(CapabilityStatus::warning);
    settle();
    window.searchField()->setText(QStringLiteral("memory"));
    settle();
    window.searchField()->clear();
    router.setSelection(SidebarItem::overview());
    settle();
    StartupProbe::resident("tour");
}

class Probe : public QObject {
public:
    Probe() : map_(QStringLiteral("Quorlent"), [this](QWindow* w) { mapped(w); }, this) {}

private:
    void mapped(QWindow*)
    {
        StartupProbe::stage("mapped");
        StartupProbe::stopIfAsked("mapped");
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<MainWindow*>(top)) {
                window_ = window;
                overview_ = std::make_unique<MainWindowPaintProbe>(*window, DetailRoute::Kind::overview, [this] { painted(); });
                return;
            }
    }
    // The page's first paint event comes before any of it is drawn: the moment is stamped once the
    // repaint it belongs to has drawn the page and put it on the screen, when the event loop
    // next turns, ahead of whatever else waits for that turn (the application's own work after
    // its first page).
    void painted() { QCoreApplication::postEvent(this, new QEvent(drawnEvent()), Qt::HighEventPriority); }
    static QEvent::Type drawnEvent()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    bool event(QEvent* e) override
    {
        if (e->type() != drawnEvent()) return QObject::event(e);
        drawn();
        return true;
    }
    void drawn()
    {
        StartupProbe::stage("painted");
        StartupProbe::stopIfAsked("painted");
        // A start that shows onboarding measures another start than the one asked for.
        StartupProbe::flag("onboarding", AppRouter::shared().showOnboarding());
        // Whether the interface thread's font engines took the font matches made ahead: they
        // reach it only while the executable itself defines fontconfig's two calls.
        StartupProbe::flag("font_matches_taken", FontMatches::taken() > 0);
        // QRL_BENCH_SHOT=<file.png> keeps a picture of the window as the start left it (once the
        // machine's readings are in), to compare the look of two builds' starts.
        const QString shot = qEnvironmentVariable("QRL_BENCH_SHOT");
        if (!shot.isEmpty()) {
            QTimer::singleShot(1500, this, [this, shot] {
                if (window_) window_->grab().save(shot);
                QApplication::quit();
            });
            return;
        }
        // Memory as the first frame leaves it, before the work that waits for that frame.
        StartupProbe::resident("start");
        StartupProbe::stopIfAsked("start");
        QTimer::singleShot(0, this, [this] {
            if (qEnvironmentVariableIsSet("QRL_BENCH_TOUR") && window_) tour(*window_);
            QApplication::quit();
        });
    }

    StartupProbe::MapWatch map_;
    QPointer<MainWindow> window_;
    std::unique_ptr<MainWindowPaintProbe> overview_;
};

void install()
{
    if (StartupProbe::reportPath().isEmpty()) return;
    StartupProbe::stage("application");
    new Probe;  // lives as long as the process
}
}  // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
