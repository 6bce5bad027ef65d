// Loading and saving a large script through the editing control, against a plain QsciScintilla
// setText of the same text, and the memory one open document costs.

#include "document/CodeEditor.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

constexpr int kLines = 200000;

struct Fixture {
    QTemporaryDir dir;
    QString path;      // Windows-1252, CRLF, a few accented letters
    QString utf8Path;  // the same text in UTF-8
    QString savePath;
    QString text;      // the text as the editor shows it
    qint64 bytes = 0;
};

// About 10 MB of KiXtart-like script: 200,000 lines cycling through typical statements.
Fixture& fixture()
{
    static std::unique_ptr<Fixture> f = [] {
        auto made = std::make_unique<Fixture>();
        static const char* const statements[] = {
            "If InGroup(\"Domain Admins\") And $Index < 25",
            "\t$Result = ReadValue(\"HKEY_CURRENT_USER\\Software\\Orland\", \"Setting\")",
            "\t? \"Caf\xe9 server: \" + @LSERVER + \" at \" + @TIME + \" \" + $Result",
            "EndIf",
            "; maps the drives for the user, r\xe9vision 3",
            "Use H: \"\\\\fileserver\\home\\\" + @USERID + \"\\documents\"",
            "For $Counter = 1 To 250 Step 5 $Total = $Total + $Counter Next",
            "MessageBox(\"Logon finished for \" + @FULLNAME, \"Logon\", 64, 10)",
        };
        QByteArray ansi;
        ansi.reserve(kLines * 60);
        for (int i = 0; i < kLines; ++i) {
            ansi.append(statements[i % 8]);
            ansi.append("\r\n");
        }
        made->path = made->dir.filePath(QStringLiteral("big.kix"));
        made->utf8Path = made->dir.filePath(QStringLiteral("big-utf8.kix"));
        made->savePath = made->dir.filePath(QStringLiteral("saved.kix"));
        made->text = QString::fromLatin1(ansi); // the accented letters are the same in Latin-1
        QFile out(made->path);
        out.open(QIODevice::WriteOnly);
        out.write(ansi);
        QFile outUtf8(made->utf8Path);
        outUtf8.open(QIODevice::WriteOnly);
        outUtf8.write(made->text.toUtf8());
        made->bytes = ansi.size();
        return made;
    }();
    return *f;
}

qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

long residentKilobytes()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * 4; // 4 KiB pages
}

void BM_LoadFromFile(benchmark::State& state, bool utf8)
{
    Fixture& f = fixture();
    CodeEditor editor;
    for (auto _ : state) {
        const FileError error = editor.LoadFromFile(utf8 ? f.utf8Path : f.path);
        if (!error.ok())
            state.SkipWithError(qPrintable(error.message));
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
    state.counters["lines"] = editor.LineTotal();
}
BENCHMARK_CAPTURE(BM_LoadFromFile, ansi, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadFromFile, utf8, true)->Unit(benchmark::kMillisecond);

void BM_SaveToFile(benchmark::State& state)
{
    Fixture& f = fixture();
    CodeEditor editor;
    editor.LoadFromFile(f.path);
    editor.InsertTextAt(QStringLiteral("; edited\r\n"), {0, 0});
    for (auto _ : state) {
        const FileError error = editor.SaveToFile(f.savePath);
        if (!error.ok())
            state.SkipWithError(qPrintable(error.message));
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond);

void BM_PlainSetText(benchmark::State& state)
{
    Fixture& f = fixture();
    QsciScintilla plain;
    plain.setUtf8(true);
    for (auto _ : state)
        plain.setText(f.text);
    state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_PlainSetText)->Unit(benchmark::kMillisecond);

// Load time over plain setText time, both measured here side by side as CPU time of this thread
// (best of several rounds), so that other work on the machine does not tip the balance.
void BM_LoadToSetTextRatio(benchmark::State& state)
{
    Fixture& f = fixture();
    CodeEditor editor;
    QsciScintilla plain;
    plain.setUtf8(true);
    double ratio = 0;
    for (auto _ : state) {
        qint64 bestLoad = -1, bestSet = -1;
        for (int round = 0; round < 5; ++round) {
            qint64 start = threadCpuNanoseconds();
            editor.LoadFromFile(f.path);
            const qint64 load = threadCpuNanoseconds() - start;
            start = threadCpuNanoseconds();
            plain.setText(f.text);
            const qint64 set = threadCpuNanoseconds() - start;
            bestLoad = bestLoad < 0 ? load : std::min(bestLoad, load);
            bestSet = bestSet < 0 ? set : std::min(bestSet, set);
        }
        ratio = double(bestLoad) / double(bestSet);
    }
    state.counters["load_over_setText"] = ratio;
}
BENCHMARK(BM_LoadToSetTextRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

// Resident memory added by one more open document holding the 10 MB script.
void BM_OpenDocumentMemory(benchmark::State& state)
{
    Fixture& f = fixture();
    std::vector<std::unique_ptr<CodeEditor>> open;
    double deltaMb = 0;
    for (auto _ : state) {
        const long before = residentKilobytes();
        auto editor = std::make_unique<CodeEditor>();
        editor->LoadFromFile(f.path);
        deltaMb = (residentKilobytes() - before) / 1024.0;
        open.push_back(std::move(editor));
    }
    state.counters["rss_delta_MB"] = deltaMb;
    state.counters["file_MB"] = f.bytes / (1024.0 * 1024.0);
}
BENCHMARK(BM_OpenDocumentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    fixture();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
