#include "ChildEditor.h"

#include "ScriptedDialogService.h"
#include "app/frmMain.h"
#include "document/files/RecoveryJournal.h"
#include "document/frmDocument.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPointer>
#include <QStatusBar>
#include <QtTest>

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

void say(const QByteArray& line) { std::printf("%s\n", line.constData()), std::fflush(stdout); }

// Runs the commands read from standard input, one after another: while one waits, events run and
// input gathers, but the next waits its turn.
class CommandLoop : public QObject {
public:
    CommandLoop(frmMain& window, ScriptedDialogService& dialogs) : window_(window), dialogs_(dialogs)
    {
        // A thread of its own reads, as standard input may be a pipe that Windows cannot watch; when
        // the test has gone the editor stays until killed.
        std::thread([loop = QPointer<CommandLoop>(this)] {
            char chunk[4096];
            for (int got; (got = int(::read(0, chunk, sizeof chunk))) > 0;)
                QMetaObject::invokeMethod(qApp, [loop, bytes = QByteArray(chunk, got)] {
                    if (loop)
                        loop->received(bytes);
                });
        }).detach();
    }

private:
    void received(const QByteArray& bytes)
    {
        pending_.append(bytes);
        for (qsizetype end; !busy_ && (end = pending_.indexOf('\n')) >= 0;) {
            const QByteArray line = pending_.left(end);
            pending_.remove(0, end + 1);
            const qsizetype space = line.indexOf(' ');
            busy_ = true;
            run(space < 0 ? line : line.left(space), line.mid(space + 1));
            say("ok");
            busy_ = false;
        }
    }
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
            QTest::qWait(argument.toInt());
            RecoveryJournal::waitForWrites();
            QCoreApplication::processEvents();
        } else if (command == "journal") {
            const QDeadlineTimer deadline(10000);
            QString path;
            while (!journaled(path = window_.activeDocument()->journal->filePath()) && !deadline.hasExpired())
                QTest::qWait(20);
            say(journaled(path) ? "journaled " + QFile::encodeName(path) : QByteArray("journal-timeout"));
        } else if (command == "report") {
            say(editor->utf8Text().toHex());
            say(QByteArray::number(editor->Modified()));
            say(window_.sbStatusBar->currentMessage().toUtf8().toHex());
            for (const RecordedMessage& message : dialogs_.messages)
                say(message.text.toUtf8().toHex());
        }
    }
    bool journaled(const QString& path)
    {
        QFile file(path);
        const std::optional<RecoveryRecord> record =
            !path.isEmpty() && file.open(QIODevice::ReadOnly) ? RecoveryRecord::parse(file.readAll()) : std::nullopt;
        return record && record->text == window_.activeEditor()->utf8Text();
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
    say("started");
    return app.exec();
}

bool ChildEditor::start(const QStringList& arguments) { return launch(arguments), waitStarted(); }

void ChildEditor::launch(const QStringList& arguments)
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + arguments);
}

bool ChildEditor::waitStarted()
{
    while (const std::optional<QByteArray> line = readLine())
        if (*line == "started")
            return true;
    return false;
}

std::optional<QByteArray> ChildEditor::readLine()
{
    const QDeadlineTimer deadline(30000);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || (process_.state() != QProcess::Running && !process_.waitForStarted()))
            return std::nullopt;
        process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    const QByteArray line = process_.readLine().chopped(1);
    return line.endsWith('\r') ? line.chopped(1) : line; // written in text mode on Windows
}

QStringList ChildEditor::send(const QString& command)
{
    process_.write(command.toUtf8() + '\n');
    QStringList answer;
    while (const std::optional<QByteArray> line = readLine()) {
        if (*line == "ok")
            return answer;
        answer << QString::fromUtf8(*line);
    }
    return {};
}

QString ChildEditor::journal()
{
    const QString answer = send(QStringLiteral("journal")).value(0);
    return answer.startsWith(QLatin1String("journaled ")) ? answer.mid(10) : QString();
}

ChildEditor::Report ChildEditor::report()
{
    const QStringList lines = send(QStringLiteral("report"));
    const auto decoded = [&](qsizetype i) { return QByteArray::fromHex(lines.value(i).toLatin1()); };
    Report report{decoded(0), lines.value(1) == QLatin1String("1"), QString::fromUtf8(decoded(2)), {}};
    for (qsizetype i = 3; i < lines.size(); ++i)
        report.messages << QString::fromUtf8(decoded(i));
    return report;
}

void ChildEditor::kill()
{
    process_.kill(); // SIGKILL, or TerminateProcess on Windows
    process_.waitForFinished(10000);
}
