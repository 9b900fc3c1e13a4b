#pragma once

#include "history/ScanSnapshot.h"
#include "platform/AtomicWrite.h"

#include <QObject>
#include <QSet>
#include <QThread>

#include <functional>
#include <memory>

// One difference between two snapshots. The kind follows from the values: no old value means
// added, no new value removed, both present changed (equal values when only the status changed).
struct SnapshotChange {
    enum class Kind { added, removed, changed };

    QUuid id;  // fresh for every change made
    QString section;
    QString label;
    std::optional<QString> oldValue;
    std::optional<QString> newValue;

    Kind kind() const { return !oldValue ? Kind::added : !newValue ? Kind::removed : Kind::changed; }
    bool operator==(const SnapshotChange&) const = default;
};

class HistoryWriter;
struct HistoryOperation;

// The store of recorded inspections, newest first, at most 200, persisted as one JSON file.
// Lives on the main thread; the file is written on a worker thread of its own, atomically.
//
// Beyond keeping the list, the store protects what is on disk:
//  - loading reads the file and nothing else: the folder, the lock and any renaming wait for the
//    first write;
//  - a file it cannot read stays untouched until the first write, which first keeps it aside under
//    a dated name (an empty file is simply an empty history); a file that cannot be kept aside is
//    never overwritten;
//  - a file far larger than any real history counts as unreadable;
//  - several running copies may share the file: each save takes a kernel lock beside it (released
//    when its holder dies, so no leftover lock file blocks a save), merges with what is on disk and
//    writes; what one copy deletes or clears stays gone in the others, and nothing any copy recorded
//    is lost (beyond the 200 newest);
//  - writes still queued are finished before the store goes away (and at application quit for the
//    shared instance).
class ScanHistory final : public QObject {
    Q_OBJECT
public:
    struct Options {
        // The history file; empty for defaultFilePath().
        QString filePath;
        // The interface language code stamped on each snapshot; LanguageManager's current code when unset.
        std::function<QString()> languageCode;
        // The current time; the system clock when unset.
        std::function<QDateTime()> clock;
    };

    static constexpr qsizetype kLimit = 200;
    // Several hundred times a full history of large snapshots: anything bigger is not ours.
    static constexpr qint64 kMaximumFileSize = 256LL * 1024 * 1024;

    // The one instance, created on first use on the main thread with the default file and the
    // interface language; it finishes its queued writes when the application quits.
    static ScanHistory& shared();
    // <application data>/History/snapshots.json.
    static QString defaultFilePath();

    explicit ScanHistory(Options options = {}, QObject* parent = nullptr);
    ~ScanHistory() override;

    const QList<ScanSnapshot>& snapshots() const { return snapshots_; }
    QString filePath() const { return filePath_; }
    // False whenever nothing can be written as things stand: the folder cannot be written, or the
    // last save failed. A later successful save makes it true.
    bool persists() const;
    // While the last save failed: why (the log's words, with the file and the system's reason);
    // empty otherwise.
    QString saveError() const { return saveError_; }
    // The same failure as a reason the page can put in the interface language; Reason::none while saves work.
    AtomicWrite::Reason saveFailure() const { return saveFailure_; }

    // Makes a snapshot of one inspection and puts it first, unless the newest snapshot is of the same
    // model and shows no difference; keeps the 200 newest and saves.
    void record(const DeviceSummary& summary, const QList<CapabilitySection>& sections);
    // Removes the snapshot with this identifier and saves; an unknown identifier changes nothing.
    void deleteSnapshot(const QUuid& id);
    // Removes every snapshot and saves (the file then holds "[]").
    void clear();
    // Blocks until every write handed to the worker so far has been done, and takes in its outcome.
    void flush();
    // Finishes the queued writes (at quit).
    void close();

    // What changed from the older snapshot to the newer one: added and changed items in the newer
    // snapshot's order, then removed items in the older one's. Volatile items never take part; values
    // are compared only when both snapshots are in the same language.
    static QList<SnapshotChange> diff(const ScanSnapshot& from, const ScanSnapshot& to);
    // The same comparison with the two items themselves (either absent), in diff's order, for
    // views that show more of them than their values. Valid while both snapshots live.
    struct ItemChange {
        QString section;
        QString label;
        const ScanSnapshot::Item* before = nullptr;
        const ScanSnapshot::Item* after = nullptr;
    };
    static QList<ItemChange> diffItems(const ScanSnapshot& from, const ScanSnapshot& to);

    // The stored snapshots read from one file, newest first, at most 200; nothing for a missing
    // file; std::nullopt for one that cannot be read (damaged, unreadable or far too large).
    static std::optional<QList<ScanSnapshot>> load(const QString& filePath);
    static QList<ScanSnapshot> ordered(QList<ScanSnapshot> snapshots);

signals:
    void snapshotsChanged();
    void persistsChanged(bool persists);
    void saveErrorChanged();

private:
    void submit(HistoryOperation operation);
    // What the writer merged and wrote up to one operation; the operations after it are applied again.
    void takeSaved(quint64 sequence, const QList<ScanSnapshot>& merged, const AtomicWrite::Result& result);
    void setPersists(bool persists);
    static void applyTo(QList<ScanSnapshot>& list, const HistoryOperation& operation);

    QString filePath_;
    std::function<QString()> languageCode_;
    std::function<QDateTime()> clock_;
    QList<ScanSnapshot> snapshots_;
    // Operations handed to the writer whose outcome has not come back yet.
    QList<HistoryOperation> pending_;
    quint64 nextSequence_ = 1;
    bool loadedDamaged_ = false;  // the first save keeps the file aside, dated by the clock
    QThread thread_;
    HistoryWriter* writer_ = nullptr;  // lives on thread_
    bool persists_ = true;
    bool folderWritable_ = true;
    QString saveError_;
    AtomicWrite::Reason saveFailure_ = AtomicWrite::Reason::none;
};
