#pragma once
// Builders for the history page's tests and pictures: snapshots with chosen contents, and a
// store in a temporary folder preloaded with them.

#include "history/ScanHistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace history_view_test {

inline QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

inline ScanSnapshot::Item item(QString label, QString value, CapabilityStatus status = CapabilityStatus::supported,
                               std::optional<QString> key = std::nullopt, bool isVolatile = false)
{
    return ScanSnapshot::Item{std::move(label), std::move(value), status, std::move(key), isVolatile};
}

inline ScanSnapshot::Section section(QString title, QList<ScanSnapshot::Item> items, std::optional<QString> key = std::nullopt)
{
    return ScanSnapshot::Section{std::move(title), QStringLiteral("cpu"), std::move(items), std::move(key)};
}

inline ScanSnapshot snapshot(QList<ScanSnapshot::Section> sections, QDateTime date, std::optional<QString> language = QStringLiteral("en"))
{
    ScanSnapshot s;
    s.id = QUuid::createUuid();
    s.date = std::move(date);
    s.deviceName = QStringLiteral("workstation");
    s.modelIdentifier = QStringLiteral("ThinkPad T14 Gen 3");
    s.chip = QStringLiteral("AMD Ryzen 7 PRO 6850U");
    s.osVersion = QStringLiteral("Debian GNU/Linux 12 (6.1.0-18-amd64)");
    s.sections = std::move(sections);
    s.language = std::move(language);
    return s;
}

// A machine's inspection in a few sections; `round` changes what the showcase changes between
// scans (one value changed, one item added, one removed, one status alone).
inline QList<ScanSnapshot::Section> inspection(int round)
{
    using S = CapabilityStatus;
    QList<ScanSnapshot::Section> sections;
    sections << section(QStringLiteral("System"),
                        {item(QStringLiteral("Operating system"), round == 0 ? QStringLiteral("Debian GNU/Linux 12.4") : QStringLiteral("Debian GNU/Linux 12.5"),
                              S::info, QStringLiteral("osVersion")),
                         item(QStringLiteral("Uptime"), QStringLiteral("%1 h").arg(round * 3 + 2), S::info, QStringLiteral("uptime"), true),
                         item(QStringLiteral("Secure boot"), QStringLiteral("Enabled"), round == 0 ? S::warning : S::supported,
                              QStringLiteral("secureBoot"))},
                        QStringLiteral("system"));
    QList<ScanSnapshot::Item> graphics{item(QStringLiteral("Graphics processor"), QStringLiteral("AMD Radeon 680M"), S::supported,
                                            QStringLiteral("gpu.1"))};
    if (round > 0) graphics << item(QStringLiteral("Vulkan"), QStringLiteral("Vulkan 1.3 (RADV)"), S::supported, QStringLiteral("vulkan"));
    sections << section(QStringLiteral("Graphics & Metal"), graphics, QStringLiteral("graphics"));
    QList<ScanSnapshot::Item> network{item(QStringLiteral("Wi-Fi"), QStringLiteral("Connected"), S::supported, QStringLiteral("wifi"))};
    if (round == 0) network << item(QStringLiteral("Ethernet"), QStringLiteral("enp3s0 · 1 Gbit/s"), S::supported, QStringLiteral("ethernet"));
    network << item(QStringLiteral("Status"), QStringLiteral("Online"), S::supported, QStringLiteral("status"));
    sections << section(QStringLiteral("Network"), network, QStringLiteral("network"));
    QList<ScanSnapshot::Item> storage{item(QStringLiteral("Disk"), QStringLiteral("Samsung SSD 980 PRO 1 TB"), S::info, QStringLiteral("disk")),
                                      item(QStringLiteral("Encryption"), QStringLiteral("LUKS"),
                                           round == 0 ? S::supported : S::unsupported, QStringLiteral("encryption"))};
    sections << section(QStringLiteral("Storage"), storage, QStringLiteral("storage"));
    return sections;
}

// A store backed by a file in its own temporary folder, holding `snapshots` from the start.
struct TempHistory {
    QTemporaryDir dir;
    std::unique_ptr<ScanHistory> history;

    explicit TempHistory(const QList<ScanSnapshot>& snapshots = {}, std::function<QDateTime()> clock = {})
    {
        const QString path = dir.path() + QStringLiteral("/History/snapshots.json");
        if (!snapshots.isEmpty()) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile f(path);
            if (f.open(QIODevice::WriteOnly)) f.write(SnapshotCodec::encode(snapshots).value_or(QByteArray("[]")));
        }
        ScanHistory::Options o;
        o.filePath = path;
        o.languageCode = [] { return QStringLiteral("en"); };
        if (clock) o.clock = std::move(clock);
        history = std::make_unique<ScanHistory>(o);
    }
    ScanHistory& operator*() { return *history; }
};

// `count` scans a minute apart, newest first, the newest two differing in every way a
// comparison can show.
inline QList<ScanSnapshot> scans(int count, const QDateTime& newest = utc(2026, 12, 9, 16, 42, 0))
{
    QList<ScanSnapshot> list;
    for (int i = 0; i < count; ++i) list << snapshot(inspection(i == 0 ? 1 : 0), newest.addSecs(-60 * i));
    return list;
}

}  // namespace history_view_test
