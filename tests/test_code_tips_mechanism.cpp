// The code list and code tip mechanism of the editing control, driven by a small handler: "(" after
// "Foo" asks for a tip following the commas typed; "@" opens a list of names.

#include "document/CodeEditor.h"
#include "document/CodeList.h"
#include "document/CodeTip.h"

#include <QTest>

namespace {

class AssistHandler : public CodeEditorEvents {
public:
    explicit AssistHandler(CodeEditor& editor) : editor_(editor) { editor.setEventHandler(this); }
    QStringList log;
    bool insertOnSelect = false;

    bool KeyPress(int code) override
    {
        if (code == ' ' && editor_.openCodeList())
            editor_.openCodeList()->Close();
        if (code == '(') {
            tipWord_ = editor_.CaretWord(); // the "(" is not in yet
            editor_.RunCommand(CodeEditor::CmdCodeTip);
        }
        if (code == '@')
            editor_.RunCommand(CodeEditor::CmdCodeList);
        return false;
    }
    int CodeTipOpen() override { return tipWord_ == QLatin1String("Foo") ? 4 : 0; }
    int CodeTipUpdate(CodeTip& tip) override
    {
        const Range caret = editor_.GetSelectionRange(true);
        if (tip.TipText().isEmpty()) {
            argumentsStart_ = caret.EndColumn + 1;
            tip.SetTipText(QStringLiteral("Foo (a, b, c)"));
            tip.SetCurrentArgument(0);
            return 0;
        }
        const QString typed = editor_.LineText(caret.EndLine).left(caret.EndColumn).mid(argumentsStart_);
        if (caret.EndColumn < argumentsStart_ || typed.contains(QLatin1Char(')')))
            tip.Close();
        else
            tip.SetCurrentArgument(int(typed.count(QLatin1Char(','))));
        return 0;
    }
    bool CodeTipCancel(CodeTip&) override { return (log << QStringLiteral("tip cancel"), false); }
    bool CodeListOpen(CodeList& list) override
    {
        for (const char* name : {"Date", "Day", "MonthNo", "Month"})
            list.AddItem(QString::fromLatin1(name));
        list.SetSelectedIndex(0);
        return true;
    }
    bool CodeListMatch(CodeList& list, int item) override { return (log << "match " + list.ItemText(item), true); }
    bool CodeListSelect(CodeList& list) override
    {
        return (log << "select " + list.ItemText(list.SelectedIndex()), insertOnSelect);
    }
    bool CodeListCancel(CodeList&) override { return (log << QStringLiteral("list cancel"), false); }

private:
    CodeEditor& editor_;
    QString tipWord_;
    int argumentsStart_ = 0;
};

bool tipShown(const CodeEditor& editor) { return editor.SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE) != 0; }
bool listShown(const CodeEditor& editor) { return editor.SendScintilla(QsciScintillaBase::SCI_AUTOCACTIVE) != 0; }

QString highlighted(const CodeTip& tip)
{
    const auto [start, end] = tip.argumentSpan();
    return tip.TipText().mid(start, end - start);
}

} // namespace

class TestCodeTipsMechanism : public QObject {
    Q_OBJECT
private slots:
    void tipFollowsArgumentsUntilClosed()
    {
        CodeEditor editor;
        AssistHandler handler(editor);
        QTest::keyClicks(&editor, QStringLiteral("Bar(")); // the handler answers 0: no tip
        QVERIFY(!tipShown(editor) && !editor.openCodeTip());

        editor.setText(QString());
        QTest::keyClicks(&editor, QStringLiteral("Foo("));
        CodeTip* tip = editor.openCodeTip();
        QVERIFY(tip && tipShown(editor));
        for (const auto& [typed, argument] : {std::pair{"", "a"}, {"1,", "b"}, {"2, 3", "c"}}) {
            QTest::keyClicks(&editor, QString::fromLatin1(typed));
            QCOMPARE(highlighted(*tip), QString::fromLatin1(argument));
        }
        QTest::keyClick(&editor, Qt::Key_ParenRight); // the handler closes it
        QVERIFY(!tipShown(editor) && !editor.openCodeTip());
        QCOMPARE(handler.log, QStringList{QStringLiteral("tip cancel")});

        // Escape closes it too, with one cancel.
        QTest::keyClicks(&editor, QStringLiteral("Foo("));
        QVERIFY(tipShown(editor));
        QTest::keyClick(&editor, Qt::Key_Escape);
        QVERIFY(!tipShown(editor) && !editor.openCodeTip());
        QCOMPARE(handler.log.size(), 2);

        // Text changed by the program while the tip is open is followed once the event loop runs.
        editor.setText(QString());
        QTest::keyClicks(&editor, QStringLiteral("Foo("));
        tip = editor.openCodeTip();
        QVERIFY(tip);
        editor.InsertTextAt(QStringLiteral("1,2,"), {0, 4});
        editor.SetSelectionRange({0, 8, 0, 8});
        QTRY_COMPARE(tip->CurrentArgument(), 2);
    }

    void listNarrowsSelectsAndCancels()
    {
        CodeEditor editor;
        AssistHandler handler(editor);
        QTest::keyClicks(&editor, QStringLiteral("? @"));
        CodeList* list = editor.openCodeList();
        QVERIFY(list && listShown(editor));
        QCOMPARE(editor.Text(), QStringLiteral("? @")); // the "@" went in before the list opened

        for (const auto& [typed, selected] : {std::pair{"mo", "Month"}, {"nthn", "MonthNo"}}) {
            QTest::keyClicks(&editor, QString::fromLatin1(typed));
            QCOMPARE(list->ItemText(list->SelectedIndex()), QString::fromLatin1(selected));
            QCOMPARE(handler.log.last(), "match " + QString::fromLatin1(selected));
        }

        // The handler leaves the insertion to the control: the item replaces the typed name.
        handler.insertOnSelect = true;
        QTest::keyClick(&editor, Qt::Key_Return);
        QVERIFY(!listShown(editor) && !editor.openCodeList());
        QCOMPARE(handler.log.last(), QStringLiteral("select MonthNo"));
        QCOMPARE(editor.Text(), QStringLiteral("? @MonthNo"));
        // A handler that inserts by itself gets no help from the control.
        handler.insertOnSelect = false;
        QTest::keyClicks(&editor, QStringLiteral(" @da"));
        QTest::keyClick(&editor, Qt::Key_Tab);
        QCOMPARE(handler.log.last(), QStringLiteral("select Date"));
        QCOMPARE(editor.Text(), QStringLiteral("? @MonthNo @da"));

        // Escape, Close() from the handler (a blank typed) and a name no item starts with each
        // close the list and report one cancel.
        editor.setText(QString());
        QTest::keyClicks(&editor, QStringLiteral("@d"));
        handler.log.clear();
        QTest::keyClick(&editor, Qt::Key_Escape);
        QTest::keyClicks(&editor, QStringLiteral("@ @xq"));
        QVERIFY(!listShown(editor) && !editor.openCodeList());
        QCOMPARE(editor.Text(), QStringLiteral("@d@ @xq"));
        QCOMPARE(handler.log, QStringList(3, QStringLiteral("list cancel")));
    }
};

QTEST_MAIN(TestCodeTipsMechanism)
#include "test_code_tips_mechanism.moc"
