#include "shell/DisplaySessionBus.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <memory>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#if QRL_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace DisplaySessionBus {

namespace {
QByteArray env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QByteArray(value) : QByteArray();
}

// D-Bus takes an address of printable ASCII, a transport before the first colon.
bool plausibleAddress(const QByteArray& address)
{
    if (address.size() < 3 || address.indexOf(':') <= 0) return false;
    for (char c : address)
        if (c < 0x21 || c > 0x7e) return false;
    return true;
}
}  // namespace

Environment current() { return {env("DBUS_SESSION_BUS_ADDRESS"), env("XDG_RUNTIME_DIR"), env("DISPLAY")}; }

bool wouldAutolaunch(const Environment& e)
{
    if (!e.busAddress.isEmpty() || e.display.isEmpty()) return false;
    if (!e.runtimeDir.isEmpty()) {
        // D-Bus connects to the runtime directory's bus when it is a socket of this user's.
        struct stat st {};
        const QByteArray path = e.runtimeDir + "/bus";
        if (::stat(path.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid()) return false;
    }
    return true;
}

QByteArray machineId(const QString& root)
{
    const QDir base(root);
    for (const char* file : {"var/lib/dbus/machine-id", "etc/machine-id"}) {
        QFile f(base.filePath(QString::fromLatin1(file)));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray id = f.read(256).trimmed();
        bool hex = id.size() == 32;
        for (char c : id) hex = hex && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
        if (hex) return id;
    }
    return {};
}

QByteArray selectionName(const QByteArray& user, const QByteArray& machineId)
{
    return QByteArrayLiteral("_DBUS_SESSION_BUS_SELECTION_") + user + '_' + machineId;
}

#if QRL_HAVE_XCB
std::optional<QByteArray> lookUp(xcb_connection_t* c, const QByteArray& selection)
{
    if (!c || xcb_connection_has_error(c) || selection.size() > 0xffff) return std::nullopt;
    // Both names asked for at once; neither is made where the display has never had one.
    const QByteArray addressName = QByteArrayLiteral("_DBUS_SESSION_BUS_ADDRESS");
    const xcb_intern_atom_cookie_t selCookie = xcb_intern_atom(c, 1, quint16(selection.size()), selection.constData());
    const xcb_intern_atom_cookie_t addrCookie = xcb_intern_atom(c, 1, quint16(addressName.size()), addressName.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> sel(xcb_intern_atom_reply(c, selCookie, nullptr), &std::free);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> addr(xcb_intern_atom_reply(c, addrCookie, nullptr), &std::free);
    if (!sel || !addr || sel->atom == XCB_ATOM_NONE || addr->atom == XCB_ATOM_NONE) return std::nullopt;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, sel->atom), nullptr), &std::free);
    if (!owner || owner->owner == XCB_WINDOW_NONE) return std::nullopt;
    // As the launcher reads it: a string of up to 1024 words, all of it.
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> prop(
        xcb_get_property_reply(c, xcb_get_property(c, 0, owner->owner, addr->atom, XCB_ATOM_STRING, 0, 1024), nullptr), &std::free);
    if (!prop || prop->type != XCB_ATOM_STRING || prop->format != 8 || prop->bytes_after != 0) return std::nullopt;
    const QByteArray address(static_cast<const char*>(xcb_get_property_value(prop.get())), xcb_get_property_value_length(prop.get()));
    if (!plausibleAddress(address)) return std::nullopt;
    return address;
}

bool adopt()
{
    if (!wouldAutolaunch(current())) return false;
    const QByteArray id = machineId();
    const passwd* user = ::getpwuid(::getuid());
    if (id.isEmpty() || !user || !user->pw_name) return false;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const std::optional<QByteArray> address = lookUp(c, selectionName(QByteArray(user->pw_name), id));
    xcb_disconnect(c);
    return address && ::setenv("DBUS_SESSION_BUS_ADDRESS", address->constData(), 0) == 0;
}
#else
std::optional<QByteArray> lookUp(xcb_connection_t*, const QByteArray&) { return std::nullopt; }
bool adopt() { return false; }
#endif

}  // namespace DisplaySessionBus
