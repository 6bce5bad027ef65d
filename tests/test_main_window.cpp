// Start-up and shutdown of the main window: stored geometry, view toggles, the command line; the
// Script menu and the command prompt.

#include "MainWindowFixture.h"
#include "RecordingProcessLauncher.h"
#include "execution/frmExecuteWarning.h"
#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"
#include "preferences/RegistryHandler.h"
#include "preferences/frmOptions.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

static RegistryHandler preferences()
{
    RegistryHandler registry;
    registry.SetHive(0x80000001u);
    registry.SetSubKey(kPreferencesKey);
    return registry;
}

static void store(const QStringList& pairs)
{
    RegistryHandler registry = preferences();
    for (const QString& pair : pairs)
        registry.WriteRegValue(pair.section('=', 0, 0), TaggedValue::fromString(pair.section('=', 1)));
}

static QStringList geometry()
{
    QStringList values;
    for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        values << preferences().GetRegValue(name, TaggedValue()).toString();
    return values;
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
            QList<QStringList> values = preferences().EnumValues();
            QVERIFY(!values.isEmpty());
            QCOMPARE(values.first().first(), QString("ID"));
            QCOMPARE(preferences().GetRegValue("ID", TaggedValue()).toString(), QString("1"));
            // Icons come from the installed theme or are drawn; a missing theme path leaves them blank.
            for (QAction* button : window.tbButtons)
                if (!button->isSeparator())
                    QVERIFY2(!button->icon().isNull(), qPrintable(button->data().toString()));
            window.close();
        }
        QCOMPARE(geometry(), (QStringList{"960", "915", "10335", "6780"}));
        QCOMPARE(preferences().GetRegValue("MainHeight", TaggedValue()).tag(), TaggedValue::Tag::String);
        QVERIFY(dialogs.messages.isEmpty());
    }

    void storedGeometryIsUsedAndMoveWritten()
    {
        store({"MainLeft=1500", "MainTop=1200", "MainWidth=9000", "MainHeight=7000"});
        auto& [dialogs, window] = shown_.emplace();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry(), QRect(100, 80, 600, 467)); // at 96 dpi
        window.move(200, 150);
        window.close();
        QCOMPARE(geometry().mid(0, 2), (QStringList{"3000", "2250"}));
    }

    void storedToggles_data()
    {
        // Flags: toolbar checked/shown, status bar checked/shown, tabs checked/shown, stays open, autosave.
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("flags");
        QTest::newRow("first run") << QStringList() << "11111100";
        QTest::newRow("malformed keeps design") << QStringList{"ViewToolBar=abc", "ViewStatusBar=0",
                                                               "ScriptWindowPersist=True", "ExecuteConfirm=0"} << "11001111";
        QTest::newRow("off hides the bars") << QStringList{"ViewToolBar=0", "ViewTabs=False"} << "00110000";
    }

    void storedToggles()
    {
        QFETCH(QStringList, stored);
        QFETCH(QString, flags);
        store(stored);
        auto& [dialogs, window] = shown_.emplace();
        QString state;
        for (bool flag : {window.mnuViewToolbar->isChecked(), window.tb->isVisible(), window.mnuViewStatusBar->isChecked(),
                          window.sbStatusBar->isVisible(), window.mnuTabs->isChecked(), window.picTabs->isVisible(),
                          window.mnuStaysOpen->isChecked(), window.mnuAutosave->isChecked()})
            state += flag ? '1' : '0';
        QCOMPARE(state, flags);
    }

    void togglesWriteTextValues()
    {
        auto& [dialogs, window] = shown_.emplace();
        const QList<std::tuple<QAction*, QWidget*, const char*>> toggles{
            {window.mnuViewToolbar, window.tb, "ViewToolBar"},
            {window.mnuViewStatusBar, window.sbStatusBar, "ViewStatusBar"},
            {window.mnuTabs, window.picTabs, "ViewTabs"}};
        for (const auto& [toggle, bar, name] : toggles) {
            for (const char* value : {"0", "1"}) {
                toggle->trigger();
                QCOMPARE(preferences().GetRegValue(name, TaggedValue()), TaggedValue::fromString(value));
                QCOMPARE(bar->isVisible(), *value == '1');
            }
        }
        // The tab row comes back only while there are tabs.
        window.activeDocument()->close();
        window.mnuTabs->trigger();
        window.mnuTabs->trigger();
        QVERIFY(!window.picTabs->isVisible());
    }

    void commandLineFileOpensAsDocumentOne()
    {
        // Every quote goes, also between and inside names.
        QCOMPARE(frmMain::commandLinePath("\"a b.kix\" \"c.kix\""), QString("a b.kix c.kix"));
        QCOMPARE(frmMain::commandLinePath("x\"y\"\"z"), QString("xyz"));
        const QString path = writeFileIn(dir_, "My Scripts/logon.kix", "? \"hello\"\r\n");
        ScriptedDialogService dialogs;
        frmMain window("\"" + path + "\"");
        window.show();
        frmDocument* document = window.activeDocument();
        QCOMPARE(document->Caption(), path);
        QCOMPARE(window.tsTabs->tabText(0), QString("logon.kix"));
        QCOMPARE(document->rtfText->LineText(0), QString("? \"hello\""));
        // The frame names the maximised script it shows from the start.
        const QString titled = "Tessary Editor - [" + path + "]";
        QCOMPARE(window.windowTitle(), titled);
        window.mnuFileNew_Click();
        QCOMPARE(window.windowTitle(), QString("Tessary Editor - [Untitled 2]"));
        window.tsTabs->setCurrentIndex(0);
        QCOMPARE(window.windowTitle(), titled);
        document->showNormal();
        QCOMPARE(window.windowTitle(), QString("Tessary Editor"));
        document->showMaximized();
        dialogs.saveAnswers = {dir_.filePath("renamed.kix")};
        QVERIFY(window.mnuFileSaveAs_Click());
        QCOMPARE(window.windowTitle(), "Tessary Editor - [" + QDir::toNativeSeparators(dir_.filePath("renamed.kix")) + "]");
        QVERIFY(!document->rtfText->Modified() && !window.Changed[1]);

        // Two quoted paths make one path that does not exist: document 1 stays untitled and empty.
        frmMain other("\"" + path + "\" \"" + path + "\"");
        QCOMPARE(other.activeDocument()->Caption(), QString("Untitled 1"));
        QCOMPARE(other.activeDocument()->rtfText->TextLength(), 0);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.startsWith(path + " " + path));
    }

    // ---- The Script menu and the command prompt: enabling, the two stored options and runs ----

    void optionsAreStoredAsText()
    {
        ScriptedDialogService dialogs;
        frmMain window;
#ifdef Q_OS_WIN
        QVERIFY(window.OsVersion5OrLater); // every Windows this program runs on
#else
        QVERIFY(!window.OsVersion5OrLater && !window.OsIsNT); // no NT system off Windows
#endif
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
        const QString path = writeFileIn(dir_, QStringLiteral("My Scripts/log on.kix"), {});
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
#ifdef Q_OS_WIN // one command line for the interpreter, in the form for NT 5 and later
        QCOMPARE(launcher.started[0].commandLine, "/bin/cmd /s /c \"\"kix32.exe\" \"" + path + "\"\"");
#else
        QCOMPARE(launcher.started[0].arguments, (QStringList{"/c", "kix32.exe", path}));
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

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
