#include "screens/BatteryHealthReading.h"

#include <QCoreApplication>
#include <QThread>

namespace {
QThread* readingThread = nullptr;

void stopReadingThread()
{
    if (!readingThread) return;
    // A reading still running is waited for: it holds nothing but its own copies.
    readingThread->quit();
    readingThread->wait();
    delete readingThread;
    readingThread = nullptr;
}
}  // namespace

QThread* BatteryReading::thread()
{
    if (!readingThread) {
        readingThread = new QThread;
        readingThread->setObjectName(QStringLiteral("BatteryHealth"));
        readingThread->start(QThread::LowPriority);
        qAddPostRoutine(stopReadingThread);
    }
    return readingThread;
}

BatteryReading::BatteryReading(Reader reader, Localization localization, quint64 serial)
    : reader_(std::move(reader)), localization_(std::move(localization)), serial_(serial)
{
}

void BatteryReading::start(Reader reader, Localization localization, quint64 serial, QObject* receiver,
                           std::function<void(const BatteryReadingResult&)> done)
{
    qRegisterMetaType<BatteryReadingResult>();
    auto* reading = new BatteryReading(std::move(reader), std::move(localization), serial);
    // Connected before the reading can start, so no result is missed.
    connect(reading, &BatteryReading::finished, receiver, std::move(done), Qt::QueuedConnection);
    reading->moveToThread(thread());
    QMetaObject::invokeMethod(reading, [reading] { reading->run(); }, Qt::QueuedConnection);
}

void BatteryReading::run()
{
    BatteryReadingResult result;
    result.serial = serial_;
    if (reader_) result.report = reader_(localization_);
    emit finished(result);
    deleteLater();
}
