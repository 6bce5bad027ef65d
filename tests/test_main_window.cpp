// Start-up and shutdown of the main window: stored geometry, view toggles, the command line; the
// Script menu and the command prompt.

#include "CaseFile.h"
#include "MainWindowFixture.h"
#include "RecordingProcessLauncher.h"
#include "execution/frmExecuteWarning.h"
#include "preferences/Options.h"
#include "preferences/frmOptions.h"

#include <QtTest>
#include <QtWidgets>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

static void store(const QStringList& pairs)
{
    RegistryHandler registry = userKey();
    for (const QString& pair : pairs)
        registry.WriteRegValue(pair.section('=', 0, 0), TaggedValue::fromString(pair.section('=', 1)));
}

class MainWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::optional<Shown> shown_;

private slots:
    void init()
    {
        useFreshSettings(dir_);
        // A question no test expects is answered Cancel, never left waiting.
        frmExecuteWarning::ModalRunner = [](frmExecuteWarning& form) {
            form.cmdCancel->click();
            QFAIL("unexpected question");
        };
    }
    void cleanup()
    {
        shown_.reset();
        frmExecuteWarning::ModalRunner = nullptr;
        frmOptions::Unload();
    }

    void firstRunOpensAtFallBackAndWritesIdFirst()
    {
        ScriptedDialogService dialogs;
        {
            frmMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(userKey().EnumValues().value(0), (QStringList{"ID", "1"}));
            // Icons come from the installed theme or are drawn; a missing theme path leaves them blank.
            for (QAction* button : window.tbButtons)
                if (!button->isSeparator())
                    QVERIFY2(!button->icon().isNull(), qPrintable(button->data().toString()));
            window.close();
        }
        QCOMPARE(storedGeometry(), (QStringList{"960", "915", "10335", "6780"}));
        QVERIFY(userKey().GetRegValue("MainHeight", TaggedValue()).tag() == TaggedValue::Tag::String && dialogs.messages.isEmpty());

        // The next run opens where the stored geometry says and writes where it was moved to.
        storedGeometry({"1500", "1200", "9000", "7000"});
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry(), QRect(100, 80, 600, 467)); // at 96 dpi
        window.move(200, 150);
        window.close();
        QCOMPARE(storedGeometry().mid(0, 2), (QStringList{"3000", "2250"}));
    }

    void storedToggles_data() { cases::addRows("app_helpers.txt", "stored toggles"); }

    void storedToggles()
    {
        QFETCH(QStringList, fields);
        store(fields[1].split(' ', Qt::SkipEmptyParts));
        auto& [dialogs, window] = shown_.emplace();
        QString state;
        for (bool flag : {window.mnuViewToolbar->isChecked(), window.tb->isVisible(), window.mnuViewStatusBar->isChecked(),
                          window.sbStatusBar->isVisible(), window.mnuTabs->isChecked(), window.picTabs->isVisible(),
                          window.mnuStaysOpen->isChecked(), window.mnuAutosave->isChecked()})
            state += flag ? '1' : '0';
        QCOMPARE(state, fields[2]);
    }

    // The view toggles, and the Script menu's two options (autosave on is "no confirmation", "0").
    void togglesWriteTextValues()
    {
        auto& [dialogs, window] = shown_.emplace();
        const QList<std::tuple<QAction*, QWidget*, const char*, QStringList>> toggles{
            {window.mnuViewToolbar, window.tb, "ViewToolBar", {"0", "1"}},
            {window.mnuViewStatusBar, window.sbStatusBar, "ViewStatusBar", {"0", "1"}},
            {window.mnuTabs, window.picTabs, "ViewTabs", {"0", "1"}},
            {window.mnuStaysOpen, nullptr, "ScriptWindowPersist", {"True", "False"}},
            {window.mnuAutosave, nullptr, "ExecuteConfirm", {"0", "1"}}};
        for (const auto& [toggle, bar, name, values] : toggles) {
            for (const QString& value : values) {
                toggle->trigger();
                QCOMPARE(userKey().GetRegValue(name, TaggedValue()), TaggedValue::fromString(value));
                QVERIFY(bar ? bar->isVisible() == (value == "1") : toggle != window.mnuAutosave || Options::ExecuteConfirm == value);
            }
        }
#ifdef Q_OS_WIN
        QVERIFY(window.OsVersion5OrLater); // every Windows this program runs on
#else
        // No NT system off Windows: the run commands must not get the /s rule's flags.
        QVERIFY(!window.OsVersion5OrLater && !window.OsIsNT);
#endif
        // The tab row comes back only while there are tabs.
        window.activeDocument()->close();
        window.mnuTabs->trigger();
        window.mnuTabs->trigger();
        QVERIFY(!window.picTabs->isVisible());
    }

    void commandLineFileOpensAsDocumentOne()
    {
        // Every quote goes, also between and inside names.
        QCOMPARE(frmMain::commandLinePath("\"a b.kix\" \"c.kix\"") + "|" + frmMain::commandLinePath("x\"y\"\"z"), QString("a b.kix c.kix|xyz"));
        const QString path = writeFileIn(dir_, "My Scripts/logon.kix", "? \"hello\"\r\n");
        ScriptedDialogService dialogs;
        frmMain window("\"" + path + "\"");
        window.show();
        frmDocument* document = window.activeDocument();
        QCOMPARE(documentsShown(window), "1/1 logon.kix* > " + path);
        QCOMPARE(document->rtfText->LineText(0), QString("? \"hello\""));
        // The frame names the maximised script it shows from the start.
        const QString titled = "Tessary Editor - [" + path + "]";
        QCOMPARE(window.windowTitle(), titled);
        window.mnuFileNew_Click();
        QCOMPARE(window.windowTitle(), QString("Tessary Editor - [Untitled 2]"));
        // The INS panel follows the document in front as it comes forward (dimmed for overwrite).
        const auto insertShown = [&] {
            const QList<QLabel*> panels = window.sbStatusBar->findChildren<QLabel*>();
            return std::count_if(panels.begin(), panels.end(), [](QLabel* p) { return p->text() == "INS" && p->isEnabled(); });
        };
        QCOMPARE(insertShown(), 1);
        document->rtfText->setOverwriteMode(true);
        window.tsTabs->setCurrentIndex(0);
        QCOMPARE(window.windowTitle(), titled);
        QCOMPARE(insertShown(), 0);
        document->rtfText->setOverwriteMode(false);
        document->showNormal();
        QCOMPARE(window.windowTitle(), QString("Tessary Editor"));
        document->showMaximized();
        dialogs.saveAnswers = {dir_.filePath("renamed.kix")};
        QVERIFY(window.mnuFileSaveAs_Click());
        QCOMPARE(window.windowTitle(), "Tessary Editor - [" + QDir::toNativeSeparators(dir_.filePath("renamed.kix")) + "]");
        QVERIFY(!document->rtfText->Modified() && !window.Changed[1]);

        // Two quoted paths make one path that does not exist: document 1 stays untitled and empty.
        frmMain other("\"" + path + "\" \"" + path + "\"");
        QVERIFY(other.activeDocument()->Caption() == "Untitled 1" && other.activeDocument()->rtfText->TextLength() == 0);
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].text.startsWith(path + " " + path));
    }

    // ---- The Script menu and the command prompt: enabling and runs ----

    void runsTheSavedScript()
    {
        ScriptedDialogService dialogs;
        RecordingProcessLauncher launcher;
        const QString path = writeFileIn(dir_, QStringLiteral("My Scripts/log on.kix"), {});
        auto writeOld = [&path](const QByteArray& text) {
            writeFile(path, text);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
        };
        auto savedSinceOld = [&path] { return QFileInfo(path).lastModified().date().year() > 2001; };
        writeOld("? \"hi\"\r\n");

        frmMain window;
        window.show();
        window.OpenFile(path);
        QVERIFY(window.mnuExecute->isEnabled() && window.mnuDebug->isEnabled());

        // Changed: Yes saves it, stamped, and runs the saved file.
        frmExecuteWarning::ModalRunner = [](frmExecuteWarning& form) { form.cmdYes->click(); };
        window.activeDocument()->rtfText->insertAt(QStringLiteral("Beep\r\n"), 0, 0);
        window.mnuExecute->trigger();
        QByteArray text = readFile(path);
        QVERIFY(text.startsWith(";**** Created with") && text.contains("Beep\r\n? \"hi\""));
#ifdef Q_OS_WIN // one command line for the interpreter, in the form for NT 5 and later
        QCOMPARE(launcher.started.value(0).commandLine, "/bin/cmd /s /c \"\"kix32.exe\" \"" + path + "\"\"");
#else
        QCOMPARE(launcher.started.value(0).arguments, (QStringList{"/c", "kix32.exe", path}));
#endif

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
#ifdef Q_OS_WIN
        QCOMPARE(launcher.started[1].commandLine, "/bin/cmd /s /c \"\"/opt/kix/kix32.exe\" /d \"" + path + "\"\"");
#else
        QCOMPARE(launcher.started[1].arguments, (QStringList{"/c", "/opt/kix/kix32.exe", "/d", path}));
#endif

        window.mnuCommandPrompt->trigger();
        QVERIFY(launcher.started.last().program == launcher.comspec && launcher.started.last().arguments.isEmpty() &&
                dialogs.messages.isEmpty());

        // Without a file nothing runs, even through the handler itself.
        window.mnuFileNew_Click();
        QVERIFY(!window.mnuExecute->isEnabled() && !window.mnuDebug->isEnabled());
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
        rlimit old{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit limit = old;
        limit.rlim_cur = 4096;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        window.mnuExecute->trigger();
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY2(events.size() == 2 && events[0].contains("cannot be saved") && events[1] == "start", qPrintable(events.join('|')));
        QCOMPARE(readFile(path), QByteArray("? \"old\"\r\n"));
        QVERIFY(launcher.started[0].arguments.last() == path && launcher.started[0].workingFolder == QFileInfo(path).absolutePath());

        const QString refused = writeFileIn(dir_, QStringLiteral("saving/%USERNAME%.kix"), "? 1\r\n");
        window.OpenFile(refused);
        window.mnuDebug->trigger();
        QVERIFY(launcher.started.size() == 1 && dialogs.messages.last().text.contains(QStringLiteral("character '%'")) &&
                dialogs.messages.last().parent == &window);
#endif
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
