// The run command, how it reaches the system, the check before running, and a real child start.

#include "CaseFile.h"
#include "RecordingProcessLauncher.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"
#include "execution/ExecutionHost.h"
#include "execution/RunCommand.h"
#include "execution/ScriptRunner.h"
#include "execution/frmExecuteWarning.h"
#include "preferences/Options.h"

#include <QtTest>
#include <QtWidgets>

namespace {

class FakeHost : public ExecutionHost {
public:
    QString path = QStringLiteral("/scripts/logon.kix");
    bool modified = false;
    bool staysOpen = false;
    QString kixPath;
    QString scripts;
    QStringList events; // "save", and "start" from the launcher

    QString ActiveScriptPath() override { return path; }
    bool ActiveScriptModified() override { return modified; }
    void SaveActiveScript() override { events << QStringLiteral("save"), modified = false; }
    QString InterpreterPath() override { return kixPath; }
    QString ScriptsFolder() override { return scripts; }
    bool ScriptWindowStaysOpen() override { return staysOpen; }
    bool OsVersion5OrLaterFlag() override { return false; }
    bool OsIsNTFlag() override { return false; }
    QWidget* HostWindow() override { return nullptr; }
    QString HostTitle() override { return QStringLiteral("Title"); }
};

// What the stand-in interpreter recorded: its folder, then its arguments.
QStringList records(const QString& path)
{
    QStringList list = QString::fromUtf8(readFile(path)).split(QChar(0));
    list.removeLast();
    return list;
}

// Runs a program of the compatibility layer to its end, its output discarded (a pipe would be held
// open by the server it leaves running).
bool runToEnd(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(240000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

class ScriptExecutionTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        // A question no test expects is answered Cancel, never left waiting.
        frmExecuteWarning::ModalRunner = [](frmExecuteWarning& form) {
            form.cmdCancel->click();
            QFAIL("unexpected question");
        };
    }

    void cleanup()
    {
        frmExecuteWarning::ModalRunner = nullptr;
        frmExecuteWarning::Unload();
        Options::ExecuteConfirm = QStringLiteral("1");
        qunsetenv("COMSPEC");
    }

    void commandLines_data() { cases::addRows("run_commands.txt", "command lines"); }

    void commandLines()
    {
        QFETCH(QStringList, fields);
        const RunRequest request{cases::text(fields[1]), fields[2] == "1", fields[3] == "1", fields[4] == "1",
                                 cases::text(fields[5]), cases::text(fields[6]), fields[7] == "1"};
        QCOMPARE(BuildRunCommand(request).commandLine, cases::text(fields[8]));
    }

    void launchPlans_data() { cases::addRows("run_commands.txt", "plans"); }

    void launchPlans()
    {
        QFETCH(QStringList, fields);
        QStringList f;
        for (const QString& field : fields)
            f << cases::text(field);
        const LaunchHost host{f[1] == "1", f[2], f[3], f[4], f[5], f[6] == "1"};
        const RunRequest request{QString(), f[8] == "1", true, true, "/opt/Ki X/kix32.exe", "/home/u/my scripts/a.kix", true};
        const LaunchPlan plan = f[7] == "run" ? PlanScriptRun(host, request) : PlanCommandPrompt(host, "/f");
#ifdef Q_OS_WIN
        if (f[7] == "run")
            f[13] = QFileInfo(f[13]).absoluteFilePath(); // the script's folder, on the current drive
#endif
        QVERIFY2(plan.problem.contains(f[14]) && plan.problem.isEmpty() == f[14].isEmpty(), qPrintable(plan.problem));
        if (!plan.problem.isEmpty())
            return;
        QStringList environment;
        for (const auto& [name, value] : plan.request.environment)
            environment << name + "=" + value;
        QCOMPARE(QStringList({plan.request.program, plan.request.commandLine, plan.request.arguments.join('|'),
                              environment.join('|'), plan.request.workingFolder}),
                 f.mid(9, 5));
    }

    void unsafePathsAreRefused_data() { cases::addRows("run_commands.txt", "unsafe paths"); }

    void unsafePathsAreRefused()
    {
        QFETCH(QStringList, fields);
        const QString script = cases::text(fields[1]), interpreter = fields[2];
        const QList<LaunchHost> hosts = {{true, "cmd", "c:\\cmd", "", ""}, {false, "/bin/x", "/bin/x", "", ""},
                                         {false, "", "", "/usr/bin/wine", ""}};
        for (const LaunchHost& host : hosts) {
            const QString problem = PlanScriptRun(host, {"", false, true, true, interpreter, script, false}).problem;
            QVERIFY2(problem.contains(fields[3]) && problem.endsWith(interpreter.isEmpty() ? script : interpreter),
                     qPrintable(problem));
        }
    }

    // The stored ExecuteConfirm value and the answer decide whether a changed script is saved and run;
    // one form, hidden and reused, where an answer left from an earlier show never counts.
    void saveBeforeRun()
    {
        FakeHost host;
        RecordingProcessLauncher launcher;
        launcher.events = &host.events;
        ScriptedDialogService dialogs;
        QString answer;
        frmExecuteWarning::ModalRunner = [&](frmExecuteWarning& form) {
            QVERIFY(!form.CancelAction() && !answer.isEmpty());
            form.show();
            if (answer == "frame")
                form.close();
            else if (answer == "escape")
                QTest::keyClick(&form, Qt::Key_Escape);
            else
                form.findChild<QPushButton*>(answer)->click();
            QVERIFY(form.isHidden());
            answer += " (asked)";
        };
        for (const QStringList& row : cases::table("run_commands.txt", "save before run")) {
            Options::ExecuteConfirm = row[1];
            host.events.clear();
            host.modified = row[2] == "1";
            answer = row[3];
            ScriptRunner(host).Execute();
            QVERIFY2(host.events.join(' ') == row[4] && (answer.isEmpty() || answer.endsWith("(asked)")), qPrintable(row[0]));
        }
        QCOMPARE(frmExecuteWarning::IfLoaded()->lblExecuteWarning->text(),
                 QStringLiteral("This script has changed since the last save.  Do you wish to save it now before "
                                "executing the script?"));
    }

    void failuresAreReported()
    {
        FakeHost host;
        RecordingProcessLauncher launcher;
        ScriptedDialogService dialogs;
        launcher.failure = QStringLiteral("No such file or directory");
        ScriptRunner(host).Execute();
        const RecordedMessage failed = dialogs.messages.value(0);
        QVERIFY(dialogs.messages.size() == 1 && failed.title == "Title");
        QVERIFY(failed.text.contains(launcher.failure) && failed.text.contains("/bin/cmd"));
        launcher.comspec.clear();
        ScriptRunner(host).LaunchCommandPrompt();
#ifdef Q_OS_WIN
        const char* const missing = "COMSPEC is not set";
#else
        const char* const missing = "wine";
#endif
        QVERIFY(launcher.started.size() == 1 && dialogs.messages.size() == 2 && dialogs.messages[1].text.contains(missing));
        // A bare name is looked for on the search path only (this launcher finds nothing but wine).
        launcher.comspec = QStringLiteral("cmd.exe");
        ScriptRunner(host).Execute();
        QVERIFY(launcher.started.size() == 1 && dialogs.messages[2].text.contains("\"cmd.exe\", which is not found"));
    }

    // The active script's folder, else the default script folder when it is a folder given in full,
    // else the home folder.
    void commandPromptFolder()
    {
        FakeHost host;
        RecordingProcessLauncher launcher;
        QTemporaryDir scripts;
        const QList<std::tuple<QString, QString, QString>> cases = {
            {scripts.filePath("sub/logon.kix"), scripts.path(), scripts.filePath("sub")}, {"", scripts.path(), scripts.path()},
            {"", ".", QDir::homePath()}, {"", scripts.filePath("absent"), QDir::homePath()}};
        for (const auto& [path, folder, expected] : cases) {
            host.path = path;
            host.scripts = folder;
            ScriptRunner(host).LaunchCommandPrompt();
            QCOMPARE(launcher.started.last().workingFolder, expected);
        }
    }

    // Every route started for real with the stand-in interpreter: it receives exactly the script's path
    // and starts in the script's folder, or the editor refuses the path with a message naming the
    // character and starts nothing. Through Wine, programs named start.exe, cmd.exe and wine in the
    // editor's folder (on a search path holding "." and an empty entry) and in the script's must not run.
    void realRuns_data()
    {
        QTest::addColumn<bool>("wine");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refused");
        // The file has no table headings: the Windows backend tests read it too.
        for (const QString& line : QString::fromUtf8(readFile(TESSARY_TEST_DATA_DIR "/command_path_cases.txt")).split('\n'))
            for (bool wine : {false, true})
                if (!line.isEmpty() && !line.startsWith('#') && (!wine || wineInstalled()))
                    QTest::newRow(qPrintable((wine ? "wine: " : "COMSPEC: ") + line.section('\t', 1)))
                        << wine << line.section('\t', 1) << (line.startsWith('-') ? QString() : line.section('\t', 0, 0));
        if (!wineInstalled())
            QTest::newRow("wine") << true << QString() << QString();
    }

    void realRuns()
    {
#ifdef _WIN32
        QSKIP("The Windows starter is run through the real command interpreter by the Windows backend tests.");
#else
        QFETCH(bool, wine);
        QFETCH(QString, name);
        QFETCH(QString, refused);
        if (wine && !wineInstalled())
            QSKIP("wine or the stand-in interpreter built for Windows (mingw-w64) is missing: Wine's route is not run");
        if (wine)
            prepareWine();
        if (QTest::currentTestFailed())
            return;
        const QString base = runs_.filePath(QString::number(++run_)), out = base + QStringLiteral(".out");
        const QString path = base + QLatin1Char('/') + name, folder = QFileInfo(path).absolutePath();
        writeFile(path, "? 'hi'\r\n");
        FakeHost host;
        host.path = path;
        QStringList expected;
        if (wine) {
            for (const char* planted : {"start.exe", "cmd.exe"})
                QVERIFY(QFile::copy(helpers() + "/argrecorder-win.exe", base + "/" + planted));
            host.kixPath = wineInterpreter_;
            // Under Wine a rooted path names the same file on the current drive, Z:.
            expected = QStringList{CompatibilityLayerPath(QFileInfo(folder).canonicalFilePath()), CompatibilityLayerPath(path)};
        } else {
            host.staysOpen = true;
            qputenv("COMSPEC", QFile::encodeName(helpers() + "/argrecorder"));
            expected = QStringList{QFileInfo(folder).canonicalFilePath(), "/k", "kix32.exe", "/d", path};
        }
        qputenv("ARGRECORDER_OUT", QFile::encodeName(out));
        RecordingProcessLauncher launcher;
        launcher.forward = true;
        ScriptedDialogService dialogs;
        wine ? ScriptRunner(host).Execute() : ScriptRunner(host).Debug();
        const QString message = dialogs.messages.value(0).text;
        if (!refused.isEmpty()) {
            QVERIFY2(launcher.started.isEmpty() && dialogs.messages.size() == 1 &&
                         message.contains("character '" + refused + "'") && message.endsWith(path), qPrintable(message));
            return;
        }
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(message));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 60000);
        QCOMPARE(records(out), expected);
#endif
    }

    void cleanupTestCase()
    {
        for (const char* step : {"-k", "-w"}) // stops the server the prefix started, and waits for it
            if (winePrepared_)
                runToEnd(QStringLiteral("wineserver"), {QString::fromLatin1(step)});
        QDir::setCurrent(startFolder_);
    }

private:
    static QString helpers() { return qEnvironmentVariable("TESSARY_TEST_HELPER_DIR"); }

    static bool wineInstalled()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty() &&
               QFile::exists(helpers() + QStringLiteral("/argrecorder-win.exe"));
    }

    // Once: a fresh prefix of Wine's, headless, and the stand-in as the script interpreter. Whatever
    // the editor's folder holds must not be picked: it gets a start.exe, a cmd.exe and a wine of its own.
    void prepareWine()
    {
        if (winePrepared_)
            return;
        winePrepared_ = true;
        const QString recorder = helpers() + QStringLiteral("/argrecorder-win.exe");
        qunsetenv("DISPLAY");
        qputenv("WINEPREFIX", QFile::encodeName(wineFolder_.filePath(QStringLiteral("prefix"))));
        // LC_ALL: the ASCII locale, in which Wine would otherwise read the non-ASCII names wrongly.
        for (const auto& [name, value] : {std::pair{"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                                          {"WINEARCH", "win64"}, {"LC_ALL", "C"}})
            qputenv(name, value);
        runToEnd(QStringLiteral("wineserver"), {QStringLiteral("-p")});
        QVERIFY2(runToEnd(QStringLiteral("wineboot"), {QStringLiteral("-i")}), "wineboot could not prepare a prefix");
        wineInterpreter_ = wineFolder_.filePath(QStringLiteral("Ki X & (1)/kix32.exe"));
        QVERIFY(QDir().mkpath(QFileInfo(wineInterpreter_).absolutePath()));
        const QString editorFolder = wineFolder_.filePath(QStringLiteral("editor"));
        QVERIFY(QDir().mkpath(editorFolder));
        for (const QString& copy : {wineInterpreter_, editorFolder + "/start.exe", editorFolder + "/cmd.exe"})
            QVERIFY(QFile::copy(recorder, copy));
        writeFile(editorFolder + "/wine", "#!/bin/sh\necho planted >\"$ARGRECORDER_OUT\"\n");
        QVERIFY(QFile::setPermissions(editorFolder + "/wine", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("PATH", ".::" + qgetenv("PATH"));
        QDir::setCurrent(editorFolder);
    }

    QTemporaryDir runs_;
    QTemporaryDir wineFolder_;
    QString wineInterpreter_;
    QString startFolder_ = QDir::currentPath();
    int run_ = 0;
    bool winePrepared_ = false;
};

QTEST_MAIN(ScriptExecutionTest)
#include "test_script_execution.moc"
