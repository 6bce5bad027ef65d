#include "document/files/RecoveryJournal.h"

#include <Qsci/qsciscintillabase.h>

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <atomic>
#include <limits>
#include <optional>

namespace {

// One writer thread for every journal: edits, writes and removals reach the disk in the order asked.
QThreadPool& writer()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        p->setExpiryTimeout(-1);
        return p;
    }();
    return *pool;
}

} // namespace

// The worker's side of one journal.
struct RecoveryJournal::Mirror {
    QByteArray text;
    bool valid = false;
    // The base file's hash, computed once per version of the file.
    DiskState hashed;
    QByteArray hash;
    // The last write asked for: an older one still queued is left out, as is any after a discard.
    std::atomic<quint64> latest{0};
};

RecoveryJournal::RecoveryJournal(QsciScintillaBase* editor, std::function<Fields()> fields, QObject* parent)
    : QObject(parent), editor_(editor), fields_(std::move(fields)), mirror_(std::make_shared<Mirror>())
{
    timer_.setSingleShot(true);
    timer_.setInterval(DelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryJournal::write);
    slicer_.setInterval(0);
    connect(&slicer_, &QTimer::timeout, this, [this] {
        if (!copySlice(SliceBytes))
            return;
        slicer_.stop();
        if (due_)
            write();
    });
    connect(editor_, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char* text, int length, int, int, int, int, int, int) {
                edited(position, type, text, length);
            });
}

RecoveryJournal::~RecoveryJournal() { discard(); }

QString RecoveryJournal::filePath() const { return folder_ && !name_.isEmpty() ? folder_->filePath(name_) : QString(); }

void RecoveryJournal::edited(int position, int type, const char* text, int length)
{
    if (!(type & (QsciScintillaBase::SC_MOD_INSERTTEXT | QsciScintillaBase::SC_MOD_DELETETEXT)) || refused_)
        return;
    if (!(type & QsciScintillaBase::SC_MOD_INSERTTEXT)) {
        feed_.removed(position, length);
        // All gone: a load or a restore follows, better copied afterwards than followed piece by piece.
        if (feed_.active() && feed_.liveLength() == 0)
            feed_.stop();
    } else if (text) {
        feed_.inserted(position, text, length);
    } else {
        feed_.stop(); // an insertion without its text: copy again
    }
    if (feed_.holdsMuch())
        handOver(false);
    lastChange_ = QDateTime::currentDateTimeUtc();
    pending_ = true;
    // Counted from the first change the record does not hold, not from the last keystroke.
    if (!timer_.isActive() || timer_.remainingTime() > DelayMs)
        timer_.start(DelayMs);
    if (!feed_.complete() && !slicer_.isActive())
        slicer_.start();
}

bool RecoveryJournal::copySlice(qint64 budget)
{
    if (!feed_.active()) {
        // Only a document with unsaved changes needs the worker's copy.
        if (!editor_->SendScintilla(QsciScintillaBase::SCI_GETMODIFY)) {
            slicer_.stop();
            return false;
        }
        feed_.restart(editor_->SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
    }
    // Read around the control's gap, which stays where the typing is.
    const bool done = feed_.copyMore(budget, [this](qint64 position, qint64 length) {
        QByteArray slice(qsizetype(length + 1), Qt::Uninitialized);
        editor_->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, long(position), long(position + length),
                               slice.data());
        slice.truncate(qsizetype(length));
        return slice;
    });
    if (feed_.holdsMuch())
        handOver(false);
    return done;
}

void RecoveryJournal::flushNow()
{
    if (!pending_ && !due_)
        return;
    // Leaving the editor may come before a crash: the rest of the copy is made now.
    copySlice(std::numeric_limits<qint64>::max());
    write();
}

void RecoveryJournal::write()
{
    timer_.stop();
    Fields fields = fields_();
    if (!fields.modified) {
        discard();
        return;
    }
    if (!feed_.complete() && !copySlice(SliceBytes)) {
        due_ = true; // written once the copy is complete
        slicer_.start();
        return;
    }
    due_ = false;
    pending_ = false;
    if (!folder_)
        folder_ = RecoveryFolder::current();
    if (!folder_->usable()) {
        // Refused, and said so at start-up: the editor works on without recovery.
        refused_ = true;
        feed_.stop();
        return;
    }
    if (name_.isEmpty())
        name_ = folder_->newRecordName();
    fields.record.pid = QCoreApplication::applicationPid();
    if (lastChange_.isValid())
        fields.record.changed = lastChange_;
    written_ = true;
    handOver(true, std::move(fields.record));
}

void RecoveryJournal::handOver(bool andWrite, RecoveryRecord record)
{
    TextEdits edits = feed_.take();
    const quint64 seq = andWrite ? ++writes_ : 0;
    if (andWrite)
        mirror_->latest = seq;
    const qint64 expected = feed_.liveLength();
    writer().start([mirror = mirror_, edits = std::move(edits), andWrite, seq, expected, record = std::move(record),
                    folder = folder_, name = name_, journal = QPointer<RecoveryJournal>(this)]() mutable {
        if (edits.restart)
            mirror->valid = true;
        if (mirror->valid && !applyEdits(mirror->text, edits))
            mirror->valid = false;
        if (!andWrite || seq != mirror->latest)
            return;
        const bool resync = !mirror->valid || mirror->text.size() != expected;
        bool ok = false;
        QString reason;
        if (!resync) {
            if (!record.path.isEmpty() && record.base.exists && record.baseHash.isEmpty()) {
                if (!(mirror->hashed == record.base)) {
                    mirror->hashed = record.base;
                    mirror->hash = fileHash(record.path, record.base);
                }
                record.baseHash = mirror->hash;
            }
            ok = folder->write(name, record.header(mirror->text.size()), mirror->text, &reason);
        }
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [journal, ok, resync, reason] {
                    if (journal)
                        journal->written(ok, resync, reason);
                },
                Qt::QueuedConnection);
    });
}

void RecoveryJournal::written(bool ok, bool resync, const QString& reason)
{
    if (resync) {
        // The worker's copy went wrong: make it again and write then.
        feed_.stop();
        due_ = true;
        slicer_.start();
        return;
    }
    if (ok) {
        failing_ = false;
        return;
    }
    pending_ = true;
    if (!timer_.isActive())
        timer_.start(RetryMs);
    if (!failing_) {
        failing_ = true;
        emit keepFailed(reason);
    }
}

void RecoveryJournal::discard()
{
    timer_.stop();
    slicer_.stop();
    pending_ = due_ = failing_ = false;
    feed_.stop();
    // Writes still queued are left out; the worker's copy goes.
    mirror_->latest = ++writes_;
    writer().start([mirror = mirror_] {
        mirror->text = QByteArray();
        mirror->valid = false;
    });
    if (!written_)
        return;
    written_ = false;
    writer().start([folder = folder_, name = name_] { folder->remove(name); });
}

void RecoveryJournal::adopt(const std::shared_ptr<RecoveryFolder>& folder, const QString& name)
{
    if (written_ && (folder != folder_ || name != name_))
        writer().start([old = folder_, oldName = name_] { old->remove(oldName); });
    folder_ = folder;
    name_ = name;
    written_ = true;
}

void RecoveryJournal::waitForWrites() { writer().waitForDone(); }
