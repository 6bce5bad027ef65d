#pragma once
// The folder that holds recovery records, and this run's place in it.
//
// Each run of the editor has a name no other run produces (its process number and a random part).
// It holds a lock on "<run>.lock" for its whole life: a record belongs to a running editor exactly
// when the lock of the run in its name is held, whatever process numbers have been reused since.
// Records are "<run>-<n>.recovery"; another run takes one over by renaming it to its own name,
// which only one can do.
//
// Nothing in the folder is followed or trusted: a folder that another user owns or may change is
// refused, files are opened without following symbolic links and read header first, and a record
// is replaced only by a complete one (written to a new file, every write checked, synced, its size
// compared, then renamed over the old).

#include "document/files/RecoveryRecord.h"
#include "platform/FileLock.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class RecoveryFolder {
public:
    // The folder that directory() names, opened and checked at the first call (and again when that
    // name changes, as tests do).
    static std::shared_ptr<RecoveryFolder> current();
    // $TESSARY_RECOVERY_DIR, else $XDG_STATE_HOME (default ~/.local/state)/tessary-editor/recovery;
    // on Windows %LOCALAPPDATA%\tessary-editor\recovery.
    static QString directory();
    // This run's name.
    static QString runId();
    // The run in a record's (or its temporary file's) name; empty when the name is not one.
    static QString runOf(const QString& fileName);
    // The process number in a run's name.
    static qint64 pidOf(const QString& run);

    explicit RecoveryFolder(const QString& path);
    ~RecoveryFolder();
    RecoveryFolder(const RecoveryFolder&) = delete;
    RecoveryFolder& operator=(const RecoveryFolder&) = delete;

    QString path() const { return path_; }
    QString filePath(const QString& name) const { return path_ + QLatin1Char('/') + name; }
    bool usable() const { return refusal_.isEmpty(); }
    // Why the folder is not used ("belongs to another user"), empty when it is.
    QString refusal() const { return refusal_; }

    // A record name of this run that has not been given out before.
    QString newRecordName();
    // Makes `name` hold header + text, or leaves it as it was and gives the reason.
    bool write(const QString& name, QByteArrayView header, QByteArrayView text, QString* reason = nullptr);
    bool remove(const QString& name);
    // Renames without replacing; false when `from` is gone (another run took it) or `to` is taken.
    bool rename(const QString& from, const QString& to);
    // Renames a file that is not a record to "<as>.damaged" (or "-N" after it); gives the new name.
    QString setAside(const QString& name, const QString& as);

    // The records in the folder (regular files only), by name.
    QStringList records() const;
    std::optional<RecoveryRecord::Head> readHeader(const QString& name) const;
    // The text of a record read with head; nullopt when the file no longer matches the header.
    std::optional<QByteArray> readText(const QString& name, const RecoveryRecord::Head& head) const;

    // Whether the run's lock is held (this run counts as running).
    bool runAlive(const QString& run) const;
    // Takes this run's lock for the folder's life; done before a record is written or taken over.
    bool holdLock();
    // Removes the locks and temporary files of runs that have ended.
    void removeStaleFiles();

    // A record of an ended run that this run has taken over (under name), before it is offered.
    struct Claim {
        QString name;
        QString original;
        RecoveryRecord::Head head;
    };
    // Takes over the records of every run that has ended; files that are not records are set aside
    // and their paths given in skipped.
    QList<Claim> claimOrphans(QStringList* skipped);
    // Gives a record back under its old name, to be offered at the next start.
    void release(const Claim& claim);
    // The process numbers of other running editors that hold unsaved changes to the file at path.
    QList<qint64> editorsWithUnsavedChanges(const QString& path) const;

private:
    QString path_;
    QString refusal_;
    std::mutex lockMutex_; // the GUI thread and the writer thread both write and take over records
    platform::FileLock lock_;
#ifndef Q_OS_WIN
    int fd_ = -1;
#endif
};
