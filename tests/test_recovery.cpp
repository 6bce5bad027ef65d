// Unsaved text survives a killed editor: the record format, the writer's copy of the text, the offer
// at the next start, and the records of editors still running left alone.

#include "app/frmMain.h"
#include "document/RecoveryFolder.h"
#include "document/RecoveryJournal.h"
#include "document/frmDocument.h"
#include "platform/FileLock.h"
#include "preferences/frmOptions.h"
#include "ChildEditor.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using platform::MessageAnswer;

namespace {

const QByteArray AnsiScript = "; logon\r\n? \"caf\xe9\"\r\n";
const QByteArray Typed = "If 1\r\n\xc3\xa9\xe2\x82\xac";

QStringList recoveryFiles()
{
    return QDir(RecoveryFolder::directory()).entryList({QStringLiteral("*.recovery")}, QDir::Files, QDir::Name);
}

// A child editor types into the file named (or a new script) until its record holds the text;
// gives the text.
QByteArray typeInChild(ChildEditor& child, const QStringList& arguments)
{
    if (!child.start(arguments))
        return "<not started>";
    child.send(QStringLiteral("type If 1\\n\u00e9\u20ac"));
    if (!child.send(QStringLiteral("journal")).value(0).startsWith(QLatin1String("journaled")))
        return "<no record>";
    return child.report().text;
}

// A finished record of another run, written where the next start looks.
bool writeRecord(const QString& name, qint64 pid, const QString& title, const QByteArray& text = {})
{
    RecoveryRecord record;
    record.pid = pid;
    record.title = title;
    record.changed = QDateTime::currentDateTimeUtc();
    return RecoveryFolder::current()->write(name, record.header(text.size()), text);
}

// Limits this process's address space to what it uses now plus `more` bytes until the guard goes, so
// that reading a huge file whole fails loudly. Not under AddressSanitizer, which reserves terabytes.
auto addressSpaceLimit([[maybe_unused]] qint64 more)
{
#ifndef Q_OS_UNIX
    return qScopeGuard([] {}); // no such limit on Windows: the file is only read in part there too
#else
    rlimit saved{};
    ::getrlimit(RLIMIT_AS, &saved);
    QFile status(QStringLiteral("/proc/self/statm"));
    rlimit limit = saved;
    if (status.open(QIODevice::ReadOnly))
        limit.rlim_cur = rlim_t(status.readAll().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE) + more);
#if !defined(__SANITIZE_ADDRESS__)
    ::setrlimit(RLIMIT_AS, &limit);
#endif
    return qScopeGuard([saved] { ::setrlimit(RLIMIT_AS, &saved); });
#endif
}

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
        QVERIFY(RecoveryFolder::current()->usable());
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
        record.base = {true, true, 12345, 1700000000123456789, 77};
        record.baseHash = QByteArray(32, '\x5a');
        record.text = QByteArray("a\0\n\nb\r\n", 7);
        const QByteArray bytes = record.header() + record.text;
        const auto back = RecoveryRecord::parse(bytes);
        QVERIFY(back);
        QCOMPARE(back->header() + back->text, bytes); // every field comes back as written
        QVERIFY(back->base == record.base);
        CodeEditor editor;
        ScriptFile format;
        format.setLineBreak(ScriptFile::LineBreak::Lf);
        editor.restoreText("a\nb", format);
        QCOMPARE(editor.eolMode(), QsciScintilla::EolUnix); // Enter adds the text's own line break

        // A torn write, a foreign tail, a bad field, a foreign file, a length beyond any text.
        const std::shared_ptr<RecoveryFolder> folder = RecoveryFolder::current();
        for (const QByteArray& damaged : {bytes.chopped(1), bytes + "x",
                                          QByteArray(bytes).replace("encoding=4", "encoding=9"),
                                          QByteArray(bytes).replace("pid=4242", "pid=x"),
                                          QByteArray(bytes).replace("pid=4242", "pid=0"),
                                          QByteArray(bytes).replace("base=12345 ", "base=12345x "),
                                          QByteArray(bytes).replace("\ntitle=", "\ntitle=\nx="), // no title
                                          QByteArray(bytes).replace("length=7", "length=99999999999"),
                                          QByteArray("#!/bin/sh\n")}) {
            QVERIFY2(!RecoveryRecord::parse(damaged), damaged.constData());
            writeFile(folder->filePath(QStringLiteral("damaged")), damaged);
            QVERIFY2(!folder->readHeader(QStringLiteral("damaged")), damaged.constData());
        }

        // Without an override the folder is the user's state folder (the local application data on Windows).
#ifdef Q_OS_WIN
        const char* const variable = "LOCALAPPDATA";
        const QString fallback = QStringLiteral("/AppData/Local");
#else
        const char* const variable = "XDG_STATE_HOME";
        const QString fallback = QStringLiteral("/.local/state");
#endif
        const QByteArray over = qgetenv("TESSARY_RECOVERY_DIR"), state = qgetenv(variable);
        qunsetenv("TESSARY_RECOVERY_DIR");
        qputenv(variable, "/srv/state");
        QCOMPARE(RecoveryFolder::directory(), QStringLiteral("/srv/state/tessary-editor/recovery"));
        qputenv(variable, "state"); // not a full path: ignored
        QCOMPARE(RecoveryFolder::directory(), QDir::homePath() + fallback + QStringLiteral("/tessary-editor/recovery"));
        qputenv("TESSARY_RECOVERY_DIR", over);
        qputenv(variable, state);
    }

    // The writer's copy, made in slices while edits go on, ends equal to the text; once complete,
    // only the edits are handed over.
    void writersCopyFollowsEdits_data()
    {
        QTest::addColumn<int>("slice");
        QTest::addColumn<int>("editsPerSlice");
        QTest::newRow("edits before, across and beyond the copied part") << 7 << 3;
        QTest::newRow("copied at once, then typing") << 1000000 << 1;
        QTest::newRow("more edits than are worth replaying") << 50 << 1500;
    }
    void writersCopyFollowsEdits()
    {
        QFETCH(int, slice);
        QFETCH(int, editsPerSlice);
        QRandomGenerator random(uint(slice * 31 + editsPerSlice));
        QByteArray live(600, 'a'), copy;
        for (char& c : live)
            c = char('a' + random.bounded(26));
        const auto read = [&](qint64 position, qint64 length) { return live.mid(position, length); };
        TextMirrorFeed feed;
        feed.restart(live.size());
        bool restarted = false;
        for (int round = 0; round < 200; ++round) {
            for (int e = 0; e < editsPerSlice; ++e) {
                // As the control reports them: after the edit.
                const qint64 at = random.bounded(int(live.size()) + 1);
                if (random.bounded(2) == 0 || live.isEmpty()) {
                    const QByteArray text(random.bounded(1, 6), char('A' + e % 26));
                    live.insert(at, text);
                    feed.inserted(at, text.constData(), text.size());
                } else {
                    const qint64 length = std::min<qint64>(random.bounded(1, 40), live.size() - at);
                    live.remove(at, length);
                    feed.removed(at, length);
                }
            }
            feed.copyMore(slice, read);
            if (round % 3 == 0) {
                const TextEdits edits = feed.take();
                restarted = restarted || (round > 0 && edits.restart);
                QVERIFY(applyEdits(copy, edits));
            }
        }
        while (!feed.copyMore(slice, read)) {
        }
        QVERIFY(applyEdits(copy, feed.take()));
        QCOMPARE(copy, live);
        QCOMPARE(restarted, editsPerSlice > int(TextMirrorFeed::MaxEdits));

        // Typing at the end of a complete copy hands over just the keys.
        feed.inserted(live.size(), "xy", 2);
        live.append("xy");
        const TextEdits keys = feed.take();
        QVERIFY(!keys.restart && keys.bytes == 2);
        QVERIFY(applyEdits(copy, keys));
        QCOMPARE(copy, live);
        QVERIFY(!applyEdits(copy, {false, {{copy.size(), 1, {}}}, 0})); // beyond the copy: refused
    }

    void killedEditorsWorkIsRestoredAsTyped()
    {
        const QString path = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("logon%1.kix").arg(run_)));
        writeFile(path, AnsiScript);
        ChildEditor fileChild, untitledChild;
        const QByteArray typedInFile = typeInChild(fileChild, {path}), typedUntitled = typeInChild(untitledChild, {});
        fileChild.kill();
        untitledChild.kill();
        QCOMPARE(typedInFile, Typed + "; logon\r\n? \"caf\xc3\xa9\"\r\n");
        QCOMPARE(typedUntitled, Typed);
        QCOMPARE(recoveryFiles().size(), 2);
        QCOMPARE(readFile(path), AnsiScript); // recovery never touches the file itself
        // A colleague changes the file before the work is restored.
        writeFile(path, AnsiScript + "; theirs\r\n");

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
        // The restored records are this editor's now; the dead editors' locks are gone.
        RecoveryJournal::waitForWrites();
        const QString own = RecoveryFolder::runId();
        QCOMPARE(recoveryFiles().size(), 2);
        for (const QString& name : recoveryFiles())
            QVERIFY2(name.startsWith(own + '-'), qPrintable(name));
        QCOMPARE(QDir(RecoveryFolder::directory()).entryList({QStringLiteral("*.lock")}), QStringList{own + ".lock"});

        // The colleague's version is not overwritten unasked, and Enter keeps it.
        QVERIFY(window.statusBar()->currentMessage().contains(QStringLiteral("changed by another program")));
        window.checkAllDiskChanges();
        QCOMPARE(dialogs.messages.size(), 1); // restoring was the answer: no offer to reload
        window.activateDocument(script);
        dialogs.messageAnswers = {MessageAnswer::No};
        QVERIFY(!window.mnuFileSave_Click());
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(dialogs.messages[1].text.contains(QStringLiteral("Overwrite it?")));
        QCOMPARE(dialogs.messages[1].buttons, platform::MessageButtons::YesNoDefaultNo);
        QCOMPARE(readFile(path), AnsiScript + "; theirs\r\n");
        // Yes: the file's own encoding and line breaks, as a save before the kill would have made them.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        QVERIFY(window.mnuFileSave_Click());
        QVERIFY(readFile(path).endsWith("If 1\r\n\xe9\x80" + AnsiScript));
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
        // Typing is kept within two seconds of the first change; losing focus keeps it at once, for
        // this user's eyes only.
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

    void onlyEndedEditorsAreOfferedDamageSetAsideLocksTidied()
    {
        const QString folder = RecoveryFolder::directory();
        const qint64 pid = QCoreApplication::applicationPid();
        // A running editor's work (its lock held, here by this test) and this run's own.
        QVERIFY(writeRecord(QStringLiteral("999991-aa-1.recovery"), 999991, QStringLiteral("Untitled 3"), "kept"));
        platform::FileLock lock;
        QCOMPARE(lock.acquire(QFileInfo(folder + QStringLiteral("/999991-aa.lock")).filesystemFilePath(), 0),
                 platform::FileLock::Result::Locked);
        QVERIFY(writeRecord(RecoveryFolder::runId() + QStringLiteral("-99.recovery"), pid, QStringLiteral("Untitled 4")));
        // An ended run that had this process's number (numbers are reused): its work is offered.
        QVERIFY(writeRecord(QStringLiteral("%1-7.recovery").arg(pid), pid, QStringLiteral("Untitled 5"), "before"));
        writeFile(folder + QStringLiteral("/999992-1.recovery"), "TESSARY-RECOVERY 1\npid=999992\nlength=99\n\nshort");
        writeFile(folder + QStringLiteral("/notes.recovery"), QByteArray(300, '\xff'));
        writeFile(folder + QStringLiteral("/notes.recovery.damaged"), "set aside at an earlier start");
        writeFile(folder + QStringLiteral("/999981.lock"), ""); // an editor that ended
        // A stray file far larger than any memory: only its start is read.
        writeFile(folder + QStringLiteral("/huge.recovery"), "TESSARY-RECOVERY 1\n");
        QVERIFY(QFile::resize(folder + QStringLiteral("/huge.recovery"), qint64(3) << 30));
        // A link to a record elsewhere is not followed.
        const QString outside = dir_.filePath(QStringLiteral("outside.recovery"));
        RecoveryRecord foreign;
        foreign.pid = 999993;
        foreign.title = QStringLiteral("Untitled 6");
        foreign.changed = QDateTime::currentDateTimeUtc();
        writeFile(outside, foreign.header());
#ifdef Q_OS_UNIX // Windows makes shortcut files, and symbolic links there need a privilege
        QVERIFY(QFile::link(outside, folder + QStringLiteral("/999993-1.recovery")));
#endif
        {
            ScriptedDialogService dialogs;
            dialogs.messageAnswers = {MessageAnswer::Ok, MessageAnswer::No};
            const auto limit = addressSpaceLimit(qint64(1) << 30);
            frmMain window;
            QCOMPARE(dialogs.messages.size(), 2);
            for (const char* name : {"999992-1.recovery", "notes.recovery", "huge.recovery"})
                QVERIFY2(dialogs.messages[0].text.contains(QLatin1String(name)), name);
            QVERIFY(dialogs.messages[1].text.contains(QStringLiteral("Untitled 5")));
            for (const char* other : {"Untitled 3", "Untitled 4", "Untitled 6"})
                QVERIFY2(!dialogs.messages[1].text.contains(QLatin1String(other)), other);
            QVERIFY(window.isVisible()); // the messages have a window behind them
            QCOMPARE(window.openDocuments().size(), 1);
        }
        // Set aside, not destroyed (an earlier one kept too), and not reported again; the discarded
        // work is gone, the link and what it points to untouched.
        QCOMPARE(readFile(folder + QStringLiteral("/notes.recovery.damaged")), QByteArray("set aside at an earlier start"));
        QVERIFY(QFile::exists(folder + QStringLiteral("/notes.recovery.damaged-1")));
        QCOMPARE(QFileInfo(folder + QStringLiteral("/huge.recovery.damaged")).size(), qint64(3) << 30);
        QStringList left{QStringLiteral("999991-aa-1.recovery"), QStringLiteral("999993-1.recovery"),
                         RecoveryFolder::runId() + QStringLiteral("-99.recovery")};
#ifndef Q_OS_UNIX
        left.removeOne(QStringLiteral("999993-1.recovery"));
#endif
        left.sort();
        QCOMPARE(recoveryFiles(), left);
        QCOMPARE(readFile(outside), foreign.header());
        QVERIFY(!QFile::exists(folder + QStringLiteral("/999981.lock")));
        QVERIFY(RecoveryFolder::current()->runAlive(QStringLiteral("999991-aa")));

        // The running editor ends: its work is offered; Cancel keeps it for later, Discard removes it.
        lock.release();
        QVERIFY(!RecoveryFolder::current()->runAlive(QStringLiteral("999991-aa")));
        for (MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::No}) {
            ScriptedDialogService dialogs;
            dialogs.messageAnswers = {answer};
            frmMain window;
            QCOMPARE(dialogs.messages.size(), 1);
            QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("Untitled 3")));
            QCOMPARE(window.openDocuments().size(), 1);
            QVERIFY(!window.openDocuments().first()->rtfText->Modified());
            QCOMPARE(QFile::exists(folder + QStringLiteral("/999991-aa-1.recovery")), answer == MessageAnswer::Cancel);
        }
    }

    void fileHeldByAnotherEditorWarnsOnce()
    {
        const QString path = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("held%1.kix").arg(run_)));
        const QString other = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("other%1.kix").arg(run_)));
        writeFile(path, AnsiScript);
        writeFile(other, AnsiScript);
        ChildEditor child;
        QVERIFY(typeInChild(child, {path}).startsWith(Typed));

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
        QVERIFY(dialogs.messages[0].text.contains(QString::number(child.process().processId())));
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
        child.kill();
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
        const QString path = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("copy%1.kix").arg(run_)));
        const QString copy = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("copy%1-mine.kix").arg(run_)));
        writeFile(path, AnsiScript);
        ChildEditor child;
        QVERIFY(typeInChild(child, {path}).startsWith(Typed));

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
    if (const std::optional<int> child = runChildEditor(argc, argv))
        return *child;
    QApplication app(argc, argv);
    RecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
