#include "ReportFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <cstdlib>

namespace {
// Dates in the reports follow the user's time zone; the goldens are made in UTC.
class UtcEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("UTC"));
    }
};
const auto* const utcEnvironment = ::testing::AddGlobalTestEnvironment(new UtcEnvironment);
}  // namespace

namespace ReportFixtures {

QDateTime reportDate()
{
    return QDateTime(QDate(2026, 12, 9), QTime(15, 4, 5), QTimeZone::utc());
}

CapabilityItem item(const QString& label, const QString& value, CapabilityStatus status,
                    const std::optional<QString>& key, bool isVolatile)
{
    CapabilityItem i = CapabilityItem::make(label, value, status, QString(), isVolatile);
    i.key = key;
    return i;
}

CapabilitySection section(const QString& title, const QString& symbol, const std::optional<QString>& key,
                          QList<CapabilityItem> items)
{
    CapabilitySection s = CapabilitySection::make(title, symbol, std::move(items));
    s.key = key;
    return s;
}

using S = CapabilityStatus;

Inspection english()
{
    Inspection i;
    i.summary = {QStringLiteral("Ada’s Workstation"), QStringLiteral("ThinkPad X1 Carbon Gen 11"),
                 QStringLiteral("13th Gen Intel(R) Core(TM) i7-1365U"), QStringLiteral("32 GB"),
                 QStringLiteral("1 TB"), QStringLiteral("Debian GNU/Linux 12 (bookworm)"), false, true};
    i.sections = {
        section("System", "info.circle", QStringLiteral("system"), {
            item("Device name", "Ada’s Workstation", S::info, QStringLiteral("deviceName")),
            item("Operating system", "Debian GNU/Linux 12 (bookworm)", S::info, QStringLiteral("osVersion")),
            item("Uptime", "2d 3h 5m", S::info, QStringLiteral("uptime"), true),
            item("Thermal state", "Warm", S::warning, QStringLiteral("thermalState"), true),
        }),
        section("Processor & Memory", "cpu", QStringLiteral("processor"), {
            item("Architecture", "x86_64", S::supported, QStringLiteral("architecture")),
            item("Cores", "10 (2 performance, 8 efficiency)", S::supported, QStringLiteral("cores")),
            item("Memory pressure", "—", S::unsupported),
        }),
        section("Odd values", "questionmark.square", std::nullopt, {
            item("Pipe and backslash", "a|b\\c", S::supported, QStringLiteral("pipe")),
            item("Two lines", "first\nsecond", S::warning),
            item("Markdown *marks* _here_ # and `ticks`", "<b>\"quoted\"</b> /dev/nvme0n1\ttab", S::info),
            item("Carriage\rreturn", "control \x01 char", S::unsupported),
        }),
        section("Nothing here", "tray", QStringLiteral("empty"), {}),
    };
    return i;
}

Inspection japanese()
{
    Inspection i;
    i.summary = {QStringLiteral("エイダのワークステーション"), QStringLiteral("ThinkPad X1 Carbon Gen 11"),
                 QStringLiteral("13th Gen Intel(R) Core(TM) i7-1365U"), QStringLiteral("32 GB"),
                 QStringLiteral("1 TB"), QStringLiteral("Debian GNU/Linux 12 (bookworm)"), false, true};
    i.sections = {
        section("システム", "info.circle", QStringLiteral("system"), {
            item("デバイス名", "エイダのワークステーション", S::info, QStringLiteral("deviceName")),
            item("稼働時間", "2日 3時間 5分", S::info, QStringLiteral("uptime"), true),
            item("熱状態", "やや高温", S::warning, QStringLiteral("thermalState"), true),
        }),
        section("プロセッサとメモリ", "cpu", QStringLiteral("processor"), {
            item("アーキテクチャ", "x86_64", S::supported, QStringLiteral("architecture")),
            item("メモリプレッシャー", "—", S::unsupported),
        }),
    };
    return i;
}

Inspection arabic()
{
    Inspection i;
    i.summary = {QStringLiteral("محطة عمل أدا"), QStringLiteral("ThinkPad X1 Carbon Gen 11"),
                 QStringLiteral("13th Gen Intel(R) Core(TM) i7-1365U"), QStringLiteral("32 GB"),
                 QStringLiteral("1 TB"), QStringLiteral("Debian GNU/Linux 12 (bookworm)"), false, false};
    QList<CapabilityItem> many;
    for (int n = 1; n <= 30; ++n)
        many << item(QStringLiteral("البند %1").arg(n), QStringLiteral("قيمة %1").arg(n),
                     n % 4 == 0 ? S::warning : n % 3 == 0 ? S::unsupported : S::supported);
    i.sections = {
        section("النظام", "info.circle", QStringLiteral("system"), {
            item("اسم الجهاز", "محطة عمل أدا", S::info, QStringLiteral("deviceName")),
            item("الحالة الحرارية", "دافئ", S::warning, QStringLiteral("thermalState"), true),
        }),
        section("المعالج والذاكرة", "cpu", QStringLiteral("processor"), many),
    };
    return i;
}

Inspection empty()
{
    Inspection i;
    i.summary = {QStringLiteral("Mac"), kMissingValue, kMissingValue, kMissingValue, kMissingValue, kMissingValue, false, false};
    return i;
}

Inspection longTables(int sections, int rows)
{
    Inspection i = english();
    i.sections.clear();
    for (int s = 0; s < sections; ++s) {
        QList<CapabilityItem> items;
        for (int r = 0; r < rows; ++r) {
            // Tokens name the row, so a row's words can be found on the page they landed on.
            QString value = QStringLiteral("s%1r%2v").arg(s).arg(r);
            if (r % 3 == 2)
                for (int w = 0; w < 14; ++w) value += QStringLiteral(" s%1r%2w%3").arg(s).arg(r).arg(w);
            const S status = r % 4 == 0 ? S::supported : r % 4 == 1 ? S::warning : r % 4 == 2 ? S::unsupported : S::info;
            items << item(QStringLiteral("s%1r%2l").arg(s).arg(r), value, status);
        }
        i.sections << section(QStringLiteral("Section %1").arg(s), "cpu", QStringLiteral("section%1").arg(s), items);
    }
    return i;
}

QByteArray golden(const QString& name, const QByteArray& actual)
{
    const QString path = QStringLiteral(QRL_FIXTURES_DIR "/reports-goldens/") + name;
    if (qEnvironmentVariableIntValue("QRL_UPDATE_GOLDENS") == 1) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        if (out.open(QIODevice::WriteOnly)) out.write(actual);
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing golden " << path.toStdString() << " (run with QRL_UPDATE_GOLDENS=1 to create it)";
        return {};
    }
    return in.readAll();
}

}  // namespace ReportFixtures
