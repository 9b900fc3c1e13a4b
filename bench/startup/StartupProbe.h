#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QWindow;

// The measurement side of a start-up run (bench/run-figures.sh). Both the application and
// the bare window report through it, so their figures are taken the same way: each stage is
// two lines "<stage> <CLOCK_REALTIME nanoseconds>" and "cpu_<stage> <process CPU ms>", or one
// "rss_<stage> <kB>", appended to the file
// named by QRL_BENCH_REPORT.
namespace StartupProbe {

// The report file, or empty outside a measurement run.
QString reportPath();
qint64 now();
void stage(const char* name);
// Resident memory now, in kB (VmRSS).
qint64 residentKb();
void resident(const char* name);
// One line "flag_<name> 0|1": a condition of the run the figures depend on.
void flag(const char* name, bool value);

// Under QRL_BENCH_STOP=<stage>, ends the process at once when that stage is reached, so a
// profiler or an instruction count (valgrind) covers the start up to it and nothing after.
void stopIfAsked(const char* stage);

// Calls `mapped` once, when a top-level window titled `title` is first exposed on the screen
// (the server has mapped it and asked for its first paint).
class MapWatch : public QObject {
public:
    MapWatch(QString title, std::function<void(QWindow*)> mapped, QObject* parent = nullptr);
    ~MapWatch() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString title_;
    std::function<void(QWindow*)> mapped_;
    bool fired_ = false;
};

}  // namespace StartupProbe
