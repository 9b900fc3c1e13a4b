#pragma once

#include <functional>
#include <thread>

// The first widget shown asks the accessibility bridge whether a screen reader listens, and the
// bridge first connects to the session bus, on the main thread and waiting for it. Where no bus
// runs yet (a bare X session, CI), that connection launches one, which takes longer than the
// whole window's build. Made right after the application object, this connects on a worker
// while the main thread builds the window; the bridge then finds the connection made, or waits
// only for the rest of it. Qt keeps one session connection per process, made once behind a
// lock, so whichever thread asks first makes it. Joined at the end: gone before the
// application object.
//
// That lock is one for every bus: while the session bus is being launched, a first ask for the
// system bus waits behind it too. `first` runs on the worker before the session bus is asked
// for, for the connections the main thread needs while it builds the window (the system bus of
// the machine's readers), so that its first ask finds them made rather than waiting out the
// launch.
class SessionBusWarmup {
public:
    explicit SessionBusWarmup(std::function<void()> first = {});
    ~SessionBusWarmup();
    SessionBusWarmup(const SessionBusWarmup&) = delete;
    SessionBusWarmup& operator=(const SessionBusWarmup&) = delete;

private:
    std::thread worker_;
};
