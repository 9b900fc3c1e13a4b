#include "shell/DisplaySessionBus.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A listening socket at `path`, as a session bus's is.
int socketAt(const QByteArray& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 1) != 0) return -1;
    return fd;
}

// A display of the test's own: Xvfb, on whatever number is free.
class Display {
public:
    Display()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        server_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                             QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("320x240x24")});
        QByteArray number;
        while (server_.waitForReadyRead(10000)) {
            number += server_.readAllStandardOutput();
            if (number.contains('\n')) break;
        }
        number = number.trimmed();
        if (number.isEmpty()) return;
        name_ = ':' + number;
        connection_ = xcb_connect(name_.constData(), nullptr);
        if (xcb_connection_has_error(connection_)) {
            xcb_disconnect(connection_);
            connection_ = nullptr;
        }
    }
    ~Display()
    {
        if (connection_) xcb_disconnect(connection_);
        server_.kill();
        server_.waitForFinished();
    }
    xcb_connection_t* connection() const { return connection_; }
    QByteArray name() const { return name_; }

    xcb_atom_t atom(const QByteArray& name) const
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, quint16(name.size()), name.constData()), nullptr),
            &std::free);
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    // A window owning `selection`, holding `value` of `type` in _DBUS_SESSION_BUS_ADDRESS: what
    // the display's bus launcher leaves.
    void offer(const QByteArray& selection, const QByteArray& value, xcb_atom_t type = XCB_ATOM_STRING) const
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const xcb_window_t w = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, w, atom("_DBUS_SESSION_BUS_ADDRESS"), type, 8, quint32(value.size()),
                            value.constData());
        xcb_set_selection_owner(connection_, w, atom(selection), XCB_CURRENT_TIME);
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    QProcess server_;
    QByteArray name_;
    xcb_connection_t* connection_ = nullptr;
};

}  // namespace

TEST(DisplaySessionBus, AsksTheDisplayOnlyWhereDBusWouldLaunchABus)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray withSocket = QFile::encodeName(dir.filePath(QStringLiteral("a")));
    const QByteArray withFile = QFile::encodeName(dir.filePath(QStringLiteral("b")));
    QDir().mkpath(QString::fromLocal8Bit(withSocket));
    const int fd = socketAt(withSocket + "/bus");
    ASSERT_GE(fd, 0);
    writeFile(QString::fromLocal8Bit(withFile + "/bus"), "not a socket");
    struct Case {
        const char* what;
        DisplaySessionBus::Environment env;
        bool asks;
    } cases[] = {
        {"nothing named", {{}, {}, ":0"}, true},
        {"an address set", {"unix:path=/run/user/1000/bus", {}, ":0"}, false},
        {"no display to ask", {{}, {}, {}}, false},
        {"the runtime directory's bus", {{}, withSocket, ":0"}, false},
        {"a file where the bus would be", {{}, withFile, ":0"}, true},
        {"a runtime directory without one", {{}, QFile::encodeName(dir.path()), ":0"}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(DisplaySessionBus::wouldAutolaunch(c.env), c.asks) << c.what;
    ::close(fd);
}

TEST(DisplaySessionBus, MachineIdIsReadAsDBusReadsIt)
{
    const QByteArray a = "0123456789abcdef0123456789abcdef";
    const QByteArray b = "fedcba9876543210fedcba9876543210";
    struct Case {
        const char* what;
        QByteArray dbusFile, etcFile;  // a null array: no file
        QByteArray expected;
    } cases[] = {
        {"D-Bus's own first", a + "\n", b + "\n", a},
        {"else the system's", {}, b + "\n", b},
        {"a damaged first file is passed over", "not-an-id\n", b, b},
        {"too short", {}, "0123", {}},
        {"not hexadecimal", {}, "0123456789abcdef0123456789abcdeg", {}},
        {"neither", {}, {}, {}},
    };
    for (const Case& c : cases) {
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        if (!c.dbusFile.isNull()) writeFile(root.filePath(QStringLiteral("var/lib/dbus/machine-id")), c.dbusFile);
        if (!c.etcFile.isNull()) writeFile(root.filePath(QStringLiteral("etc/machine-id")), c.etcFile);
        EXPECT_EQ(DisplaySessionBus::machineId(root.path()), c.expected) << c.what;
    }
}

TEST(DisplaySessionBus, FindsTheBusTheDisplayHoldsAndNothingElse)
{
    Display display;
    if (!display.connection()) GTEST_SKIP() << "no Xvfb to start a display with";
    const QByteArray selection = DisplaySessionBus::selectionName("someone", "0123456789abcdef0123456789abcdef");
    // A display that never had a bus does not even know the names.
    EXPECT_EQ(DisplaySessionBus::lookUp(display.connection(), selection), std::nullopt);

    const QByteArray address = "unix:path=/tmp/dbus-x1,guid=00112233445566778899aabbccddeeff";
    display.offer(selection, address);
    EXPECT_EQ(DisplaySessionBus::lookUp(display.connection(), selection), address);
    // Another user's or another machine's bus is not ours.
    EXPECT_EQ(DisplaySessionBus::lookUp(display.connection(), DisplaySessionBus::selectionName("other", "0123456789abcdef0123456789abcdef")),
              std::nullopt);

    // What is not an address is left to D-Bus's own launch.
    const QByteArray damaged[] = {QByteArray(), "no transport", QByteArray("unix:path=/tmp/x\0y", 18), ":path=/tmp/x"};
    for (const QByteArray& value : damaged) {
        display.offer(selection, value);
        EXPECT_EQ(DisplaySessionBus::lookUp(display.connection(), selection), std::nullopt) << value.toStdString();
    }
    display.offer(selection, address, XCB_ATOM_CARDINAL);
    EXPECT_EQ(DisplaySessionBus::lookUp(display.connection(), selection), std::nullopt) << "not a string";
    EXPECT_EQ(DisplaySessionBus::lookUp(nullptr, selection), std::nullopt);
}

// The names are the launcher's own: the bus dbus-launch starts for a display is the one found.
TEST(DisplaySessionBus, FindsTheBusDBusLaunchStartedForTheDisplay)
{
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("dbus-launch"));
    const QByteArray id = DisplaySessionBus::machineId();
    const passwd* user = ::getpwuid(::getuid());
    if (launcher.isEmpty() || id.isEmpty() || !user) GTEST_SKIP() << "no dbus-launch or machine id here";
    Display display;
    if (!display.connection()) GTEST_SKIP() << "no Xvfb to start a display with";
    QProcess launch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display.name()));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    launch.setProcessEnvironment(env);
    launch.start(launcher, {QStringLiteral("--autolaunch=") + QString::fromLatin1(id), QStringLiteral("--binary-syntax"),
                            QStringLiteral("--close-stderr")});
    ASSERT_TRUE(launch.waitForFinished(20000));
    const QByteArray out = launch.readAllStandardOutput();
    const QByteArray launched = out.left(out.indexOf('\0'));
    ASSERT_FALSE(launched.isEmpty());
    EXPECT_EQ(DisplaySessionBus::lookUp(display.connection(), DisplaySessionBus::selectionName(user->pw_name, id)), launched);
    // The bus goes with the display.
}
