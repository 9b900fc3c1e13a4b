#pragma once

#include <functional>
#include <latch>
#include <thread>

// Fontconfig's configuration and font cache are the largest single cost before the main window
// can map, and nothing of Qt's is needed to load them. Made first thing in main(), this loads them
// on a worker while the process connects to the display and reads its settings; wait() before
// the first widget asks for a font, so the main thread takes the loaded set rather than loading a
// second one beside it. Fontconfig keeps one configuration per process, set atomically, so a
// late or early caller on another thread is safe either way.
class FontconfigWarmup {
public:
    FontconfigWarmup();
    ~FontconfigWarmup();
    FontconfigWarmup(const FontconfigWarmup&) = delete;
    FontconfigWarmup& operator=(const FontconfigWarmup&) = delete;

    // Until the configuration is loaded; at once when it is, or after an earlier wait(). Any
    // thread may wait, and several at once.
    void wait();

private:
    std::latch loaded_{1};
    std::thread worker_;
};

// The next font cost on the way to the first frame is Qt's own font list: every installed face
// listed from fontconfig and registered, about as much again as fontconfig's set-up. Qt's font
// database is one per process behind a lock, so it can be filled on a worker as soon as the
// application object exists; the main thread meanwhile builds the models and the first widgets,
// and waits on that lock only if it reaches a font before the list is done.
// On the worker, once the configuration is loaded: `register` (faces of the application's own,
// which must come before any face is loaded: registering one empties the loaded set), then
// `fill`. Made right after the application object and gone before it: the worker is joined at
// the end, so nothing of Qt's outlives the application on it.
class FontListWarmup {
public:
    FontListWarmup(FontconfigWarmup& fontconfig, std::function<void()> register_, std::function<void()> fill);
    ~FontListWarmup();
    FontListWarmup(const FontListWarmup&) = delete;
    FontListWarmup& operator=(const FontListWarmup&) = delete;

    // Until the configuration is loaded and `register` has run: from then on a font may be
    // asked for on this thread.
    void waitForRegistered();

private:
    std::latch registered_{1};
    std::thread worker_;
};
