// Linked into quorlent_live only: the application's own entry (src/main.cpp) with this hook
// beside it, for bench/live-cpu.sh. Under QRL_LIVE_BENCH=page it opens the live monitor page
// once the main window is on screen; under QRL_LIVE_BENCH=tray it waits until the tray item
// is there (closing the window then no longer quits) and closes the window. Either way it
// then writes "ready" to the file named by QRL_LIVE_READY. QRL_LIVE_REDUCE_MOTION turns motion off.
// QRL_LIVE_EVENTS_TO=<file> counts, from QRL_LIVE_SETTLE seconds after ready for
// QRL_LIVE_EVENTS_FOR seconds, the window syncs (update requests of top-level windows), the paint
// events per widget class and the timer events per receiver class, and writes them per second to
// <file>. The shipped executable carries none of this.
#include "StartupProbe.h"

#include "app/AppRouter.h"
#include "shell/MainWindow.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QHash>
#include <QPaintEvent>
#include <QTextStream>
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

// Counts what the event loop does per second while the page or the tray is live.
class EventCounter : public QObject {
public:
    EventCounter(QString file, int settleMs, int forMs) : file_(std::move(file)), forMs_(forMs)
    {
        QTimer::singleShot(settleMs, this, [this] {
            qApp->installEventFilter(this);
            clock_.start();
            QTimer::singleShot(forMs_, this, &EventCounter::write);
        });
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::UpdateRequest:
            if (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow()) {
                ++syncs_;
                syncTimes_ << clock_.elapsed();
            }
            break;
        case QEvent::Paint: {
            QByteArray name = QByteArray(o->metaObject()->className()) + " " + o->objectName().toUtf8();
            if (o->objectName().isEmpty() && o->parent())
                name += QByteArray("in ") + o->parent()->metaObject()->className() + " " + o->parent()->objectName().toUtf8();
            ++paints_[name];
            const QRect r = static_cast<QPaintEvent*>(e)->rect();
            timeline_ << QStringLiteral("%1 %2 %3x%4").arg(clock_.elapsed()).arg(QString::fromUtf8(name)).arg(r.width()).arg(r.height());
            break;
        }
        case QEvent::Timer: ++timers_[o->metaObject()->className()]; break;
        default: break;
        }
        return false;
    }

private:
    void write()
    {
        qApp->removeEventFilter(this);
        QFile f(file_);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
        QTextStream out(&f);
        const double s = forMs_ / 1000.0;
        out << "window syncs per second " << syncs_ / s << "\n";
        for (auto it = paints_.cbegin(); it != paints_.cend(); ++it)
            out << "paint " << it.key() << " " << it.value() / s << "\n";
        for (auto it = timers_.cbegin(); it != timers_.cend(); ++it)
            out << "timer " << it.key() << " " << it.value() / s << "\n";
        out << "sync moments (ms):";
        for (qint64 t : std::as_const(syncTimes_)) out << " " << t;
        out << "\n";
        for (const QString& line : std::as_const(timeline_)) out << line << "\n";
    }

    QString file_;
    int forMs_;
    QElapsedTimer clock_;
    int syncs_ = 0;
    QList<qint64> syncTimes_;
    QHash<QByteArray, int> paints_;
    QHash<QByteArray, int> timers_;
    QStringList timeline_;
};

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
                countEvents();
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
            countEvents();
        });
        poll->start(100);
    }

    void countEvents()
    {
        const QString file = qEnvironmentVariable("QRL_LIVE_EVENTS_TO");
        if (file.isEmpty()) return;
        const int settle = qEnvironmentVariableIntValue("QRL_LIVE_SETTLE");
        const int seconds = qEnvironmentVariableIntValue("QRL_LIVE_EVENTS_FOR");
        new EventCounter(file, 1000 * (settle > 0 ? settle : 8), 1000 * (seconds > 0 ? seconds : 20));
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
