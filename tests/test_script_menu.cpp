// The Script menu and the command prompt in the main window: enabling, the two stored options and
// runs of a saved script.

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

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class ScriptMenuTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void optionsAreStoredAndSurviveRestart();
    void runsTheSavedScript();

private:
    static QString stored(const char* name)
    {
        return PrefRegistry()->GetRegValue(QLatin1String(name), TaggedValue::fromString("absent")).toString();
    }
    QTemporaryDir dir_;
    int run_ = 0;
};

void ScriptMenuTest::init()
{
    qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(++run_)).toLocal8Bit());
    // A question no test expects is answered Cancel, never left waiting.
    frmExecuteWarning::ModalRunner = [](frmExecuteWarning& form) {
        form.cmdCancel->click();
        QFAIL("unexpected question");
    };
}

void ScriptMenuTest::cleanup()
{
    frmExecuteWarning::ModalRunner = nullptr;
    frmOptions::Unload();
}

void ScriptMenuTest::optionsAreStoredAndSurviveRestart()
{
    ScriptedDialogService dialogs;
    {
        frmMain window;
        QVERIFY(!window.OsVersion5OrLater && !window.OsIsNT); // no NT system off Windows
        window.mnuStaysOpen->trigger();
        QCOMPARE(stored("ScriptWindowPersist"), QStringLiteral("True"));
        window.mnuStaysOpen->trigger();
        QCOMPARE(stored("ScriptWindowPersist"), QStringLiteral("False"));
        window.mnuAutosave->trigger();
        QCOMPARE(stored("ExecuteConfirm"), QStringLiteral("0"));
        QCOMPARE(Options::ExecuteConfirm, QStringLiteral("0"));
        window.close();
    }
    {
        frmMain window;
        QVERIFY(!window.mnuStaysOpen->isChecked());
        QVERIFY(window.mnuAutosave->isChecked());
        window.mnuAutosave->trigger();
        QCOMPARE(stored("ExecuteConfirm"), QStringLiteral("1"));
        QCOMPARE(Options::ExecuteConfirm, QStringLiteral("1"));
        window.mnuStaysOpen->trigger();
        window.close();
    }
    frmMain window;
    QVERIFY(window.mnuStaysOpen->isChecked());
    QVERIFY(!window.mnuAutosave->isChecked());
}

void ScriptMenuTest::runsTheSavedScript()
{
    ScriptedDialogService dialogs;
    RecordingProcessLauncher launcher;
    QString path = dir_.filePath(QStringLiteral("My Scripts/log on.kix"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto writeOld = [&path](const QByteArray& text) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
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
    QVERIFY(savedSinceOld());
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QByteArray text = saved.readAll();
    QVERIFY(text.startsWith(";**** Created with"));
    QVERIFY(text.contains("Beep\r\n? \"hi\""));
    QCOMPARE(launcher.started.size(), 1);
    QCOMPARE(launcher.started[0].arguments, (QStringList{"/c", "kix32.exe", path}));

    // Autosave on: saved before every run, also when unchanged; off again: run as it is.
    frmOptions::Get()->txtKixPath->setText(QStringLiteral("/opt/kix/kix32.exe"));
    window.mnuAutosave->trigger();
    writeOld(text);
    // Only made older: still the editor's own version, not another program's.
    window.watchDocumentFile(window.activeDocument());
    window.mnuDebug->trigger();
    QVERIFY(savedSinceOld());
    QCOMPARE(launcher.started.last().arguments, (QStringList{"/c", "/opt/kix/kix32.exe", "/d", path}));
    window.mnuAutosave->trigger();
    writeOld(text);
    window.watchDocumentFile(window.activeDocument());
    window.mnuExecute->trigger();
    QVERIFY(!savedSinceOld());
    QCOMPARE(launcher.started.size(), 3);

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

QTEST_MAIN(ScriptMenuTest)
#include "test_script_menu.moc"
