#pragma once

#include <QString>

// The general pasteboard: cleared, then given one plain-text string.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setText(const QString& text) = 0;
    // The system clipboard (QGuiApplication's); a no-op without a GUI application.
    static Clipboard& system();
};
