// Edits that touch many lines at once are one change and one undo step, with the same result as
// editing line by line; the accessible caret offset follows edits; streamed reading of files.

#include "CaseFile.h"
#include "EditorText.h"
#include "FoldLevels.h"
#include "document/check/ScriptChecker.h"
#include "document/editor/FindReplaceDialog.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QPushButton>

namespace {
using Sci = QsciScintillaBase;

struct Edits {
    int undoSteps = 0, changes = 0;
};

// Counts the changes Scintilla reports while `edit` runs and the undo steps it leaves behind.
template <typename Edit>
Edits countEdits(CodeEditor& editor, Edit edit)
{
    const QString before = editor.Text();
    Edits result;
    const auto connection = QObject::connect(&editor, &Sci::SCN_MODIFIED, &editor, [&](int, int type) {
        result.changes += (type & (Sci::SC_MOD_INSERTTEXT | Sci::SC_MOD_DELETETEXT)) != 0;
    });
    sci(editor, Sci::SCI_EMPTYUNDOBUFFER);
    edit();
    QObject::disconnect(connection);
    const QString after = editor.Text();
    for (; editor.CanUndo(); ++result.undoSteps)
        editor.Undo();
    if (editor.Text() != before)
        result.undoSteps = -1;
    while (editor.CanRedo())
        editor.Redo();
    if (editor.Text() != after)
        result.undoSteps = -2;
    return result;
}

// Indent or Outdent (by the command, or by Tab and Shift+Tab) against the reference's own line by
// line indentation (or its own Tab key).
void indentCase(const QString& text, int anchor, int caret, bool outdent, bool byKey = false)
{
    CodeEditor editor;
    QsciScintilla reference;
    for (QsciScintilla* e : {static_cast<QsciScintilla*>(&editor), &reference}) {
        e->setUtf8(true);
        e->setTabWidth(4);
        e->setIndentationsUseTabs(true);
        e->setIndentationWidth(0);
        e->setText(text);
        sci(*e, Sci::SCI_SETSEL, anchor, caret);
    }
    const int first = int(sci(reference, Sci::SCI_LINEFROMPOSITION, std::min(anchor, caret)));
    int last = int(sci(reference, Sci::SCI_LINEFROMPOSITION, std::max(anchor, caret)));
    if (last > first && std::max(anchor, caret) == sci(reference, Sci::SCI_POSITIONFROMLINE, last))
        --last;
    const auto key = [outdent](QWidget* w) {
        QTest::keyClick(w, outdent ? Qt::Key_Backtab : Qt::Key_Tab, outdent ? Qt::ShiftModifier : Qt::NoModifier);
    };
    if (byKey)
        key(&reference);
    else
        for (int line = first; line <= last; ++line)
            outdent ? reference.unindent(line) : reference.indent(line);

    const Edits edits = countEdits(editor, [&] {
        if (byKey)
            key(&editor);
        else
            editor.RunCommand(outdent ? CodeEditor::CmdOutdent : CodeEditor::CmdIndent);
        const auto ends = [](const QsciScintilla& e) { return QList<long>{sci(e, Sci::SCI_GETANCHOR), sci(e, Sci::SCI_GETCURRENTPOS)}; };
        QCOMPARE(editor.Text(), reference.text());
        QCOMPARE(ends(editor), ends(reference));
    });
    // One removal and one insertion at most.
    QVERIFY(edits.undoSteps == (reference.text() != text ? 1 : 0) && edits.changes <= 2);
}

} // namespace

class TestBulkEdits : public QObject {
    Q_OBJECT
private slots:
    // Indent and Outdent give what indenting each line from anchor to caret on its own gives.
    void indentMatchesLineByLine()
    {
        const QString mixed = QStringLiteral("a\r\n  b\r\n\tc\r\n\r\n \t d\u00e9\r\n      e\r\n\t\t\r\nlast");
        const int end = int(mixed.toUtf8().size());
        // All; a middle line's indentation to another's text; a selection ending at a line start
        // (that line is left alone); a caret on a whitespace line; a caret at a line start;
        // nothing to outdent.
        for (const auto& [text, anchor, caret, outdent] :
             {std::tuple{mixed, 0, end, false}, {mixed, end, 0, true}, {mixed, 4, 19, true}, {mixed, 12, 4, false},
              {mixed, 3, 11, false}, {mixed, 24, 24, true}, {mixed, 3, 3, false},
              {QStringLiteral("a\nb"), 0, 3, true}}) {
            indentCase(text, anchor, caret, outdent);
            // Tab and Shift+Tab over several lines do the same as Scintilla's own keys, in one step.
            const auto line = [&text](int at) { return text.left(at).count(QLatin1Char('\n')); };
            if (line(anchor) != line(caret))
                indentCase(text, anchor, caret, outdent, true);
        }
    }

    void replaceLines()
    {
        CodeEditor editor;
        editor.setText(QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
        editor.SetHighlightedLine(1); // the first replaced line
        editor.SetSelectionRange({0, 2, 2, 4});
        const Edits edits = countEdits(editor, [&] {
            editor.ReplaceLines(1, 2, {QStringLiteral("'two"), QStringLiteral("'th\u00e9e")});
            QCOMPARE(selection(editor, false), QList<int>({0, 2, 2, 4}));
            QCOMPARE(editor.HighlightedLine(), 1);
        });
        QVERIFY(edits.undoSteps == 1 && editor.Text() == QStringLiteral("one\r\n'two\r\n'th\u00e9e\r\nfour"));
        // Fewer lines than were replaced; the last line of the text.
        editor.ReplaceLines(2, 3, {QStringLiteral("end")});
        QCOMPARE(editor.Text(), QStringLiteral("one\r\n'two\r\nend"));
    }

    void replaceAllIsOneEdit()
    {
        ScriptedDialogService dialogs;
        CodeEditor editor;
        editor.RunCommand(CodeEditor::CmdFindReplace);
        FindReplaceDialog* dialog = editor.findReplaceDialog();
        dialog->setOptions({.regularExpression = true});

        const QString original = QStringLiteral("$a=1 $bb=22\n$ab=3\nx");
        for (const QStringList& row : cases::table("bulk_edits.txt", "regular expressions")) {
            editor.setText(original);
            dialog->setFindText(cases::text(row[1]));
            dialog->setReplaceText(cases::text(row[2]));
            const Edits edits = countEdits(editor, [&] { dialog->replaceAllButton()->click(); });
            QCOMPARE(editor.Text(), cases::text(row[3]));
            QVERIFY(edits.undoSteps == (editor.Text() == original ? 0 : 1) && edits.changes <= 2 * row[4].toInt());
            QVERIFY2(dialogs.messages.last().text.contains(row[4]), qPrintable(row[0] + ": " + dialogs.messages.last().text));
        }

        // Literal text, whole words, any case; the last replacement is left selected; a marker on
        // a line between matches stays there.
        dialog->setOptions({.wholeWord = true});
        editor.setText(QStringLiteral("Cat cat catalog\nnone\ncAt"));
        sci(editor, Sci::SCI_MARKERADD, 1, ScriptChecker::ProblemMarker);
        dialog->setFindText(QStringLiteral("cat"));
        dialog->setReplaceText(QStringLiteral("d\u00f6g"));
        dialog->replaceAllButton()->click();
        QCOMPARE(editor.Text(), QStringLiteral("d\u00f6g d\u00f6g catalog\nnone\nd\u00f6g"));
        QCOMPARE(selection(editor), QList<int>({2, 0, 2, 3}));
        QCOMPARE(sci(editor, Sci::SCI_MARKERNEXT, 0, 1L << ScriptChecker::ProblemMarker), 1);

        for (const QStringList& row : cases::table("bulk_edits.txt", "any case")) {
            dialog->setOptions({.wholeWord = row[3] == "1"});
            editor.setText(cases::text(cases::repeated(row[1])));
            dialog->setFindText(row[2]);
            dialog->setReplaceText(QStringLiteral("#"));
            dialog->replaceAllButton()->click();
            QVERIFY2(editor.Text() == cases::text(cases::repeated(row[4])), qPrintable(row[0]));
        }

        const int messages = int(dialogs.messages.size());
        dialog->setFindText(QStringLiteral("absent"));
        dialog->replaceAllButton()->click();
        QVERIFY(dialogs.messages.size() == messages + 1 && dialogs.messages.last().text.contains(QStringLiteral("Cannot find")));
    }

    void accessibleOffsetsFollowEdits()
    {
#ifndef TESSARY_QSCINTILLA_PATCHED
        QSKIP("built with the system's QScintilla");
#endif
        CodeEditor editor;
        editor.resize(400, 300);
        editor.show();
        // Three lines of 1-, 2- and 3-byte characters: byte positions and character offsets differ.
        editor.setText(QStringLiteral("ab\u00e9\r\n\u20ac\u20acx\r\nend"));
        QAccessible::setActive(true);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&editor);
        QVERIFY(accessible && accessible->textInterface());
        QAccessibleTextInterface* text = accessible->textInterface();

        editor.SetSelectionRange({1, 2, 1, 2}); // before "x": offset 3 + 2 + 2
        QCOMPARE(text->cursorPosition(), 7);
        QTest::keyClicks(&editor, QStringLiteral("yz"));
        QCOMPARE((QList<int>{text->cursorPosition(), text->characterCount()}), (QList<int>{9, 15}));
        QCOMPARE(text->text(5, 10), QStringLiteral("\u20ac\u20acyzx"));
        editor.InsertTextAt(QStringLiteral("\u00e9\u00e9"), {0, 0});
        QCOMPARE(text->cursorPosition(), 11);
        QTest::keyClick(&editor, Qt::Key_Backspace);
        QCOMPARE(text->cursorPosition(), 10);
        text->setCursorPosition(13); // start of the last line
        QCOMPARE(selection(editor).mid(0, 2), (QList<int>{2, 0}));
        // A bulk edit before the caret.
        editor.RunCommand(CodeEditor::CmdSelectAll);
        editor.RunCommand(CodeEditor::CmdIndent);
        editor.SetSelectionRange({2, 1, 2, 1});
        // The line starts 2 tabs later, at 15.
        QVERIFY(text->cursorPosition() == 16 && text->text(15, 17) == QStringLiteral("\te"));
        QAccessible::setActive(false);
    }

    // Reading a file in blocks gives the same text and format as reading it whole, also where a
    // character or the evidence against UTF-8 lies across the boundary of a block (256 KiB).
    void streamedOpenMatchesWholeRead()
    {
        const qsizetype block = 256 * 1024;
        const QByteArray ascii = QByteArray("If $x = 1\r\n").repeated(3 * block / 11);
        const auto at = [&](qsizetype pos, const QByteArray& insert) { return QByteArray(ascii).replace(pos, insert.size(), insert); };
        const QList<std::pair<const char*, QByteArray>> files{
            {"UTF-8 across a block boundary", at(block - 1, "\xC3\xA9") + "\xE2\x82\xAC"},
            {"Windows-1252 after the first block", at(block + 500, "\xE9") + "\xC3\xA9"},
            {"a broken sequence at the end", ascii + "\xE2\x82"},
            {"UTF-8 with a mark", "\xEF\xBB\xBF" + at(block, "\xE2\x82\xAC")},
            {"a mark, then Windows-1252", "\xEF\xBB\xBF" + at(2 * block, "\x80")},
            {"plain ASCII, LF", QByteArray("a\nb\n").repeated(block)},
            {"UTF-16, read whole", QByteArray("\xFF\xFE\x41\x00\x0D\x00\x0A\x00\xE9\x00", 10)},
        };
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.kix"));
        for (const auto& [what, bytes] : files) {
            writeFile(path, bytes);
            QByteArray whole, streamed;
            const ScriptFile expected = ScriptFile::decode(bytes, whole);
            QList<qint64> announced;
            ScriptFile format;
            QVERIFY(ScriptFile::stream(path, format, [&](qint64 length) { announced << length; },
                                       [&](QByteArrayView b) { streamed.append(b); }).ok());
            format.setLineBreakFrom(streamed);
            QCOMPARE(announced, QList<qint64>{whole.size()});
            QVERIFY2(streamed == whole && format.encoding() == expected.encoding() && format.lineBreak() == expected.lineBreak(), what);
            // The structure check of the text read (checked piece by piece on the worker as it is
            // read into an empty control, whole when it replaces text) is that of the whole text.
            const ScriptStructure wanted = ScriptStructure::analyse(whole);
            CodeEditor editor;
            for (int load = 0; load < 2; ++load) {
                QVERIFY(editor.LoadFromFile(path).ok());
                QVERIFY2(editor.Text() == QString::fromUtf8(whole), what);
                QTRY_VERIFY_WITH_TIMEOUT(editor.checker().current() && !editor.checker().foldLevelsPending(), 10000);
                QVERIFY2(editor.checker().current()->problemCount == wanted.problemCount && staleLevelLine(editor, wanted) < 0, what);
            }
        }
        // A file that cannot be read hands nothing over.
        int calls = 0;
        ScriptFile format;
        QVERIFY(!ScriptFile::stream(dir.path(), format, [&](qint64) { ++calls; }, [&](QByteArrayView) { ++calls; }).ok() && calls == 0);
    }
};

QTEST_MAIN(TestBulkEdits)
#include "test_bulk_edits.moc"
