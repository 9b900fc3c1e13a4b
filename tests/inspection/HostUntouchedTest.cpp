// A whole inspection through the Linux readers pointed at a fixture tree reads that tree
// alone: every path the process opens, lists, looks at or asks about during it is recorded
// (the C library's file calls are wrapped in this test program), and none may name this
// machine's /proc, /sys, /dev, /etc, /run or its PCI id list; nor may the interface list
// or the link counters come from this machine's kernel.
#include "inspection/DeviceProbe.h"
#include "inspection/BatteryHealthProbe.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxSamplerSources.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::atomic<bool> recording{false};
std::mutex recordLock;
std::vector<std::string> recorded;

[[maybe_unused]] void note(const char* what, const char* path)
{
    if (!recording.load(std::memory_order_relaxed) || !path) return;
    std::lock_guard<std::mutex> lock(recordLock);
    recorded.push_back(std::string(what) + ' ' + path);
}

template <typename F>
F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
}  // namespace

// Under AddressSanitizer its own wrappers of these calls come first: the check runs in the
// plain build only.
#if !defined(__SANITIZE_ADDRESS__)
#define QRL_RECORDS_FILE_CALLS 1
extern "C" {
int open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = mode_t(va_arg(ap, int));
        va_end(ap);
    }
    note("open", path);
    static auto real = next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}
int open64(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = mode_t(va_arg(ap, int));
        va_end(ap);
    }
    note("open", path);
    static auto real = next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}
int openat(int dir, const char* path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = mode_t(va_arg(ap, int));
        va_end(ap);
    }
    if (path[0] == '/') note("openat", path);
    static auto real = next<int (*)(int, const char*, int, ...)>("openat");
    return real(dir, path, flags, mode);
}
int stat(const char* path, struct stat* st) noexcept
{
    note("stat", path);
    static auto real = next<int (*)(const char*, struct stat*)>("stat");
    return real(path, st);
}
int lstat(const char* path, struct stat* st) noexcept
{
    note("lstat", path);
    static auto real = next<int (*)(const char*, struct stat*)>("lstat");
    return real(path, st);
}
int statx(int dir, const char* path, int flags, unsigned mask, struct statx* st) noexcept
{
    if (path[0] == '/') note("statx", path);
    static auto real = next<int (*)(int, const char*, int, unsigned, struct statx*)>("statx");
    return real(dir, path, flags, mask, st);
}
int access(const char* path, int mode) noexcept
{
    note("access", path);
    static auto real = next<int (*)(const char*, int)>("access");
    return real(path, mode);
}
DIR* opendir(const char* path)
{
    note("opendir", path);
    static auto real = next<DIR* (*)(const char*)>("opendir");
    return real(path);
}
ssize_t readlink(const char* path, char* buffer, size_t size) noexcept
{
    note("readlink", path);
    static auto real = next<ssize_t (*)(const char*, char*, size_t)>("readlink");
    return real(path, buffer, size);
}
int socket(int domain, int type, int protocol) noexcept
{
    // The kernel's routing tables and link list are this machine's whatever the root.
    if (domain == AF_NETLINK) note("netlink", "(this machine's routing socket)");
    static auto real = next<int (*)(int, int, int)>("socket");
    return real(domain, type, protocol);
}
int getifaddrs(struct ifaddrs** list) noexcept
{
    note("getifaddrs", "(this machine's interfaces)");
    static auto real = next<int (*)(struct ifaddrs**)>("getifaddrs");
    return real(list);
}
}  // extern "C"
#endif

namespace {
QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + name; }

// The places that describe this machine; libraries, fonts and locale data are not among them.
bool namesThisMachine(const std::string& entry, const QString& root)
{
    const QString text = QString::fromStdString(entry);
    const QString path = text.section(' ', 1);
    if (text.startsWith(QLatin1String("getifaddrs")) || text.startsWith(QLatin1String("netlink"))) return true;
    if (path.startsWith(root)) return false;
    for (const char* prefix : {"/proc", "/sys", "/dev", "/run", "/etc/os-release", "/etc/hostname", "/etc/machine-info",
                               "/usr/lib/os-release", "/usr/share/misc", "/usr/share/hwdata", "/var/lib"})
        if (path == QLatin1String(prefix) || path.startsWith(QLatin1String(prefix) + '/')) return true;
    return false;
}

QStringList hostTouches(const QString& root)
{
    QStringList out;
    std::lock_guard<std::mutex> lock(recordLock);
    for (const std::string& e : recorded)
        if (namesThisMachine(e, root)) out << QString::fromStdString(e);
    out.removeDuplicates();
    return out;
}
}  // namespace

TEST(HostUntouched, AnInspectionOfAFixtureTreeReadsTheTreeAlone)
{
#ifndef QRL_RECORDS_FILE_CALLS
    GTEST_SKIP() << "file calls are not recorded under AddressSanitizer";
#endif
    const Localization L = Localization::english();
    for (const char* tree : {"desktop-two-gpus", "arm-soc-gpu", "server-64g-blocks", "hybrid-gpu-laptop", "laptop",
                             "arm64-unlisted-maker", "sb-garbage", "garbage", "no-such-tree"}) {
        SCOPED_TRACE(tree);
        const QString root = fixture(tree);
        // Built before the recording: what the readers load once (libraries) is not a reading.
        const LinuxPlatform machine(root, root);
        const LinuxSamplerSources sampler(root, 4096);
        {
            std::lock_guard<std::mutex> lock(recordLock);
            recorded.clear();
        }
        recording = true;
        const ProbeContext ctx{machine.platform(), L};
        const DeviceSummary summary = DeviceProbe::summary(ctx);
        const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
        (void)sampler.physicalMemory();
        (void)sampler.interfaceLinks();
        (void)sampler.processorTicks();
        (void)sampler.memory();
        (void)sampler.thermalState();
        recording = false;
        EXPECT_EQ(sections.size(), 11);
        EXPECT_FALSE(summary.chip.isEmpty());
        const QStringList touched = hostTouches(root);
        EXPECT_TRUE(touched.isEmpty()) << "read this machine instead of the tree:\n" << touched.join('\n').toStdString();
        // The recording saw the readers at work at all.
        std::lock_guard<std::mutex> lock(recordLock);
        if (std::strcmp(tree, "no-such-tree") != 0) {
            EXPECT_GT(recorded.size(), 10u);
        }
    }
}

TEST(HostUntouched, TheRecordingSeesThisMachineBeingRead)
{
    // The same inspection of this machine does touch it: the wrappers are in place.
#ifndef QRL_RECORDS_FILE_CALLS
    GTEST_SKIP() << "file calls are not recorded under AddressSanitizer";
#endif
    {
        std::lock_guard<std::mutex> lock(recordLock);
        recorded.clear();
    }
    const LinuxPlatform machine;
    recording = true;
    const Localization L = Localization::english();
    const ProbeContext ctx{machine.platform(), L};
    (void)DeviceProbe::summary(ctx);
    (void)DeviceProbe::networkSection(ctx, std::nullopt);
    (void)LinuxSamplerSources().interfaceLinks();
    recording = false;
    const QStringList touched = hostTouches(QStringLiteral("/nonexistent-root"));
    EXPECT_TRUE(touched.contains(QStringLiteral("getifaddrs (this machine's interfaces)"))) << touched.join('\n').toStdString();
    EXPECT_TRUE(touched.contains(QStringLiteral("netlink (this machine's routing socket)"))) << touched.join('\n').toStdString();
    EXPECT_TRUE(std::any_of(touched.begin(), touched.end(), [](const QString& t) { return t.contains(QLatin1String("/proc/meminfo")); }))
        << touched.join('\n').toStdString();
}
