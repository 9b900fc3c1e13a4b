#include "StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QWindow>

#include <cstdlib>
#include <sys/resource.h>
#include <ctime>

namespace StartupProbe {

QString reportPath() { return qEnvironmentVariable("QRL_BENCH_REPORT"); }

qint64 now()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

namespace {
void append(const QByteArray& line)
{
    const QString path = reportPath();
    if (path.isEmpty()) return;
    QFile f(path);
    if (f.open(QIODevice::Append)) f.write(line + '\n');
}
}  // namespace

void stage(const char* name)
{
    // The process's CPU time beside the moment: on a loaded machine it says more than the clock.
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    append(QByteArray(name) + ' ' + QByteArray::number(now()));
    append("cpu_" + QByteArray(name) + ' ' + QByteArray::number((qint64(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec) / 1000000));
    // The stages are marked on the main thread: its own CPU time is the path the window waits
    // on, whatever workers do beside it on other cores.
    timespec main{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &main);
    append("cpu_main_" + QByteArray(name) + ' ' + QByteArray::number((qint64(main.tv_sec) * 1000000000LL + main.tv_nsec) / 1000000));
    // Page faults, of the process and of the main thread: on a virtual machine each costs far
    // more than the instructions around it, and an instruction count does not see them.
    rusage process{}, thread{};
    getrusage(RUSAGE_SELF, &process);
    getrusage(RUSAGE_THREAD, &thread);
    append("faults_" + QByteArray(name) + ' ' + QByteArray::number(qint64(process.ru_minflt + process.ru_majflt)));
    append("faults_main_" + QByteArray(name) + ' ' + QByteArray::number(qint64(thread.ru_minflt + thread.ru_majflt)));
}

void stopIfAsked(const char* stage)
{
    if (qgetenv("QRL_BENCH_STOP") == stage) std::_Exit(0);
}

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

void flag(const char* name, bool value) { append("flag_" + QByteArray(name) + (value ? " 1" : " 0")); }

void resident(const char* name)
{
    append("rss_" + QByteArray(name) + ' ' + QByteArray::number(residentKb()));
    // QRL_BENCH_SMAPS=<prefix> keeps the mappings of that moment, for finding who holds what.
    const QString keep = qEnvironmentVariable("QRL_BENCH_SMAPS");
    if (keep.isEmpty()) return;
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    QFile copy(keep + QLatin1Char('.') + QLatin1String(name));
    if (smaps.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly | QIODevice::Truncate)) copy.write(smaps.readAll());
}

MapWatch::MapWatch(QString title, std::function<void(QWindow*)> mapped, QObject* parent)
    : QObject(parent), title_(std::move(title)), mapped_(std::move(mapped))
{
    QCoreApplication::instance()->installEventFilter(this);
}

MapWatch::~MapWatch()
{
    if (!fired_) QCoreApplication::instance()->removeEventFilter(this);
}

bool MapWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (fired_ || event->type() != QEvent::Expose || !watched->isWindowType()) return false;
    auto* window = static_cast<QWindow*>(watched);
    if (window->parent() || window->title() != title_ || !window->isExposed()) return false;
    fired_ = true;
    QCoreApplication::instance()->removeEventFilter(this);
    if (mapped_) mapped_(window);
    return false;
}

}  // namespace StartupProbe
