// The floor of the start-up figures: a bare Qt Widgets main window, titled and sized as ours,
// doing nothing else. Under QRL_BENCH_REPORT it reports when it was mapped, when it first
// painted and its resident memory then, and quits.
#include "StartupProbe.h"

#include <QApplication>
#include <QMainWindow>
#include <QPaintEvent>
#include <QTimer>

namespace {
class Content : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (painted_) return;
        painted_ = true;
        StartupProbe::stage("painted");
        StartupProbe::stopIfAsked("painted");
        QTimer::singleShot(0, qApp, [] {
            StartupProbe::resident("start");
            if (!StartupProbe::reportPath().isEmpty()) QApplication::quit();
        });
    }

private:
    bool painted_ = false;
};
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    StartupProbe::stage("application");
    StartupProbe::MapWatch watch(QStringLiteral("Quorlent"), [](QWindow*) {
        StartupProbe::stage("mapped");
        StartupProbe::stopIfAsked("mapped");
    });
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quorlent"));
    window.setCentralWidget(new Content);
    window.resize(1180, 800);
    window.show();
    return app.exec();
}
