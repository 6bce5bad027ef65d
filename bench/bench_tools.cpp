// The tool windows' long loops: the variable scan against its literal definition on the same text,
// the variable list window filled with many names, and the error lookup window's full list from the
// click to the last line.

#include "BenchMain.h"

#include "../tests/support/LiteralVariableScan.h"
#include "document/editor/CodeEditor.h"
#include "document/VarListHost.h"
#include "document/language/VariableScan.h"
#include "document/frmVarList.h"
#include "tools/frmWin32Errors.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int kBytes = 1 << 20;

// About 1 MB of script with 50,000 "$" names (5,000 different ones) and every delimiter nearby.
const QString& typicalScript()
{
    static const QString text = [] {
        QString t;
        int i = 0;
        while (t.size() < kBytes) {
            const int n = i % 5000;
            t += QStringLiteral("$v%1 = (%2-1)*2\r\n").arg(n).arg(i);
            if (i % 25 == 0)
                t += QStringLiteral("? \"a\\b\",/+<>;\r\n");
            ++i;
        }
        return t;
    }();
    return text;
}

// One name that runs to the end: "$" and 1 MB without a delimiter (tabs, lone LFs, dots).
const QString& longNameScript()
{
    static const QString text = [] {
        QString t = QStringLiteral("$");
        while (t.size() < kBytes)
            t += QStringLiteral("abc.def\tghi\n");
        return t;
    }();
    return text;
}

// A script without "\" or ";": each literal delimiter search for them runs to the end of the text.
QString missingDelimiterScript(int bytes)
{
    QString t;
    for (int i = 0; t.size() < bytes; ++i)
        t += QStringLiteral("$v%1 = $w%2 + 1\r\n").arg(i % 500).arg(i % 700);
    return t;
}

template <typename Scan>
void runScan(benchmark::State& state, const QString& text, Scan scan)
{
    qsizetype names = 0;
    for (auto _ : state) {
        QStringList found = scan(text);
        names = found.size();
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
    state.counters["names"] = double(names);
    state.counters["dollars"] = double(text.count(QLatin1Char('$')));
}

void BM_ScanTypical(benchmark::State& state)
{
    runScan(state, typicalScript(), [](const QString& t) { return VariableScan::ScanVariables(t); });
}
void BM_ScanTypicalLiteral(benchmark::State& state)
{
    runScan(state, typicalScript(), [](const QString& t) { return literal::ScanVariables(t); });
}
void BM_ScanLongName(benchmark::State& state)
{
    runScan(state, longNameScript(), [](const QString& t) { return VariableScan::ScanVariables(t); });
}
void BM_ScanLongNameLiteral(benchmark::State& state)
{
    runScan(state, longNameScript(), [](const QString& t) { return literal::ScanVariables(t); });
}
void BM_ScanMissingDelimiter(benchmark::State& state)
{
    const QString text = missingDelimiterScript(int(state.range(0)));
    runScan(state, text, [](const QString& t) { return VariableScan::ScanVariables(t); });
}
void BM_ScanMissingDelimiterLiteral(benchmark::State& state)
{
    const QString text = missingDelimiterScript(int(state.range(0)));
    runScan(state, text, [](const QString& t) { return literal::ScanVariables(t); });
}

BENCHMARK(BM_ScanTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanTypicalLiteral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanLongName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanLongNameLiteral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMissingDelimiter)->Arg(16 << 10)->Arg(64 << 10)->Arg(256 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMissingDelimiterLiteral)->Arg(16 << 10)->Arg(64 << 10)->Arg(256 << 10)->Unit(benchmark::kMillisecond);

// The variable list window over a script of range(0) different names, one per line: from the scan's
// start to the whole list in place, laid out and its visible part painted, and the window gone again.
void BM_VarListFill(benchmark::State& state)
{
    struct Host : VarListHost {
        CodeEditor editor;
        CodeEditor* VarListEditor() override { return &editor; }
    } host;
    const int count = int(state.range(0));
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("$name%1 = %1\r\n").arg(i);
    host.editor.setText(text);
    int rows = 0;
    for (auto _ : state) {
        frmVarList window(&host);
        window.Timer->stop();
        window.show();
        window.ScanVariables();
        QApplication::processEvents(); // the view's layout waits for the event loop
        window.lstVarList->viewport()->repaint();
        rows = window.lstVarList->model()->rowCount();
    } // closing the window is timed too
    if (rows != count)
        state.SkipWithError("the list does not hold every name");
    state.counters["names"] = rows;
}
BENCHMARK(BM_VarListFill)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the click on "Get Error List" to the last line in the output, with the shipped texts.
void BM_FullErrorList(benchmark::State& state)
{
    frmWin32Errors window;
    window.show();
    QApplication::processEvents();
    int lines = 0;
    for (auto _ : state) {
        window.cmdGetError->click();
        lines = window.rtfError->document()->blockCount() - 1;
    }
    state.counters["lines"] = lines;
}
BENCHMARK(BM_FullErrorList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
