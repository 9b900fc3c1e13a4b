#pragma once

// The faces of the text styles the first page shows, loaded ahead of their first use: each is
// a font match of its own, the costliest part of building and laying out the overview the
// first time. Meant for a moment the interface thread would otherwise spend waiting (the
// window waiting for the machine's first readings); loaded or not, the page looks the same.
class QWidget;
class QWindow;

namespace FirstUse {
// Loads the next face not loaded yet; false once there is none left. On the interface thread:
// Qt keeps loaded faces per thread.
bool prepareNext();
// How many are not loaded yet.
int facesLeft();

// Loads those faces one at a time, each at the event loop's next turn, until the window is
// exposed or none is left: the moment between asking for the window and its first expose is
// the display server's, and the interface thread otherwise waits through it.
void prepareUntilExposed(QWindow& window);

// Makes, on the calling thread (any), the font matches those faces' engines will ask for, and
// keeps them for the first engine of each (see FontMatches). Returns how many are kept.
int matchFacesAhead();

// Makes the window's backing store at the window's size and faults in its pages at once,
// before the first paint writes each for the first time.
void prepareWindowBuffer(QWidget& window);
}
