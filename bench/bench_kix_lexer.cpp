// Styling speed of the KiXtart lexer against the KiXtart lexer compiled into Scintilla, on a
// generated 10 MB script: a full restyle, and the restyle after typing one character mid-document.

#include "BenchMain.h"

#include "document/language/KixLexer.h"
#include "document/language/LanguageRegistry.h"
#include "document/language/modKixLanguage.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

using Sci = QsciScintillaBase;

constexpr long kScriptBytes = 10L * 1024 * 1024;
constexpr int kVisibleLines = 60;

QByteArray generateScript(long targetBytes)
{
    QByteArray script;
    script.reserve(targetBytes + 1024);
    for (int n = 0; script.size() < targetBytes; ++n) {
        const QByteArray i = QByteArray::number(n);
        script += "; Section " + i + ": map drives and greet the user\n"
                  "If InGroup(\"Domain Users\") AND @DOS >= \"5.0\"\n"
                  "    $rc = MessageBox(\"Welcome " + i + "\", \"Logon\", 64, 10)\n"
                  "    Use H: \"\\\\server\\home" + i + "\"\n"
                  "    $x = &1F + 42 * 3.5 - $count" + i + " <> 7\n"
                  "    ? \"Value: \" + $x + @CRLF\n"
                  ":Label" + i + "\n"
                  "    WriteValue(\"HKCU\\Software\\Test\", \"Entry" + i + "\", \"Data\", \"REG_SZ\")\n"
                  "EndIf\n"
                  "For $i = 0 To 10 Step 1\n"
                  "    $s = SubStr('abc', 1, $i) + Lcase($Name) ; trailing comment\n"
                  "Next\n";
    }
    return script;
}

const QByteArray& script()
{
    static const QByteArray text = generateScript(kScriptBytes);
    return text;
}

// An editor holding the script, coloured by our lexer or by the compiled-in one.
std::unique_ptr<QsciScintilla> makeEditor(bool ours)
{
    auto editor = std::make_unique<QsciScintilla>();
    editor->resize(800, 600);
    if (ours) {
        editor->setLexer(LanguageRegistry::instance().createLexer(KixLanguageName, editor.get()));
    } else {
        editor->SendScintilla(Sci::SCI_SETLEXERLANGUAGE, 0UL, "kix");
        if (editor->SendScintilla(Sci::SCI_GETLEXER) != Sci::SCLEX_KIX)
            editor->SendScintilla(Sci::SCI_SETLEXERLANGUAGE, 0UL, "batch");
        // The compiled-in lexer compares lower-cased words: commands and functions, then macros.
        const QByteArray commands = CommandTable.keys().join(' ').toLower().toUtf8();
        const QByteArray macros = MacroTable.keys().join(' ').toLower().toUtf8();
        editor->SendScintilla(Sci::SCI_SETKEYWORDS, 0UL, commands.constData());
        editor->SendScintilla(Sci::SCI_SETKEYWORDS, 1UL, commands.constData());
        editor->SendScintilla(Sci::SCI_SETKEYWORDS, 2UL, macros.constData());
    }
    editor->SendScintilla(Sci::SCI_SETTEXT, 0UL, script().constData());
    return editor;
}

void styleAll(QsciScintilla& editor)
{
    editor.SendScintilla(Sci::SCI_CLEARDOCUMENTSTYLE);
    editor.SendScintilla(Sci::SCI_COLOURISE, 0UL, -1L);
}

void BM_FullStyle(benchmark::State& state, bool ours)
{
    auto editor = makeEditor(ours);
    styleAll(*editor);
    // A keyword on the second line must have been styled, or the run measured nothing.
    const long ifPos = script().indexOf("\nIf ") + 1;
    if (editor->SendScintilla(Sci::SCI_GETSTYLEAT, static_cast<unsigned long>(ifPos)) == 0) {
        state.SkipWithError("the lexer did not style the text");
        return;
    }
    for (auto _ : state)
        styleAll(*editor);
    // Styling that stopped short of the end would make a fast, meaningless figure.
    if (editor->SendScintilla(Sci::SCI_GETENDSTYLED) != editor->SendScintilla(Sci::SCI_GETLENGTH)) {
        state.SkipWithError("styling did not reach the end of the text");
        return;
    }
    state.SetBytesProcessed(state.iterations() * script().size());
    state.SetLabel(ours ? "ours" : (editor->SendScintilla(Sci::SCI_GETLEXER) == Sci::SCLEX_KIX ? "compiled-in kix" : "compiled-in batch"));
}

// Type one character in the middle of the document, then restyle what painting the screen asks
// for (from the first unstyled line to the end of a screenful); then take the character back the
// same way. Only the restyling is timed: the edit itself is the control's cost, measured by
// BM_TypeAndRestyle.
void BM_RestyleAfterTyping(benchmark::State& state, bool ours)
{
    auto editor = makeEditor(ours);
    styleAll(*editor);
    const long line = editor->SendScintilla(Sci::SCI_GETLINECOUNT) / 2;
    const long pos = editor->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)) + 4;
    const long visibleEnd = editor->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line + kVisibleLines));
    auto restyleVisible = [&] {
        const long from = editor->SendScintilla(Sci::SCI_GETENDSTYLED);
        editor->SendScintilla(Sci::SCI_COLOURISE, static_cast<unsigned long>(from), visibleEnd);
    };
    for (auto _ : state) {
        state.PauseTiming();
        editor->SendScintilla(Sci::SCI_INSERTTEXT, static_cast<unsigned long>(pos), "x");
        state.ResumeTiming();
        restyleVisible();
        state.PauseTiming();
        editor->SendScintilla(Sci::SCI_DELETERANGE, static_cast<unsigned long>(pos), 1L);
        restyleVisible();
        state.ResumeTiming();
    }
    if (ours) {
        auto* lexer = static_cast<KixLexer*>(editor->lexer());
        state.counters["bytes_styled"] = static_cast<double>(lexer->lastStyledBytes());
    }
    state.SetLabel(ours ? "ours" : "compiled-in");
}

// The whole keystroke: insert one character mid-document and restyle the screenful.
void BM_TypeAndRestyle(benchmark::State& state, bool ours)
{
    auto editor = makeEditor(ours);
    styleAll(*editor);
    const long line = editor->SendScintilla(Sci::SCI_GETLINECOUNT) / 2;
    const long pos = editor->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)) + 4;
    const long visibleEnd = editor->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line + kVisibleLines));
    for (auto _ : state) {
        editor->SendScintilla(Sci::SCI_INSERTTEXT, static_cast<unsigned long>(pos), "x");
        editor->SendScintilla(Sci::SCI_COLOURISE, static_cast<unsigned long>(editor->SendScintilla(Sci::SCI_GETENDSTYLED)), visibleEnd);
        state.PauseTiming();
        editor->SendScintilla(Sci::SCI_DELETERANGE, static_cast<unsigned long>(pos), 1L);
        state.ResumeTiming();
    }
    state.SetLabel(ours ? "ours" : "compiled-in");
}

// Prints the ratio of our time to the compiled-in lexer's time after the usual console output.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Iteration)
                seconds_[run.run_name.str()] = run.GetAdjustedCPUTime();
            else if (run.aggregate_name == "median")
                medians_[run.run_name.str()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        printRatio("BM_FullStyle/ours", "BM_FullStyle/compiled_in", "full restyle of 10 MB");
        printRatio("BM_RestyleAfterTyping/ours", "BM_RestyleAfterTyping/compiled_in", "restyle after typing mid-document");
        printRatio("BM_TypeAndRestyle/ours", "BM_TypeAndRestyle/compiled_in", "keystroke mid-document");
    }

private:
    // Times are CPU times: the machine may be shared, and both lexers run on this one thread.
    void printRatio(const std::string& ours, const std::string& theirs, const char* what)
    {
        const double a = timeOf(ours);
        const double b = timeOf(theirs);
        if (a > 0 && b > 0)
            std::printf("ratio ours/compiled-in (CPU time, median where repeated), %s: %.2f\n", what, a / b);
    }
    // The median of the repetitions where there are several, else the one run.
    double timeOf(const std::string& prefix) const
    {
        for (const auto& [name, time] : medians_)
            if (name.rfind(prefix, 0) == 0)
                return time;
        for (const auto& [name, time] : seconds_)
            if (name.rfind(prefix, 0) == 0)
                return time;
        return 0;
    }
    std::map<std::string, double> seconds_;
    std::map<std::string, double> medians_;
};

} // namespace

BENCHMARK_CAPTURE(BM_FullStyle, ours, true)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK_CAPTURE(BM_FullStyle, compiled_in, false)->Unit(benchmark::kMillisecond)->Repetitions(5);
// Every edit costs the control a walk over the text before it (tens of ms at 5 MB), all of it
// untimed here, so the iteration counts are fixed instead of grown until the timed part adds up.
BENCHMARK_CAPTURE(BM_RestyleAfterTyping, ours, true)->Unit(benchmark::kMicrosecond)->Iterations(40);
BENCHMARK_CAPTURE(BM_RestyleAfterTyping, compiled_in, false)->Unit(benchmark::kMicrosecond)->Iterations(40);
BENCHMARK_CAPTURE(BM_TypeAndRestyle, ours, true)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_TypeAndRestyle, compiled_in, false)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv)
{
    RatioReporter reporter;
    return runBenchmarks(argc, argv, [] { RegisterKixLanguage(); }, &reporter);
}
