#include "inspection/DeviceProbe.h"
#include "inspection/Quorlent.h"
#include "support/FakePlatform.h"

#include <QSignalSpy>
#include <QThread>

#include <atomic>
#include <future>

#include <gtest/gtest.h>

TEST(CapabilityStatus, RawWordsRoundTripExactly)
{
    EXPECT_EQ(CapabilityStatusText::all(), (QList<CapabilityStatus>{CapabilityStatus::supported, CapabilityStatus::unsupported,
                                                                     CapabilityStatus::warning, CapabilityStatus::info}));
    for (CapabilityStatus s : CapabilityStatusText::all())
        EXPECT_EQ(CapabilityStatusText::fromRaw(CapabilityStatusText::raw(s)), s);
    for (const char* bad : {"Supported", "", "ok", "INFO", " info"}) EXPECT_FALSE(CapabilityStatusText::fromRaw(bad)) << bad;
}

TEST(DeviceSummary, ReadsTheMachine)
{
    const FakeMachine apple = FakeMachine::appleSilicon();
    const Platform p = apple.platform();
    const Localization L = Localization::english();
    const DeviceSummary s = DeviceProbe::summary({p, L});
    EXPECT_EQ(s.deviceName, "Test Machine");
    EXPECT_EQ(s.modelIdentifier, "Mac14,2");
    EXPECT_EQ(s.chip, "Apple M2");
    EXPECT_EQ(s.memory, "16 GB");
    EXPECT_EQ(s.storage, "494.38 GB");
    EXPECT_TRUE(s.isAppleSilicon);
    EXPECT_TRUE(s.hasBattery);

    FakeMachine bare;
    bare.system.host.reset();
    bare.system.volume.reset();
    const Platform b = bare.platform();
    const DeviceSummary n = DeviceProbe::summary({b, L});
    EXPECT_EQ(n.deviceName, "Mac");
    EXPECT_EQ(n.modelIdentifier, kMissingValue);
    EXPECT_EQ(n.storage, kMissingValue);
    bare.system.memory = 0;  // the system gave no memory size
    EXPECT_EQ(DeviceProbe::summary({b, L}).memory, kMissingValue);
    EXPECT_FALSE(n.isAppleSilicon);
    EXPECT_FALSE(n.hasBattery);
    bare.system.volume = VolumeCapacity{std::nullopt, std::nullopt, 5};
    EXPECT_EQ(DeviceProbe::summary({b, L}).storage, kMissingValue);  // no total: unreadable
}

TEST(DeviceProbeSections, ElevenInOrderWithTheirWords)
{
    const FakeMachine m = FakeMachine::appleSilicon();
    const Platform p = m.platform();
    const Localization L = Localization::english();
    const QList<CapabilitySection> sections = DeviceProbe::sections({p, L}, std::nullopt);
    QStringList keys, symbols, titles;
    for (const CapabilitySection& s : sections) {
        keys << s.key.value_or("");
        symbols << s.symbol;
        titles << s.title;
    }
    EXPECT_EQ(keys, (QStringList{"system", "processor", "graphics", "intelligence", "displays", "media", "cameraAudio",
                                 "storage", "power", "network", "security"}));
    EXPECT_EQ(symbols, (QStringList{"info.circle", "cpu", "square.stack.3d.up", "sparkles", "display", "film", "camera",
                                    "internaldrive", "battery.100", "network", "lock.shield"}));
    EXPECT_EQ(titles, (QStringList{"System", "Processor & Memory", "Graphics & Metal", "Artificial Intelligence", "Displays",
                                   "Hardware Video Acceleration", "Camera & Audio", "Storage", "Power", "Network", "Security"}));
    for (const CapabilitySection& s : sections)
        for (const CapabilityItem& i : s.items) EXPECT_TRUE(i.key) << s.title.toStdString() << ": " << i.label.toStdString();
}

namespace {
class FakeClipboard : public Clipboard {
public:
    QStringList events;
    void clear() override { events << "clear"; }
    void setText(const QString& t) override { events << "set:" + t; }
};

class FakePathMonitor : public NetworkPathMonitor {
public:
    int started = 0, cancelled = 0;
    void start() override { ++started; }
    void cancel() override { ++cancelled; }
    void deliver(const NetworkPath& p) { emit pathChanged(p); }
};

struct ModelFixture {
    FakeMachine machine = FakeMachine::appleSilicon();
    Platform platform = machine.platform();
    FakeClipboard clipboard;
    QDateTime now = QDateTime(QDate(2026, 12, 10), QTime(9, 30), Qt::UTC);

    Quorlent::Dependencies deps(NetworkPathMonitor* monitor = nullptr)
    {
        Quorlent::Dependencies d{platform};
        d.monitor = monitor;
        d.clipboard = &clipboard;
        d.clock = [this] { return now; };
        d.reportText = [](const QList<CapabilitySection>& s, const std::optional<QDateTime>& date, const Localization&) {
            return QStringLiteral("%1 sections%2").arg(s.size()).arg(date ? " dated" : "");
        };
        return d;
    }
};
}  // namespace

TEST(Quorlent, EmptyUntilTheFirstRefresh)
{
    ModelFixture f;
    Quorlent model(f.deps());
    EXPECT_FALSE(model.summary());
    EXPECT_TRUE(model.sections().isEmpty());
    EXPECT_FALSE(model.lastUpdated());
    for (CapabilityStatus s : CapabilityStatusText::all()) EXPECT_EQ(model.count(s), 0);
    model.copyReport();  // before any inspection: the report of no sections, no date
    EXPECT_EQ(f.clipboard.events, (QStringList{"clear", "set:0 sections"}));
}

TEST(Quorlent, RefreshPublishesSummarySectionsThenTime)
{
    ModelFixture f;
    Quorlent model(f.deps());
    QStringList order;
    QObject::connect(&model, &Quorlent::summaryChanged, [&] { order << "summary"; });
    QObject::connect(&model, &Quorlent::sectionsChanged, [&] { order << "sections"; });
    QObject::connect(&model, &Quorlent::lastUpdatedChanged, [&] {
        order << "time";
        EXPECT_EQ(model.sections().size(), 11);  // an observer of the time sees a whole inspection
    });
    model.refresh();
    EXPECT_EQ(order, (QStringList{"summary", "sections", "time"}));
    EXPECT_EQ(model.lastUpdated(), f.now);
    qint64 total = 0;
    for (const CapabilitySection& s : model.sections()) total += s.items.size();
    qint64 counted = 0;
    for (CapabilityStatus s : CapabilityStatusText::all()) counted += model.count(s);
    EXPECT_EQ(counted, total);

    const QList<CapabilitySection> first = model.sections();
    model.refresh();
    for (int i = 0; i < first.size(); ++i) {
        EXPECT_NE(first[i].id, model.sections()[i].id);
        ASSERT_EQ(first[i].items.size(), model.sections()[i].items.size());
        for (int j = 0; j < first[i].items.size(); ++j) {
            EXPECT_NE(first[i].items[j].id, model.sections()[i].items[j].id);
            EXPECT_EQ(first[i].items[j].key, model.sections()[i].items[j].key);
        }
    }
    model.copyReport();
    EXPECT_EQ(f.clipboard.events.last(), "set:11 sections dated");
}

TEST(Quorlent, EachDeliveredPathInspectsInALaterTurn)
{
    ModelFixture f;
    auto* monitor = new FakePathMonitor;
    Quorlent model(f.deps(monitor));
    EXPECT_EQ(monitor->started, 1);
    QSignalSpy spy(&model, &Quorlent::lastUpdatedChanged);
    NetworkPath online;
    online.status = NetworkPath::Status::Satisfied;
    monitor->deliver(online);
    EXPECT_EQ(spy.count(), 0);  // not inside the monitor's callback
    NetworkPath offline;
    monitor->deliver(offline);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(model.networkPath(), offline);  // in delivery order, the last one wins
}

TEST(Quorlent, APathAfterTheModelIsGoneDoesNothing)
{
    ModelFixture f;
    auto* model = new Quorlent(f.deps(new FakePathMonitor));
    auto* monitor = model->findChild<FakePathMonitor*>();
    ASSERT_NE(monitor, nullptr);
    QMetaObject::invokeMethod(monitor, [monitor] { monitor->deliver(NetworkPath{}); }, Qt::DirectConnection);
    delete model;  // the pending inspection dies with it
    QCoreApplication::processEvents();
    SUCCEED();
}

namespace {
// What an inspection shows, without the ids that each inspection makes anew.
QStringList shown(const QList<CapabilitySection>& sections)
{
    QStringList out;
    for (const CapabilitySection& s : sections) {
        out << s.key.value_or("?") + "|" + s.title;
        for (const CapabilityItem& i : s.items) out << "  " + i.key.value_or("?") + "|" + i.label + "|" + i.value;
    }
    return out;
}

// Readers that note the thread that asked them last.
class ThreadNotingDisplays final : public DisplayList {
public:
    explicit ThreadNotingDisplays(const DisplayList& inner) : inner_(inner) {}
    QList<ScreenInfo> screens() const override
    {
        thread = QThread::currentThread();
        return inner_.screens();
    }
    mutable std::atomic<QThread*> thread = nullptr;

private:
    const DisplayList& inner_;
};

class ThreadNotingSystem final : public FakeSystemFacts {
public:
    explicit ThreadNotingSystem(const FakeSystemFacts& facts) : FakeSystemFacts(facts) {}
    std::optional<QString> hostName() const override
    {
        thread = QThread::currentThread();
        // Held, a reader off the main thread waits here (a slow disk, a slow bus) until let go.
        if (held && QThread::currentThread() != QCoreApplication::instance()->thread()) gate.wait_for(std::chrono::seconds(30));
        return FakeSystemFacts::hostName();
    }
    mutable std::atomic<QThread*> thread = nullptr;
    bool held = false;
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
};

struct AheadFixture : ModelFixture {
    ThreadNotingDisplays displays{machine.displays};
    ThreadNotingSystem system{machine.system};
    Platform noting{system, machine.power, machine.network, machine.graphics, machine.languageModel, displays,
                    machine.video, machine.capture, machine.powerMode, machine.security};
    QString language = QStringLiteral("en");

    Quorlent::Dependencies deps(NetworkPathMonitor* monitor = nullptr)
    {
        Quorlent::Dependencies d = ModelFixture::deps(monitor);
        Quorlent::Dependencies n{noting};
        n.monitor = d.monitor;
        n.clipboard = d.clipboard;
        n.clock = d.clock;
        n.reportText = d.reportText;
        n.language = [this] { return Localization::forCode(language, QStringLiteral("en_US")); };
        return n;
    }
    // The same machine inspected on this thread, in one go.
    QStringList inspectedHere(const std::optional<NetworkPath>& path = std::nullopt)
    {
        const Localization L = Localization::forCode(language, QStringLiteral("en_US"));
        return shown(DeviceProbe::sections({platform, L}, path));
    }
};

void waitForAhead(Quorlent& model)
{
    QSignalSpy finished(&model, &Quorlent::inspectionAheadFinished);
    if (!model.inspectionAheadReady()) ASSERT_TRUE(finished.wait(30000));
    EXPECT_TRUE(model.inspectionAheadReady());
}
}  // namespace

TEST(Quorlent, AnInspectionAheadIsReadOffThisThreadAndTakenByTheNextRefresh)
{
    AheadFixture f;
    Quorlent model(f.deps());
    QSignalSpy summary(&model, &Quorlent::summaryChanged);
    QSignalSpy time(&model, &Quorlent::lastUpdatedChanged);
    model.inspectAhead();
    // Qt's screen list belongs to this thread; the rest is read on the worker.
    EXPECT_EQ(f.displays.thread.load(), QThread::currentThread());
    waitForAhead(model);
    EXPECT_NE(f.system.thread.load(), nullptr);
    EXPECT_NE(f.system.thread.load(), QThread::currentThread());
    // Finished, it publishes nothing by itself: no partial or early page.
    QCoreApplication::processEvents();
    EXPECT_EQ(summary.count(), 0);
    EXPECT_FALSE(model.summary());

    f.system.thread = nullptr;
    QStringList order;
    QObject::connect(&model, &Quorlent::summaryChanged, [&] { order << "summary"; });
    QObject::connect(&model, &Quorlent::sectionsChanged, [&] { order << "sections"; });
    QObject::connect(&model, &Quorlent::lastUpdatedChanged, [&] { order << "time"; });
    model.refresh();
    EXPECT_EQ(order, (QStringList{"summary", "sections", "time"}));
    EXPECT_EQ(f.system.thread.load(), nullptr);  // taken, not read again
    EXPECT_EQ(model.summary()->deviceName, "Test Machine");
    EXPECT_EQ(shown(model.sections()), f.inspectedHere());
    EXPECT_EQ(model.lastUpdated(), f.now);
    EXPECT_FALSE(model.inspectionAheadReady());

    // Taken once: the next refresh reads the machine again, here.
    f.machine.system.host = QStringLiteral("Renamed");
    f.system.host = QStringLiteral("Renamed");
    model.refresh();
    EXPECT_EQ(f.system.thread.load(), QThread::currentThread());
    EXPECT_EQ(model.summary()->deviceName, "Renamed");
    EXPECT_EQ(time.count(), 2);
}

TEST(Quorlent, ARefreshInAnotherLanguageReadsAgainInThatOne)
{
    AheadFixture f;
    Quorlent model(f.deps());
    model.inspectAhead();
    waitForAhead(model);
    const QStringList english = f.inspectedHere();
    f.language = QStringLiteral("de");
    model.refresh();
    EXPECT_EQ(f.system.thread.load(), QThread::currentThread());
    EXPECT_EQ(shown(model.sections()), f.inspectedHere());
    EXPECT_NE(shown(model.sections()), english);
}

TEST(Quorlent, APathThatCameWhileReadingAheadIsInTheNetworkSection)
{
    AheadFixture f;
    auto* monitor = new FakePathMonitor;
    Quorlent model(f.deps(monitor));
    f.system.held = true;  // the worker stays in its reading until let go below
    model.inspectAhead();  // read without a path
    NetworkPath online;
    online.status = NetworkPath::Status::Satisfied;
    online.interfaceTypes = {NetworkPath::InterfaceType::Wifi};
    QSignalSpy time(&model, &Quorlent::lastUpdatedChanged);
    monitor->deliver(online);
    // The delivered path's turn does not wait for the worker on this thread; nothing shows yet.
    QCoreApplication::processEvents();
    EXPECT_TRUE(time.isEmpty());
    EXPECT_FALSE(model.summary());
    f.system.release.set_value();
    // Once the worker is done, its readings are taken with the path.
    ASSERT_TRUE(time.wait(30000));
    EXPECT_EQ(time.count(), 1);
    ASSERT_TRUE(model.summary());
    EXPECT_EQ(model.networkPath(), online);
    EXPECT_EQ(shown(model.sections()), f.inspectedHere(online));
    EXPECT_NE(f.inspectedHere(online), f.inspectedHere());  // the path shows in the section
}

TEST(Quorlent, TheFirstPathAfterReadingsTakenAheadIsAWholeNewInspection)
{
    // The window takes the readings ahead as soon as it is first exposed, often before the
    // monitor's first path: that path is then an inspection of its own, as every path is.
    AheadFixture f;
    auto* monitor = new FakePathMonitor;
    Quorlent model(f.deps(monitor));
    model.inspectAhead();
    ASSERT_TRUE(model.waitForInspectionAhead(std::chrono::seconds(30)));
    model.refresh();
    QSignalSpy time(&model, &Quorlent::lastUpdatedChanged);
    f.system.thread = nullptr;
    NetworkPath online;
    online.status = NetworkPath::Status::Satisfied;
    online.interfaceTypes = {NetworkPath::InterfaceType::Wifi};
    monitor->deliver(online);
    QCoreApplication::processEvents();
    EXPECT_EQ(time.count(), 1);
    EXPECT_EQ(f.system.thread.load(), QThread::currentThread());  // every section read again
    EXPECT_EQ(shown(model.sections()), f.inspectedHere(online));
}

TEST(Quorlent, WaitingForTheInspectionAheadIsBounded)
{
    AheadFixture f;
    Quorlent model(f.deps());
    EXPECT_FALSE(model.waitForInspectionAhead(std::chrono::milliseconds(0)));  // none started
    EXPECT_FALSE(model.inspectionAheadPending());
    f.system.held = true;
    model.inspectAhead();
    EXPECT_TRUE(model.inspectionAheadPending());
    EXPECT_FALSE(model.waitForInspectionAhead(std::chrono::milliseconds(20)));  // still reading
    f.system.release.set_value();
    EXPECT_TRUE(model.waitForInspectionAhead(std::chrono::seconds(30)));
    EXPECT_TRUE(model.inspectionAheadPending());  // finished, not taken yet
    model.refresh();
    EXPECT_FALSE(model.waitForInspectionAhead(std::chrono::milliseconds(0)));  // taken
    EXPECT_FALSE(model.inspectionAheadPending());
}

TEST(Quorlent, GoneWhileReadingAheadLeavesNothingBehind)
{
    AheadFixture f;
    {
        Quorlent model(f.deps());
        model.inspectAhead();
    }  // waits for the worker; its late notice goes with the model
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST(DeviceProbeSections, UnreadableMemoryIsMissingInTheProcessorSectionToo)
{
    FakeMachine m = FakeMachine::linuxPC();
    m.system.memory = 0;
    const Platform p = m.platform();
    const Localization L = Localization::english();
    const CapabilitySection s = DeviceProbe::processorSection({p, L});
    bool seen = false;
    for (const CapabilityItem& i : s.items)
        if (i.key == QStringLiteral("memory")) { seen = true; EXPECT_EQ(i.value, kMissingValue); }
    EXPECT_TRUE(seen);
}
