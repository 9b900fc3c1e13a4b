#pragma once

#include "ui/Theme.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class MotionValue;

// The clock that the long-lived, slow animations step on: a ring's sweep, the per-core bars'
// ease, the live badge's pulse. Each of them on a timer of its own wakes the application at
// its own moments, and every wake is a repaint and a flush to the screen of its own. On this
// clock every client that has something to show soon is stepped in the same tick, so one
// tick is one repaint of the window for all of them; ticks are at least kFrameMs apart, and
// between them the clock sleeps until the earliest moment a client has a visible change.
// With nothing moving, no timer runs.
class FrameClock : public QObject {
    Q_OBJECT
public:
    class Client {
    public:
        virtual ~Client();
        // Brings what is shown to the moment `now` (milliseconds on the clock) and returns the
        // next moment something visible changes, or nothing once the client is at rest.
        virtual std::optional<qint64> advance(qint64 now) = 0;
    };

    // Twelve and a half frames a second at most: a 1 Hz value's ease still reads as motion.
    static constexpr int kFrameMs = 80;
    // How late a client's step may come so that it shares the tick of another's soon after:
    // a frame, so that two motions at their own paces (the pulse's fade, a ring's sweep) step
    // in the same ticks instead of taking turns at waking the window.
    static constexpr int kSlackMs = kFrameMs;

    static FrameClock& shared();
    explicit FrameClock(QObject* parent = nullptr);
    ~FrameClock() override;

    qint64 now() const;
    // `client` has something to show from `at` on.
    void schedule(Client* client, qint64 at);
    void remove(Client* client);
    bool isScheduled(const Client* client) const { return due_.contains(const_cast<Client*>(client)); }

    // Tests: time set by hand and ticks run by hand (no timer), and what the clock has done.
    void setManualTime(std::optional<qint64> now);
    std::optional<qint64> nextTick() const;
    void tick();
    int tickCount() const { return ticks_; }

private:
    void reschedule();
    std::optional<qint64> manual_;
    QElapsedTimer elapsed_;
    QHash<Client*, qint64> due_;
    QTimer timer_;
    std::optional<qint64> lastTick_;
    bool ticking_ = false;
    int ticks_ = 0;
};

// A number that eases to new targets on the frame clock, changing only once it has moved by
// `step` (and at the end of the ease). Under a test's animation clock (MotionValue's steps not
// sleeping) or with motion reduced it is a MotionValue, so tests drive it as they drive every
// other animation.
class ClockedMotion : public QObject, public FrameClock::Client {
    Q_OBJECT
public:
    explicit ClockedMotion(double initial = 0, QObject* parent = nullptr);
    ~ClockedMotion() override;
    double value() const { return value_; }
    double target() const { return target_; }
    bool isAnimating() const;
    void setValue(double value);
    void animateInSteps(double target, const Theme::Animation& animation, double step);
    // Whether the reduce-motion setting skips the ease (on by default; off for motion that
    // shows data rather than decorates, such as the per-core bars).
    void setFollowsReduceMotion(bool follows) { followsReduceMotion_ = follows; }
    // The value the ease has at `ms` after it began (for tests).
    double easedAt(qint64 ms) const;

    std::optional<qint64> advance(qint64 now) override;

signals:
    void valueChanged(double value);

private:
    void show(double value);
    std::optional<qint64> nextMoment(qint64 now) const;
    double value_;
    double target_;
    double from_ = 0;
    qint64 start_ = 0;
    Theme::Animation animation_;
    double step_ = 0;
    bool running_ = false;
    bool followsReduceMotion_ = true;
    std::unique_ptr<MotionValue> fallback_;
};
