// Loading and saving a large script through the editing control, against a plain QsciScintilla
// setText of the same text, and the memory one open document costs.

#include "BenchMain.h"

#include "document/editor/CodeEditor.h"
#include "document/check/ScriptChecker.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <type_traits>

// Counts the bytes in use on the heap, and their peak, by standing in for glibc's allocator entry
// points (the program's own definitions take precedence over the C library's for every library).
namespace heap {
std::atomic<qint64> current{0};
std::atomic<qint64> peak{0};
void added(void* p)
{
    if (!p)
        return;
    const qint64 now = current += qint64(malloc_usable_size(p));
    qint64 seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}
void removed(void* p)
{
    if (p)
        current -= qint64(malloc_usable_size(p));
}
} // namespace heap

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size)
{
    void* p = __libc_malloc(size);
    heap::added(p);
    return p;
}
void* calloc(size_t n, size_t size)
{
    void* p = __libc_calloc(n, size);
    heap::added(p);
    return p;
}
void* realloc(void* old, size_t size)
{
    heap::removed(old);
    void* p = __libc_realloc(old, size);
    heap::added(p ? p : (size ? old : nullptr));
    return p;
}
void free(void* p)
{
    heap::removed(p);
    __libc_free(p);
}
void* memalign(size_t alignment, size_t size)
{
    void* p = __libc_memalign(alignment, size);
    heap::added(p);
    return p;
}
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size)
{
    *out = memalign(alignment, size);
    return *out ? 0 : 12; // ENOMEM
}
}

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
BENCHMARK(BM_SaveToFile)->UseRealTime()->Unit(benchmark::kMillisecond);

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

// Heap taken while opening the 10 MB script and kept afterwards, against a plain Scintilla editor
// that reads the file in blocks into a buffer sized beforehand, with undo collection off. The heap is counted by the
// allocation hooks below (every malloc of the process, Qt's and Scintilla's included), so the
// peak includes short-lived copies.
struct HeapUse {
    double peakMb = 0;
    double keptMb = 0;
    bool checked = false; // the structure check had run
};

template <typename Open>
HeapUse measureHeap(Open open)
{
    const qint64 before = heap::current.load();
    heap::peak.store(before);
    auto editor = open();
    bool checked = false;
    if constexpr (std::is_same_v<decltype(editor), std::unique_ptr<CodeEditor>>)
        checked = editor->checker().current() != nullptr;
    return {(heap::peak.load() - before) / 1048576.0, (heap::current.load() - before) / 1048576.0, checked};
}

std::unique_ptr<QsciScintilla> openPlain(const QString& path)
{
    auto editor = std::make_unique<QsciScintilla>();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    editor->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0UL);
    editor->SendScintilla(QsciScintillaBase::SCI_ALLOCATE, (unsigned long)(file.size() + 1000));
    QByteArray block(128 * 1024, Qt::Uninitialized);
    for (qint64 n; (n = file.read(block.data(), block.size())) > 0;)
        editor->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, (unsigned long)n, block.constData());
    editor->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 1UL);
    editor->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    return editor;
}

void BM_OpenPeakHeap(benchmark::State& state, bool utf8)
{
    Fixture& f = fixture();
    const QString& path = utf8 ? f.utf8Path : f.path;
    std::vector<double> ratios;
    HeapUse ours, plain;
    for (auto _ : state) {
        // Opening includes the structure check that follows the load (fold levels, squiggles).
        ours = measureHeap([&] {
            auto editor = std::make_unique<CodeEditor>();
            editor->LoadFromFile(path);
            QElapsedTimer waited;
            waited.start();
            while (!editor->checker().current() && waited.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return editor;
        });
        if (!ours.checked)
            state.SkipWithError("the structure check did not finish");
        plain = measureHeap([&] { return openPlain(path); });
        ratios.push_back(ours.peakMb / plain.peakMb);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["peak_MB"] = ours.peakMb;
    state.counters["kept_MB"] = ours.keptMb;
    state.counters["plain_peak_MB"] = plain.peakMb;
    state.counters["plain_kept_MB"] = plain.keptMb;
    state.counters["peak_over_plain"] = ratios[ratios.size() / 2]; // median
}
BENCHMARK_CAPTURE(BM_OpenPeakHeap, ansi, false)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenPeakHeap, utf8, true)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv, [] { fixture(); });
}
