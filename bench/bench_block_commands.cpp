// Comment and Uncomment over a whole large script in a real main window, and the label scan the
// right-click menu runs over it.

#include "BenchMain.h"

#include "app/frmMain.h"
#include "document/editor/CodeEditor.h"
#include "document/language/ScriptScan.h"
#include "document/frmDocument.h"
#include "platform/DialogService.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryFile>

namespace {

QString script(int lines)
{
    static const char* const statements[] = {
        "If InGroup(\"Domain Admins\") And $Index < 25",
        "\t$Result = ReadValue(\"HKEY_CURRENT_USER\\Software\\Orland\", \"Setting\")",
        "\t? \"Server: \" + @LSERVER + \" at \" + @TIME + \" \" + $Result",
        "EndIf",
        "; maps the drives for the user",
        "MessageBox(\"Logon finished for \" + @FULLNAME, \"Logon\", 64, 10)",
    };
    QStringList text;
    for (int i = 0; i < lines; ++i)
        text << QString::fromLatin1(statements[i % 6]);
    return text.join(QStringLiteral("\r\n"));
}

void BM_CommentUncommentAll(benchmark::State& state)
{
    const int lines = int(state.range(0));
    frmMain window;
    CodeEditor* editor = window.activeDocument()->rtfText;
    const QString text = script(lines);
    for (auto _ : state) {
        editor->setText(text);
        editor->RunCommand(CodeEditor::CmdSelectAll);
        window.CommentSelection();
        window.UncommentSelection();
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_CommentUncommentAll)->Arg(1000)->Arg(5000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_FindLabels(benchmark::State& state)
{
    // No labels at all: the scan reads every line.
    CodeEditor editor;
    editor.setText(script(int(state.range(0))));
    for (auto _ : state) {
        auto labels = FindLabels(editor.LineTotal(), [&](int line) { return editor.LineText(line); }, 20);
        benchmark::DoNotOptimize(labels);
    }
}
BENCHMARK(BM_FindLabels)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
