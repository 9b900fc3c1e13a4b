#pragma once

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

    // Until the configuration is loaded; at once when it is, or after an earlier wait().
    void wait();

private:
    std::thread worker_;
};
