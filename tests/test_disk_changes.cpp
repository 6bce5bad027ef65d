// Scripts changed or removed on disk by another program while open.

#include "app/frmMain.h"
#include "document/files/DiskState.h"
#include "document/frmDocument.h"
#include "preferences/frmOptions.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QStatusBar>
#include <QTabBar>
#include <QtTest>

#include <filesystem>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <unistd.h>
#endif

using platform::MessageAnswer;

static QByteArray lines(int count, const char* word)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += QByteArray(word) + QByteArray::number(i) + "\r\n";
    return text;
}

class DiskChangesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int run_ = 0;

    QString script(const QByteArray& bytes) { return writeFileIn(dir_, QStringLiteral("s%1.kix").arg(run_), bytes); }

private slots:
    void init()
    {
        ++run_;
        qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(run_)).toLocal8Bit());
        qputenv("USERNAME", "tester");
    }
    void cleanup() { frmOptions::Unload(); }

    void untouchedDocumentFollowsTheFile()
    {
        const QString path = script(lines(200, "old"));
        ScriptedDialogService dialogs;
        frmMain window(path);
        window.show();
        CodeEditor* editor = window.activeEditor();
        editor->setCursorPosition(120, 2);
        editor->setFirstVisibleLine(100);

        writeFile(path, lines(210, "new"));
        QTRY_VERIFY_WITH_TIMEOUT(editor->LineText(0) == QStringLiteral("new0"), 5000);
        QVERIFY(!editor->Modified() && dialogs.messages.isEmpty() && window.sbStatusBar->currentMessage().contains("reloaded"));
        int line = 0, index = 0;
        editor->getCursorPosition(&line, &index);
        QVERIFY(line == 120 && editor->firstVisibleLine() == 100 && readFile(path) == lines(210, "new")); // reading never writes

        // A change the watcher cannot see (a network folder) shows when the document comes forward.
        const QString other = dir_.filePath(QStringLiteral("other%1.kix").arg(run_));
        writeFile(other, "x\r\n");
        window.OpenFile(other);
        auto* watcher = window.findChild<QFileSystemWatcher*>(QStringLiteral("diskWatcher"));
        watcher->removePaths(watcher->files());
        writeFile(path, lines(3, "unseen"));
        QTest::qWait(50);
        QCOMPARE(editor->LineText(0), QStringLiteral("new0"));
        window.tsTabs->setCurrentIndex(0);
        QCOMPARE(window.activeEditor(), editor);
        QTRY_COMPARE_WITH_TIMEOUT(editor->LineText(0), QStringLiteral("unseen0"), 5000);

        // Another file of the same size and time (a copy that keeps times), then another size at that
        // time: both are changes.
        const QDateTime time = QDateTime::currentDateTime().addSecs(-60);
        const auto setTime = [&](const QString& file) {
            QFile f(file);
            return f.open(QIODevice::ReadWrite) && f.setFileTime(time, QFileDevice::FileModificationTime);
        };
        const QString copy = dir_.filePath(QStringLiteral("copy%1.kix").arg(run_));
        writeFile(copy, lines(3, "unsaen"));
        QVERIFY(setTime(path) && setTime(copy));
        window.checkAllDiskChanges();
        std::filesystem::rename(copy.toStdString(), path.toStdString());
        QTRY_COMPARE_WITH_TIMEOUT(editor->LineText(0), QStringLiteral("unsaen0"), 5000);
#ifdef Q_OS_WIN
        QSKIP("Qt's watcher on Windows compares times only: a change that keeps the time shows when the editor comes forward");
#endif
        writeFile(path, lines(30, "unsaen"));
        QVERIFY(setTime(path));
        QTRY_COMPARE_WITH_TIMEOUT(editor->lines(), 31, 5000);
    }

    void editedDocumentAsksAndSaveAsksAgain()
    {
        const QString path = script("one\r\n");
        ScriptedDialogService dialogs;
        frmMain window(path);
        CodeEditor* editor = window.activeEditor();
        editor->insertAt(QStringLiteral("mine "), 0, 0);
        const QByteArray mine = editor->utf8Text();

        writeFile(path, "theirs\r\n");
        dialogs.messageAnswers = {MessageAnswer::No};
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.messages.size(), 1, 5000);
        QCOMPARE(dialogs.messages[0].text,
                 QDir::toNativeSeparators(path) + QStringLiteral(" has been changed by another program. Reload it and lose "
                                                                 "your changes?"));
        // Enter keeps the typed text.
        QVERIFY(dialogs.messages[0].buttons == platform::MessageButtons::YesNoDefaultNo && editor->utf8Text() == mine && editor->Modified());
        // Asked once for that version.
        window.checkAllDiskChanges();
        QCOMPARE(dialogs.messages.size(), 1);

        // Save asks before overwriting the other program's version; No writes nothing.
        dialogs.messageAnswers = {MessageAnswer::No};
        QVERIFY(!window.mnuFileSave_Click());
        QVERIFY(dialogs.messages.size() == 2 && dialogs.messages[1].text.contains(QStringLiteral("Overwrite it?")) &&
                dialogs.messages[1].buttons == platform::MessageButtons::YesNoDefaultNo);
        QCOMPARE(readFile(path), QByteArray("theirs\r\n"));
        dialogs.messageAnswers = {MessageAnswer::Yes};
        QVERIFY(window.mnuFileSave_Click() && readFile(path).contains("mine one"));
        // Once saved, the editor's own write is not a change by another program.
        QTest::qWait(200);
        window.checkAllDiskChanges();
        QCOMPARE(dialogs.messages.size(), 3);

        // Yes to the reload question takes the other program's text.
        editor->insertAt(QStringLiteral("more "), 0, 0);
        writeFile(path, "third\r\n");
        dialogs.messageAnswers = {MessageAnswer::Yes};
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.messages.size(), 4, 5000);
        QVERIFY(editor->utf8Text() == "third\r\n" && !editor->Modified());
    }

    // A save that fails after it has begun to write (here a file-size limit, in place for a file with
    // two names) puts the old content back with a new time: the editor's own write, not a change by
    // another program, so nothing offers to reload the file over the typed text.
    void failedSaveIsNoChangeByAnotherProgram()
    {
#ifndef Q_OS_UNIX
        QSKIP("the save is made to fail by a file-size limit, which Windows lacks");
#else
        const QString path = script(lines(100, "old"));
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(path + QStringLiteral(".link")).constData()), 0);
        ScriptedDialogService dialogs;
        frmMain window(path);
        CodeEditor* editor = window.activeEditor();
        editor->insertAt(QString::fromLatin1(lines(400, "mine")), 0, 0);
        const QByteArray mine = editor->utf8Text();
        const DiskState before = DiskState::of(path);
        QTest::qWait(20); // a new time, whatever the file system's clock step
        rlimit saved {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limit = saved;
        limit.rlim_cur = rlim_t(QFileInfo(path).size() + 100);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool written = window.mnuFileSave_Click();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written && readFile(path) == lines(100, "old") && !(DiskState::of(path) == before)); // the old content, a new time
        QTest::qWait(300);
        window.checkAllDiskChanges();
        QVERIFY(dialogs.messages.size() == 1 && editor->Modified() && editor->utf8Text().endsWith(mine)); // the failure, no question
#endif
    }

    void deletedFileKeepsItsDocument()
    {
        const QString path = script("keep me\r\n");
        ScriptedDialogService dialogs;
        frmMain window(path);
        CodeEditor* editor = window.activeEditor();
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY_WITH_TIMEOUT(window.sbStatusBar->currentMessage().contains(QStringLiteral("deleted")), 5000);
        QVERIFY(editor->Modified() && editor->utf8Text() == "keep me\r\n" && window.openDocuments().size() == 1);
        QVERIFY(window.mnuFileSave_Click() && dialogs.messages.isEmpty() && readFile(path).endsWith("keep me\r\n"));
    }
};

QTEST_MAIN(DiskChangesTest)
#include "test_disk_changes.moc"
