// Unsaved text survives a killed editor: the record format, the writer's copy of the text, the offer
// at the next start, and the records of editors still running left alone; and what users meet that a
// test process cannot do to itself, with editors in processes of their own: steady typing up to a
// kill, a full disk, two editors starting at once, a recovery folder that another user controls.

#include "document/files/RecoveryFolder.h"
#include "document/files/RecoveryJournal.h"
#include "platform/FileLock.h"
#include "preferences/frmOptions.h"
#include "CaseFile.h"
#include "ChildEditor.h"
#include "MainWindowFixture.h"

#include <QStatusBar>
#include <QtTest>

#include <cerrno>
#include <cstring>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
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
    return child.journal().isEmpty() ? "<no record>" : child.report().text;
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

#ifdef Q_OS_UNIX
bool isRoot() { return ::geteuid() == 0; }
#else
bool isRoot() { return false; }
#endif

// Runs a command to its end; its output, and its exit status in status (-1: it did not end normally).
QString run(QStringList command, int* status = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.takeFirst(), command);
    const bool ended = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    if (status)
        *status = ended ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll()).trimmed();
}

QByteArray script(int bytes)
{
    QByteArray text;
    for (int line = 0; text.size() < bytes; ++line)
        text += "? \"line " + QByteArray::number(line) + " of a logon script\"\r\n";
    return text;
}

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int run_ = 0;

    QString folder(const QString& name) { return QDir().mkpath(dir_.filePath(name)), dir_.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(QFile::setPermissions(dir_.path(), QFileDevice::Permissions(0x7755))); }
    void init()
    {
        useFreshSettings(dir_);
        ++run_;
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
        QVERIFY(back && back->base == record.base);
        QCOMPARE(back->header() + back->text, bytes); // every field comes back as written
        CodeEditor editor;
        ScriptFile format;
        format.setLineBreak(ScriptFile::LineBreak::Lf);
        editor.restoreText("a\nb", format);
        QCOMPARE(editor.eolMode(), QsciScintilla::EolUnix); // Enter adds the text's own line break

        const std::shared_ptr<RecoveryFolder> folder = RecoveryFolder::current();
        for (const QStringList& row : cases::table("recovery.txt", "damaged records")) {
            const QByteArray from = cases::bytes(row[1]), to = cases::bytes(row[2]);
            const QByteArray damaged = from.isEmpty() ? to : QByteArray(bytes).replace(from, to);
            QVERIFY2(damaged != bytes && !RecoveryRecord::parse(damaged), qPrintable(row[0]));
            writeFile(folder->filePath(QStringLiteral("damaged")), damaged);
            QVERIFY2(!folder->readHeader(QStringLiteral("damaged")), qPrintable(row[0]));
        }

        // Without an override the folder is the user's state folder (the local application data on Windows).
#ifdef Q_OS_WIN
        const char* const variable = "LOCALAPPDATA";
        const QString fallback = QStringLiteral("/AppData/Local");
#else
        const char* const variable = "XDG_STATE_HOME";
        const QString fallback = QStringLiteral("/.local/state");
#endif
        const QByteArray state = qgetenv(variable);
        qunsetenv("TESSARY_RECOVERY_DIR"); // init() sets it again for the next case
        qputenv(variable, "/srv/state");
        QCOMPARE(RecoveryFolder::directory(), QStringLiteral("/srv/state/tessary-editor/recovery"));
        qputenv(variable, "state"); // not a full path: ignored
        QCOMPARE(RecoveryFolder::directory(), QDir::homePath() + fallback + QStringLiteral("/tessary-editor/recovery"));
        qputenv(variable, state);
    }

    // The writer's copy, made in slices while edits go on, ends equal to the text; once complete,
    // only the edits are handed over.
    void writersCopyFollowsEdits_data() { cases::addRows("recovery.txt", "mirror rhythms"); }
    void writersCopyFollowsEdits()
    {
        QFETCH(QStringList, fields);
        const int slice = fields[1].toInt(), editsPerSlice = fields[2].toInt();
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
        QVERIFY(applyEdits(copy, feed.take()) && restarted == (editsPerSlice > int(TextMirrorFeed::MaxEdits)));
        QCOMPARE(copy, live);

        // Typing at the end of a complete copy hands over just the keys.
        feed.inserted(live.size(), "xy", 2);
        live.append("xy");
        const TextEdits keys = feed.take();
        QVERIFY(!keys.restart && keys.bytes == 2 && applyEdits(copy, keys));
        QCOMPARE(copy, live);
        QVERIFY(!applyEdits(copy, {false, {{copy.size(), 1, {}}}, 0})); // beyond the copy: refused

        // A large insertion is not held: the copy is made again and ends equal.
        const QByteArray large(int(TextMirrorFeed::CopyAgainBytes), 'L');
        live.insert(1, large);
        feed.inserted(1, large.constData(), large.size());
        const TextEdits again = feed.take();
        QVERIFY(again.restart && again.bytes == 0 && applyEdits(copy, again));
        while (!feed.copyMore(slice, read)) {
        }
        QVERIFY(applyEdits(copy, feed.take()));
        QCOMPARE(copy, live);
    }

    void killedEditorsWorkIsRestoredAsTyped()
    {
        const QString path = writeFileIn(dir_, QStringLiteral("logon%1.kix").arg(run_), AnsiScript);
        ChildEditor fileChild, untitledChild;
        const QByteArray typedInFile = typeInChild(fileChild, {path}), typedUntitled = typeInChild(untitledChild, {});
        fileChild.kill();
        untitledChild.kill();
        QCOMPARE(typedInFile, Typed + "; logon\r\n? \"caf\xc3\xa9\"\r\n");
        // Recovery never touches the file itself.
        QVERIFY(typedUntitled == Typed && recoveryFiles().size() == 2 && readFile(path) == AnsiScript);
        // A colleague changes the file before the work is restored.
        writeFile(path, AnsiScript + "; theirs\r\n");

        ScriptedDialogService dialogs;
        dialogs.messageAnswers = {MessageAnswer::Yes};
        frmMain window;
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].text.contains(path) && dialogs.messages[0].text.contains("Untitled 1"));
        QVERIFY(window.openDocuments().size() == 2 && window.tsTabs->count() == 2);
        QMap<QString, QByteArray> restored; // the untitled one under ""
        for (frmDocument* d : window.openDocuments())
            restored[frmDocument::isUntitledCaption(d->Caption()) ? QString() : d->Caption()] =
                char(d->rtfText->Modified()) + d->rtfText->utf8Text();
        QCOMPARE(restored, (QMap<QString, QByteArray>{{QString(), "\1" + typedUntitled}, {path, "\1" + typedInFile}}));
        frmDocument* script = window.openDocuments()[window.openDocuments()[0]->Caption() != path];
        // The restored records are this editor's now; the dead editors' locks are gone.
        RecoveryJournal::waitForWrites();
        const QString own = RecoveryFolder::runId();
        QVERIFY2(recoveryFiles().size() == 2 && recoveryFiles().filter(QRegularExpression('^' + own + '-')).size() == 2,
                 qPrintable(recoveryFiles().join(' ')));
        QCOMPARE(QDir(RecoveryFolder::directory()).entryList({QStringLiteral("*.lock")}), QStringList{own + ".lock"});

        // The colleague's version is not overwritten unasked, and Enter keeps it.
        QVERIFY(window.statusBar()->currentMessage().contains(QStringLiteral("changed by another program")));
        window.checkAllDiskChanges();
        QCOMPARE(dialogs.messages.size(), 1); // restoring was the answer: no offer to reload
        window.activateDocument(script);
        dialogs.messageAnswers = {MessageAnswer::No};
        QVERIFY(!window.mnuFileSave_Click() && dialogs.messages.size() == 2 && dialogs.messages[1].text.contains("Overwrite it?"));
        QCOMPARE(readFile(path), AnsiScript + "; theirs\r\n");
        // Yes: the file's own encoding and line breaks, as a save before the kill would have made them.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        QVERIFY(window.mnuFileSave_Click() && readFile(path).endsWith("If 1\r\n\xe9\x80" + AnsiScript));
        RecoveryJournal::waitForWrites();
        QCOMPARE(recoveryFiles().size(), 1);
    }

    void fileFollowsTheDocumentsState()
    {
        ScriptedDialogService dialogs;
        frmMain window(writeFileIn(dir_, QStringLiteral("state%1.kix").arg(run_), "x\r\n"));
        CodeEditor* editor = window.activeEditor();
        RecoveryJournal* journal = window.activeDocument()->journal;
        auto written = [&] { return RecoveryJournal::waitForWrites(), QFile::exists(journal->filePath()); };
        const auto flushed = [&] { journal->flushNow(); return written(); }; // as when focus goes

        // Opened, not changed: nothing to keep.
        QVERIFY(!flushed());
        // Typing is kept within two seconds of the first change; losing focus keeps it at once, for
        // this user's eyes only.
        QTest::keyClicks(editor, "abc");
        const QDateTime typed = QDateTime::currentDateTimeUtc();
        QVERIFY(!written());
        QTest::qWait(20);
        // The time of the last change, not of the write.
        QVERIFY(flushed() && RecoveryRecord::parse(readFile(journal->filePath()))->changed <= typed);
#ifdef Q_OS_UNIX // Windows keeps it from others by the profile folder's access rights
        QCOMPARE(QFile::permissions(journal->filePath()), QFileDevice::Permissions(0x6600)); // the owner's only
#endif
        // Typing without a pause is kept too: the write is due two seconds after the first key, not the last.
        for (int key = 0; key < 16; ++key, QTest::qWait(250))
            QTest::keyClicks(editor, "d");
        QVERIFY(written() && RecoveryRecord::parse(readFile(journal->filePath()))->text.startsWith("abcd"));

        // Undone back to the saved text: nothing to keep.
        while (editor->CanUndo())
            editor->Undo();
        QVERIFY(!editor->Modified() && !written());

        // Saved: gone.
        QTest::keyClicks(editor, "e");
        QVERIFY(flushed() && window.mnuFileSave_Click() && !written());

        // Closed with No: gone.
        QTest::keyClicks(editor, "f");
        QVERIFY(flushed() && recoveryFiles().size() == 1);
        dialogs.messageAnswers = {MessageAnswer::No};
        window.mnuFileClose_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        RecoveryJournal::waitForWrites();
        QVERIFY(recoveryFiles().isEmpty());
    }

    void onlyEndedEditorsAreOfferedDamageSetAsideLocksTidied()
    {
        const QString folder = RecoveryFolder::directory();
        const qint64 pid = QCoreApplication::applicationPid();
        // A running editor's work (its lock held, here by this test) and this run's own.
        platform::FileLock lock;
        QVERIFY(writeRecord(QStringLiteral("999991-aa-1.recovery"), 999991, QStringLiteral("Untitled 3"), "kept") &&
                lock.acquire(QFileInfo(folder + QStringLiteral("/999991-aa.lock")).filesystemFilePath(), 0) ==
                    platform::FileLock::Result::Locked);
        QVERIFY(writeRecord(RecoveryFolder::runId() + QStringLiteral("-99.recovery"), pid, QStringLiteral("Untitled 4")));
        // An ended run that had this process's number (numbers are reused; in a container every run
        // may get the same one): its work is offered.
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
        QVERIFY(writeRecord(QStringLiteral("moved.recovery"), 999993, QStringLiteral("Untitled 6")) &&
                QFile::rename(folder + QStringLiteral("/moved.recovery"), outside));
        const QByteArray foreign = readFile(outside);
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
            QVERIFY(window.isVisible() && window.openDocuments().size() == 1); // the messages have a window behind them
        }
        // Set aside, not destroyed (an earlier one kept too), and not reported again; the discarded
        // work is gone, the link and what it points to untouched.
        QCOMPARE(readFile(folder + QStringLiteral("/notes.recovery.damaged")), QByteArray("set aside at an earlier start"));
        QVERIFY(QFile::exists(folder + "/notes.recovery.damaged-1") && QFileInfo(folder + "/huge.recovery.damaged").size() == qint64(3) << 30);
        QStringList left{QStringLiteral("999991-aa-1.recovery"), QStringLiteral("999993-1.recovery"),
                         RecoveryFolder::runId() + QStringLiteral("-99.recovery")};
#ifndef Q_OS_UNIX
        left.removeOne(QStringLiteral("999993-1.recovery"));
#endif
        left.sort();
        QCOMPARE(recoveryFiles(), left);
        QVERIFY(readFile(outside) == foreign && !QFile::exists(folder + "/999981.lock") &&
                RecoveryFolder::current()->runAlive(QStringLiteral("999991-aa")));

        // The running editor ends: its work is offered; Cancel keeps it for later, Discard removes it.
        lock.release();
        QVERIFY(!RecoveryFolder::current()->runAlive(QStringLiteral("999991-aa")));
        for (MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::No}) {
            ScriptedDialogService dialogs;
            dialogs.messageAnswers = {answer};
            frmMain window;
            QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].text.contains(QStringLiteral("Untitled 3")));
            QVERIFY(window.openDocuments().size() == 1 && !window.openDocuments().first()->rtfText->Modified());
            QCOMPARE(QFile::exists(folder + QStringLiteral("/999991-aa-1.recovery")), answer == MessageAnswer::Cancel);
        }
    }

    void fileHeldByAnotherEditorWarnsOnce()
    {
        const QString path = writeFileIn(dir_, QStringLiteral("held%1.kix").arg(run_), AnsiScript);
        const QString other = writeFileIn(dir_, QStringLiteral("other%1.kix").arg(run_), AnsiScript);
        const QString copy = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("copy%1-mine.kix").arg(run_)));
        ChildEditor child;
        QVERIFY(typeInChild(child, {path}).startsWith(Typed));

        ScriptedDialogService dialogs;
        frmMain window;
        auto documentsOf = [&](const QString& file) { return std::ranges::count(window.openDocuments(), file, &frmDocument::Caption); };
        window.OpenFile(other); // another file: no question

        // Cancel: nothing opened, nothing remembered.
        window.OpenFile(path);
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].text.contains(path) &&
                dialogs.messages[0].text.contains(QString::number(child.process().processId())));
        QVERIFY(documentsOf(path) == 0 && !window.mnuFileMRU[0]->data().toString().contains(QStringLiteral("held")));

        // Read-only: typing and Save leave the file alone, and Save says why.
        dialogs.messageAnswers = {MessageAnswer::No};
        window.OpenFile(path);
        CodeEditor* editor = window.activeEditor();
        QVERIFY(documentsOf(path) == 1 && editor->isReadOnly());
        QTest::keyClicks(editor, "typed");
        QVERIFY(!editor->Modified() && window.statusBar()->currentMessage().startsWith(QStringLiteral("Read-only")));
        QVERIFY(!window.mnuFileSave_Click() && dialogs.messages.size() == 3 && dialogs.messages[2].text.contains("Save As"));
        QCOMPARE(readFile(path), AnsiScript);

        window.OpenFile(path); // again: only brought forward, not asked again
        // The other editor saves: the copy shows the new text and stays read-only; so does a
        // cancelled Save As. A Save As makes it the new file's document.
        writeFile(path, "; saved elsewhere\r\n");
        window.checkDiskChanges(window.activeDocument());
        for (int cancelled = 0; cancelled < 2; ++cancelled) {
            if (cancelled)
                QVERIFY(!window.mnuFileSaveAs_Click());
            QVERIFY(editor->utf8Text() == "; saved elsewhere\r\n" && editor->isReadOnly() && !editor->Modified());
        }
        dialogs.saveAnswers = {copy};
        QVERIFY(window.mnuFileSaveAs_Click() && !editor->isReadOnly());
        QCOMPARE(window.activeDocument()->Caption(), copy);
        QVERIFY(readFile(copy).startsWith(";**** Created with") && readFile(copy).endsWith("; saved elsewhere\r\n"));
        QVERIFY(readFile(path) == "; saved elsewhere\r\n" && dialogs.messages.size() == 3);
        window.activeDocument()->closeWithoutAsking();

        // Anyway: an ordinary document.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        window.OpenFile(path);
        QVERIFY(dialogs.messages.size() == 4 && !window.activeEditor()->isReadOnly());

        // From the command line, Cancel starts with an empty document instead.
        ScriptedDialogService second;
        frmMain started(path);
        QVERIFY(second.messages.size() == 1 && started.openDocuments().size() == 1 &&
                frmDocument::isUntitledCaption(started.activeDocument()->Caption()));

        // Once the other editor has ended, its work is no longer held open but offered to restore.
        child.kill();
        ScriptedDialogService third;
        frmMain later;
        QVERIFY(third.messages.size() == 1 && third.messages[0].text.contains(QStringLiteral("Restore")));
        later.OpenFile(path);
        QVERIFY(third.messages.size() == 1 && !later.activeEditor()->isReadOnly());
    }

    // On a full disk a save fails and so do the record's updates: the text stays in the editor, no
    // question offers to reload the file, and the last complete record stays for a crash.
    void fullDiskKeepsTextAndRecord()
    {
#ifndef Q_OS_UNIX
        QSKIP("the full disk is a tmpfs mounted in a Linux namespace");
#else
        if (!isRoot()) {
            // Mounting needs privileges: the test runs again as root of a user namespace of its own.
            if (qEnvironmentVariableIsSet("TESSARY_TEST_NAMESPACE"))
                QSKIP("no tmpfs can be mounted even in a user namespace");
            int status = 0;
            qputenv("TESSARY_TEST_NAMESPACE", "1");
            const QString output = run(QStringLiteral("unshare --user --map-root-user --mount").split(' ')
                                           << QCoreApplication::applicationFilePath() << QStringLiteral("fullDiskKeepsTextAndRecord"),
                                       &status);
            qunsetenv("TESSARY_TEST_NAMESPACE");
            if (status != 0 && output.contains(QLatin1String("unshare failed")))
                QSKIP(qPrintable(QStringLiteral("no user namespace for a 1 MB tmpfs here: ") + output));
            QVERIFY2(status == 0, qPrintable(output));
            return;
        }
        const QString disk = folder(QStringLiteral("disk"));
        int status = 0;
        const QString mounted = run(QStringLiteral("mount -t tmpfs -o size=1m,mode=0755 tmpfs").split(' ') << disk, &status);
        if (status != 0)
            QSKIP(qPrintable(QStringLiteral("no 1 MB tmpfs can be mounted here: ") + mounted));
        const auto unmount = qScopeGuard([&] { run({QStringLiteral("umount"), QStringLiteral("-l"), disk}); });
        const QString path = disk + QStringLiteral("/scripts/logon.kix");
        const QByteArray original = script(200 * 1024);
        writeFile(path, original);
        // A second name for the file: the save rewrites it in place.
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(disk + QStringLiteral("/scripts/also.kix")).constData()), 0);
        qputenv("TESSARY_RECOVERY_DIR", (disk + QStringLiteral("/recovery")).toLocal8Bit());

        ChildEditor child;
        QVERIFY(child.start({path}));
        child.send(QStringLiteral("type ; mine\\n"));
        const QString record = child.journal();
        QVERIFY(!record.isEmpty());
        const QByteArray kept = readFile(record);

        // Full, but for room for a copy of the script: not for the script grown by 100 KB.
        QFile filler(disk + QStringLiteral("/filler"));
        const auto fill = [&filler] {
            QVERIFY(filler.open(QIODevice::Append));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
            filler.close();
        };
        fill();
        QVERIFY(filler.resize(std::max<qint64>(0, filler.size() - original.size() - 16 * 1024)));

        child.send(QStringLiteral("append 100000"));
        child.send(QStringLiteral("settle 2500")); // the record's update has been tried
        QVERIFY(readFile(record) == kept && child.report().status.contains(QStringLiteral("cannot be kept for recovery")));
        QCOMPARE(child.send(QStringLiteral("save")), QStringList{QStringLiteral("saved 0")});
        child.send(QStringLiteral("settle 1500")); // the disk watch has seen the failed save's own write
        const ChildEditor::Report report = child.report();
        QVERIFY2(report.messages.size() == 1 && report.messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(report.messages.join('\n')));
        QVERIFY(report.modified && report.text.contains("; mine\r\n? \"line 0") && report.text.endsWith("as a paste does\r\n"));
        QVERIFY(readFile(path) == original && readFile(record) == kept);
        QCOMPARE(QDir(disk + QStringLiteral("/recovery")).entryList(QDir::Files | QDir::Hidden).size(), 2); // with the lock

        // A crash now: the next start restores the last complete record, though the disk is full.
        child.kill();
        fill();
        ScriptedDialogService dialogs;
        dialogs.messageAnswers = {MessageAnswer::Yes};
        frmMain window;
        QVERIFY(dialogs.messages.size() == 1 && window.activeEditor()->utf8Text() == RecoveryRecord::parse(kept)->text);
        // Its copy under this editor cannot be written: the record stays as it was.
        QTest::qWait(RecoveryJournal::DelayMs + 500);
        RecoveryJournal::waitForWrites();
        const QStringList records = QDir(disk + QStringLiteral("/recovery")).entryList({QStringLiteral("*.recovery")});
        QVERIFY(records.size() == 1 && readFile(disk + QStringLiteral("/recovery/") + records[0]) == kept);
#endif
    }

    void twoEditorsStartingTogetherRestoreOnce()
    {
        // Large enough that restoring takes a while: both would see it if nothing claimed it first.
        const QByteArray text = script(4 * 1024 * 1024);
        QVERIFY(writeRecord(QStringLiteral("999995-bb-1.recovery"), 999995, QStringLiteral("Untitled 1"), text));
        ChildEditor one, two;
        one.launch({QStringLiteral("--restore")});
        two.launch({QStringLiteral("--restore")});
        QVERIFY(one.waitStarted() && two.waitStarted());
        QCOMPARE(int(one.report().text == text) + int(two.report().text == text), 1);
    }

    // A folder that another user owns or may change is refused, said once, and the editor works on.
    void foreignRecoveryFolderIsRefused_data() { cases::addRows("recovery.txt", "foreign folders"); }
    void foreignRecoveryFolderIsRefused()
    {
#ifdef Q_OS_WIN
        QSKIP("owners and mode bits are POSIX; on Windows the profile's access rights keep the folder");
#endif
        QFETCH(QStringList, fields);
        const bool otherUser = fields[1] == "other user";
        // Run as root, the editor runs as nobody in a folder of root's; else in the system's root folder.
        const QString recovery = otherUser && !isRoot() ? QDir::rootPath() : folder(QStringLiteral("foreign%1").arg(run_));
        if (recovery != QDir::rootPath())
            QVERIFY(QFile::setPermissions(recovery, QFileDevice::Permissions(otherUser ? 0x7755 : 0x7777)));
        const QStringList before = QDir(recovery).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        // Everything else is the editor's own to use.
        const QString own = folder(QStringLiteral("own%1").arg(run_));
        QVERIFY(QFile::setPermissions(own, QFileDevice::Permissions(0x7777)));
        const QString path = own + QStringLiteral("/script.kix");
        writeFile(path, "; logon\r\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x6666)));
        qputenv("TESSARY_REGISTRY_FILE", (own + QStringLiteral("/registry.reg")).toLocal8Bit());
        qputenv("TESSARY_RECOVERY_DIR", recovery.toLocal8Bit());

        ChildEditor child;
        QStringList arguments{path};
        if (otherUser && isRoot())
            arguments = QStringList{QStringLiteral("--user"), QStringLiteral("65534")} + arguments; // as nobody
        QVERIFY(child.start(arguments));
        child.send(QStringLiteral("type ; typed\\n"));
        child.send(QStringLiteral("settle 2500"));
        QCOMPARE(QDir(recovery).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(child.send(QStringLiteral("save")), QStringList{QStringLiteral("saved 1")});
        const QStringList messages = child.report().messages;
        QVERIFY2(messages.size() == 1 && messages[0].contains(recovery) && messages[0].contains(fields[2]), qPrintable(messages.join('\n')));
        QVERIFY(readFile(path).endsWith("; typed\r\n; logon\r\n"));
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
