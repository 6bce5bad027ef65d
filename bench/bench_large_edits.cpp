// Editing a large script as the user does: a key press near the end of the text up to the repainted
// view (also after a pause that lets the check and the recovery journal run), a Shift+arrow
// selection step, the bulk commands (select all + Indent / Outdent, Replace All) on 1 MB and 10 MB,
// and a script of one 5 MB line opened and typed in. Times are wall-clock (UseRealTime): the paint is part of what the user
// waits for. The same key press on a plain QsciScintilla holding the same text is the yardstick.
//
// After a key press the pending update is painted the way the event loop would paint it: only what
// the control invalidated. Every such step checks that a paint really happened and reports the
// painted share of the view; the full-view repaint is measured too, as an upper bound.

#include "BenchMain.h"
#include "ScriptSamples.h"

#include "app/frmMain.h"
#include "document/editor/CodeEditor.h"
#include "document/editor/FindReplaceDialog.h"
#include "document/frmDocument.h"
#include "document/language/modKixLanguage.h"
#include "platform/DialogService.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QWindow>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace {

// KiXtart-like text of about `bytes` bytes, CRLF, with indented blocks.
QByteArray makeScript(qsizetype bytes)
{
    static const char* const statements[] = {
        "If InGroup(\"Domain Admins\") And $Index < 25",
        "\t$Result = ReadValue(\"HKEY_CURRENT_USER\\Software\\Orland\", \"Setting\")",
        "\t? \"Server: \" + @LSERVER + \" at \" + @TIME + \" \" + $Result",
        "EndIf",
        "; maps the drives for the user, revision 3",
        "Use H: \"\\\\fileserver\\home\\\" + @USERID + \"\\documents\"",
        "For $Counter = 1 To 250 Step 5 $Total = $Total + $Counter Next",
        "MessageBox(\"Logon finished for \" + @FULLNAME, \"Logon\", 64, 10)",
    };
    QByteArray text;
    text.reserve(bytes + 100);
    for (int i = 0; text.size() < bytes; ++i) {
        text.append(statements[i % 8]);
        text.append("\r\n");
    }
    return text;
}

QString scriptFile(qsizetype bytes)
{
    static QTemporaryDir dir;
    static std::map<qsizetype, QString> files;
    QString& path = files[bytes];
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("script-%1.kix").arg(bytes));
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(makeScript(bytes));
    }
    return path;
}

// Answers every message box with its default, so that Replace All's report does not block.
class SilentDialogs : public platform::DialogService {
public:
    platform::MessageAnswer message(QWidget*, const QString&, const QString&, platform::MessageButtons,
                                    platform::MessageIcon) override
    {
        return platform::MessageAnswer::Ok;
    }
    QString openFileName(QWidget*, const platform::FileDialogRequest&) override { return {}; }
    QString saveFileName(QWidget*, const platform::FileDialogRequest&) override { return {}; }
    QString folderName(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QColor> color(QWidget*, const QColor&) override { return std::nullopt; }
    bool print(QWidget*, QPrinter&, const platform::PrintRequest&) override { return false; }
    std::optional<int> lineNumber(QWidget*, int, int) override { return std::nullopt; }
};

// Shows the window and waits until it can be painted (a window manager maps it a little later).
void showExposed(QWidget* window)
{
    window->show();
    QElapsedTimer waited;
    waited.start();
    while (!(window->windowHandle() && window->windowHandle()->isExposed()) && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
}

// A shown, coloured editor holding the script, with the caret 20 lines before the end.
std::unique_ptr<CodeEditor> openEditor(qsizetype bytes)
{
    auto editor = std::make_unique<CodeEditor>();
    editor->resize(1000, 700);
    editor->SetLanguageName(KixLanguageName);
    editor->LoadFromFile(scriptFile(bytes));
    showExposed(editor.get());
    const int line = editor->LineTotal() - 20;
    editor->SetSelectionRange({line, 4, line, 4});
    QApplication::processEvents();
    editor->viewport()->repaint();
    return editor;
}

// Counts the paints of a viewport and the area they covered.
class PaintProbe : public QObject {
public:
    explicit PaintProbe(QWidget* viewport) : viewport_(viewport) { viewport->installEventFilter(this); }
    ~PaintProbe() override { viewport_->removeEventFilter(this); }

    // Paints what is pending, as the event loop does next (or the whole view); false when nothing
    // was painted.
    bool paint(bool fullView)
    {
        const int before = paints_;
        if (fullView)
            viewport_->repaint();
        else
            QCoreApplication::sendPostedEvents(viewport_->window(), QEvent::UpdateRequest);
        return paints_ != before;
    }
    double paintedShare() const
    {
        const double view = double(viewport_->width()) * viewport_->height();
        return paints_ == 0 || view <= 0 ? 0 : area_ / paints_ / view;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints_;
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                area_ += double(r.width()) * r.height();
        }
        return false;
    }

private:
    QWidget* viewport_;
    int paints_ = 0;
    double area_ = 0;
};

void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text = {})
{
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &up);
}

// Types a character and takes it back in turn, so the text stays the same size.
void typeOrErase(QWidget* target, int n)
{
    if (n % 2 == 0)
        press(target, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    else
        press(target, Qt::Key_Backspace, Qt::NoModifier);
}

// Runs `step` and paints what it invalidated (or, with `fullView`, the whole view) per iteration.
template <typename Step>
void measurePaintedSteps(benchmark::State& state, QAbstractScrollArea& editor, bool fullView, Step step)
{
    PaintProbe probe(editor.viewport());
    int n = 0;
    for (auto _ : state) {
        step(n++);
        if (!probe.paint(fullView)) {
            state.SkipWithError("the step painted nothing");
            break;
        }
    }
    state.counters["painted_share"] = probe.paintedShare();
}

// A character typed near the end through the widget's key handling, then the view painted.
void BM_KeyPressRepaint(benchmark::State& state, bool fullView)
{
    auto editor = openEditor(state.range(0));
    measurePaintedSteps(state, *editor, fullView, [&](int n) { typeOrErase(editor.get(), n); });
}
BENCHMARK_CAPTURE(BM_KeyPressRepaint, changed, false)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KeyPressRepaint, full_view, true)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same in the whole editor: the script opened in a main window, so the menus' state, the
// document's caption, the recovery journal and the disk watch all see the key press.
void BM_MainWindowKeyPress(benchmark::State& state)
{
    frmMain window;
    window.resize(1000, 750);
    showExposed(&window);
    window.OpenFile(scriptFile(state.range(0)));
    CodeEditor* editor = window.activeDocument()->rtfText;
    const int line = editor->LineTotal() - 20;
    editor->SetSelectionRange({line, 4, line, 4});
    QApplication::processEvents();
    measurePaintedSteps(state, *editor, false, [&](int n) { typeOrErase(editor, n); });
}
BENCHMARK(BM_MainWindowKeyPress)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

// Joined logon scripts (bench/ScriptSamples.h: about a problem every 24 lines) or one long line,
// written once per size.
QString sampleFile(qsizetype bytes, bool oneLine)
{
    static QTemporaryDir dir;
    static std::map<std::pair<qsizetype, bool>, QString> files;
    QString& path = files[{bytes, oneLine}];
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("sample-%1-%2.kix").arg(bytes).arg(oneLine));
        const std::string text = oneLine ? samples::longLineScript(std::size_t(bytes))
                                         : samples::realisticScript(std::size_t(bytes));
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(text.data(), qint64(text.size()));
    }
    return path;
}

// A key pressed after a pause in a whole main window, up to the changed pixels, with all that the
// pause let run (the structure check after 0.3 s, the recovery journal after 2 s) done untimed
// before it: what each key costs when typing at that rhythm. Arguments: script size, pause in ms.
void BM_MainWindowKeyAfterPause(benchmark::State& state)
{
    frmMain window;
    window.resize(1000, 750);
    showExposed(&window);
    window.OpenFile(sampleFile(state.range(0), false));
    CodeEditor* editor = window.activeDocument()->rtfText;
    const int line = editor->LineTotal() - 20;
    editor->SetSelectionRange({line, 4, line, 4});
    PaintProbe probe(editor->viewport());
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer paused;
        paused.start();
        while (paused.elapsed() < state.range(1))
            QApplication::processEvents(QEventLoop::AllEvents, int(state.range(1) - paused.elapsed()));
        state.ResumeTiming();
        typeOrErase(editor, n++);
        if (!probe.paint(false)) {
            state.SkipWithError("the key painted nothing");
            break;
        }
    }
}
BENCHMARK(BM_MainWindowKeyAfterPause)
    ->Args({1 << 20, 600})->Args({10 << 20, 600})->Args({1 << 20, 3200})->Args({10 << 20, 3200})
    ->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

// A script of one long line (5 MB) opened in a main window up to the painted view, and a key typed
// near the start of the line up to its pixels.
void BM_LongLineOpen(benchmark::State& state)
{
    frmMain window;
    window.resize(1000, 750);
    showExposed(&window);
    const QString path = sampleFile(state.range(0), true);
    for (auto _ : state) {
        window.OpenFile(path);
        window.activeDocument()->rtfText->viewport()->repaint();
        state.PauseTiming();
        window.activeDocument()->closeWithoutAsking();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LongLineOpen)->Arg(5 << 20)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LongLineKey(benchmark::State& state)
{
    frmMain window;
    window.resize(1000, 750);
    showExposed(&window);
    window.OpenFile(sampleFile(state.range(0), true));
    CodeEditor* editor = window.activeDocument()->rtfText;
    editor->SetSelectionRange({0, 10, 0, 10});
    editor->viewport()->repaint();
    measurePaintedSteps(state, *editor, false, [&](int n) { typeOrErase(editor, n); });
}
BENCHMARK(BM_LongLineKey)->Arg(5 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same on a plain QsciScintilla with the same text: what the control itself costs.
void BM_PlainKeyPressRepaint(benchmark::State& state, bool fullView)
{
    QsciScintilla editor;
    editor.setUtf8(true);
    editor.resize(1000, 700);
    const QByteArray text = makeScript(state.range(0));
    editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL, text.constData());
    showExposed(&editor);
    const long pos = editor.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                          (unsigned long)(editor.lines() - 20)) + 4;
    editor.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, pos);
    QApplication::processEvents();
    measurePaintedSteps(state, editor, fullView, [&](int n) { typeOrErase(&editor, n); });
}
BENCHMARK_CAPTURE(BM_PlainKeyPressRepaint, changed, false)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainKeyPressRepaint, full_view, true)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ShiftArrowRepaint(benchmark::State& state)
{
    auto editor = openEditor(state.range(0));
    measurePaintedSteps(state, *editor, false, [&](int n) {
        press(editor.get(), n % 2 == 0 ? Qt::Key_Right : Qt::Key_Left, Qt::ShiftModifier);
    });
}
BENCHMARK(BM_ShiftArrowRepaint)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

// Select all + Indent or Outdent, then undo untimed. Fails when undo does not restore the text in
// one step.
void BM_SelectAllIndent(benchmark::State& state, bool outdent)
{
    auto editor = openEditor(state.range(0));
    const long length = editor->length();
    for (auto _ : state) {
        editor->RunCommand(CodeEditor::CmdSelectAll);
        editor->RunCommand(outdent ? CodeEditor::CmdOutdent : CodeEditor::CmdIndent);
        editor->viewport()->repaint();
        state.PauseTiming();
        editor->Undo();
        if (editor->length() != length || editor->CanUndo())
            state.SkipWithError("undo did not restore the text in one step");
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_SelectAllIndent, indent, false)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SelectAllIndent, outdent, true)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

// The way Indent used to work, for comparison: one indentation change per line in one undo action.
void BM_SelectAllIndentLineByLine(benchmark::State& state)
{
    auto editor = openEditor(state.range(0));
    for (auto _ : state) {
        editor->beginUndoAction();
        for (int line = 0; line < editor->lines(); ++line)
            editor->indent(line);
        editor->endUndoAction();
        editor->viewport()->repaint();
        state.PauseTiming();
        editor->Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SelectAllIndentLineByLine)->Arg(1 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

// Replace All of a word on every eighth line through the find-and-replace window.
void BM_ReplaceAll(benchmark::State& state)
{
    SilentDialogs silent;
    platform::setDialogService(&silent);
    auto editor = openEditor(state.range(0));
    const long length = editor->length();
    editor->RunCommand(CodeEditor::CmdFindReplace);
    FindReplaceDialog* dialog = editor->findReplaceDialog();
    dialog->setFindText(QStringLiteral("$Result"));
    dialog->setReplaceText(QStringLiteral("$Outcome"));
    for (auto _ : state) {
        dialog->replaceAllButton()->click();
        editor->viewport()->repaint();
        state.PauseTiming();
        if (editor->length() == length)
            state.SkipWithError("nothing was replaced");
        editor->Undo();
        if (editor->length() != length || editor->CanUndo())
            state.SkipWithError("undo did not restore the text in one step");
        state.ResumeTiming();
    }
    dialog->hide();
    platform::setDialogService(nullptr);
}
BENCHMARK(BM_ReplaceAll)->Arg(1 << 20)->Arg(10 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv, [] { RegisterKixLanguage(); });
}
