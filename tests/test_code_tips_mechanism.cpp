// The code list and code tip mechanism of the editing control, driven by a small handler that
// works the way the document window's handler does: "(" after a known word asks for a tip whose
// highlighted parameter follows the commas typed; "@" opens a list of names.

#include "document/CodeEditor.h"
#include "document/CodeList.h"
#include "document/CodeTip.h"

#include <QTest>

namespace {

class AssistHandler : public CodeEditorEvents {
public:
    explicit AssistHandler(CodeEditor& editor) : editor_(editor) {}

    QStringList log;
    bool insertOnSelect = false;
    CodeTip* openTip = nullptr;
    CodeList* openList = nullptr;
    QString tipWord;

    bool KeyPress(int code) override
    {
        if (openList && code == ' ')
            openList->Close();
        const QString word = editor_.CaretWord();
        if (!openTip && !word.isEmpty() && word != QLatin1String("("))
            tipWord = word;
        if (code == '(')
            editor_.RunCommand(CodeEditor::CmdCodeTip);
        if (code == '@')
            editor_.RunCommand(CodeEditor::CmdCodeList);
        return false;
    }
    int CodeTipOpen() override { return tipWord == QLatin1String("Foo") ? 4 : 0; }
    int CodeTipUpdate(CodeTip& tip) override
    {
        openTip = &tip;
        const Range caret = editor_.GetSelectionRange(true);
        if (tip.TipText().isEmpty()) {
            anchor_ = caret;
            anchor_.EndColumn += 1;
            tip.SetTipText(QStringLiteral("Foo (a, b, c)"));
            tip.SetCurrentArgument(0);
            return 0;
        }
        if (caret.EndLine < anchor_.EndLine || (caret.EndLine == anchor_.EndLine && caret.EndColumn < anchor_.EndColumn)) {
            openTip = nullptr;
            tip.Close();
            return 0;
        }
        int argument = 0;
        const QString typed = editor_.LineText(caret.EndLine).left(caret.EndColumn).mid(anchor_.EndColumn);
        for (const QChar c : typed) {
            if (c == QLatin1Char(','))
                ++argument;
            else if (c == QLatin1Char(')'))
                argument = -1;
            if (argument < 0)
                break;
        }
        if (argument < 0) {
            openTip = nullptr;
            tip.Close();
            return 0;
        }
        tip.SetCurrentArgument(argument);
        return 0;
    }
    bool CodeTipCancel(CodeTip&) override
    {
        log << QStringLiteral("tip cancel");
        openTip = nullptr;
        return false;
    }
    bool CodeListOpen(CodeList& list) override
    {
        for (const char* name : {"Date", "Day", "MonthNo", "Month"})
            list.AddItem(QString::fromLatin1(name));
        list.SetSelectedIndex(0);
        openList = &list;
        return true;
    }
    bool CodeListMatch(CodeList& list, int item) override
    {
        log << QStringLiteral("match ") + list.ItemText(item);
        return true;
    }
    bool CodeListSelect(CodeList& list) override
    {
        log << QStringLiteral("select ") + list.ItemText(list.SelectedIndex());
        openList = nullptr;
        return insertOnSelect;
    }
    bool CodeListCancel(CodeList&) override
    {
        log << QStringLiteral("list cancel");
        openList = nullptr;
        return false;
    }

private:
    CodeEditor& editor_;
    Range anchor_;
};

bool tipShown(const CodeEditor& editor)
{
    return editor.SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE) != 0;
}

bool listShown(const CodeEditor& editor)
{
    return editor.SendScintilla(QsciScintillaBase::SCI_AUTOCACTIVE) != 0;
}

QString highlighted(const CodeTip& tip)
{
    const auto [start, end] = tip.argumentSpan();
    return tip.TipText().mid(start, end - start);
}

} // namespace

class TestCodeTipsMechanism : public QObject {
    Q_OBJECT
private slots:
    void tipFollowsArgumentsUntilClosed();
    void tipCancelledByCaretAndEscape();
    void noTipWhenOpenAnswersZero();
    void listNarrowsAndChoiceIsReported();
    void listCancelledByEscapeOrClose();
};

void TestCodeTipsMechanism::tipFollowsArgumentsUntilClosed()
{
    CodeEditor editor;
    AssistHandler handler(editor);
    editor.setEventHandler(&handler);
    QTest::keyClicks(&editor, QStringLiteral("Foo("));
    QVERIFY(tipShown(editor));
    CodeTip* tip = editor.openCodeTip();
    QVERIFY(tip);
    QCOMPARE(tip->TipText(), QStringLiteral("Foo (a, b, c)"));
    QCOMPARE(tip->CurrentArgument(), 0);
    QCOMPARE(highlighted(*tip), QStringLiteral("a"));

    QTest::keyClicks(&editor, QStringLiteral("1,"));
    QCOMPARE(tip->CurrentArgument(), 1);
    QCOMPARE(highlighted(*tip), QStringLiteral("b"));
    QTest::keyClicks(&editor, QStringLiteral("2, 3"));
    QCOMPARE(highlighted(*tip), QStringLiteral("c"));
    QVERIFY(tipShown(editor));

    QTest::keyClick(&editor, Qt::Key_ParenRight);
    QVERIFY(!tipShown(editor));
    QVERIFY(!editor.openCodeTip());
    QCOMPARE(handler.log, QStringList{QStringLiteral("tip cancel")});
    QCOMPARE(editor.Text(), QStringLiteral("Foo(1,2, 3)"));
}

void TestCodeTipsMechanism::tipCancelledByCaretAndEscape()
{
    CodeEditor editor;
    AssistHandler handler(editor);
    editor.setEventHandler(&handler);
    QTest::keyClicks(&editor, QStringLiteral("Foo(x"));
    QVERIFY(tipShown(editor));
    QTest::keyClick(&editor, Qt::Key_Left);
    QVERIFY(tipShown(editor)); // still inside the call
    QTest::keyClick(&editor, Qt::Key_Left);
    QVERIFY(!tipShown(editor)); // before the "(": the handler closes it
    QCOMPARE(handler.log.size(), 1);
    QVERIFY(!handler.openTip);

    QTest::keyClick(&editor, Qt::Key_End);
    QTest::keyClick(&editor, Qt::Key_ParenLeft); // the word before is "x": no tip
    QVERIFY(!tipShown(editor));
    editor.SetSelectionRange({0, 3, 0, 3});
    QTest::keyClick(&editor, Qt::Key_ParenLeft);
    QVERIFY(tipShown(editor));
    QTest::keyClick(&editor, Qt::Key_Escape);
    QVERIFY(!tipShown(editor));
    QCOMPARE(handler.log.size(), 2);
    QVERIFY(!handler.openTip);

    // Text changed by the program while the tip is open is followed once the event loop runs.
    editor.setText(QString());
    QTest::keyClicks(&editor, QStringLiteral("Foo("));
    CodeTip* tip = editor.openCodeTip();
    QVERIFY(tip);
    editor.InsertTextAt(QStringLiteral("1,2,"), {0, 4});
    editor.SetSelectionRange({0, 8, 0, 8});
    QTRY_COMPARE(tip->CurrentArgument(), 2);
}

void TestCodeTipsMechanism::noTipWhenOpenAnswersZero()
{
    CodeEditor editor;
    AssistHandler handler(editor);
    editor.setEventHandler(&handler);
    QTest::keyClicks(&editor, QStringLiteral("Bar("));
    QVERIFY(!tipShown(editor));
    QVERIFY(!editor.openCodeTip());
    QVERIFY(handler.log.isEmpty());
}

void TestCodeTipsMechanism::listNarrowsAndChoiceIsReported()
{
    CodeEditor editor;
    AssistHandler handler(editor);
    editor.setEventHandler(&handler);
    QTest::keyClicks(&editor, QStringLiteral("? @"));
    QVERIFY(listShown(editor));
    CodeList* list = editor.openCodeList();
    QVERIFY(list);
    QCOMPARE(list->SelectedIndex(), 0);
    QCOMPARE(editor.Text(), QStringLiteral("? @")); // the "@" went in before the list opened

    QTest::keyClicks(&editor, QStringLiteral("mo"));
    QCOMPARE(list->ItemText(list->SelectedIndex()), QStringLiteral("Month"));
    QCOMPARE(handler.log.last(), QStringLiteral("match Month"));
    QTest::keyClicks(&editor, QStringLiteral("nthn"));
    QCOMPARE(list->ItemText(list->SelectedIndex()), QStringLiteral("MonthNo"));

    // The handler leaves the insertion to the control: the item replaces the typed name.
    handler.insertOnSelect = true;
    QTest::keyClick(&editor, Qt::Key_Return);
    QVERIFY(!listShown(editor));
    QCOMPARE(handler.log.last(), QStringLiteral("select MonthNo"));
    QCOMPARE(editor.Text(), QStringLiteral("? @MonthNo"));
    QVERIFY(!editor.openCodeList());

    // A handler that inserts by itself gets no help from the control.
    handler.insertOnSelect = false;
    QTest::keyClicks(&editor, QStringLiteral(" @da"));
    QVERIFY(listShown(editor));
    QTest::keyClick(&editor, Qt::Key_Tab);
    QCOMPARE(handler.log.last(), QStringLiteral("select Date"));
    QCOMPARE(editor.Text(), QStringLiteral("? @MonthNo @da"));
}

void TestCodeTipsMechanism::listCancelledByEscapeOrClose()
{
    CodeEditor editor;
    AssistHandler handler(editor);
    editor.setEventHandler(&handler);
    QTest::keyClicks(&editor, QStringLiteral("@d"));
    QVERIFY(listShown(editor));
    QTest::keyClick(&editor, Qt::Key_Escape);
    QVERIFY(!listShown(editor));
    QCOMPARE(handler.log.last(), QStringLiteral("list cancel"));
    QVERIFY(!handler.openList);

    // The handler closes the list itself (a blank was typed): the cancel is still reported once.
    handler.log.clear();
    QTest::keyClicks(&editor, QStringLiteral("@"));
    QVERIFY(listShown(editor));
    QTest::keyClick(&editor, Qt::Key_Space);
    QVERIFY(!listShown(editor));
    QCOMPARE(handler.log, QStringList{QStringLiteral("list cancel")});
    QCOMPARE(editor.Text(), QStringLiteral("@d@ "));

    // Typing something no item starts with closes the list too.
    handler.log.clear();
    QTest::keyClicks(&editor, QStringLiteral("@xq"));
    QVERIFY(!listShown(editor));
    QCOMPARE(handler.log, QStringList{QStringLiteral("list cancel")});
}

QTEST_MAIN(TestCodeTipsMechanism)
#include "test_code_tips_mechanism.moc"
