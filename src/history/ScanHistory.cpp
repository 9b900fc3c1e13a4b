#include "history/ScanHistory.h"
#include "platform/ThreadPriority.h"

#include "app/LanguageManager.h"
#include "history/HistoryStorage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

ScanHistory& ScanHistory::shared()
{
    static ScanHistory* instance = [] {
        auto* history = new ScanHistory();
        // The instance outlives the event loop; what is still queued must reach the disk, and the
        // lock must go, before the process ends.
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, history, [history] { history->close(); });
        return history;
    }();
    return *instance;
}

QString ScanHistory::defaultFilePath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (base.isEmpty()) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
        if (!QCoreApplication::organizationName().isEmpty()) base += QLatin1Char('/') + QCoreApplication::organizationName();
        if (!QCoreApplication::applicationName().isEmpty()) base += QLatin1Char('/') + QCoreApplication::applicationName();
    }
    return base + QStringLiteral("/History/snapshots.json");
}

ScanHistory::ScanHistory(Options options, QObject* parent)
    : QObject(parent),
      filePath_(options.filePath.isEmpty() ? defaultFilePath() : options.filePath),
      languageCode_(options.languageCode ? std::move(options.languageCode) : [] { return LanguageManager::shared().code(); }),
      clock_(options.clock ? std::move(options.clock) : [] { return QDateTime::currentDateTimeUtc(); }),
      storage_(std::make_unique<HistoryStorage>(filePath_, kMaximumFileSize))
{
    HistoryStorage::ReadResult loaded = storage_->load();
    for (const ScanSnapshot& s : loaded.snapshots) seenOnDisk_.insert(s.id);
    snapshots_ = ordered(std::move(loaded.snapshots));
    encoded_.resize(snapshots_.size());
    persists_ = storage_->looksWritable();

    writer_ = new HistoryWriter(filePath_);
    writer_->moveToThread(&thread_);
    connect(writer_, &HistoryWriter::written, this, &ScanHistory::setPersists, Qt::QueuedConnection);
    thread_.setObjectName(QStringLiteral("ScanHistory"));
    // QThread's priorities mean nothing to Linux's ordinary scheduler; the thread's own
    // nice value does (set on the new thread, before its event loop runs).
    connect(&thread_, &QThread::started, &thread_, [] { ThreadPriority::lowerCurrentThread(); }, Qt::DirectConnection);
    thread_.start(QThread::LowPriority);
}

ScanHistory::~ScanHistory()
{
    close();
    thread_.quit();
    thread_.wait();
    delete writer_;
}

bool ScanHistory::persists() const { return persists_; }

void ScanHistory::setPersists(bool persists)
{
    if (persists_ == persists) return;
    persists_ = persists;
    emit persistsChanged(persists_);
}

std::optional<QList<ScanSnapshot>> ScanHistory::load(const QString& filePath)
{
    HistoryStorage::ReadResult r = HistoryStorage::read(filePath, kMaximumFileSize);
    if (r.outcome == HistoryStorage::Outcome::damaged) return std::nullopt;
    return ordered(std::move(r.snapshots));
}

QList<ScanSnapshot> ScanHistory::ordered(QList<ScanSnapshot> snapshots)
{
    std::stable_sort(snapshots.begin(), snapshots.end(),
                     [](const ScanSnapshot& a, const ScanSnapshot& b) { return a.date > b.date; });
    if (snapshots.size() > kLimit) snapshots.resize(kLimit);
    return snapshots;
}

namespace {
// Texts that differ only in how their characters are composed count as equal.
QString canonical(const QString& text) { return text.normalized(QString::NormalizationForm_C); }
bool sameText(const QString& a, const QString& b) { return a == b || canonical(a) == canonical(b); }
}  // namespace

void ScanHistory::record(const DeviceSummary& summary, const QList<CapabilitySection>& sections)
{
    ScanSnapshot snapshot = ScanSnapshot::make(summary, sections, clock_(), languageCode_());
    if (!snapshots_.isEmpty()) {
        const ScanSnapshot& newest = snapshots_.first();
        if (sameText(newest.modelIdentifier, snapshot.modelIdentifier) && diff(newest, snapshot).isEmpty()) return;
    }
    snapshots_.prepend(std::move(snapshot));
    encoded_.prepend(QByteArray());
    emit snapshotsChanged();
    if (snapshots_.size() > kLimit) {
        snapshots_.resize(kLimit);
        encoded_.resize(kLimit);
        emit snapshotsChanged();
    }
    save();
}

void ScanHistory::deleteSnapshot(const QUuid& id)
{
    bool removed = false;
    for (qsizetype i = snapshots_.size() - 1; i >= 0; --i) {
        if (snapshots_[i].id != id) continue;
        snapshots_.removeAt(i);
        encoded_.removeAt(i);
        removed = true;
    }
    if (!removed) return;
    emit snapshotsChanged();
    save();
}

void ScanHistory::clear()
{
    snapshots_.clear();
    encoded_.clear();
    emit snapshotsChanged();
    save();
}

void ScanHistory::save()
{
    const HistoryStorage::Preparation ready = storage_->prepare(clock_);
    if (ready.readiness != HistoryStorage::Readiness::ready) {
        qWarning().noquote() << HistoryStorage::kFailurePrefix + ready.failure;
        setPersists(false);
        return;
    }
    if (ready.changedOnDisk) adopt(*ready.changedOnDisk);

    // Snapshots never change once made, so only those not yet encoded cost anything here; joining
    // and writing happen on the worker.
    for (qsizetype i = 0; i < snapshots_.size(); ++i) {
        if (!encoded_[i].isEmpty()) continue;
        std::optional<QByteArray> e = SnapshotCodec::encode(snapshots_[i]);
        if (!e) return;  // a snapshot that cannot be written: keep the file as it is
        encoded_[i] = std::move(*e);
    }
    QMetaObject::invokeMethod(
        writer_, [writer = writer_, parts = encoded_] { writer->write(SnapshotCodec::joinArray(parts)); }, Qt::QueuedConnection);
}

void ScanHistory::adopt(const QList<ScanSnapshot>& onDisk)
{
    struct Entry {
        ScanSnapshot snapshot;
        QByteArray encoded;
    };
    QSet<QUuid> known = seenOnDisk_;
    for (const ScanSnapshot& s : snapshots_) known.insert(s.id);
    QList<Entry> merged;
    for (qsizetype i = 0; i < snapshots_.size(); ++i) merged.append(Entry{snapshots_[i], encoded_[i]});
    bool added = false;
    for (const ScanSnapshot& s : onDisk) {
        seenOnDisk_.insert(s.id);
        if (known.contains(s.id)) continue;
        merged.append(Entry{s, {}});
        added = true;
    }
    if (!added) return;
    std::stable_sort(merged.begin(), merged.end(), [](const Entry& a, const Entry& b) { return a.snapshot.date > b.snapshot.date; });
    if (merged.size() > kLimit) merged.resize(kLimit);
    snapshots_.clear();
    encoded_.clear();
    for (Entry& e : merged) {
        snapshots_.append(std::move(e.snapshot));
        encoded_.append(std::move(e.encoded));
    }
    emit snapshotsChanged();
}

void ScanHistory::flush()
{
    if (!thread_.isRunning() || QThread::currentThread() == &thread_) return;
    QMetaObject::invokeMethod(writer_, [] {}, Qt::BlockingQueuedConnection);
    // What the writes answered is waiting in this thread's queue: take it in now.
    if (QThread::currentThread() == thread()) QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void ScanHistory::close()
{
    flush();
    storage_->release();
}

namespace {
struct Entry {
    QString key;  // canonical form
    QString section;
    QString label;
    const ScanSnapshot::Item* item;
};

// The snapshot's non-volatile items, each keyed by its section's key (or title) and its own key (or
// label); repeats of one key over the whole snapshot get "#2", "#3", … in walk order.
QList<Entry> entries(const ScanSnapshot& snapshot)
{
    QList<Entry> list;
    QHash<QString, int> occurrences;
    QSet<QString> taken;
    for (const ScanSnapshot::Section& section : snapshot.sections) {
        const QString& sectionName = section.key ? *section.key : section.title;
        for (const ScanSnapshot::Item& item : section.items) {
            if (item.isVolatile) continue;
            const QString base = canonical(sectionName + QLatin1Char('/') + (item.key ? *item.key : item.label));
            const int count = ++occurrences[base];
            QString key = count == 1 ? base : base + QLatin1Char('#') + QString::number(count);
            // A label that itself ends in "#2" could meet the key counting made for a repeat; give the
            // later one a further number, so that no two items of one snapshot share a key and a
            // snapshot always matches itself.
            while (taken.contains(key)) key += QLatin1Char('#') + QString::number(++occurrences[key]);
            taken.insert(key);
            list.append(Entry{key, section.title, item.label, &item});
        }
    }
    return list;
}
}  // namespace

QList<ScanHistory::ItemChange> ScanHistory::diffItems(const ScanSnapshot& from, const ScanSnapshot& to)
{
    const bool sameLanguage = (!from.language && !to.language) || (from.language && to.language && sameText(*from.language, *to.language));
    const QList<Entry> oldEntries = entries(from);
    const QList<Entry> newEntries = entries(to);

    QHash<QString, qsizetype> oldIndex;
    oldIndex.reserve(oldEntries.size());
    for (qsizetype i = 0; i < oldEntries.size(); ++i) if (!oldIndex.contains(oldEntries[i].key)) oldIndex.insert(oldEntries[i].key, i);  // the first one wins
    QSet<QString> newKeys;
    newKeys.reserve(newEntries.size());
    for (const Entry& e : newEntries) newKeys.insert(e.key);

    QList<ItemChange> changes;
    for (const Entry& e : newEntries) {
        const auto found = oldIndex.constFind(e.key);
        if (found == oldIndex.cend()) {
            changes.append(ItemChange{e.section, e.label, nullptr, e.item});
            continue;
        }
        const ScanSnapshot::Item& old = *oldEntries[*found].item;
        const bool unchanged = old.status == e.item->status && (!sameLanguage || sameText(old.value, e.item->value));
        if (!unchanged) changes.append(ItemChange{e.section, e.label, &old, e.item});
    }
    for (const Entry& e : oldEntries) {
        if (!newKeys.contains(e.key)) changes.append(ItemChange{e.section, e.label, e.item, nullptr});
    }
    return changes;
}

QList<SnapshotChange> ScanHistory::diff(const ScanSnapshot& from, const ScanSnapshot& to)
{
    QList<SnapshotChange> changes;
    for (const ItemChange& c : diffItems(from, to))
        changes.append(SnapshotChange{QUuid::createUuid(), c.section, c.label,
                                      c.before ? std::optional<QString>(c.before->value) : std::nullopt,
                                      c.after ? std::optional<QString>(c.after->value) : std::nullopt});
    return changes;
}
