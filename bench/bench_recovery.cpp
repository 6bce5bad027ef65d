// What keeping unsaved text costs the GUI thread at 10 MB: a typed key with the journal following it
// against the same key without one, the hand-over of a due write (the edits since the last one), the
// largest single step of the first copy for the writer (one slice), and all of that copy at once (as
// when the editor loses focus). On the writer thread: the durable write of the record.

#include "BenchMain.h"

#include <Qsci/qsciscintilla.h>
#include "document/files/RecoveryFolder.h"
#include "document/files/RecoveryJournal.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include <ctime>
#include <memory>

namespace {

// This thread's processor time: a busy machine lengthens wall time, not this.
double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

QByteArray script10MB()
{
    QByteArray text;
    while (text.size() < 10 * 1024 * 1024)
        text += "\t$Result = ReadValue(\"HKEY_CURRENT_USER\\Software\\Orland\", \"Setting\") ; caf\xc3\xa9\r\n";
    return text;
}

// A plain control: the editor's other helpers (the structure check) would be timed too.
struct Fixture {
    QsciScintilla editor;
    std::unique_ptr<RecoveryJournal> journal;
    long middle = 0;

    explicit Fixture(bool withJournal)
    {
        const QByteArray text = script10MB();
        editor.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, uintptr_t(text.size()), text.constData());
        editor.SendScintilla(QsciScintillaBase::SCI_SETSAVEPOINT);
        middle = long(text.size() / 2);
        if (!withJournal)
            return;
        QsciScintilla* shown = &editor;
        journal = std::make_unique<RecoveryJournal>(&editor, [shown] {
            RecoveryJournal::Fields fields;
            fields.modified = shown->isModified();
            fields.record.title = QStringLiteral("Untitled 1");
            fields.record.changed = QDateTime::currentDateTimeUtc();
            return fields;
        });
    }
    // A key typed in the middle, where the control's gap stays while typing goes on.
    void key() { editor.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, uintptr_t(middle), static_cast<const char*>("x")); }
    // The journal's first copy, made at once.
    void settle()
    {
        key();
        journal->flushNow();
        RecoveryJournal::waitForWrites();
    }
};

Fixture& plain()
{
    static Fixture f(false);
    return f;
}

Fixture& journaled()
{
    static Fixture f(true);
    return f;
}

void BM_KeyWithoutJournal10MB(benchmark::State& state)
{
    Fixture& f = plain();
    for (auto _ : state)
        f.key();
}
BENCHMARK(BM_KeyWithoutJournal10MB)->Unit(benchmark::kMicrosecond)->Iterations(20000);

void BM_KeyWithJournal10MB(benchmark::State& state)
{
    Fixture& f = journaled();
    f.settle();
    int keys = 0;
    for (auto _ : state) {
        f.key();
        // As in use, the journal hands the edits over before they pile up.
        if (++keys % 1000 == 0) {
            state.PauseTiming();
            f.journal->flushNow();
            RecoveryJournal::waitForWrites();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_KeyWithJournal10MB)->Unit(benchmark::kMicrosecond)->Iterations(20000);

// The GUI thread's part of a write that falls due after a few keys.
void BM_JournalWriteGuiThread10MB(benchmark::State& state)
{
    Fixture& f = journaled();
    f.settle();
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 8; ++i)
            f.key();
        state.ResumeTiming();
        f.journal->flushNow();
        state.PauseTiming();
        RecoveryJournal::waitForWrites();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_JournalWriteGuiThread10MB)->Unit(benchmark::kMicrosecond)->Iterations(20);

// The longest turn of the event loop while the first copy is made (one slice), and the number of turns.
void BM_JournalCopySlice10MB(benchmark::State& state)
{
    Fixture& f = journaled();
    double slowest = 0, slowestCpu = 0, turns = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.journal->discard();
        RecoveryJournal::waitForWrites();
        f.key(); // the first change after a save: the copy starts
        state.ResumeTiming();
        turns = 0;
        while (f.journal->copying()) {
            QElapsedTimer step;
            step.start();
            const double cpu = threadCpuMs();
            QCoreApplication::processEvents();
            slowestCpu = std::max(slowestCpu, threadCpuMs() - cpu);
            slowest = std::max(slowest, step.nsecsElapsed() / 1e6);
            ++turns;
        }
        state.PauseTiming();
        RecoveryJournal::waitForWrites();
        state.ResumeTiming();
    }
    state.counters["slowest_turn_ms"] = slowest;
    state.counters["slowest_turn_cpu_ms"] = slowestCpu;
    state.counters["turns"] = turns;
}
BENCHMARK(BM_JournalCopySlice10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole first copy at once, as when the editor loses focus right after the first change.
void BM_JournalCopyAtOnce10MB(benchmark::State& state)
{
    Fixture& f = journaled();
    for (auto _ : state) {
        state.PauseTiming();
        f.journal->discard();
        RecoveryJournal::waitForWrites();
        f.key();
        state.ResumeTiming();
        f.journal->flushNow();
        state.PauseTiming();
        RecoveryJournal::waitForWrites();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_JournalCopyAtOnce10MB)->Unit(benchmark::kMillisecond)->Iterations(5);

// Writer thread: 10 MB to a new file, every write checked, synced, size compared, renamed over the
// record. The worst typing loss after a kill is RecoveryJournal::DelayMs plus this.
void BM_JournalDurableWrite10MB(benchmark::State& state)
{
    const QByteArray text = script10MB();
    RecoveryRecord record;
    record.pid = 1;
    record.title = QStringLiteral("Untitled 1");
    record.changed = QDateTime::currentDateTimeUtc();
    const std::shared_ptr<RecoveryFolder> folder = RecoveryFolder::current();
    const QString name = folder->newRecordName();
    for (auto _ : state)
        if (!folder->write(name, record.header(text.size()), text))
            state.SkipWithError("the record was not written");
}
BENCHMARK(BM_JournalDurableWrite10MB)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    const int status = runBenchmarks(argc, argv);
    std::printf("Worst typing loss after a kill: %d ms after the first unsaved change + the durable write above.\n",
                RecoveryJournal::DelayMs);
    return status;
}
