// The structure check: silence on realistic scripts, each kind of problem at its line and column,
// deep nesting, fold levels, and the command-line check on files in the editor's encodings. The live
// check in the editing control: marks, fold levels, fold keys, the hover sentence and the symbol list.

#include "CaseFile.h"
#include "FoldLevels.h"
#include "document/check/CheckCommand.h"
#include "document/editor/CodeEditor.h"
#include "document/check/ScriptChecker.h"
#include "document/check/SymbolList.h"
#include "TestFiles.h"

#include <QLineEdit>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QStringConverter>
#include <QTest>
#include <QTextStream>
#include <QToolTip>

namespace {

QString corpusDir() { return QFINDTESTDATA("data/check-corpus"); }

QStringList describe(const ScriptStructure& s)
{
    QStringList out;
    for (const auto& p : s.problems)
        out << QStringLiteral("%1:%2: %3").arg(p.line + 1).arg(p.column + 1).arg(p.message);
    return out;
}

using Sci = QsciScintillaBase;

bool squiggleAt(CodeEditor& e, long pos) { return sci(e, Sci::SCI_INDICATORVALUEAT, ScriptChecker::Indicator, pos) != 0; }
// The middle of the fold margin.
int foldMarginX(CodeEditor& e)
{
    int x = 0;
    for (int margin = 0; margin <= ScriptChecker::FoldMargin; ++margin)
        x += int(sci(e, Sci::SCI_GETMARGINWIDTHN, uintptr_t(margin))) / (margin == ScriptChecker::FoldMargin ? 2 : 1);
    return x;
}
bool markedLine(CodeEditor& e, int line) { return sci(e, Sci::SCI_MARKERGET, line) & (1L << ScriptChecker::ProblemMarker); }
// The first line or byte where the fold levels, squiggles or margin marks differ from a fresh analysis.
QString stale(CodeEditor& e)
{
    const ScriptStructure s = ScriptStructure::analyse(e.text().toUtf8());
    if (const int line = staleLevelLine(e, s); line >= 0)
        return QStringLiteral("level of line %1").arg(line);
    const long length = sci(e, Sci::SCI_GETLENGTH);
    std::vector<char> squiggled(std::size_t(length), 0);
    QSet<int> lines;
    for (const auto& p : s.problems) {
        for (long i = p.pos; i < std::min<long>(long(p.pos) + p.length, length); ++i)
            squiggled[std::size_t(i)] = 1;
        lines << p.line;
    }
    for (long i = 0; i < length; ++i)
        if (squiggleAt(e, i) != bool(squiggled[std::size_t(i)]))
            return QStringLiteral("squiggle at byte %1").arg(i);
    for (int line = 0; line < e.LineTotal(); ++line)
        if (markedLine(e, line) != lines.contains(line))
            return QStringLiteral("mark on line %1").arg(line);
    return {};
}

} // namespace

class TestScriptStructure : public QObject {
    Q_OBJECT
private slots:
    // Every corpus file is silent; a copy with one slip reports only the slip.
    void corpus_data()
    {
        QTest::addColumn<QStringList>("fields");
        const QStringList files = QDir(corpusDir()).entryList({QStringLiteral("*.kix")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 10);
        for (const QString& f : files)
            QTest::newRow(qPrintable(f)) << QStringList{f, QString(), QString()};
        for (const QStringList& row : cases::table("script_structure.txt", "corpus slips"))
            QTest::newRow(qPrintable(row[0] + " slip")) << row;
    }

    void corpus()
    {
        QFETCH(QStringList, fields);
        QByteArray text = readFile(corpusDir() + QLatin1Char('/') + fields[0]);
        const QByteArray from = cases::bytes(fields[1]);
        QVERIFY(text.contains(from));
        text.replace(text.indexOf(from), from.size(), cases::bytes(fields[2]));
        const ScriptStructure s = ScriptStructure::analyse(text);
        QCOMPARE(describe(s), fields.mid(3));
        QCOMPARE(qsizetype(s.foldLevels.size()), text.count('\n') + 1); // one level per line
        for (const auto& b : s.blocks)
            QVERIFY2(!from.isEmpty() || b.closeLine >= b.openLine, qPrintable(QString::number(b.openLine)));
    }

    void problemsLevelsAndSymbols_data() { cases::addRows("script_structure.txt", "problems"); }

    void problemsLevelsAndSymbols()
    {
        QFETCH(QStringList, fields);
        const QByteArray script = cases::bytes(fields[1]);
        const ScriptStructure s = ScriptStructure::analyse(script);
        QCOMPARE(describe(s), fields.mid(4));
        for (const auto& p : s.problems)
            QVERIFY(p.pos >= 0 && p.pos + p.length <= script.size());
        QStringList levels, symbols;
        for (int level : s.foldLevels)
            levels << QString::number(level & ScriptStructure::FoldDepthMask) +
                          (level & ScriptStructure::FoldHeader ? QStringLiteral("H") : QString());
        for (const auto& f : s.functions)
            symbols << QStringLiteral("%1(%2)@%3").arg(QString::fromUtf8(s.name(f)), QString::fromUtf8(s.parameters(f))).arg(f.line);
        for (const auto& l : s.labels)
            symbols << QStringLiteral(":%1@%2").arg(QString::fromUtf8(s.name(l))).arg(l.line);
        QCOMPARE(fields[2].isEmpty() ? QString() : levels.join(QLatin1Char(' ')), fields[2]); // empty: not compared
        QCOMPARE(fields[3].isEmpty() ? QString() : symbols.join(QLatin1Char('|')), fields[3]);
    }

    void deepNestingDoesNotOverflow()
    {
        constexpr int depth = 10000;
        QByteArray text, closers;
        for (int i = 0; i < depth; ++i) {
            text += (i % 2 ? "While 1\n" : "If 1\n");
            closers.prepend(i % 2 ? "Loop\n" : "EndIf\n");
        }
        // Only the first problems are kept, all are counted.
        const ScriptStructure open = ScriptStructure::analyse(text);
        QVERIFY(open.problemCount == std::size_t(depth) && open.problems.size() == ScriptStructure::MaxProblems &&
                open.problems.back().line == int(ScriptStructure::MaxProblems) - 1);
        QCOMPARE(open.problems.front().message, QStringLiteral("If on line 1 has no EndIf."));

        const ScriptStructure closed = ScriptStructure::analyse(text + closers);
        QVERIFY(closed.problems.empty() && int(closed.blocks.size()) == depth && closed.blocks.front().closeLine == 2 * depth - 1);
        // Depths past what a fold level holds are capped, not wrapped.
        QCOMPARE(closed.foldLevels[depth] & ScriptStructure::FoldDepthMask, ScriptStructure::FoldDepthMask);
    }

    void checkCommand()
    {
        QTemporaryDir dir;
        const QString broken = QStringLiteral("; Grüße\nIf 1\n$ä = \"x\" Goto Weg\n");
        writeFile(dir.filePath("ansi.kix"), QStringEncoder(QStringConverter::Latin1)(broken));
        writeFile(dir.filePath("utf8.kix"), broken.toUtf8());
        writeFile(dir.filePath("utf16.kix"),
                  QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(broken));
        writeFile(dir.filePath("clean.kix"), QStringLiteral("; Grüße\nIf 1\n  ? \"ö\"\nEndIf\n").toUtf8());
        QString out, err;
        auto run = [&](const QStringList& args) {
            out.clear();
            err.clear();
            QTextStream o(&out), e(&err);
            return CheckCommand::run(args, o, e);
        };
        for (const char* name : {"ansi.kix", "utf8.kix", "utf16.kix"}) {
            const QString path = dir.filePath(QLatin1String(name));
            QCOMPARE(run({path}), int(CheckCommand::ProblemsFound));
            QCOMPARE(out, path + ":2:1: If on line 2 has no EndIf.\n" + path +
                              ":3:15: Goto on line 3 names the label Weg, which is not in the script.\n");
        }
        QVERIFY(run({dir.filePath("clean.kix")}) == CheckCommand::Clean && out.isEmpty() && err.isEmpty());

        // An unreadable file wins over found problems, and the others are still checked.
        QCOMPARE(run({dir.filePath("missing.kix"), dir.filePath("utf8.kix")}), int(CheckCommand::Failure));
        QVERIFY(err.contains(dir.filePath("missing.kix")) && out.count(QLatin1Char('\n')) == 2);

        QVERIFY(run({QStringLiteral("--help")}) == CheckCommand::Clean && out.startsWith(QStringLiteral("Usage: tessary-check FILE...")));
        QVERIFY(run({}) == CheckCommand::Failure && err.contains(QStringLiteral("no file")) && run({"--bogus"}) == CheckCommand::Failure);
    }

    // ---- The live check in the editing control ----------------------------------------------

    void closingTheBlockClearsItsMark()
    {
        CodeEditor editor;
        editor.show();
        editor.setText(QStringLiteral("$a = 1\nIf $a = 1\n    ? \"one\"\n"));
        QSignalSpy checked(&editor.checker(), &ScriptChecker::checked);
        // The check waits for a pause after the change and then runs off the GUI thread.
        QVERIFY(!squiggleAt(editor, 7) && checked.wait(3000));
        QVERIFY(squiggleAt(editor, 7) && squiggleAt(editor, 8) && !squiggleAt(editor, 9) && markedLine(editor, 1) && !markedLine(editor, 0));
        QCOMPARE(editor.checker().problemAt(8)->message, QStringLiteral("If on line 2 has no EndIf."));

        editor.setFocus();
        editor.SetSelectionRange({3, 0, 3, 0});
        QTest::keyClicks(&editor, QStringLiteral("EndI"));
        QVERIFY(checked.wait(3000) && squiggleAt(editor, 7)); // "EndI" does not close it
        QTest::keyClicks(&editor, QStringLiteral("f"));
        QVERIFY(checked.wait(3000) && !squiggleAt(editor, 7) && !markedLine(editor, 1) && editor.checker().current()->problems.empty());
    }

    // The levels of a large script are set a slice at a time after the check: all of them in the end.
    // Then edits that add, join and split lines around blocks; after each check the levels, squiggles
    // and margin marks are those of a fresh analysis.
    void foldLevelsAndMarksFollowEdits()
    {
        CodeEditor editor;
        editor.setText(QStringLiteral("If 1\n  While 1\n    ? 1\n  Loop\nEndIf\n").repeated(40000));
        editor.checker().checkNow();
        QTRY_VERIFY_WITH_TIMEOUT(!editor.checker().foldLevelsPending(), 20000);
        QCOMPARE(stale(editor), QString());
        editor.setText(QStringLiteral("If 1\n  While 1\n    ? 1\n  Loop\nEndIf\n"));
        editor.checker().checkNow();
        const QStringList pieces = {"If 1\n", "EndIf\n", "While 1\n", "Loop", "\n", "? 2\n\n", "Do\n? 3\nUntil 1\n", "x",
                                    "Goto L\n", ":L\n", "\""};
        QRandomGenerator random(12345);
        auto next = [&random](int n) { return int(random.bounded(n)); };
        for (int round = 0; round < 300; ++round) {
            const int length = int(sci(editor, Sci::SCI_GETLENGTH));
            const int at = next(length + 1);
            if (next(3) == 0 && length > 0)
                sci(editor, Sci::SCI_DELETERANGE, uintptr_t(at), std::min(length, at + 1 + next(12)) - at);
            else
                editor.SendScintilla(Sci::SCI_INSERTTEXT, uintptr_t(at), pieces[next(int(pieces.size()))].toUtf8().constData());
            if (next(2) == 0) { // several edits may come before a check
                editor.checker().checkNow();
                const QString why = stale(editor);
                QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("round %1: %2 in %3").arg(round).arg(why, editor.text())));
            }
        }
    }

    // In a scrolled script a mark repaints the margin beside its line, a block made in view the margin
    // from the line before it down, beside lines whose text did not change; levels set out of view
    // repaint nothing.
    void foldMarginFollowsLevels()
    {
        struct PaintedRegion : QObject {
            QRegion region;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint)
                    region += static_cast<QPaintEvent*>(e)->region();
                return false;
            }
        } painted;
        CodeEditor editor;
        editor.resize(400, 300);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setText(QStringLiteral("? 1\n").repeated(400));
        sci(editor, Sci::SCI_SETFIRSTVISIBLELINE, 100);
        editor.checker().checkNow();
        QTest::qWait(50);
        editor.viewport()->installEventFilter(&painted);
        const auto replaceLine = [&](int line, const char* text) { // then checked and painted
            painted.region = {};
            sci(editor, Sci::SCI_SETTARGETRANGE, uintptr_t(sci(editor, Sci::SCI_POSITIONFROMLINE, uintptr_t(line))),
                 sci(editor, Sci::SCI_GETLINEENDPOSITION, uintptr_t(line)));
            editor.SendScintilla(Sci::SCI_REPLACETARGET, uintptr_t(-1), text);
            editor.checker().checkNow();
            QTest::qWait(50);
        };
        const auto marginPainted = [&](int line) {
            const long y = sci(editor, Sci::SCI_POINTYFROMPOSITION, 0, sci(editor, Sci::SCI_POSITIONFROMLINE, uintptr_t(line)));
            return painted.region.contains(QPoint(foldMarginX(editor), int(y) + 2));
        };
        replaceLine(350, "If 1"); // out of view: no block yet, nothing in view changes
        QVERIFY(painted.region.isEmpty());
        replaceLine(107, "EndIf"); // a stray EndIf: a mark beside it, the levels stay
        QVERIFY(marginPainted(107) && !marginPainted(106) && !marginPainted(108));
        replaceLine(102, "If 1");
        QVERIFY(marginPainted(104) && marginPainted(107) && !marginPainted(100));
    }

    void foldKeys()
    {
        CodeEditor editor;
        editor.show();
        editor.setText(QStringLiteral("Function F()\n  If 1\n    ? 1\n  EndIf\nEndFunction\n? 2\n"));
        editor.checker().checkNow();
        editor.setFocus();
        editor.SetSelectionRange({2, 2, 2, 2});
        QTest::keyClick(&editor, Qt::Key_BracketLeft, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!sci(editor, Sci::SCI_GETLINEVISIBLE, 2) && sci(editor, Sci::SCI_GETLINEVISIBLE, 3) &&
                editor.GetSelectionRange().EndLine == 1);
        QCOMPARE(editor.text(), QStringLiteral("Function F()\n  If 1\n    ? 1\n  EndIf\nEndFunction\n? 2\n"));
        // On the folded header: the key folds the enclosing Function.
        QTest::keyClick(&editor, Qt::Key_BraceLeft, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!sci(editor, Sci::SCI_GETLINEVISIBLE, 1) && sci(editor, Sci::SCI_GETLINEVISIBLE, 5));
        QTest::keyClick(&editor, Qt::Key_BracketRight, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(sci(editor, Sci::SCI_GETLINEVISIBLE, 1));

        // A click on the fold margin beside a block's first line.
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        const int x = foldMarginX(editor);
        const int y = int(sci(editor, Sci::SCI_POINTYFROMPOSITION, 0, sci(editor, Sci::SCI_POSITIONFROMLINE, 1))) +
                      int(sci(editor, Sci::SCI_TEXTHEIGHT, 1)) / 2;
        // The If stayed folded inside the Function: the click unfolds it, a second one folds it again.
        QVERIFY(!sci(editor, Sci::SCI_GETLINEVISIBLE, 2));
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, {}, QPoint(x, y));
        QVERIFY(sci(editor, Sci::SCI_GETLINEVISIBLE, 2));
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, {}, QPoint(x, y + 1));
        QVERIFY(!sci(editor, Sci::SCI_GETLINEVISIBLE, 2));

        // A folded block whose first line stops opening a block must not leave its lines hidden.
        editor.InsertTextAt(QStringLiteral("2"), {1, 6}); // still opens the block: stays folded
        editor.checker().checkNow();
        QVERIFY(!sci(editor, Sci::SCI_GETLINEVISIBLE, 2));
        sci(editor, Sci::SCI_DELETERANGE, uintptr_t(sci(editor, Sci::SCI_POSITIONFROMLINE, 1) + 2), 5); // "If 12" goes
        editor.checker().checkNow();
        QVERIFY(sci(editor, Sci::SCI_GETLINEVISIBLE, 2));
    }

    // The sentence of a problem shows over it and over its margin mark; the symbol list of the labels and
    // Functions filters and jumps.
    void hoverAndSymbolList()
    {
        CodeEditor editor;
        editor.resize(500, 300);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setText(QStringLiteral(":Start\nGosub Setup\nExit\n:Setup\nReturn\nFunction GetSetting($k)\nEndFunction\n"
                                      "function put_value()\nendfunction\nGoto Missing\n"));
        editor.checker().checkNow();
        const long pos = sci(editor, Sci::SCI_POSITIONFROMLINE, 9) + 6;
        const int x = int(sci(editor, Sci::SCI_POINTXFROMPOSITION, 0, pos));
        const int y = int(sci(editor, Sci::SCI_POINTYFROMPOSITION, 0, pos));
        for (const auto& [at, atX] : {std::pair{int(pos), x}, {-1, 3}}) {
            emit editor.SCN_DWELLSTART(at, atX, y);
            QTRY_COMPARE(QToolTip::text(), QStringLiteral("Goto on line 10 names the label Missing, which is not in the script."));
            emit editor.SCN_DWELLEND(at, atX, y);
            QTRY_VERIFY(!QToolTip::isVisible());
        }
        // Plain text: no tip.
        emit editor.SCN_DWELLSTART(1, x, int(sci(editor, Sci::SCI_POINTYFROMPOSITION, 0, 1)));
        QTest::qWait(50);
        QVERIFY(!QToolTip::isVisible());

        editor.setFocus();
        QTest::keyClick(&editor, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        SymbolList* list = editor.checker().symbolList();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->shownLines(), (QList<int>{0, 3, 5, 7}));
        QTest::keyClicks(list->filterEdit(), QStringLiteral("SET"));
        QCOMPARE(list->shownLines(), (QList<int>{3, 5}));
        QTest::keyClick(list->filterEdit(), Qt::Key_Down);
        QTest::keyClick(list->filterEdit(), Qt::Key_Return);
        QVERIFY(!list->isVisible() && editor.GetSelectionRange().EndLine == 5);
        // Escape closes without moving; the filter starts empty each time.
        QTest::keyClick(&editor, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(list->isVisible() && list->filterEdit()->text().isEmpty());
        QTest::keyClick(list->filterEdit(), Qt::Key_Escape);
        QVERIFY(!list->isVisible() && editor.GetSelectionRange().EndLine == 5);
    }
};

QTEST_MAIN(TestScriptStructure)
#include "test_script_structure.moc"
