// The run command, how it reaches the system, the check before running, and a real child start.

#include "execution/ExecutionHost.h"
#include "execution/RunCommand.h"
#include "execution/ScriptRunner.h"
#include "execution/frmExecuteWarning.h"
#include "preferences/Options.h"
#include "RecordingProcessLauncher.h"
#include "ScriptedDialogService.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
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
    QStringList events; // "save", and "start" from the launcher

    QString ActiveScriptPath() override { return path; }
    bool ActiveScriptModified() override { return modified; }
    void SaveActiveScript() override { events << QStringLiteral("save"), modified = false; }
    QString InterpreterPath() override { return kixPath; }
    bool ScriptWindowStaysOpen() override { return staysOpen; }
    bool OsVersion5OrLaterFlag() override { return false; }
    bool OsIsNTFlag() override { return false; }
    QWidget* HostWindow() override { return nullptr; }
    QString HostTitle() override { return QStringLiteral("Title"); }
};

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
        LaunchHost windows{true, QStringLiteral("C:\\WINNT\\system32\\cmd.exe"), QString()};
        LaunchPlan plan = PlanScriptRun(windows, request);
        RunRequest onWindows = request;
        onWindows.comspec = windows.comspec;
        QVERIFY(plan.problem.isEmpty() && plan.request.commandLine == BuildRunCommand(onWindows).commandLine);
        windows.comspec.clear();
        QVERIFY(PlanScriptRun(windows, request).problem.contains("COMSPEC"));
        QVERIFY(PlanCommandPrompt(windows).problem.contains("COMSPEC"));

        // A program of this system gets each piece as an argument of its own.
        LaunchHost posix{false, QStringLiteral("/usr/bin/wcmd"), QStringLiteral("/usr/bin/wine")};
        plan = PlanScriptRun(posix, request);
        QVERIFY(plan.request.program == posix.comspec && PlanCommandPrompt(posix).request.program == posix.comspec);
        QCOMPARE(plan.request.arguments, (QStringList{"/s", "/c", "/opt/Ki X/kix32.exe", "/d", "/home/u/my scripts/a.kix"}));

        // Wine: the command text goes through a variable, in the form without the /s quotes, on drive Z:.
        posix.comspec.clear();
        request.staysOpen = true;
        plan = PlanScriptRun(posix, request);
        QCOMPARE(plan.request.program, posix.wine);
        QCOMPARE(plan.request.arguments, (QStringList{"start", "cmd", "/k", "%TESSARY_RUN_COMMAND%"}));
        QCOMPARE(plan.request.environment, (decltype(plan.request.environment){{"TESSARY_RUN_COMMAND",
                  q("QZ:\\opt\\Ki X\\kix32.exeQ /d QZ:\\home\\u\\my scripts\\a.kixQ")}}));
        QCOMPARE(PlanCommandPrompt(posix).request.arguments, (QStringList{"start", "cmd"}));
        request.scriptPath = QStringLiteral("/home/u/say \"hi\".kix");
        QVERIFY(PlanScriptRun(posix, request).problem.contains(QStringLiteral("double quote")));

        posix.wine.clear();
        QString problem = PlanScriptRun(posix, request).problem;
        QVERIFY(problem.contains("COMSPEC") && problem.contains("\"wine\""));
        QCOMPARE(PlanCommandPrompt(posix).problem, problem);
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
    }

    void stayingOpenDebugRealStart()
    {
#ifdef _WIN32
        QSKIP("The stand-in interpreter takes its arguments as a program of this system.");
#else
        QTemporaryDir dir;
        QString recorder = qEnvironmentVariable("TESSARY_TEST_HELPER_DIR") + QStringLiteral("/argrecorder");
        QVERIFY2(QFileInfo(recorder).isExecutable(), qPrintable(recorder));
        QString out = dir.filePath(QStringLiteral("args.bin"));
        qputenv("ARGRECORDER_OUT", out.toLocal8Bit());
        qputenv("COMSPEC", recorder.toLocal8Bit());
        FakeHost host;
        host.path = dir.filePath(QStringLiteral("My Scripts/log on.kix"));
        host.kixPath = QStringLiteral("/opt/Ki X/kix32.exe");
        host.staysOpen = true;
        ScriptedDialogService dialogs;
        ScriptRunner(host).Debug();
        QVERIFY(dialogs.messages.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QByteArray> received = file.readAll().split('\0');
        received.removeLast();
        QCOMPARE(received, (QList<QByteArray>{"/k", "/opt/Ki X/kix32.exe", "/d", host.path.toLocal8Bit()}));
#endif
    }
};

QTEST_MAIN(ScriptExecutionTest)
#include "test_script_execution.moc"
