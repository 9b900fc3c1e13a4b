// Linked into quorlent_live only: the application's own entry (src/main.cpp) with this hook
// beside it, for bench/live-cpu.sh. Under QRL_LIVE_BENCH=page it opens the live monitor page
// once the main window is on screen; under QRL_LIVE_BENCH=tray it waits until the tray item
// is there (closing the window then no longer quits) and closes the window. Either way it
// then writes "ready" to the file named by QRL_LIVE_READY. QRL_LIVE_REDUCE_MOTION turns motion off. The shipped executable carries
// none of this.
#include "StartupProbe.h"

#include "app/AppRouter.h"
#include "shell/MainWindow.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace {

void ready(const char* what)
{
    QFile f(qEnvironmentVariable("QRL_LIVE_READY"));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(QByteArray("ready ") + what + '\n');
}

MainWindow* mainWindow()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<MainWindow*>(top)) return window;
    return nullptr;
}

class Hook : public QObject {
public:
    explicit Hook(QByteArray mode)
        : mode_(std::move(mode)), map_(QStringLiteral("Quorlent"), [this](QWindow*) { mapped(); }, this)
    {
    }

private:
    void mapped()
    {
        window_ = mainWindow();
        if (!window_) return;
        if (mode_ == "page") {
            QTimer::singleShot(0, this, [this] {
                AppRouter::shared().setSelection(SidebarItem::pro(ProFeature::liveMonitor));
                ready("page");
            });
            return;
        }
        // The tray item is made once the tray host has seen the watcher: the quit rule says so.
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            if (QApplication::quitOnLastWindowClosed() || !window_) return;
            poll->deleteLater();
            window_->close();
            ready("tray");
        });
        poll->start(100);
    }

    QByteArray mode_;
    StartupProbe::MapWatch map_;
    QPointer<MainWindow> window_;
};

void install()
{
    const QByteArray mode = qgetenv("QRL_LIVE_BENCH");
    if (mode != "page" && mode != "tray") return;
    if (qEnvironmentVariableIsSet("QRL_LIVE_REDUCE_MOTION")) Theme::setReduceMotion(true);
    new Hook(mode);  // lives as long as the process
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
