// The run command, how it reaches the system, the check before running, and a real child start.

#include "execution/ExecutionHost.h"
#include "execution/RunCommand.h"
#include "execution/ScriptRunner.h"
#include "execution/frmExecuteWarning.h"
#include "preferences/Options.h"
#include "CaseFile.h"
#include "RecordingProcessLauncher.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

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
    QStringList list;
    for (const QByteArray& record : readFile(path).split('\0'))
        list << QString::fromUtf8(record);
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

    void runAndDebugArguments()
    {
        FakeHost host;
        RecordingProcessLauncher launcher;
        launcher.events = &host.events;
        ScriptRunner(host).Execute();
#ifdef Q_OS_WIN // one command line, in the form before NT
        QCOMPARE(launcher.started.last().commandLine, QStringLiteral("/bin/cmd /c \"kix32.exe\" \"/scripts/logon.kix\""));
#else
        QCOMPARE(launcher.started.last().arguments, (QStringList{"/c", "kix32.exe", "/scripts/logon.kix"}));
#endif
        Options::ExecuteConfirm = QStringLiteral("0");
        host.modified = true;
        ScriptRunner(host).Debug();
        QCOMPARE(host.events, (QStringList{"start", "save", "start"}));
#ifdef Q_OS_WIN
        QCOMPARE(launcher.started.last().commandLine, QStringLiteral("/bin/cmd /c \"kix32.exe\" /d \"/scripts/logon.kix\""));
#else
        QCOMPARE(launcher.started.last().arguments, (QStringList{"/c", "kix32.exe", "/d", "/scripts/logon.kix"}));
#endif
        // A document without a file runs nothing.
        host.events.clear();
        host.path.clear();
        ScriptRunner(host).Execute();
        QVERIFY(host.events.isEmpty());
    }

    void failuresAreReported()
    {
        FakeHost host;
        RecordingProcessLauncher launcher;
        launcher.events = &host.events;
        ScriptedDialogService dialogs;
        launcher.failure = QStringLiteral("No such file or directory");
        ScriptRunner(host).Execute();
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.contains(launcher.failure) && dialogs.messages[0].text.contains("/bin/cmd"));
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Title"));
        launcher.comspec.clear();
        ScriptRunner(host).LaunchCommandPrompt();
        QVERIFY(launcher.started.size() == 1 && dialogs.messages.size() == 2);
#ifdef Q_OS_WIN
        QVERIFY(dialogs.messages[1].text.contains("COMSPEC is not set"));
#else
        QVERIFY(dialogs.messages[1].text.contains("wine"));
#endif
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
        QFile cases(QStringLiteral(TESSARY_TEST_DATA_DIR "/command_path_cases.txt"));
        QVERIFY(cases.open(QIODevice::ReadOnly));
        for (const QString& line : QString::fromUtf8(cases.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString refused = line.section(QLatin1Char('\t'), 0, 0), name = line.section(QLatin1Char('\t'), 1);
            if (line.startsWith(QLatin1Char('#')))
                continue;
            for (bool wine : {false, true}) {
                if (!wine || wineInstalled())
                    QTest::newRow(qPrintable((wine ? "wine: " : "COMSPEC: ") + name))
                        << wine << name << (refused == QLatin1String("-") ? QString() : refused);
            }
        }
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
        QVERIFY(QDir().mkpath(folder));
        writeFile(path, "? 'hi'\r\n");
        FakeHost host;
        host.path = path;
        QStringList expected;
        if (wine) {
            for (const char* planted : {"start.exe", "cmd.exe"})
                QVERIFY(QFile::copy(helpers() + "/argrecorder-win.exe", base + "/" + planted));
            host.kixPath = wineInterpreter_;
            expected = QStringList{QFileInfo(folder).canonicalFilePath(), path};
            for (QString& record : expected)
                record = CompatibilityLayerPath(record);
        } else {
            host.staysOpen = true;
            qputenv("COMSPEC", QFile::encodeName(helpers() + "/argrecorder"));
            expected = QStringList{QFileInfo(folder).canonicalFilePath(), "/k", "kix32.exe", "/d", path};
        }
        // Under Wine a rooted path names the same file on the current drive, Z:.
        qputenv("ARGRECORDER_OUT", QFile::encodeName(out));
        RecordingProcessLauncher launcher;
        launcher.forward = true;
        ScriptedDialogService dialogs;
        wine ? ScriptRunner(host).Execute() : ScriptRunner(host).Debug();
        if (!refused.isEmpty()) {
            QVERIFY(launcher.started.isEmpty());
            QCOMPARE(dialogs.messages.size(), 1);
            QVERIFY2(dialogs.messages[0].text.contains("character '" + refused + "'") &&
                         dialogs.messages[0].text.endsWith(path),
                     qPrintable(dialogs.messages[0].text));
            return;
        }
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 60000);
        QCOMPARE(records(out), expected);
#endif
    }

    void cleanupTestCase()
    {
        if (winePrepared_) {
            runToEnd(QStringLiteral("wineserver"), {QStringLiteral("-k")});
            runToEnd(QStringLiteral("wineserver"), {QStringLiteral("-w")});
        }
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
        qputenv("WINEDEBUG", "-all");
        qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
        qputenv("WINEARCH", "win64");
        // The ASCII locale, in which Wine would otherwise read the non-ASCII names wrongly.
        qputenv("LC_ALL", "C");
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
