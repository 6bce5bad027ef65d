#pragma once
// Keeps the unsaved text of one document in a recovery file, so that a crash or a power cut loses
// at most the last two seconds of typing. The file is written on a worker thread: the GUI thread
// only takes one copy of the text. Files of editors that are no longer running are found at start.

#include "document/ScriptFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// One recovery file's content.
struct RecoveryRecord {
    qint64 pid = 0;
    QString path;   // the document's file; empty for a document never saved
    QString title;  // what the user saw: the path or "Untitled n"
    ScriptFile::Encoding encoding = ScriptFile::Encoding::Ansi;
    ScriptFile::LineBreak lineBreak = ScriptFile::LineBreak::CrLf;
    QDateTime changed; // time of the last change
    QByteArray text;   // the editor's UTF-8 text, exactly

    QByteArray header() const; // everything before the text
    static std::optional<RecoveryRecord> parse(const QByteArray& bytes);
    // The fields of a recovery file without its text (which stays empty); the file's size must
    // match the length the header gives. Reads only the start of the file.
    static std::optional<RecoveryRecord> readHeader(const QString& file);
};

class RecoveryJournal : public QObject {
    Q_OBJECT
public:
    // Debounce: the file follows the last change within this time.
    static constexpr int DelayMs = 2000;

    // Gives the document's record now; called on the GUI thread. A record with modified == false
    // means there is nothing to keep.
    struct Snapshot {
        bool modified = false;
        RecoveryRecord record;
    };
    explicit RecoveryJournal(std::function<Snapshot()> source, QObject* parent = nullptr);
    ~RecoveryJournal() override; // removes the file: the document is closing after its questions

    void changed();  // the text changed: write within DelayMs
    void flushNow(); // write at once when a change is pending (the editor lost focus)
    void discard();  // saved or dropped: remove the file
    QString filePath() const { return filePath_; }

    // The recovery folder: $TESSARY_RECOVERY_DIR, else $XDG_STATE_HOME (default ~/.local/state)
    // /tessary-editor/recovery; on Windows %LOCALAPPDATA%\tessary-editor\recovery.
    static QString directory();
    // Waits until every queued write and removal has reached the disk.
    static void waitForWrites();
    // Writes header + text to path atomically (temporary file, sync, rename), mode 0600.
    static bool writeFile(const QString& path, const RecoveryRecord& record);

    // A recovery file left behind by an editor that is no longer running.
    struct Orphan {
        QString file;
        RecoveryRecord record;
    };
    // Orphans in the folder; files that cannot be read as recovery files are set aside (renamed
    // to *.damaged) and named in skipped. Files of running editors and of this process stay.
    static QList<Orphan> findOrphans(QStringList* skipped);
    // Whether the editor process pid is still running (its lock file is held).
    static bool processRunning(qint64 pid);
    // Takes this process's lock file for its whole life; done before the first write.
    static void holdProcessLock();
    // Removes the lock files of editors that have ended and left no recovery files behind.
    static void removeStaleLocks();
    // The other running editors that hold unsaved changes to the file at path (their process ids).
    static QList<qint64> editorsWithUnsavedChanges(const QString& path);

private:
    void write();

    std::function<Snapshot()> source_;
    QTimer timer_;
    QString filePath_;
    QDateTime lastChange_;
    bool pending_ = false;
    bool written_ = false;
};
