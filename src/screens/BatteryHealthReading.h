#pragma once

#include "inspection/BatteryHealthProbe.h"

#include <QMetaType>
#include <QObject>

#include <functional>
#include <optional>

class QThread;

// One reading of the battery, made on the battery thread. Reading can be slow on some machines
// (an ACPI battery may take a long while to answer), so it never runs on the main thread; the
// result comes back by a queued signal, and a page that is gone by then simply never hears it.
struct BatteryReadingResult {
    std::optional<BatteryHealthReport> report;
    quint64 serial = 0;
};
Q_DECLARE_METATYPE(BatteryReadingResult)

class BatteryReading final : public QObject {
    Q_OBJECT
public:
    using Reader = std::function<std::optional<BatteryHealthReport>(const Localization&)>;

    // Starts a reading on the battery thread; `done` runs on `receiver`'s thread, and never once
    // `receiver` is gone. The reading deletes itself afterwards.
    static void start(Reader reader, Localization localization, quint64 serial, QObject* receiver,
                      std::function<void(const BatteryReadingResult&)> done);

    // The one thread all readings run on, one after the other. Created on first use and stopped
    // when the application object goes away.
    static QThread* thread();

signals:
    void finished(const BatteryReadingResult& result);

private:
    BatteryReading(Reader reader, Localization localization, quint64 serial);
    void run();

    Reader reader_;
    Localization localization_;
    quint64 serial_;
};
