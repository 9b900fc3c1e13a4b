#include "history/ScanHistory.h"
#include "platform/ThreadPriority.h"

#include "app/LanguageManager.h"
#include "history/HistoryStorage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QPointer>
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
      clock_(options.clock ? std::move(options.clock) : [] { return QDateTime::currentDateTimeUtc(); })
{
    HistoryStorage::ReadResult loaded = HistoryStorage::read(filePath_, kMaximumFileSize);
    loadedDamaged_ = loaded.outcome == HistoryStorage::Outcome::damaged;
    snapshots_ = ordered(std::move(loaded.snapshots));
    folderWritable_ = HistoryStorage::looksWritable(filePath_);
    persists_ = folderWritable_;

    QPointer<ScanHistory> self(this);
    writer_ = new HistoryWriter(filePath_, kMaximumFileSize, kLimit, snapshots_, [self](HistoryWriter::Saved saved) {
        if (!self) return;
        QMetaObject::invokeMethod(
            self.data(), [self, saved = std::move(saved)] {
                if (self) self->takeSaved(saved.sequence, saved.snapshots, saved.result);
            },
            Qt::QueuedConnection);
    });
    writer_->moveToThread(&thread_);
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

QList<QUuid> idsOf(const QList<ScanSnapshot>& list)
{
    QList<QUuid> ids;
    ids.reserve(list.size());
    for (const ScanSnapshot& s : list) ids.append(s.id);
    return ids;
}
}  // namespace

void ScanHistory::applyTo(QList<ScanSnapshot>& list, const HistoryOperation& op)
{
    switch (op.kind) {
    case HistoryOperation::Kind::record:
        list.prepend(op.snapshot);
        if (list.size() > kLimit) list.resize(kLimit);
        break;
    case HistoryOperation::Kind::remove: list.removeIf([&](const ScanSnapshot& s) { return s.id == op.id; }); break;
    case HistoryOperation::Kind::clear: list.clear(); break;
    }
}

void ScanHistory::record(const DeviceSummary& summary, const QList<CapabilitySection>& sections)
{
    ScanSnapshot snapshot = ScanSnapshot::make(summary, sections, clock_(), languageCode_());
    if (!snapshots_.isEmpty()) {
        const ScanSnapshot& newest = snapshots_.first();
        if (sameText(newest.modelIdentifier, snapshot.modelIdentifier) && diff(newest, snapshot).isEmpty()) return;
    }
    // Encoded here, once: the writer only joins what it is given.
    std::optional<QByteArray> encoded = SnapshotCodec::encode(snapshot);
    snapshots_.prepend(snapshot);
    emit snapshotsChanged();
    if (snapshots_.size() > kLimit) {
        snapshots_.resize(kLimit);
        emit snapshotsChanged();
    }
    if (!encoded) return;  // a snapshot that cannot be written: the file stays as it is
    HistoryOperation op;
    op.kind = HistoryOperation::Kind::record;
    op.snapshot = std::move(snapshot);
    op.encoded = std::move(*encoded);
    submit(std::move(op));
}

void ScanHistory::deleteSnapshot(const QUuid& which)
{
    const QUuid id = which;  // the caller's may be a reference into the list
    if (!snapshots_.removeIf([&](const ScanSnapshot& s) { return s.id == id; })) return;
    emit snapshotsChanged();
    HistoryOperation op;
    op.kind = HistoryOperation::Kind::remove;
    op.id = id;
    submit(std::move(op));
}

void ScanHistory::clear()
{
    snapshots_.clear();
    emit snapshotsChanged();
    HistoryOperation op;
    op.kind = HistoryOperation::Kind::clear;
    submit(std::move(op));
}

void ScanHistory::submit(HistoryOperation op)
{
    op.sequence = nextSequence_++;
    if (loadedDamaged_) {
        // The file read at start is kept aside at this first save, under the time of the save.
        op.keepAsideTime = clock_();
        loadedDamaged_ = false;
    }
    pending_.append(op);
    QMetaObject::invokeMethod(writer_, [writer = writer_, op] { writer->apply(op); }, Qt::QueuedConnection);
}

void ScanHistory::takeSaved(quint64 sequence, const QList<ScanSnapshot>& merged, const AtomicWrite::Result& result)
{
    pending_.removeIf([&](const HistoryOperation& op) { return op.sequence <= sequence; });
    // What the disk and the other copies hold, then what this copy did since.
    QList<ScanSnapshot> list = merged;
    for (const HistoryOperation& op : std::as_const(pending_)) applyTo(list, op);
    if (idsOf(list) != idsOf(snapshots_)) {
        snapshots_ = std::move(list);
        emit snapshotsChanged();
    }
    const QString error = result.ok ? QString() : result.error;
    const AtomicWrite::Reason reason = result.ok ? AtomicWrite::Reason::none : result.reason;
    if (error != saveError_ || reason != saveFailure_) {
        saveError_ = error;
        saveFailure_ = reason;
        emit saveErrorChanged();
    }
    if (result.ok) folderWritable_ = true;
    setPersists(result.ok);
}

void ScanHistory::flush()
{
    if (!thread_.isRunning() || QThread::currentThread() == &thread_) return;
    QMetaObject::invokeMethod(writer_, [] {}, Qt::BlockingQueuedConnection);
    // What the writes answered is waiting in this thread's queue: take it in now.
    if (QThread::currentThread() == thread()) QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void ScanHistory::close() { flush(); }

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
