#include "ChildEditor.h"

#include "ScriptedDialogService.h"
#include "app/frmMain.h"
#include "document/RecoveryJournal.h"
#include "document/frmDocument.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <unistd.h>
#else
#include <io.h>
#endif

namespace {

// Runs the commands read from standard input, one after another.
class CommandLoop : public QObject {
public:
    CommandLoop(frmMain& window, ScriptedDialogService& dialogs) : window_(window), dialogs_(dialogs)
    {
        // A thread of its own reads, as standard input may be a pipe that Windows cannot watch; when
        // the test has gone the editor stays until killed.
        std::thread([loop = QPointer<CommandLoop>(this)] {
            char chunk[4096];
            for (int got; (got = int(::read(0, chunk, sizeof chunk))) > 0;) {
                QMetaObject::invokeMethod(qApp, [loop, bytes = QByteArray(chunk, got)] {
                    if (loop) {
                        loop->pending_.append(bytes);
                        loop->next();
                    }
                });
            }
        }).detach();
    }

private:
    void next()
    {
        const qsizetype end = pending_.indexOf('\n');
        if (busy_ || end < 0)
            return;
        const QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        busy_ = true;
        run(line.left(line.indexOf(' ') < 0 ? line.size() : line.indexOf(' ')), line.mid(line.indexOf(' ') + 1));
    }
    void say(const QByteArray& line)
    {
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
    }
    void done()
    {
        say("ok");
        busy_ = false;
        next();
    }
    void later(int ms, const std::function<void()>& step) { QTimer::singleShot(ms, this, step); }
    void run(const QByteArray& command, const QByteArray& argument)
    {
        CodeEditor* editor = window_.activeEditor();
        if (command == "type") {
            // A backslash and "n" stand for Return; beyond ASCII, characters come as an input method commits them.
            const QString text = QString::fromUtf8(argument).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
            for (const QChar c : text) {
                QInputMethodEvent event;
                event.setCommitString(c);
                if (c == QLatin1Char('\n'))
                    QTest::keyClick(editor, Qt::Key_Return);
                else if (c.unicode() < 0x80)
                    QTest::keyClick(editor, c.toLatin1());
                else
                    QCoreApplication::sendEvent(editor, &event);
            }
        } else if (command == "append") {
            QByteArray text;
            while (text.size() < argument.toInt())
                text += "; appended in one go, as a paste does\r\n";
            editor->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, uintptr_t(text.size()), text.constData());
        } else if (command == "save") {
            say("saved " + QByteArray::number(window_.mnuFileSave_Click()));
        } else if (command == "settle") {
            return later(argument.toInt(), [this] {
                RecoveryJournal::waitForWrites();
                QCoreApplication::processEvents();
                done();
            });
        } else if (command == "journal") {
            return awaitJournal(QDeadlineTimer(10000));
        } else if (command == "report") {
            say("text " + editor->utf8Text().toHex());
            say("modified " + QByteArray::number(editor->Modified()));
            say("status " + window_.sbStatusBar->currentMessage().toUtf8().toHex());
            for (const RecordedMessage& message : dialogs_.messages)
                say("message " + message.text.toUtf8().toHex());
        }
        done();
    }
    void awaitJournal(const QDeadlineTimer& deadline)
    {
        const QString path = window_.activeDocument()->journal->filePath();
        QFile file(path);
        const std::optional<RecoveryRecord> record =
            !path.isEmpty() && file.open(QIODevice::ReadOnly) ? RecoveryRecord::parse(file.readAll()) : std::nullopt;
        if (!(record && record->text == window_.activeEditor()->utf8Text()) && !deadline.hasExpired())
            return later(20, [=, this] { awaitJournal(deadline); });
        say(record ? "journaled " + QFile::encodeName(path) : QByteArray("journal-timeout"));
        done();
    }

    frmMain& window_;
    ScriptedDialogService& dialogs_;
    QByteArray pending_;
    bool busy_ = false;
};

} // namespace

std::optional<int> runChildEditor(int argc, char** argv)
{
    if (argc < 2 || qstrcmp(argv[1], "--child") != 0)
        return std::nullopt;
    bool restore = false;
    QString file;
    for (int i = 2; i < argc; ++i) {
        if (qstrcmp(argv[i], "--restore") == 0) {
            restore = true;
#ifdef Q_OS_UNIX
        } else if (qstrcmp(argv[i], "--user") == 0 && i + 1 < argc) {
            const uid_t user = uid_t(std::strtoul(argv[++i], nullptr, 10));
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(user)) != 0 || ::setuid(user) != 0)
                return 3;
#endif
        } else {
            file = QString::fromLocal8Bit(argv[i]);
        }
    }
    QApplication app(argc, argv);
    ScriptedDialogService dialogs;
    if (restore)
        dialogs.messageAnswers = {platform::MessageAnswer::Yes};
    frmMain window(file);
    window.show();
    CommandLoop loop(window, dialogs);
    std::puts("started");
    std::fflush(stdout);
    return app.exec();
}

bool ChildEditor::start(const QStringList& arguments, const QStringList& wrapper)
{
    launch(arguments, wrapper);
    return waitStarted();
}

void ChildEditor::launch(const QStringList& arguments, const QStringList& wrapper)
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList command = wrapper + QStringList{QCoreApplication::applicationFilePath(), QStringLiteral("--child")} + arguments;
    const QString program = command.takeFirst();
    process_.start(program, command);
}

bool ChildEditor::waitStarted()
{
    while (const std::optional<QByteArray> line = readLine())
        if (*line == "started")
            return true;
    return false;
}

std::optional<QByteArray> ChildEditor::readLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        buffer_ += process_.readAllStandardOutput();
        if (const qsizetype end = buffer_.indexOf('\n'); end >= 0) {
            QByteArray line = buffer_.left(end);
            buffer_.remove(0, end + 1);
            if (line.endsWith('\r')) // written in text mode on Windows
                line.chop(1);
            return line;
        }
        if (deadline.hasExpired() || (process_.state() != QProcess::Running && !process_.waitForStarted()))
            return std::nullopt;
        process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

QStringList ChildEditor::send(const QString& command, int timeoutMs)
{
    process_.write(command.toUtf8() + '\n');
    QStringList answer;
    while (const std::optional<QByteArray> line = readLine(timeoutMs)) {
        if (*line == "ok")
            return answer;
        answer << QString::fromUtf8(*line);
    }
    return {};
}

ChildEditor::Report ChildEditor::report()
{
    Report report;
    for (const QString& line : send(QStringLiteral("report"))) {
        const QByteArray value = QByteArray::fromHex(line.section(QLatin1Char(' '), 1).toLatin1());
        if (line.startsWith(QLatin1String("text ")))
            report.text = value;
        report.modified = report.modified || line == QLatin1String("modified 1");
        if (line.startsWith(QLatin1String("status ")))
            report.status = QString::fromUtf8(value);
        if (line.startsWith(QLatin1String("message ")))
            report.messages << QString::fromUtf8(value);
    }
    return report;
}

void ChildEditor::kill()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill(); // SIGKILL, or TerminateProcess on Windows
    process_.waitForFinished(10000);
}
