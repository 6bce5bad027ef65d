// Saving over existing files: read-only folders and files, hard links, pipes, file-size limits, owner,
// mode and extended attributes. Saves that could end or block a process run in a helper process.

#include "document/files/ScriptFile.h"
#include "TestFiles.h"

#include <QtTest>

#ifdef Q_OS_WIN
// Owners, modes, links made with link(), pipes and the file-size signal are POSIX matters; the
// Windows save (access lists, attributes, second names, read-only files) is checked against the
// real system in tests/windows.
class TestFileSaving : public QObject {
    Q_OBJECT
private slots:
    void posixOwnersModesLinksPipesAndLimits()
    {
        QSKIP("POSIX file-system cases; Windows saves are checked in windows_backends_test");
    }
};
#else

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Root may write anything: checks of what a user may not do run the helper as "nobody".
constexpr uid_t kOtherUser = 65534;
bool isRoot() { return ::geteuid() == 0; }

struct HelperRun {
    int exitCode;
    bool crashed;
    QString output;
};

HelperRun runHelper(QStringList arguments, const QString& tempFolder = {}, bool asUser = false)
{
    if (asUser && isRoot())
        arguments = QStringList{QStringLiteral("--user"), QString::number(kOtherUser)} + arguments;
    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!tempFolder.isEmpty())
        environment.insert(QStringLiteral("TMPDIR"), tempFolder);
    helper.setProcessEnvironment(environment);
    helper.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tessary_save_helper"), arguments);
    if (!helper.waitForFinished(20000)) { // a save that blocks must not hang the test
        helper.kill();
        helper.waitForFinished();
        return {-1, true, QStringLiteral("timed out")};
    }
    return {helper.exitCode(), helper.exitStatus() == QProcess::CrashExit,
            QString::fromLocal8Bit(helper.readAllStandardOutput()).trimmed()};
}

void giveToHelperUser(const QString& path)
{
    if (isRoot())
        QCOMPARE(::chown(QFile::encodeName(path).constData(), kOtherUser, kOtherUser), 0);
}

struct stat statOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

class TestFileSaving : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid() && QFile::setPermissions(dir_.path(), QFileDevice::Permissions(0x7755))); // the helper user passes
    }

    void readOnlyFolderSavesInPlace()
    {
        const QString locked = folder(QStringLiteral("locked")), temp = folder(QStringLiteral("locked-tmp"));
        const QString path = locked + QStringLiteral("/script.kix");
        writeFile(path, "old text\r\n");
        giveToHelperUser(path);
        giveToHelperUser(temp);
        const ino_t inode = statOf(path).st_ino;
        QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions(0x5555)));
        const HelperRun run = runHelper({path, QStringLiteral("new text")}, temp, true);
        QFile::setPermissions(locked, QFileDevice::Permissions(0x7755));
        QVERIFY(run.output == "saved" && readFile(path) == "new text" && statOf(path).st_ino == inode);
        // The copy of the old content is gone.
        QVERIFY(entries(locked) == QStringList{QStringLiteral("script.kix")} && entries(temp).isEmpty());
    }

    void hardLinksKept()
    {
        const QString links = folder(QStringLiteral("links"));
        const QString path = links + QStringLiteral("/script.kix"), other = links + QStringLiteral("/other-name.kix");
        writeFile(path, "old text, longer than the new one\r\n");
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
        QVERIFY(ScriptFile::write(path, "; stamp\r\n", "body").ok() && readFile(other) == "; stamp\r\nbody" &&
                statOf(path).st_ino == statOf(other).st_ino);
        QCOMPARE(entries(links), (QStringList{QStringLiteral("other-name.kix"), QStringLiteral("script.kix")}));
    }

    void pipeRefused()
    {
        const QString path = folder(QStringLiteral("pipe")) + QStringLiteral("/script.kix");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        const HelperRun run = runHelper({path, QStringLiteral("text")});
        QVERIFY2(run.exitCode == 1 && run.output.contains(QStringLiteral("not a regular file")), qPrintable(run.output));
        QVERIFY(S_ISFIFO(statOf(path).st_mode));
    }

    // Both the replacing save and the in-place one (for a hard-linked file).
    void fileSizeLimitFailsCleanly()
    {
        for (bool hardLinked : {false, true}) {
            const QString box = folder(QStringLiteral("limit-%1").arg(hardLinked));
            const QString temp = folder(QStringLiteral("limit-tmp-%1").arg(hardLinked)), path = box + QStringLiteral("/script.kix");
            writeFile(path, "old contents\r\n");
            QStringList names{QStringLiteral("script.kix")};
            if (hardLinked) {
                QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(box + "/a-link.kix").constData()), 0);
                names.prepend(QStringLiteral("a-link.kix"));
            }
            // Nothing in the helper ignores SIGXFSZ: the library must.
            const HelperRun run = runHelper(
                {QStringLiteral("--file-size-limit"), QStringLiteral("4096"), path, QString(100000, QLatin1Char('n'))}, temp);
            QVERIFY2(!run.crashed, "the file-size signal ended the program");
            QVERIFY2(run.exitCode == 1 && run.output.contains(systemReason(EFBIG)), qPrintable(run.output));
            QVERIFY(readFile(path) == "old contents\r\n" && entries(box) == names && entries(temp).isEmpty());
        }
    }

    // A read-only file is refused with the system's reason; it is not replaced by a writable copy.
    void readOnlyFileRefused()
    {
        const QString box = folder(QStringLiteral("readonly"));
        const QString path = box + QStringLiteral("/script.kix");
        writeFile(path, "old");
        giveToHelperUser(box);
        giveToHelperUser(path);
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x4444)));
        const HelperRun run = runHelper({path, QStringLiteral("new")}, {}, true);
        QVERIFY2(run.exitCode == 1 && run.output.contains(systemReason(EACCES)), qPrintable(run.output));
        QVERIFY(readFile(path) == "old" && (statOf(path).st_mode & 07777) == 0444 && entries(box) == QStringList{"script.kix"});
    }

    void ownerModeAndAttributesKept()
    {
        const QString box = folder(QStringLiteral("attributes"));
        const QString fresh = box + QStringLiteral("/new.kix");
        const mode_t mask = ::umask(002); // a group-writable umask: the mode follows it
        QVERIFY(ScriptFile::write(fresh, {}, "new").ok());
        ::umask(mask);
        QCOMPARE(statOf(fresh).st_mode & 07777, mode_t(0664));

        const QString path = box + QStringLiteral("/script.kix");
        writeFile(path, "x");
        const QByteArray native = QFile::encodeName(path);
        QCOMPARE(::chmod(native.constData(), 02640), 0);
        giveToHelperUser(path); // saved by root, another user's file stays theirs
        const bool attributes = ::setxattr(native.constData(), "user.tessary.note", "kept", 4, 0) == 0;
        const int attributeError = errno;
        QVERIFY(ScriptFile::write(path, {}, "y").ok() && readFile(path) == "y" && (statOf(path).st_mode & 07777) == 02640);
        if (isRoot())
            QVERIFY(statOf(path).st_uid == kOtherUser && statOf(path).st_gid == gid_t(kOtherUser));
        if (!attributes)
            QSKIP(qPrintable(QStringLiteral("the temporary folder takes no user.* extended attributes: ") +
                             systemReason(attributeError)));
        char value[16] = {};
        QCOMPARE(::getxattr(native.constData(), "user.tessary.note", value, sizeof value), ssize_t(4));
        QCOMPARE(QByteArray(value), QByteArray("kept"));
    }

private:
    QString folder(const QString& name) { return QDir().mkpath(dir_.filePath(name)), dir_.filePath(name); }
    QTemporaryDir dir_;
};

#endif // Q_OS_WIN

QTEST_GUILESS_MAIN(TestFileSaving)
#include "test_file_saving.moc"
