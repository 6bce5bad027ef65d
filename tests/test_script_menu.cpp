// The Script menu and the command prompt: enabling, the two stored options and runs of a saved script.

#include "app/frmMain.h"
#include "document/CodeEditor.h"
#include "document/frmDocument.h"
#include "execution/frmExecuteWarning.h"
#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"
#include "preferences/RegistryHandler.h"
#include "preferences/frmOptions.h"
#include "RecordingProcessLauncher.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

class ScriptMenuTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int run_ = 0;

private slots:
    void init()
    {
        qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(++run_)).toLocal8Bit());
        // A question no test expects is answered Cancel, never left waiting.
        frmExecuteWarning::ModalRunner = [](frmExecuteWarning& form) {
            form.cmdCancel->click();
            QFAIL("unexpected question");
        };
    }
    void cleanup()
    {
        frmExecuteWarning::ModalRunner = nullptr;
        frmOptions::Unload();
    }

    void optionsAreStoredAsText()
    {
        ScriptedDialogService dialogs;
        frmMain window;
        QVERIFY(!window.OsVersion5OrLater && !window.OsIsNT); // no NT system off Windows
        auto stored = [](const char* name) { return PrefRegistry()->GetRegValue(name, TaggedValue()).toString(); };
        for (const char* value : {"True", "False"}) {
            window.mnuStaysOpen->trigger();
            QCOMPARE(stored("ScriptWindowPersist"), QString(value));
        }
        for (const char* value : {"0", "1"}) {
            window.mnuAutosave->trigger();
            QCOMPARE(stored("ExecuteConfirm"), QString(value));
            QCOMPARE(Options::ExecuteConfirm, QString(value));
        }
    }

    void runsTheSavedScript()
    {
        ScriptedDialogService dialogs;
        RecordingProcessLauncher launcher;
        QString path = dir_.filePath(QStringLiteral("My Scripts/log on.kix"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        auto writeOld = [&path](const QByteArray& text) {
            writeFile(path, text);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
        };
        auto savedSinceOld = [&path] { return QFileInfo(path).lastModified().date().year() > 2001; };
        writeOld("? \"hi\"\r\n");

        frmMain window;
        window.show();
        QVERIFY(!window.mnuExecute->isEnabled() && !window.mnuDebug->isEnabled());
        window.OpenFile(path);
        QVERIFY(window.mnuExecute->isEnabled() && window.mnuDebug->isEnabled());

        QString answer = QStringLiteral("cmdCancel");
        frmExecuteWarning::ModalRunner = [&answer](frmExecuteWarning& form) {
            form.findChild<QPushButton*>(answer)->click();
        };
        window.activeDocument()->rtfText->insertAt(QStringLiteral("Beep\r\n"), 0, 0);
        window.mnuExecute->trigger();
        QVERIFY(launcher.started.isEmpty());
        QVERIFY(!savedSinceOld());

        answer = QStringLiteral("cmdYes");
        window.mnuExecute->trigger();
        QByteArray text = readFile(path);
        QVERIFY(text.startsWith(";**** Created with") && text.contains("Beep\r\n? \"hi\""));
        QCOMPARE(launcher.started.size(), 1);
        QCOMPARE(launcher.started[0].arguments, (QStringList{"/c", "kix32.exe", path}));

        // Autosave on: saved before every run, also when unchanged (only made older, so still the
        // editor's own version); off again: run as it is.
        frmOptions::Get()->txtKixPath->setText(QStringLiteral("/opt/kix/kix32.exe"));
        for (bool autosave : {true, false}) {
            window.mnuAutosave->trigger();
            writeOld(text);
            window.watchDocumentFile(window.activeDocument());
            (autosave ? window.mnuDebug : window.mnuExecute)->trigger();
            QCOMPARE(savedSinceOld(), autosave);
        }
        QCOMPARE(launcher.started.size(), 3);
        QCOMPARE(launcher.started[1].arguments, (QStringList{"/c", "/opt/kix/kix32.exe", "/d", path}));

        window.mnuCommandPrompt->trigger();
        QCOMPARE(launcher.started.last().program, launcher.comspec);
        QVERIFY(launcher.started.last().arguments.isEmpty());
        QVERIFY(dialogs.messages.isEmpty());

        // Without a file nothing runs, even through the handler itself.
        window.mnuFileNew_Click();
        QVERIFY(!window.mnuExecute->isEnabled());
        window.mnuExecute_Click();
        QCOMPARE(launcher.started.size(), 4);
    }

    // A save that fails does not stop the run: its own message first, then the file as last saved
    // runs. A path the command interpreter would change is refused in a message over the main window.
    void failedSaveAndRefusedPath()
    {
#ifdef Q_OS_UNIX
        ScriptedDialogService dialogs;
        RecordingProcessLauncher launcher;
        QStringList events;
        launcher.events = &events;
        dialogs.onMessage = [&events](const RecordedMessage& message) { events << message.text; };
        const QString path = writeFileIn(dir_, QStringLiteral("saving/run.kix"), "? \"old\"\r\n");
        frmMain window;
        window.OpenFile(path);
        window.activeDocument()->rtfText->insertAt(QString(8000, QLatin1Char(';')), 0, 0);
        frmExecuteWarning::ModalRunner = [](frmExecuteWarning& form) { form.cmdYes->click(); };
        // The file-size limit makes the save fail for real (also for root); the old file stays.
        rlimit limit{}, old{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        limit = old;
        limit.rlim_cur = 4096;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        window.mnuExecute->trigger();
        ::setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(events.size(), 2);
        QVERIFY2(events[0].contains(QStringLiteral("cannot be saved")), qPrintable(events[0]));
        QCOMPARE(events[1], QStringLiteral("start"));
        QCOMPARE(readFile(path), QByteArray("? \"old\"\r\n"));
        QCOMPARE(launcher.started[0].arguments.last(), path);
        QCOMPARE(launcher.started[0].workingFolder, QFileInfo(path).absolutePath());

        const QString refused = writeFileIn(dir_, QStringLiteral("saving/%USERNAME%.kix"), "? 1\r\n");
        window.OpenFile(refused);
        window.mnuDebug->trigger();
        QCOMPARE(launcher.started.size(), 1);
        QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("character '%'")));
        QCOMPARE(dialogs.messages.last().parent, &window);
#endif
    }
};

QTEST_MAIN(ScriptMenuTest)
#include "test_script_menu.moc"
