#pragma once

#include "screens/BatteryHealthModel.h"
#include "screens/BatteryHealthReading.h"

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <optional>

class QStackedLayout;
class QScrollArea;
class BatteryHealthContent;
class BatteryHealthRing;
class BatteryConditionPill;
class BatteryCapacityBar;
class BatteryFactTile;

// The battery health page: reads the battery at once and then every 30 seconds for as long as
// the page exists (hidden or minimised alike), each reading on the battery thread so a slow
// battery never holds up the window. A spinner shows until the first reading; then the content,
// or the no-battery state when there is none. A later reading switches between the two.
class BatteryHealthView : public QWidget {
    Q_OBJECT
public:
    using Reader = BatteryReading::Reader;
    enum class State { loading, content, noBattery };

    static constexpr std::chrono::milliseconds kPollInterval{30'000};

    explicit BatteryHealthView(QWidget* parent = nullptr);
    // Reads through `reader` (called on the battery thread with the interface language of the
    // moment) instead of the machine's battery.
    explicit BatteryHealthView(Reader reader, QWidget* parent = nullptr);
    ~BatteryHealthView() override;

    State state() const { return state_; }
    // The model of the latest reading; nothing while loading or without a battery.
    const std::optional<BatteryModel>& model() const { return model_; }
    // Starts a reading now (the timer starts the next one 30 seconds after this one arrives).
    void readNow();
    // True while a reading is on its way.
    bool isReading() const { return pending_ > 0; }
    // The wait before the next reading; stopped only while a reading is on its way.
    const QTimer& pollTimer() const { return poll_; }
    BatteryHealthContent* content() const { return content_; }

signals:
    // After every reading has been taken in (tests wait for it).
    void readingArrived();

protected:
    void changeEvent(QEvent* e) override;

private:
    void build();
    void apply(const BatteryReadingResult& result);
    void showState(State state);

    Reader reader_;
    State state_ = State::loading;
    std::optional<BatteryModel> model_;
    QTimer poll_;
    quint64 serial_ = 0;
    quint64 applied_ = 0;
    int pending_ = 0;
    QStackedLayout* stack_ = nullptr;
    QWidget* spinner_ = nullptr;
    QWidget* empty_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    BatteryHealthContent* content_ = nullptr;
};

// The page's content for one battery: header, health card (ring, condition, two capacity bars),
// six fact tiles and the footnote. A new reading updates it in place.
class BatteryHealthContent : public QWidget {
    Q_OBJECT
public:
    explicit BatteryHealthContent(const BatteryModel& model, QWidget* parent = nullptr);
    void setModel(const BatteryModel& model);
    const BatteryModel& model() const { return model_; }

    static constexpr int kMaximumWidth = 1000;
    static constexpr int kPadding = 24;

    // The six tiles' values as shown, in order (cycles, temperature, charge, power, adapter,
    // manufactured).
    QStringList tileValues() const;
    QString tileSymbol(int index) const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void refresh();

    BatteryModel model_;
    BatteryHealthRing* ring_ = nullptr;
    BatteryConditionPill* pill_ = nullptr;
    BatteryCapacityBar* maxBar_ = nullptr;
    BatteryCapacityBar* designBar_ = nullptr;
    QList<BatteryFactTile*> tiles_;
};
