// What keeping unsaved text costs: the GUI thread's share of one journal write of a 10 MB script
// (one copy of the text, the rest on the writer thread), and the time from the last keystroke until
// the text is on disk (the typing pause the journal waits for plus the synced write).

#include "BenchMain.h"

#include "document/CodeEditor.h"
#include "document/RecoveryJournal.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

namespace {

struct Fixture {
    QTemporaryDir dir;
    CodeEditor* editor = nullptr;
    std::unique_ptr<RecoveryJournal> journal;
};

Fixture& fixture()
{
    static std::unique_ptr<Fixture> f = [] {
        auto made = std::make_unique<Fixture>();
        qputenv("TESSARY_RECOVERY_DIR", made->dir.path().toLocal8Bit());
        QByteArray text;
        while (text.size() < 10 * 1024 * 1024)
            text += "\t$Result = ReadValue(\"HKEY_CURRENT_USER\\Software\\Orland\", \"Setting\") ; caf\xc3\xa9\r\n";
        made->editor = new CodeEditor;
        made->editor->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, uintptr_t(text.size()), text.constData());
        CodeEditor* editor = made->editor;
        made->journal = std::make_unique<RecoveryJournal>([editor] {
            RecoveryJournal::Snapshot snapshot;
            snapshot.modified = true;
            snapshot.record.title = QStringLiteral("Untitled 1");
            snapshot.record.changed = QDateTime::currentDateTimeUtc();
            snapshot.record.text = editor->utf8Text();
            return snapshot;
        });
        return made;
    }();
    return *f;
}

// GUI thread: the snapshot and the hand-over to the writer.
void BM_JournalWriteGuiThread10MB(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        f.journal->changed();
        f.journal->flushNow();
        state.PauseTiming();
        RecoveryJournal::waitForWrites();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_JournalWriteGuiThread10MB)->Unit(benchmark::kMillisecond);

// Writer thread: 10 MB to a temporary file, synced, renamed over the recovery file. The worst
// typing loss after a kill is RecoveryJournal::DelayMs plus this.
void BM_JournalDurableWrite10MB(benchmark::State& state)
{
    Fixture& f = fixture();
    RecoveryRecord record;
    record.pid = 1;
    record.title = QStringLiteral("Untitled 1");
    record.changed = QDateTime::currentDateTimeUtc();
    record.text = f.editor->utf8Text();
    const QString path = f.dir.filePath(QStringLiteral("bench.recovery"));
    for (auto _ : state)
        benchmark::DoNotOptimize(RecoveryJournal::writeFile(path, record));
}
BENCHMARK(BM_JournalDurableWrite10MB)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    const int status = runBenchmarks(argc, argv);
    std::printf("Worst typing loss after a kill: %d ms pause + the durable write above.\n", RecoveryJournal::DelayMs);
    return status;
}
