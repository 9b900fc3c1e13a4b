// The floor of the live page's figure: a bare Qt Widgets window of the page's size whose only
// work is a ten-pixel square repainted at the live badge's mean frame rate (a frame every
// 150 ms), on the same virtual screen. Whatever the page does beyond its pulse costs on top.
// Writes "ready" to QRL_LIVE_READY once shown.
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {
class Square : public QWidget {
public:
    using QWidget::QWidget;
    int step = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(40, 170 + step % 60, 90));
    }
};
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quorlent"));
    window.resize(1100, 760);
    auto* square = new Square(&window);
    square->setGeometry(1040, 30, 10, 10);
    window.show();
    QTimer frames;
    QObject::connect(&frames, &QTimer::timeout, square, [square] {
        ++square->step;
        square->update();
    });
    frames.start(150);
    QTimer::singleShot(500, [] {
        QFile ready(qEnvironmentVariable("QRL_LIVE_READY"));
        if (ready.open(QIODevice::WriteOnly)) ready.write("ready\n");
    });
    return app.exec();
}
