// The live structure check of the editing control: marks, fold levels, fold keys, the hover
// sentence, the symbol list and tips for the script's own functions.

#include "document/CodeEditor.h"
#include "document/CodeTip.h"
#include "document/CodeTipsHandler.h"
#include "document/modKixLanguage.h"
#include "document/ScriptChecker.h"
#include "document/SymbolList.h"

#include <QLineEdit>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

namespace {
using Sci = QsciScintillaBase;

long send(CodeEditor& e, unsigned int m, unsigned long w = 0, long l = 0) { return e.SendScintilla(m, w, l); }
bool squiggleAt(CodeEditor& e, long pos) { return send(e, Sci::SCI_INDICATORVALUEAT, ScriptChecker::Indicator, pos) != 0; }
bool markedLine(CodeEditor& e, int line) { return send(e, Sci::SCI_MARKERGET, line) & (1L << ScriptChecker::ProblemMarker); }
int depth(CodeEditor& e, int line) { return int(send(e, Sci::SCI_GETFOLDLEVEL, line) & Sci::SC_FOLDLEVELNUMBERMASK) - Sci::SC_FOLDLEVELBASE; }
bool header(CodeEditor& e, int line) { return send(e, Sci::SCI_GETFOLDLEVEL, line) & Sci::SC_FOLDLEVELHEADERFLAG; }

// The lines whose level in the control differs from a fresh analysis of its text.
QList<int> staleLevels(CodeEditor& e)
{
    const ScriptStructure s = ScriptStructure::analyse(e.text().toUtf8());
    QList<int> stale;
    for (int line = 0; line < e.LineTotal(); ++line) {
        const int want = s.foldLevels[std::size_t(line)];
        const bool h = want & ScriptStructure::FoldHeader;
        if (depth(e, line) != (want & ScriptStructure::FoldDepthMask) || header(e, line) != h)
            stale << line;
    }
    return stale;
}

// The first place where the squiggles or margin marks differ from a fresh analysis of the text.
QString staleMarks(CodeEditor& e)
{
    const ScriptStructure s = ScriptStructure::analyse(e.text().toUtf8());
    const long length = send(e, Sci::SCI_GETLENGTH);
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

class TestScriptChecker : public QObject {
    Q_OBJECT
private slots:
    void closingTheBlockClearsItsMark()
    {
        CodeEditor editor;
        editor.show();
        editor.setText(QStringLiteral("$a = 1\nIf $a = 1\n    ? \"one\"\n"));
        QSignalSpy checked(&editor.checker(), &ScriptChecker::checked);
        // The check waits for a pause after the change and then runs off the GUI thread.
        QVERIFY(!squiggleAt(editor, 7));
        QVERIFY(checked.wait(3000));
        QVERIFY(squiggleAt(editor, 7) && squiggleAt(editor, 8) && !squiggleAt(editor, 9));
        QVERIFY(markedLine(editor, 1) && !markedLine(editor, 0));
        QCOMPARE(editor.checker().problemAt(8)->message, QStringLiteral("If on line 2 has no EndIf."));

        editor.setFocus();
        editor.SetSelectionRange({3, 0, 3, 0});
        QTest::keyClicks(&editor, QStringLiteral("EndI"));
        QVERIFY(checked.wait(3000));
        QVERIFY(squiggleAt(editor, 7)); // "EndI" does not close it
        QTest::keyClicks(&editor, QStringLiteral("f"));
        QVERIFY(checked.wait(3000));
        QVERIFY(!squiggleAt(editor, 7) && !markedLine(editor, 1));
        QVERIFY(editor.checker().current()->problems.empty());
    }

    // Edits that add, join and split lines around blocks; after each check the levels, squiggles and
    // margin marks are those of a fresh analysis.
    void foldLevelsFollowRandomEdits()
    {
        CodeEditor editor;
        editor.setText(QStringLiteral("If 1\n  While 1\n    ? 1\n  Loop\nEndIf\n"));
        editor.checker().checkNow();
        const QStringList pieces = {"If 1\n", "EndIf\n", "While 1\n", "Loop", "\n", "? 2\n\n", "Do\n? 3\nUntil 1\n", "x",
                                    "Goto L\n", ":L\n", "\""};
        QRandomGenerator random(12345);
        auto next = [&random](int n) { return int(random.bounded(n)); };
        for (int round = 0; round < 300; ++round) {
            const int length = int(send(editor, Sci::SCI_GETLENGTH));
            const int at = next(length + 1);
            if (next(3) == 0 && length > 0) {
                const int to = std::min(length, at + 1 + next(12));
                send(editor, Sci::SCI_DELETERANGE, (unsigned long)at, to - at);
            } else {
                const QByteArray piece = pieces[next(int(pieces.size()))].toUtf8();
                editor.SendScintilla(Sci::SCI_INSERTTEXT, (unsigned long)at, piece.constData());
            }
            if (next(2) == 0) { // several edits may come before a check
                editor.checker().checkNow();
                QVERIFY2(staleLevels(editor).isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(editor.text())));
                const QString marks = staleMarks(editor);
                QVERIFY2(marks.isEmpty(), qPrintable(QStringLiteral("round %1: %2 in %3").arg(round).arg(marks, editor.text())));
            }
        }
    }

    // The levels of a large script are set a slice at a time after the check: all of them in the end.
    void foldLevelsOfALargeScriptAllArrive()
    {
        CodeEditor editor;
        editor.setText(QStringLiteral("If 1\n  While 1\n    ? 1\n  Loop\nEndIf\n").repeated(40000));
        editor.checker().checkNow();
        QTRY_VERIFY_WITH_TIMEOUT(!editor.checker().foldLevelsPending(), 20000);
        QCOMPARE(staleLevels(editor), QList<int>());
    }

    // A folded block whose first line stops opening a block must not leave its lines hidden.
    void foldedLineThatStopsOpeningABlockIsShown()
    {
        CodeEditor editor;
        editor.show();
        editor.setText(QStringLiteral("If 1\n    ? 1\nEndIf\n? 2\n"));
        editor.checker().checkNow();
        editor.checker().foldBlockAt(0, true);
        editor.InsertTextAt(QStringLiteral("2"), {0, 4}); // still opens the block: stays folded
        editor.checker().checkNow();
        QVERIFY(!send(editor, Sci::SCI_GETLINEVISIBLE, 1));
        send(editor, Sci::SCI_DELETERANGE, 0, 5); // "If 12" goes
        editor.checker().checkNow();
        QVERIFY(send(editor, Sci::SCI_GETLINEVISIBLE, 1));
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
        QVERIFY(!send(editor, Sci::SCI_GETLINEVISIBLE, 2) && send(editor, Sci::SCI_GETLINEVISIBLE, 3));
        QCOMPARE(editor.GetSelectionRange().EndLine, 1);
        QCOMPARE(editor.text(), QStringLiteral("Function F()\n  If 1\n    ? 1\n  EndIf\nEndFunction\n? 2\n"));
        // On the folded header: the key folds the enclosing Function.
        QTest::keyClick(&editor, Qt::Key_BraceLeft, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!send(editor, Sci::SCI_GETLINEVISIBLE, 1) && send(editor, Sci::SCI_GETLINEVISIBLE, 5));
        QTest::keyClick(&editor, Qt::Key_BracketRight, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(send(editor, Sci::SCI_GETLINEVISIBLE, 1));

        // A click on the fold margin beside a block's first line.
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        int x = 0;
        for (int margin = 0; margin < ScriptChecker::FoldMargin; ++margin)
            x += int(send(editor, Sci::SCI_GETMARGINWIDTHN, margin));
        x += int(send(editor, Sci::SCI_GETMARGINWIDTHN, ScriptChecker::FoldMargin)) / 2;
        const int y = int(send(editor, Sci::SCI_POINTYFROMPOSITION, 0, send(editor, Sci::SCI_POSITIONFROMLINE, 1))) +
                      int(send(editor, Sci::SCI_TEXTHEIGHT, 1)) / 2;
        // The If stayed folded inside the Function: the click unfolds it, a second one folds it again.
        QVERIFY(!send(editor, Sci::SCI_GETLINEVISIBLE, 2));
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, {}, QPoint(x, y));
        QVERIFY(send(editor, Sci::SCI_GETLINEVISIBLE, 2));
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, {}, QPoint(x, y + 1));
        QVERIFY(!send(editor, Sci::SCI_GETLINEVISIBLE, 2));
    }

    void hoverShowsTheSentence()
    {
        CodeEditor editor;
        editor.resize(500, 300);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setText(QStringLiteral("? 1\nGoto Missing\n"));
        editor.checker().checkNow();
        const long pos = send(editor, Sci::SCI_POSITIONFROMLINE, 1) + 6;
        const int x = int(send(editor, Sci::SCI_POINTXFROMPOSITION, 0, pos));
        const int y = int(send(editor, Sci::SCI_POINTYFROMPOSITION, 0, pos));
        // Over the problem, and over the margin marker of its line.
        for (const auto& [at, atX] : {std::pair{int(pos), x}, {-1, 3}}) {
            emit editor.SCN_DWELLSTART(at, atX, y);
            QTRY_COMPARE(QToolTip::text(), QStringLiteral("Goto on line 2 names the label Missing, which is not in the script."));
            emit editor.SCN_DWELLEND(at, atX, y);
            QTRY_VERIFY(!QToolTip::isVisible());
        }
        // Plain text: no tip.
        emit editor.SCN_DWELLSTART(1, x, int(send(editor, Sci::SCI_POINTYFROMPOSITION, 0, 1)));
        QTest::qWait(50);
        QVERIFY(!QToolTip::isVisible());
    }

    void symbolListFiltersAndJumps()
    {
        CodeEditor editor;
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setText(QStringLiteral(":Start\nGosub Setup\nExit\n:Setup\nReturn\nFunction GetSetting($k)\nEndFunction\n"
                                      "function put_value()\nendfunction\n"));
        editor.setFocus();
        QTest::keyClick(&editor, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        SymbolList* list = editor.checker().symbolList();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->shownLines(), (QList<int>{0, 3, 5, 7}));
        QTest::keyClicks(list->filterEdit(), QStringLiteral("SET"));
        QCOMPARE(list->shownLines(), (QList<int>{3, 5}));
        QTest::keyClick(list->filterEdit(), Qt::Key_Down);
        QTest::keyClick(list->filterEdit(), Qt::Key_Return);
        QVERIFY(!list->isVisible());
        QCOMPARE(editor.GetSelectionRange().EndLine, 5);
        // Escape closes without moving; the filter starts empty each time.
        QTest::keyClick(&editor, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(list->isVisible() && list->filterEdit()->text().isEmpty());
        QTest::keyClick(list->filterEdit(), Qt::Key_Escape);
        QVERIFY(!list->isVisible());
        QCOMPARE(editor.GetSelectionRange().EndLine, 5);
    }

    void ownFunctionTipWhileTyping()
    {
        CodeEditor editor;
        RegisterKixLanguage();
        editor.SetLanguageName(KixLanguageName);
        new CodeTipsHandler(editor, nullptr);
        editor.resize(600, 300);
        editor.show();
        editor.setText(QStringLiteral("Function MyFunc($a, optional $b)\nEndFunction\n"
                                      "Function messagebox($shadow)\nEndFunction\n"));
        editor.setFocus();
        editor.SetSelectionRange({4, 0, 4, 0});

        QTest::keyClicks(&editor, QStringLiteral("$r = myfunc("));
        CodeTip* tip = editor.openCodeTip();
        QVERIFY(tip);
        QCOMPARE(tip->TipText(), QStringLiteral("myfunc ($a, optional $b)"));
        QTest::keyClicks(&editor, QStringLiteral("1, 2)"));
        QVERIFY(!editor.openCodeTip());

        // The reference table wins for its own names; a name the script does not define opens nothing.
        QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClicks(&editor, QStringLiteral("MessageBox("));
        QVERIFY(editor.openCodeTip() && editor.openCodeTip()->TipText().startsWith(QLatin1String("MessageBox (\"Message\"")));
        QTest::keyClicks(&editor, QStringLiteral(")"));
        QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClicks(&editor, QStringLiteral("NotMine("));
        QVERIFY(!editor.openCodeTip());
    }
};

QTEST_MAIN(TestScriptChecker)
#include "test_script_checker.moc"
