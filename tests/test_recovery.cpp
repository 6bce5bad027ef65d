// Unsaved text survives a killed editor: the recovery journal, the offer at the next start, and the
// files of editors still running left alone.

#include "app/frmMain.h"
#include "document/RecoveryJournal.h"
#include "document/frmDocument.h"
#include "preferences/frmOptions.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QScopeGuard>
#include <QStatusBar>
#include <QTabBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QLockFile>
#endif

using platform::MessageAnswer;

namespace {

const QByteArray AnsiScript = "; logon\r\n? \"caf\xe9\"\r\n";

QStringList recoveryFiles()
{
    return QDir(RecoveryJournal::directory()).entryList({QStringLiteral("*.recovery")}, QDir::Files);
}

// A child editor: opens the file named (or starts untitled), types, waits until the journal holds
// the text, reports the text it holds, then waits to be killed.
int childMain(int argc, char** argv)
{
    QApplication app(argc, argv);
    ScriptedDialogService dialogs; // an offer of older work is left for later
    frmMain window(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
    window.show();
    CodeEditor* editor = window.activeEditor();
    editor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    QTest::keyClicks(editor, "If 1");
    QTest::keyClick(editor, Qt::Key_Return);
    for (const QString& typed : {QStringLiteral("\u00e9"), QStringLiteral("\u20ac")}) {
        QInputMethodEvent event;
        event.setCommitString(typed);
        QCoreApplication::sendEvent(editor, &event);
    }
    const QString own = QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-');
    QDeadlineTimer deadline(10000);
    while (recoveryFiles().filter(QRegularExpression(QLatin1Char('^') + own)).isEmpty() && !deadline.hasExpired())
        QTest::qWait(20);
    RecoveryJournal::waitForWrites();
    std::printf("READY %s\n", editor->utf8Text().toHex().constData());
    std::fflush(stdout);
    return app.exec();
}

// Starts a child editor and waits for its journal; gives the text it holds.
QByteArray startChild(QProcess& child, const QStringList& arguments)
{
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + arguments);
    if (!child.waitForStarted())
        return "<not started>";
    QByteArray line;
    QDeadlineTimer deadline(30000);
    while (!line.contains('\n') && !deadline.hasExpired()) {
        child.waitForReadyRead(200);
        line += child.readAllStandardOutput();
    }
    return line.startsWith("READY ") ? QByteArray::fromHex(line.mid(6).trimmed()) : "<no journal>";
}

void kill(QProcess& child)
{
    if (child.state() == QProcess::Running && child.processId() > 0)
        child.kill(); // no chance to clean up: SIGKILL, or TerminateProcess on Windows
    child.waitForFinished();
}

// A finished record of another editor's work, written where the next start looks.
bool writeRecord(const QString& name, qint64 pid, const QString& title, const QByteArray& text = {})
{
    RecoveryRecord record;
    record.pid = pid;
    record.title = title;
    record.changed = QDateTime::currentDateTimeUtc();
    record.text = text;
    return RecoveryJournal::writeFile(RecoveryJournal::directory() + QLatin1Char('/') + name, record);
}

// Takes a lock as a running editor holds its own, until released.
class HeldLock {
public:
    explicit HeldLock(const QString& file)
    {
#ifdef Q_OS_UNIX
        fd_ = ::open(QFile::encodeName(file).constData(), O_RDWR | O_CREAT, 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0)
            release();
#else
        lock_ = std::make_unique<QLockFile>(file);
        if (!lock_->tryLock(0))
            lock_.reset();
#endif
    }
    ~HeldLock() { release(); }
#ifdef Q_OS_UNIX
    bool held() const { return fd_ >= 0; }
    void release()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
#else
    bool held() const { return lock_ != nullptr; }
    void release() { lock_.reset(); }

private:
    std::unique_ptr<QLockFile> lock_;
#endif
};

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int run_ = 0;

private slots:
    void init()
    {
        ++run_;
        qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(run_)).toLocal8Bit());
        qputenv("TESSARY_RECOVERY_DIR", dir_.filePath(QStringLiteral("recovery%1").arg(run_)).toLocal8Bit());
        QDir().mkpath(RecoveryJournal::directory());
    }
    void cleanup()
    {
        RecoveryJournal::waitForWrites();
        frmOptions::Unload();
    }

    void recordsRoundTripAndRejectDamage()
    {
        RecoveryRecord record;
        record.pid = 4242;
        record.path = QStringLiteral("/tmp/odd\nname %.kix");
        record.title = record.path;
        record.encoding = ScriptFile::Encoding::Utf16BE;
        record.lineBreak = ScriptFile::LineBreak::Cr;
        record.changed = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 890), Qt::UTC);
        record.text = QByteArray("a\0\n\nb\r\n", 7);
        const QByteArray bytes = record.header() + record.text;
        const auto back = RecoveryRecord::parse(bytes);
        QVERIFY(back);
        QCOMPARE(back->header() + back->text, bytes); // every field comes back as written
        CodeEditor editor;
        ScriptFile format;
        format.setLineBreak(ScriptFile::LineBreak::Lf);
        editor.restoreText("a\nb", format);
        QCOMPARE(editor.eolMode(), QsciScintilla::EolUnix); // Enter adds the text's own line break

        // A torn write, a foreign tail, a bad field, a foreign file.
        for (const QByteArray& damaged : {bytes.chopped(1), bytes + "x",
                                          QByteArray(bytes).replace("encoding=4", "encoding=9"),
                                          QByteArray(bytes).replace("pid=4242", "pid=x"),
                                          QByteArray(bytes).replace("pid=4242", "pid=0"),
                                          QByteArray(bytes).replace("\ntitle=", "\ntitle=\nx="), // no title
                                          QByteArray("#!/bin/sh\n")}) {
            QVERIFY2(!RecoveryRecord::parse(damaged), damaged.constData());
            writeFile(dir_.filePath(QStringLiteral("damaged")), damaged);
            QVERIFY2(!RecoveryRecord::readHeader(dir_.filePath(QStringLiteral("damaged"))), damaged.constData());
        }

        // Without an override the folder is the user's state folder.
        const QByteArray over = qgetenv("TESSARY_RECOVERY_DIR");
        qunsetenv("TESSARY_RECOVERY_DIR");
        qputenv("XDG_STATE_HOME", "/srv/state");
        QCOMPARE(RecoveryJournal::directory(), QStringLiteral("/srv/state/tessary-editor/recovery"));
        qputenv("XDG_STATE_HOME", "state"); // not a full path: ignored
        QCOMPARE(RecoveryJournal::directory(), QDir::homePath() + QStringLiteral("/.local/state/tessary-editor/recovery"));
        qputenv("TESSARY_RECOVERY_DIR", over);
    }

    void killedEditorsWorkIsRestoredAsTyped()
    {
        const QString path = dir_.filePath(QStringLiteral("logon%1.kix").arg(run_));
        writeFile(path, AnsiScript);
        QProcess fileChild, untitledChild;
        const QByteArray typedInFile = startChild(fileChild, {path}), typedUntitled = startChild(untitledChild, {});
        kill(fileChild);
        kill(untitledChild);
        QCOMPARE(typedInFile, QByteArray("; logon\r\n? \"caf\xc3\xa9\"\r\nIf 1\r\n\xc3\xa9\xe2\x82\xac"));
        QCOMPARE(typedUntitled, QByteArray("If 1\r\n\xc3\xa9\xe2\x82\xac"));
        QCOMPARE(recoveryFiles().size(), 2);
        QCOMPARE(readFile(path), AnsiScript); // recovery never touches the file itself

        ScriptedDialogService dialogs;
        dialogs.messageAnswers = {MessageAnswer::Yes};
        frmMain window;
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.contains(path) && dialogs.messages[0].text.contains("Untitled 1"));
        QCOMPARE(window.openDocuments().size(), 2);
        QCOMPARE(window.tsTabs->count(), 2);
        frmDocument* script = nullptr;
        frmDocument* untitled = nullptr;
        for (frmDocument* d : window.openDocuments())
            (frmDocument::isUntitledCaption(d->Caption()) ? untitled : script) = d;
        QVERIFY(script && untitled);
        QCOMPARE(script->Caption(), path);
        QVERIFY(script->rtfText->Modified() && untitled->rtfText->Modified());
        QCOMPARE(script->rtfText->utf8Text(), typedInFile);
        QCOMPARE(untitled->rtfText->utf8Text(), typedUntitled);
        // The restored file is watched: a change by another program asks before it replaces the work.
        writeFile(path, AnsiScript + "; changed\r\n");
        dialogs.messageAnswers = {MessageAnswer::No};
        window.checkDiskChanges(script);
        QCOMPARE(dialogs.messages.size(), 2);
        // The restored work is kept under this editor; the dead editors' files and locks are gone.
        RecoveryJournal::waitForWrites();
        const QString own = QString::number(QCoreApplication::applicationPid());
        QCOMPARE(recoveryFiles().size(), 2);
        for (const QString& name : recoveryFiles())
            QVERIFY2(name.startsWith(own + '-'), qPrintable(name));
        QCOMPARE(QDir(RecoveryJournal::directory()).entryList({QStringLiteral("*.lock")}), QStringList{own + ".lock"});

        // The file's own encoding and line breaks: the same bytes a save before the kill would have made.
        QVERIFY(script->rtfText->SaveToFile(path).ok());
        QCOMPARE(readFile(path), AnsiScript + "If 1\r\n\xe9\x80");
        RecoveryJournal::waitForWrites();
        QCOMPARE(recoveryFiles().size(), 1);

        // A second start finds nothing more to offer (the window's journals belong to a live process).
        ScriptedDialogService again;
        frmMain second;
        QCOMPARE(again.messages.size(), 0);
    }

    void fileFollowsTheDocumentsState()
    {
        const QString path = dir_.filePath(QStringLiteral("state%1.kix").arg(run_));
        writeFile(path, "x\r\n");
        ScriptedDialogService dialogs;
        frmMain window(path);
        CodeEditor* editor = window.activeEditor();
        RecoveryJournal* journal = window.activeDocument()->journal;
        auto written = [&] {
            RecoveryJournal::waitForWrites();
            return QFile::exists(journal->filePath());
        };

        // Opened, not changed: nothing to keep.
        journal->flushNow();
        QVERIFY(!written());
        // Typing waits for a pause; losing focus writes at once, for this user's eyes only.
        QTest::keyClicks(editor, "abc");
        const QDateTime typed = QDateTime::currentDateTimeUtc();
        QVERIFY(!written());
        QTest::qWait(20);
        journal->flushNow();
        QVERIFY(written());
        // The time of the last change, not of the write.
        QVERIFY(RecoveryRecord::parse(readFile(journal->filePath()))->changed <= typed);
#ifdef Q_OS_UNIX
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(journal->filePath()).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0600));
#endif
        QTest::keyClicks(editor, "d");
        QTRY_VERIFY_WITH_TIMEOUT(RecoveryRecord::parse(readFile(journal->filePath()))->text.startsWith("abcd"), 5000);

        // Undone back to the saved text: nothing to keep.
        for (int i = 0; i < 4; ++i)
            editor->Undo();
        QVERIFY(!editor->Modified());
        QVERIFY(!written());

        // Saved: gone.
        QTest::keyClicks(editor, "e");
        journal->flushNow();
        QVERIFY(written());
        QVERIFY(window.mnuFileSave_Click());
        QVERIFY(!written());

        // Closed with No: gone.
        QTest::keyClicks(editor, "f");
        journal->flushNow();
        QVERIFY(written());
        const QString file = journal->filePath();
        dialogs.messageAnswers = {MessageAnswer::No};
        window.mnuFileClose_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        RecoveryJournal::waitForWrites();
        QVERIFY(!QFile::exists(file));
        QVERIFY(recoveryFiles().isEmpty());
    }

    void onlyFinishedEditorsAreOfferedDamageSetAsideLocksTidied()
    {
        const QString folder = RecoveryJournal::directory();
        // A running editor's work (its lock held, here by this test), this editor's own, two damaged files.
        QVERIFY(writeRecord(QStringLiteral("999991-1.recovery"), 999991, QStringLiteral("Untitled 3"), "kept"));
        HeldLock lock(folder + QStringLiteral("/999991.lock"));
        QVERIFY(lock.held());
        const qint64 own = QCoreApplication::applicationPid();
        QVERIFY(writeRecord(QStringLiteral("%1-99.recovery").arg(own), own, QStringLiteral("Untitled 4"), "mine"));
        writeFile(folder + QStringLiteral("/999992-1.recovery"), "TESSARY-RECOVERY 1\npid=999992\nlength=99\n\nshort");
        writeFile(folder + QStringLiteral("/notes.recovery"), QByteArray(300, '\xff'));
        writeFile(folder + QStringLiteral("/notes.recovery.damaged"), "set aside at an earlier start");
        writeFile(folder + QStringLiteral("/999981.lock"), ""); // an editor that ended with nothing left
        {
            ScriptedDialogService dialogs;
            dialogs.messageAnswers = {MessageAnswer::Ok};
            frmMain window;
            QCOMPARE(dialogs.messages.size(), 1);
            QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("999992-1.recovery")));
            QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("notes.recovery")));
            QVERIFY(window.isVisible()); // the message has a window behind it
            QCOMPARE(window.openDocuments().size(), 1);
        }
        // Set aside, not destroyed, and not reported again.
        QVERIFY(QFile::exists(folder + QStringLiteral("/notes.recovery.damaged")));
        QCOMPARE(recoveryFiles().size(), 2);
        QVERIFY(!QFile::exists(folder + QStringLiteral("/999981.lock")));
        QVERIFY(RecoveryJournal::processRunning(999991));

        // The running editor ends: its work is offered; Cancel keeps it for later, Discard removes it.
        lock.release();
        QVERIFY(!RecoveryJournal::processRunning(999991));
        for (MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::No}) {
            ScriptedDialogService dialogs;
            dialogs.messageAnswers = {answer};
            frmMain window;
            QCOMPARE(dialogs.messages.size(), 1);
            QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("Untitled 3")));
            QCOMPARE(window.openDocuments().size(), 1);
            QVERIFY(!window.openDocuments().first()->rtfText->Modified());
            // While its work waits, the ended editor's lock is what tells it ended.
            QCOMPARE(QFile::exists(folder + QStringLiteral("/999991-1.recovery")), answer == MessageAnswer::Cancel);
            QCOMPARE(QFile::exists(folder + QStringLiteral("/999991.lock")), answer == MessageAnswer::Cancel);
        }
        QFile::remove(folder + QStringLiteral("/%1-99.recovery").arg(own));
    }

    void fileHeldByAnotherEditorWarnsOnce()
    {
        const QString path = dir_.filePath(QStringLiteral("held%1.kix").arg(run_));
        const QString other = dir_.filePath(QStringLiteral("other%1.kix").arg(run_));
        writeFile(path, AnsiScript);
        writeFile(other, AnsiScript);
        QProcess child;
        QVERIFY(startChild(child, {path}).startsWith("; logon"));
        const auto guard = qScopeGuard([&] { kill(child); });

        ScriptedDialogService dialogs;
        frmMain window;
        auto documentsOf = [&](const QString& file) {
            int count = 0;
            for (frmDocument* d : window.openDocuments())
                count += d->Caption() == file;
            return count;
        };
        // Another file: no question.
        window.OpenFile(other);
        QCOMPARE(dialogs.messages.size(), 0);

        // Cancel: nothing opened, nothing remembered.
        window.OpenFile(path);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.contains(path));
        QVERIFY(dialogs.messages[0].text.contains(QString::number(child.processId())));
        QCOMPARE(documentsOf(path), 0);
        QVERIFY(!window.mnuFileMRU[0]->data().toString().contains(QStringLiteral("held")));

        // Read-only: typing and Save leave the file alone, and Save says why.
        dialogs.messageAnswers = {MessageAnswer::No};
        window.OpenFile(path);
        QCOMPARE(documentsOf(path), 1);
        CodeEditor* editor = window.activeEditor();
        QVERIFY(editor->isReadOnly());
        QTest::keyClicks(editor, "typed");
        QVERIFY(!editor->Modified());
        QVERIFY(window.statusBar()->currentMessage().startsWith(QStringLiteral("Read-only")));
        QVERIFY(!window.mnuFileSave_Click());
        QCOMPARE(dialogs.messages.size(), 3);
        QVERIFY(dialogs.messages[2].text.contains(QStringLiteral("Save As")));
        QCOMPARE(readFile(path), AnsiScript);

        // Opening it again only brings it forward: asked once.
        window.OpenFile(path);
        QCOMPARE(dialogs.messages.size(), 3);
        window.activeDocument()->closeWithoutAsking();

        // Anyway: an ordinary document.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        window.OpenFile(path);
        QCOMPARE(dialogs.messages.size(), 4);
        QVERIFY(!window.activeEditor()->isReadOnly());

        // From the command line, Cancel starts with an empty document instead.
        ScriptedDialogService second;
        frmMain started(path);
        QCOMPARE(second.messages.size(), 1);
        QCOMPARE(started.openDocuments().size(), 1);
        QVERIFY(frmDocument::isUntitledCaption(started.activeDocument()->Caption()));

        // Once the other editor has ended, its work is no longer held open but offered to restore.
        kill(child);
        ScriptedDialogService third;
        frmMain later;
        QCOMPARE(third.messages.size(), 1);
        QVERIFY(third.messages[0].text.contains(QStringLiteral("Restore")));
        later.OpenFile(path);
        QCOMPARE(third.messages.size(), 1);
        QVERIFY(!later.activeEditor()->isReadOnly());
    }

    void readOnlyCopyFollowsTheFileAndSavesAsAnother()
    {
        const QString path = dir_.filePath(QStringLiteral("copy%1.kix").arg(run_));
        const QString copy = dir_.filePath(QStringLiteral("copy%1-mine.kix").arg(run_));
        writeFile(path, AnsiScript);
        QProcess child;
        QVERIFY(startChild(child, {path}).startsWith("; logon"));
        const auto guard = qScopeGuard([&] { kill(child); });

        ScriptedDialogService dialogs;
        dialogs.messageAnswers = {MessageAnswer::No};
        frmMain window(path);
        CodeEditor* editor = window.activeEditor();
        QVERIFY(editor->isReadOnly());

        // The other editor saves: the copy shows the new text and stays read-only; so does a
        // cancelled Save As.
        writeFile(path, "; saved elsewhere\r\n");
        window.checkDiskChanges(window.activeDocument());
        for (int cancelled = 0; cancelled < 2; ++cancelled) {
            if (cancelled)
                QVERIFY(!window.mnuFileSaveAs_Click());
            QCOMPARE(editor->utf8Text(), QByteArray("; saved elsewhere\r\n"));
            QVERIFY(editor->isReadOnly() && !editor->Modified());
        }
        // A Save As makes it the new file's document.
        dialogs.saveAnswers = {copy};
        QVERIFY(window.mnuFileSaveAs_Click());
        QVERIFY(!editor->isReadOnly());
        QCOMPARE(window.activeDocument()->Caption(), copy);
        QVERIFY(readFile(copy).startsWith(";**** Created with") && readFile(copy).endsWith("; saved elsewhere\r\n"));
        QCOMPARE(readFile(path), QByteArray("; saved elsewhere\r\n"));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return childMain(argc, argv);
    QApplication app(argc, argv);
    RecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
