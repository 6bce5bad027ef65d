#pragma once
// Keeps the unsaved text of one document in a recovery record, so that a crash or a power cut loses
// at most the last two seconds of typing, whatever its rhythm: a record is written at most DelayMs
// after the first change it does not hold yet.
//
// The record is written on a worker thread, which keeps its own copy of the text up to date from the
// control's edits (TextMirror): the GUI thread copies a large text once, in slices between events,
// and afterwards hands over only what changed.

#include "document/files/RecoveryFolder.h"
#include "document/files/TextMirror.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QsciScintillaBase;

class RecoveryJournal : public QObject {
    Q_OBJECT
public:
    static constexpr int DelayMs = 2000;
    // After a failed write (a full disk) the next try comes this much later, unless typing comes first.
    static constexpr int RetryMs = 10000;
    // Text copied per turn of the event loop while the worker's copy is made.
    static constexpr qint64 SliceBytes = 512 * 1024;

    // What the record says beside the text, asked on the GUI thread at each write (record.text stays
    // empty). modified == false: nothing to keep.
    struct Fields {
        bool modified = false;
        RecoveryRecord record;
    };
    RecoveryJournal(QsciScintillaBase* editor, std::function<Fields()> fields, QObject* parent = nullptr);
    ~RecoveryJournal() override; // removes the record: the document is closing after its questions

    void flushNow(); // writes at once when a change is pending (the editor lost focus)
    void discard();  // saved or dropped: removes the record
    // A record this run has taken over, holding the document's text as restored, becomes its record.
    void adopt(const std::shared_ptr<RecoveryFolder>& folder, const QString& name);
    QString filePath() const;
    // The worker's copy of the text is being made, a slice per turn of the event loop.
    bool copying() const { return slicer_.isActive(); }

    // Waits until every queued write and removal has reached the disk.
    static void waitForWrites();

signals:
    // A write failed (a full disk): the record holds older text, or there is none.
    void keepFailed(const QString& reason);

private:
    struct Mirror;
    void edited(int position, int type, const char* text, int length);
    bool copySlice(qint64 budget); // true when the worker's copy is complete
    void write();
    void handOver(bool andWrite, RecoveryRecord record = {});
    void written(bool ok, bool resync, const QString& reason);

    QsciScintillaBase* editor_;
    std::function<Fields()> fields_;
    TextMirrorFeed feed_;
    std::shared_ptr<Mirror> mirror_; // used on the writer thread only
    std::shared_ptr<RecoveryFolder> folder_;
    QString name_;
    QTimer timer_;  // the next write is due
    QTimer slicer_; // the worker's copy is being made
    QDateTime lastChange_;
    quint64 writes_ = 0;
    bool pending_ = false; // changes the record does not hold
    bool due_ = false;     // a write waits for the copy to complete
    bool written_ = false; // a record may exist
    bool failing_ = false;
    bool refused_ = false; // the recovery folder is not used
};
