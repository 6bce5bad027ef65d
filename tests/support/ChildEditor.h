#pragma once
// An editor in a process of its own, for what a test cannot do to its own process: kill it in the
// middle of typing, run it as another user, start two at once. A test program runs it from main
// (runChildEditor) when started with --child, and drives it through its standard input, one command
// a line, each answered on its standard output and closed by "ok":
//   type TEXT      keys typed into the script in front
//   append N       N bytes of text or a little more (whole lines) added at the end at once
//   save           File > Save ("saved 1" or "saved 0")
//   settle MS      MS ms of events, then every queued recovery write done
//   journal        waits until the recovery record holds the text ("journaled PATH" or "journal-timeout")
//   report         the text in hex, "1" or "0" for modified, the status bar's message and then each
//                  message so far in hex, one a line
// Options: --restore (answer Yes to the first question, the offer of older work), --user UID (run
// as that user; needs root), then the file to open.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <optional>

// When argv[1] is "--child": runs the child editor and gives its exit status.
std::optional<int> runChildEditor(int argc, char** argv);

class ChildEditor {
public:
    struct Report {
        QByteArray text;
        bool modified = false;
        QString status; // the status bar's message
        QStringList messages;
    };

    ~ChildEditor() { kill(); }
    // Starts this program in child mode with the arguments; true once the editor window is up.
    bool start(const QStringList& arguments);
    // The same in two steps, to start several at once.
    void launch(const QStringList& arguments);
    bool waitStarted();
    // Sends a command; the lines of its answer before "ok" (empty on a timeout).
    QStringList send(const QString& command);
    // The recovery record's path once it holds the text; empty if it never does.
    QString journal();
    Report report();
    void kill(); // SIGKILL: the editor has no chance to tidy up
    QProcess& process() { return process_; }

private:
    std::optional<QByteArray> readLine(); // the next line of output, or nothing within 30 s
    QProcess process_;
};
