#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct xcb_connection_t;

// A session with no bus named (no DBUS_SESSION_BUS_ADDRESS, no socket at $XDG_RUNTIME_DIR/bus:
// a bare X session, a virtual screen) leaves D-Bus to "autolaunch": on the first connection,
// libdbus forks and runs dbus-launch, which asks the X display for the bus already started
// there (the selection _DBUS_SESSION_BUS_SELECTION_<user>_<machine id> is owned by the window
// of the launcher that started it; its _DBUS_SESSION_BUS_ADDRESS property holds the address)
// and starts one only if there is none. The answer is usually that existing bus, and getting it
// takes a process start and a fork of ours while the window is being built, on the path to the
// first frame: the accessibility bridge waits for the connection before the window can map.
//
// `adopt()` asks the display itself, first thing in main(), before any thread starts, and names
// the bus it finds in the environment, so every connection (and every program started from here)
// goes straight to it. Where the display has no bus yet, or anything is unclear, nothing is set
// and D-Bus launches one as before.
namespace DisplaySessionBus {

struct Environment {
    QByteArray busAddress;  // DBUS_SESSION_BUS_ADDRESS
    QByteArray runtimeDir;  // XDG_RUNTIME_DIR
    QByteArray display;     // DISPLAY
};
Environment current();

// Whether a first connection to the session bus would autolaunch: no address set, no socket of
// this user's at <runtime dir>/bus, and a display to ask.
bool wouldAutolaunch(const Environment& env);

// The machine's D-Bus identity, as D-Bus reads it: /var/lib/dbus/machine-id, else
// /etc/machine-id, each 32 hexadecimal digits; empty where neither holds one. `root` stands for /.
QByteArray machineId(const QString& root = QStringLiteral("/"));

// The selection the display's bus launcher owns for `user` on machine `machineId`.
QByteArray selectionName(const QByteArray& user, const QByteArray& machineId);

// The address of the bus the display holds under `selection`, read over `connection`; nothing
// where the selection has no owner, or its window has no usable address.
std::optional<QByteArray> lookUp(xcb_connection_t* connection, const QByteArray& selection);

// The whole of the above for this process: sets DBUS_SESSION_BUS_ADDRESS when the display
// names a bus. Only before any other thread runs (the environment is not safe to change beside
// readers). Returns whether it did.
bool adopt();

}  // namespace DisplaySessionBus
