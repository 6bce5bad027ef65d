// Speed of the structure check on a generated 10 MB script: the full check, the same on the inputs
// that once made it quadratic (1 MB each), the GUI thread's share of the check that follows one
// typed character, and setting the fold levels of the whole script in a fresh control.

#include "BenchMain.h"
#include "ScriptSamples.h"

#include "document/editor/CodeEditor.h"
#include "document/check/ScriptChecker.h"
#include "document/check/ScriptStructure.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using Sci = QsciScintillaBase;
constexpr long kScriptBytes = 10L * 1024 * 1024;

QByteArray generateScript(long targetBytes)
{
    QByteArray script;
    script.reserve(targetBytes + 4096);
    for (int n = 0; script.size() < targetBytes; ++n) {
        const QByteArray i = QByteArray::number(n);
        script += "; Section " + i + ": drives; printers and \"quotes\"\n"
                  ":Section" + i + "\n"
                  "Function Helper" + i + "($Name, optional $Flag)\n"
                  "    If InGroup(\"Group" + i + "\") AND @DOS >= '5.0'\n"
                  "        For Each $Share In Split(\"a;b;c\", \";\")\n"
                  "            Use \"*\" $Share\n"
                  "        Next\n"
                  "    Else\n"
                  "        $i = 0 While $i < 3 $i = $i + 1 Loop\n"
                  "    EndIf\n"
                  "    Select\n"
                  "        Case $Flag = 1 ? $obj.Next + \"one\"\n"
                  "        Case 1\n"
                  "            Do $Flag = $Flag - 1 Until $Flag <= 0\n"
                  "    EndSelect\n"
                  "EndFunction\n"
                  "If $Retry" + i + " Goto Section" + i + " EndIf\n";
    }
    return script;
}

const QByteArray& script()
{
    static const QByteArray text = generateScript(kScriptBytes);
    return text;
}

void BM_FullCheck10MB(benchmark::State& state)
{
    const QByteArray& text = script();
    for (auto _ : state) {
        ScriptStructure s = ScriptStructure::analyse(text);
        benchmark::DoNotOptimize(s.problems.data());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_FullCheck10MB)->Unit(benchmark::kMillisecond);

// The inputs that made the check quadratic: 1 MB of "endif " on one line, of "endif" lines, and of
// "if 1" lines followed by as many "loop" lines. Each must take well under a second.
void BM_HostileCheck1MB(benchmark::State& state)
{
    const std::string text = samples::hostileScript(samples::Hostile(state.range(0)), 1 << 20);
    for (auto _ : state) {
        ScriptStructure s = ScriptStructure::analyse(text.data(), text.size());
        benchmark::DoNotOptimize(s.problems.data());
        state.counters["problems"] = double(s.problemCount);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(text.size()));
}
BENCHMARK(BM_HostileCheck1MB)
    ->Arg(int(samples::Hostile::EndIfsOnOneLine))
    ->Arg(int(samples::Hostile::EndIfLines))
    ->Arg(int(samples::Hostile::OpenersThenClosers))
    ->Unit(benchmark::kMillisecond);

// One editor with the 10 MB script, checked once.
CodeEditor& loadedEditor()
{
    static CodeEditor* editor = [] {
        auto* e = new CodeEditor;
        e->SendScintilla(Sci::SCI_APPENDTEXT, uintptr_t(script().size()), script().constData());
        e->checker().checkNow();
        return e;
    }();
    return *editor;
}

// A typed character and the check that follows it, up to the result shown. The CPU column is the
// GUI thread's share: the change notifications, the text handed to the worker piece by piece, and
// showing the result; the analysis itself runs on the worker (BM_FullCheck10MB).
void BM_TypedCharacterGuiShare10MB(benchmark::State& state)
{
    CodeEditor& editor = loadedEditor();
    ScriptChecker& checker = editor.checker();
    const long middle = editor.SendScintilla(Sci::SCI_POSITIONFROMLINE, editor.LineTotal() / 2) + 4;
    editor.SendScintilla(Sci::SCI_GOTOPOS, middle);
    int n = 0;
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, n % 2 ? Qt::Key_Backspace : Qt::Key_X, Qt::NoModifier,
                      n % 2 ? QString() : QStringLiteral("x"));
        ++n;
        QApplication::sendEvent(&editor, &key);
        // Idle until the result is shown (the worker's time is not this thread's).
        QEventLoop idle;
        QObject::connect(&checker, &ScriptChecker::checked, &idle, &QEventLoop::quit);
        QTimer::singleShot(10000, &idle, &QEventLoop::quit);
        idle.exec();
        if (!checker.current()) {
            state.SkipWithError("no check result");
            break;
        }
    }
}
BENCHMARK(BM_TypedCharacterGuiShare10MB)->Unit(benchmark::kMillisecond)->Iterations(8);

void BM_FoldLevels10MB(benchmark::State& state)
{
    const ScriptStructure result = ScriptStructure::analyse(script());
    std::unique_ptr<CodeEditor> editor;
    for (auto _ : state) {
        state.PauseTiming();
        editor.reset();
        editor = std::make_unique<CodeEditor>(); // levels unknown: every line's level is set
        editor->SendScintilla(Sci::SCI_APPENDTEXT, uintptr_t(script().size()), script().constData());
        auto levels = std::make_shared<ScriptStructure>(result); // apply() takes the levels over
        state.ResumeTiming();
        // The levels come from the worker's check (BM_FullCheck10MB); setting them all is the
        // GUI thread's part (those in view at once, the rest in slices between other events).
        editor->checker().apply(std::move(levels));
        while (editor->checker().foldLevelsPending())
            QApplication::processEvents();
    }
}
BENCHMARK(BM_FoldLevels10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// The usual case after an edit: a new result whose levels the control mostly holds already.
void BM_FoldLevelsUnchanged10MB(benchmark::State& state)
{
    const ScriptStructure result = ScriptStructure::analyse(script());
    CodeEditor editor;
    editor.SendScintilla(Sci::SCI_APPENDTEXT, uintptr_t(script().size()), script().constData());
    editor.checker().apply(std::make_shared<ScriptStructure>(result));
    while (editor.checker().foldLevelsPending())
        QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        auto levels = std::make_shared<ScriptStructure>(result);
        state.ResumeTiming();
        editor.checker().apply(std::move(levels));
        while (editor.checker().foldLevelsPending())
            QApplication::processEvents();
    }
}
BENCHMARK(BM_FoldLevelsUnchanged10MB)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
