// Unsaved work under what users meet and a test process cannot do to itself: steady typing up to a
// kill, a full disk, a run in a container (a PID namespace of its own), two editors starting at once,
// a recovery folder that another user controls. Each drives editors in processes of their own.

#include "app/frmMain.h"
#include "document/CodeEditor.h"
#include "document/RecoveryFolder.h"
#include "document/RecoveryJournal.h"
#include "preferences/frmOptions.h"
#include "ChildEditor.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using platform::MessageAnswer;

namespace {

#ifdef Q_OS_UNIX
constexpr uid_t Nobody = 65534;
bool isRoot() { return ::geteuid() == 0; }
#else
constexpr int Nobody = 65534;
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

// unshare as this user may use it: as root directly, otherwise within a user namespace of its own.
QStringList unshare(const QStringList& options)
{
    return QStringList{QStringLiteral("unshare")}
           + (isRoot() ? QStringList() : QStringList{QStringLiteral("--user"), QStringLiteral("--map-root-user")})
           + options;
}

QByteArray script(int bytes)
{
    QByteArray text;
    for (int line = 0; text.size() < bytes; ++line)
        text += "? \"line " + QByteArray::number(line) + " of a logon script\"\r\n";
    return text;
}

QString journaled(ChildEditor& child)
{
    const QString answer = child.send(QStringLiteral("journal")).value(0);
    return answer.startsWith(QLatin1String("journaled ")) ? answer.mid(10) : QString();
}

} // namespace

class RecoveryProcessesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int run_ = 0;

    QString folder(const QString& name)
    {
        QDir().mkpath(dir_.filePath(name));
        return dir_.filePath(name);
    }

private slots:
    void initTestCase() { QVERIFY(QFile::setPermissions(dir_.path(), QFileDevice::Permissions(0x7755))); }
    void init()
    {
        ++run_;
        qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(run_)).toLocal8Bit());
        qputenv("TESSARY_RECOVERY_DIR", dir_.filePath(QStringLiteral("recovery%1").arg(run_)).toLocal8Bit());
    }
    void cleanup()
    {
        RecoveryJournal::waitForWrites();
        frmOptions::Unload();
    }

    // Typing without a pause is kept too: a kill loses at most the last two seconds.
    void steadyTypingIsKeptWithinTwoSeconds()
    {
        ChildEditor child;
        QVERIFY(child.start({}));
        QByteArray typed;
        QList<qint64> typedAt;
        QElapsedTimer clock;
        clock.start();
        for (int key = 0; key < 40; ++key, QTest::qWait(250)) {
            typed += char('a' + key % 26);
            QVERIFY(child.send(QStringLiteral("type ") + typed.back()).isEmpty());
            typedAt << clock.elapsed();
        }
        child.kill();
        const qint64 killedAt = clock.elapsed();

        ScriptedDialogService dialogs;
        dialogs.messageAnswers = {MessageAnswer::Yes};
        frmMain window;
        QCOMPARE(dialogs.messages.size(), 1);
        const QByteArray restored = window.activeEditor()->utf8Text();
        QCOMPARE(restored, typed.left(restored.size()));
        // Half a second for the write itself and a busy machine.
        const qint64 needed = std::count_if(typedAt.begin(), typedAt.end(),
                                            [&](qint64 at) { return at <= killedAt - RecoveryJournal::DelayMs - 500; });
        QVERIFY2(restored.size() >= needed, qPrintable(QStringLiteral("%1 of the %2 keys typed two seconds before the "
                                                                      "kill came back").arg(restored.size()).arg(needed)));
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
            const QString output = run(unshare({QStringLiteral("--mount"), QCoreApplication::applicationFilePath(),
                                                QStringLiteral("fullDiskKeepsTextAndRecord")}),
                                       &status);
            qunsetenv("TESSARY_TEST_NAMESPACE");
            if (status != 0 && output.contains(QLatin1String("unshare failed")))
                QSKIP(qPrintable(QStringLiteral("no user namespace for a 1 MB tmpfs here: ") + output));
            QVERIFY2(status == 0, qPrintable(output));
            return;
        }
        const QString disk = folder(QStringLiteral("disk"));
        int status = 0;
        const QString mounted = run({QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                     QStringLiteral("-o"), QStringLiteral("size=1m,mode=0755"), QStringLiteral("tmpfs"), disk},
                                    &status);
        if (status != 0)
            QSKIP(qPrintable(QStringLiteral("no 1 MB tmpfs can be mounted here: ") + mounted));
        const auto unmount = qScopeGuard([&] { run({QStringLiteral("umount"), QStringLiteral("-l"), disk}); });
        QDir().mkpath(disk + QStringLiteral("/scripts"));
        const QString path = disk + QStringLiteral("/scripts/logon.kix");
        const QByteArray original = script(200 * 1024);
        writeFile(path, original);
        // A second name for the file: the save rewrites it in place.
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(disk + QStringLiteral("/scripts/also.kix")).constData()), 0);
        qputenv("TESSARY_RECOVERY_DIR", (disk + QStringLiteral("/recovery")).toLocal8Bit());

        ChildEditor child;
        QVERIFY(child.start({path}));
        child.send(QStringLiteral("type ; mine\\n"));
        const QString record = journaled(child);
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
        QCOMPARE(readFile(record), kept);
        QVERIFY(child.report().status.contains(QStringLiteral("cannot be kept for recovery")));
        QCOMPARE(child.send(QStringLiteral("save")), QStringList{QStringLiteral("saved 0")});
        child.send(QStringLiteral("settle 1500")); // the disk watch has seen the failed save's own write
        const ChildEditor::Report report = child.report();
        QCOMPARE(report.messages.size(), 1);
        QVERIFY2(report.messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOSPC))), qPrintable(report.messages[0]));
        QVERIFY(report.modified && report.text.contains("; mine\r\n? \"line 0") && report.text.endsWith("as a paste does\r\n"));
        QCOMPARE(readFile(path), original);
        QCOMPARE(readFile(record), kept);
        QCOMPARE(QDir(disk + QStringLiteral("/recovery")).entryList(QDir::Files | QDir::Hidden).size(), 2); // with the lock

        // A crash now: the next start restores the last complete record, though the disk is full.
        child.kill();
        fill();
        ScriptedDialogService dialogs;
        dialogs.messageAnswers = {MessageAnswer::Yes};
        frmMain window;
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(window.activeEditor()->utf8Text(), RecoveryRecord::parse(kept)->text);
        // Its copy under this editor cannot be written: the record stays as it was.
        QTest::qWait(RecoveryJournal::DelayMs + 500);
        RecoveryJournal::waitForWrites();
        const QStringList records = QDir(disk + QStringLiteral("/recovery")).entryList({QStringLiteral("*.recovery")});
        QCOMPARE(records.size(), 1);
        QCOMPARE(readFile(disk + QStringLiteral("/recovery/") + records[0]), kept);
#endif
    }

    // In a container every run may get the same process number: the previous run's work is still
    // offered, and not taken for this run's own.
    void newPidNamespaceRestoresThePreviousRun()
    {
#ifdef Q_OS_WIN
        QSKIP("PID namespaces are Linux's");
#endif
        const QStringList wrapper = unshare({QStringLiteral("--pid"), QStringLiteral("--fork"), QStringLiteral("--kill-child=SIGKILL")});
        int status = 0;
        run(wrapper + QStringList{QStringLiteral("true")}, &status);
        if (status != 0)
            QSKIP("no new PID namespace is permitted here (unshare --pid --fork failed)");
        const QString path = dir_.filePath(QStringLiteral("container.kix"));
        writeFile(path, "; logon\r\n");
        ChildEditor first;
        QVERIFY(first.start({path}, wrapper));
        first.send(QStringLiteral("type ; before the crash\\n"));
        const QString record = journaled(first);
        QVERIFY2(QFileInfo(record).fileName().startsWith(QLatin1String("1-")), qPrintable(record));
        const QByteArray typed = first.report().text;
        first.kill();

        ChildEditor second;
        QVERIFY(second.start({QStringLiteral("--restore"), path}, wrapper));
        const ChildEditor::Report report = second.report();
        QCOMPARE(report.text, typed);
        QVERIFY(report.modified);
    }

    void twoEditorsStartingTogetherRestoreOnce()
    {
        // Large enough that restoring takes a while: both would see it if nothing claimed it first.
        const QByteArray text = script(4 * 1024 * 1024);
        RecoveryRecord record;
        record.pid = 999995;
        record.title = QStringLiteral("Untitled 1");
        record.changed = QDateTime::currentDateTimeUtc();
        QVERIFY(RecoveryFolder::current()->write(QStringLiteral("999995-bb-1.recovery"), record.header(text.size()), text));
        ChildEditor one, two;
        one.launch({QStringLiteral("--restore")});
        two.launch({QStringLiteral("--restore")});
        QVERIFY(one.waitStarted() && two.waitStarted());
        const int restored = int(one.report().text == text) + int(two.report().text == text);
        QCOMPARE(restored, 1);
    }

    // A folder that another user owns or may change is refused, said once, and the editor works on.
    void foreignRecoveryFolderIsRefused_data()
    {
        QTest::addColumn<bool>("otherUser");
        QTest::addColumn<QString>("reason");
        QTest::newRow("owned by another user") << true << QStringLiteral("belongs to another user");
        QTest::newRow("writable by others") << false << QStringLiteral("can be changed by other users");
    }
    void foreignRecoveryFolderIsRefused()
    {
#ifdef Q_OS_WIN
        QSKIP("owners and mode bits are POSIX; on Windows the profile's access rights keep the folder");
#endif
        QFETCH(bool, otherUser);
        QFETCH(QString, reason);
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
            arguments = QStringList{QStringLiteral("--user"), QString::number(Nobody)} + arguments;
        QVERIFY(child.start(arguments));
        child.send(QStringLiteral("type ; typed\\n"));
        child.send(QStringLiteral("settle 2500"));
        QCOMPARE(QDir(recovery).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(child.send(QStringLiteral("save")), QStringList{QStringLiteral("saved 1")});
        const ChildEditor::Report report = child.report();
        QCOMPARE(report.messages.size(), 1);
        QVERIFY2(report.messages[0].contains(recovery) && report.messages[0].contains(reason), qPrintable(report.messages[0]));
        QVERIFY(readFile(path).endsWith("; typed\r\n; logon\r\n"));
    }
};

int main(int argc, char** argv)
{
    if (const std::optional<int> child = runChildEditor(argc, argv))
        return *child;
    QApplication app(argc, argv);
    RecoveryProcessesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery_processes.moc"
