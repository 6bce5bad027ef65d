// Speed of the structure check on a generated 10 MB script: the full check, the GUI thread's share
// of the check that follows one typed character (the change notification, the copy of the text,
// showing the result), and setting the fold levels of the whole script in a fresh control.

#include "BenchMain.h"

#include "document/CodeEditor.h"
#include "document/ScriptChecker.h"
#include "document/ScriptStructure.h"

#include <QApplication>

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

void BM_TypedCharacterGuiShare10MB(benchmark::State& state)
{
    CodeEditor& editor = loadedEditor();
    ScriptChecker& checker = editor.checker();
    const long middle = editor.SendScintilla(Sci::SCI_POSITIONFROMLINE, editor.LineTotal() / 2) + 4;
    // The worker's result for the text as it stands (computed off the GUI thread in the editor).
    const auto result = std::make_shared<const ScriptStructure>(ScriptStructure::analyse(checker.snapshot()));
    for (auto _ : state) {
        // What the GUI thread does for a typed character: the change notification to every
        // handler, the copy of the text for the worker, and showing the worker's result.
        emit editor.SCN_MODIFIED(int(middle), Sci::SC_MOD_INSERTTEXT | Sci::SC_PERFORMED_USER, "x", 1, 0, 0, 0, 0, 0, 0);
        QByteArray copy = checker.snapshot();
        benchmark::DoNotOptimize(copy.data());
        checker.apply(result);
    }
}
BENCHMARK(BM_TypedCharacterGuiShare10MB)->Unit(benchmark::kMillisecond);


void BM_FoldLevels10MB(benchmark::State& state)
{
    const auto result = std::make_shared<const ScriptStructure>(ScriptStructure::analyse(script()));
    std::unique_ptr<CodeEditor> editor;
    for (auto _ : state) {
        state.PauseTiming();
        editor.reset();
        editor = std::make_unique<CodeEditor>(); // levels unknown: every line's level is set
        editor->SendScintilla(Sci::SCI_APPENDTEXT, uintptr_t(script().size()), script().constData());
        state.ResumeTiming();
        // The levels come from the worker's check (BM_FullCheck10MB); setting them all is the
        // GUI thread's part.
        editor->checker().apply(result);
    }
}
BENCHMARK(BM_FoldLevels10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
