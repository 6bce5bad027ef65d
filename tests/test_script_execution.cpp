// The run command, how it reaches the system, the check before running, and a real child start.

#include "execution/ExecutionHost.h"
#include "execution/RunCommand.h"
#include "execution/ScriptRunner.h"
#include "execution/frmExecuteWarning.h"
#include "preferences/Options.h"
#include "RecordingProcessLauncher.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

namespace {

// The examples write Q for each double quote.
QString q(QString text)
{
    return text.replace(QLatin1Char('Q'), QLatin1Char('"'));
}

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

    void commandLines()
    {
        const QString cmd = QStringLiteral("C:\\WINNT\\system32\\cmd.exe"), script = QStringLiteral("C:\\Scripts\\logon.kix");
        // {comspec, staysOpen, 5 or later, NT, interpreter, script, debug}
        const QList<std::pair<RunRequest, QString>> cases = {
            {{cmd, false, true, true, "", script, false}, "C:\\WINNT\\system32\\cmd.exe /s /c QQkix32.exeQ QC:\\Scripts\\logon.kixQQ"},
            {{cmd, true, true, true, "", script, true}, "C:\\WINNT\\system32\\cmd.exe /s /k QQkix32.exeQ /d QC:\\Scripts\\logon.kixQQ"},
            {{"C:\\WINDOWS\\COMMAND.COM", false, false, false, "  ", script, false}, // blank: the one on the path
             "C:\\WINDOWS\\COMMAND.COM /c Qkix32.exeQ QC:\\Scripts\\logon.kixQ"},
            // NT 4.0: no /s, but the body is quoted once more; paths with spaces stay inside their quotes.
            {{cmd, false, false, true, "C:\\Program Files\\KiX\\kix32.exe", "C:\\My Scripts\\log on.kix", true},
             "C:\\WINNT\\system32\\cmd.exe /c QQC:\\Program Files\\KiX\\kix32.exeQ /d QC:\\My Scripts\\log on.kixQQ"},
        };
        for (const auto& [request, expected] : cases)
            QCOMPARE(BuildRunCommand(request).commandLine, q(expected));
    }

    void launchPlans()
    {
        RunRequest request{QString(), false, true, true, "/opt/Ki X/kix32.exe", "/home/u/my scripts/a.kix", true};
        const QString cmd = QStringLiteral("C:\\WINNT\\system32\\cmd.exe");
        LaunchHost windows{true, cmd, cmd, QString(), QString()};
        LaunchPlan plan = PlanScriptRun(windows, request);
        RunRequest onWindows = request;
        onWindows.comspec = cmd;
        QVERIFY(plan.problem.isEmpty() && plan.request.commandLine == BuildRunCommand(onWindows).commandLine);
        // The program is named by its full path, and starts in the script's folder.
        QCOMPARE(plan.request.program, cmd);
        QCOMPARE(plan.request.workingFolder, QStringLiteral("/home/u/my scripts"));
        QCOMPARE(PlanCommandPrompt(windows, "/f").request.commandLine, cmd);
        windows.comspecProgram.clear();
        QVERIFY(PlanScriptRun(windows, request).problem.contains("names \"C:\\WINNT"));
        windows.comspec.clear();
        QVERIFY(PlanScriptRun(windows, request).problem.contains("COMSPEC"));
        QVERIFY(PlanCommandPrompt(windows, "/f").problem.contains("COMSPEC"));

        // A program of this system gets each piece as an argument of its own.
        LaunchHost posix{false, "wcmd", "/usr/bin/wcmd", "/usr/bin/wine", "C", false};
        plan = PlanScriptRun(posix, request);
        QVERIFY(plan.request.program == posix.comspecProgram && plan.request.environment.isEmpty());
        QCOMPARE(plan.request.arguments, (QStringList{"/s", "/c", "/opt/Ki X/kix32.exe", "/d", "/home/u/my scripts/a.kix"}));
        plan = PlanCommandPrompt(posix, "/f");
        QVERIFY(plan.request.program == posix.comspecProgram && plan.request.workingFolder == "/f");

        // Wine: its own programs by full path; the command text through a variable, in the form
        // without the /s quotes, on drive Z:; an ASCII locale given UTF-8 text, LC_ALL moved to LANG.
        posix.comspec.clear();
        request.staysOpen = true;
        plan = PlanScriptRun(posix, request);
        QCOMPARE(plan.request.program, posix.wine);
        QCOMPARE(plan.request.arguments, (QStringList{"C:\\windows\\system32\\start.exe",
                                                      "C:\\windows\\system32\\cmd.exe", "/k", "%TESSARY_RUN_COMMAND%"}));
        using Environment = decltype(plan.request.environment);
        const Environment utf8Text{{"LC_ALL", QString()}, {"LANG", "C"}, {"LC_CTYPE", "C.UTF-8"}};
        QCOMPARE(plan.request.environment, (Environment{{"TESSARY_RUN_COMMAND",
                  q("QZ:\\opt\\Ki X\\kix32.exeQ /d QZ:\\home\\u\\my scripts\\a.kixQ")}} + utf8Text));
        plan = PlanCommandPrompt(posix, "/f");
        QCOMPARE(plan.request.arguments, (QStringList{"C:\\windows\\system32\\start.exe", "C:\\windows\\system32\\cmd.exe"}));
        QVERIFY(plan.request.environment == utf8Text && plan.request.workingFolder == "/f");
        posix.localeAll.clear();
        QCOMPARE(PlanCommandPrompt(posix, "/f").request.environment, Environment{utf8Text.last()});
        posix.utf8Locale = true;
        QCOMPARE(PlanScriptRun(posix, request).request.environment.size(), 1);

        posix.wine.clear();
        QString problem = PlanScriptRun(posix, request).problem;
        QVERIFY(problem.contains("COMSPEC") && problem.contains("\"wine\""));
        QCOMPARE(PlanCommandPrompt(posix, "/f").problem, problem);
    }

    // On every route, before anything else; the real runs below cover the other characters.
    void unsafePathsAreRefused()
    {
        const QList<std::tuple<QString, QString, QString>> cases = {// {script, interpreter, named}
            {"/s/a\nb.kix", "", "character U+000A"}, {"/s/say \"hi\".kix", "", "character '\"'"},
            {"/s/a.kix", "/opt/%KIX%/kix32.exe", "path of the script interpreter (Preferences) contains the character '%'"}};
        const QList<LaunchHost> hosts = {{true, "cmd", "c:\\cmd", "", ""}, {false, "/bin/x", "/bin/x", "", ""},
                                         {false, "", "", "/usr/bin/wine", ""}};
        for (const auto& [script, interpreter, named] : cases) {
            for (const LaunchHost& host : hosts) {
                RunRequest request{"", false, true, true, interpreter, script, false};
                const QString problem = PlanScriptRun(host, request).problem;
                QVERIFY2(problem.contains(named) && problem.endsWith(interpreter.isEmpty() ? script : interpreter),
                         qPrintable(problem));
            }
        }
    }

    // The stored ExecuteConfirm value and the answer decide whether a changed script is saved and run.
    void saveBeforeRun()
    {
        FakeHost host;
        RecordingProcessLauncher launcher;
        launcher.events = &host.events;
        ScriptedDialogService dialogs;
        QString answer;
        int shown = 0;
        frmExecuteWarning::ModalRunner = [&](frmExecuteWarning& form) {
            ++shown;
            QVERIFY(!form.CancelAction());
            form.show();
            if (answer == "frame")
                form.close();
            else if (answer == "escape")
                QTest::keyClick(&form, Qt::Key_Escape);
            else
                form.findChild<QPushButton*>(answer)->click();
            QVERIFY(form.isHidden());
        };
        // {ExecuteConfirm, modified, answer, events}; any value but "0" and "1" neither asks nor saves.
        const QList<std::tuple<QString, bool, QString, QStringList>> cases = {
            {"1", false, "", {"start"}}, {"1", true, "cmdYes", {"save", "start"}}, {"1", true, "cmdNo", {"start"}},
            {"1", true, "cmdCancel", {}}, {"1", true, "frame", {"start"}}, {"1", true, "escape", {}},
            {"1", true, "cmdNo", {"start"}}, {"0", true, "", {"save", "start"}}, {"yes", true, "", {"start"}}};
        for (const auto& [confirm, modified, button, expected] : cases) {
            Options::ExecuteConfirm = confirm;
            host.events.clear();
            host.modified = modified;
            answer = button;
            ScriptRunner(host).Execute();
            QVERIFY2(host.events == expected, qPrintable(confirm + " " + button));
        }
        QCOMPARE(shown, 6);
        // One form, hidden and reused.
        QCOMPARE(frmExecuteWarning::IfLoaded()->lblExecuteWarning->text(),
                 QStringLiteral("This script has changed since the last save.  Do you wish to save it now before "
                                "executing the script?"));
        QCOMPARE(launcher.started.last().arguments, (QStringList{"/c", "kix32.exe", "/scripts/logon.kix"}));
        Options::ExecuteConfirm = QStringLiteral("0");
        host.events.clear();
        host.modified = true;
        ScriptRunner(host).Debug();
        QCOMPARE(host.events, (QStringList{"save", "start"}));
        QCOMPARE(launcher.started.last().arguments, (QStringList{"/c", "kix32.exe", "/d", "/scripts/logon.kix"}));
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
        QVERIFY(dialogs.messages[1].text.contains("wine"));
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
            {"/scripts/logon.kix", scripts.path(), "/scripts"}, {"", scripts.path(), scripts.path()},
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
