// The editing control's operations as the rest of the editor uses them: character columns,
// words, selections, line edits, numbered commands, search, highlight, signals and settings.

#include "document/CodeEditor.h"
#include "document/FindReplaceDialog.h"
#include "document/LanguageRegistry.h"
#include "ScriptedDialogService.h"

#include <Qsci/qscilexer.h>

#include <QFile>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "a é € 𝄞 b" mixes 1-, 2-, 3- and 4-byte characters; 𝄞 is outside the BMP.
const QString kMixed = QStringLiteral("a\u00e9\u20ac\U0001D11Eb");

long sci(const CodeEditor& editor, unsigned msg, unsigned long w = 0, long l = 0)
{
    return editor.SendScintilla(msg, w, l);
}

bool sameRange(const Range& r, int sl, int sc, int el, int ec)
{
    return r.StartLine == sl && r.StartColumn == sc && r.EndLine == el && r.EndColumn == ec;
}

} // namespace

class TestCodeEditor : public QObject {
    Q_OBJECT
private slots:
    void columnsCountCharacters();
    void selectionDirectionAndCaret();
    void wordsAndLabels();
    void lineEditsKeepSelectionNumbers();
    void replaceSelectionLeavesCaretAtStart();
    void undoRedoAndModified();
    void indentOutdentSelectAll();
    void goToLine();
    void findNextAndDialogs();
    void replaceAndReplaceAll();
    void highlightedLineMoves();
    void signalsAndKeyEvents();
    void tokenWithoutLanguage();
    void languageTokensColoursAndScopes();
    void elementColoursAndFonts();
    void autoIndentModes();
    void marginsAndWhitespace();
    void printsToPdf();
};

void TestCodeEditor::columnsCountCharacters()
{
    CodeEditor editor;
    editor.setText(kMixed + QStringLiteral("\r\nxyz"));
    QCOMPARE(editor.LineTotal(), 2);
    QCOMPARE(editor.TextLength(), 5 + 2 + 3);
    QCOMPARE(editor.LineText(0), kMixed);

    // Select "€𝄞" (columns 2..4) and read it back by characters.
    editor.SetSelectionRange({0, 2, 0, 4});
    QVERIFY(sameRange(editor.GetSelectionRange(true), 0, 2, 0, 4));
    QCOMPARE(editor.SelLength(), 2);
    QCOMPARE(editor.selectedText(), QStringLiteral("\u20ac\U0001D11E"));

    // Insert after the 4-byte character, then on line 1.
    editor.InsertTextAt(QStringLiteral("|"), {0, 4});
    QCOMPARE(editor.LineText(0), QStringLiteral("a\u00e9\u20ac\U0001D11E|b"));
    editor.InsertTextAt(QStringLiteral("\u00e9"), {1, 1});
    QCOMPARE(editor.LineText(1), QStringLiteral("x\u00e9yz"));

    // A column past the end of a line lands at its end, not on the next line.
    editor.SetSelectionRange({0, 40, 0, 40});
    QVERIFY(sameRange(editor.GetSelectionRange(true), 0, 6, 0, 6));
    editor.SetSelectionRange({7, 0, 7, 0});
    QVERIFY(sameRange(editor.GetSelectionRange(true), 1, 4, 1, 4));
}

void TestCodeEditor::selectionDirectionAndCaret()
{
    CodeEditor editor;
    editor.setText(QStringLiteral("one\ntwo\nthree"));
    editor.SetSelectionRange({2, 3, 0, 1}); // from the end backwards: caret at (0,1)
    QVERIFY(sameRange(editor.GetSelectionRange(false), 2, 3, 0, 1));
    QVERIFY(sameRange(editor.GetSelectionRange(true), 0, 1, 2, 3));
    QCOMPARE(editor.SelLength(), 10);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_GETCURRENTPOS), 1);

    editor.SetSelectionRange({1, 2, 1, 2});
    QVERIFY(sameRange(editor.GetSelectionRange(true), 1, 2, 1, 2));
    QCOMPARE(editor.SelLength(), 0);
}

void TestCodeEditor::wordsAndLabels()
{
    CodeEditor editor;
    editor.setText(QStringLiteral(":Start\n  $na\u00efve = @Date + MessageBox(\"x\")\n;c"));
    QCOMPARE(editor.WordAtPosition({0, 1}), QStringLiteral(":"));
    QCOMPARE(editor.WordAtPosition({0, 2}), QStringLiteral("Start"));
    QCOMPARE(editor.WordAtPosition({0, 6}), QStringLiteral("Start"));
    QCOMPARE(editor.WordAtPosition({0, 0}), QString());
    // Variables keep "$"; a macro's word is its name without "@".
    QCOMPARE(editor.WordAtPosition({1, 4}), QStringLiteral("$na\u00efve"));
    QCOMPARE(editor.WordAtPosition({1, 13}), QStringLiteral("Date"));
    QCOMPARE(editor.WordAtPosition({1, 16}), QStringLiteral("Date"));
    QCOMPARE(editor.WordAtPosition({1, 12}), QStringLiteral("@"));
    QCOMPARE(editor.WordAtPosition({1, 1}), QStringLiteral(" "));
    QCOMPARE(editor.WordAtPosition({1, 29}), QStringLiteral("MessageBox"));
    QCOMPARE(editor.WordAtPosition({1, 30}), QStringLiteral("("));
    QCOMPARE(editor.WordAtPosition({3, 1}), QString()); // past the last line

    // The caret word follows the same rule: Uncomment tests its first character for ";".
    editor.SetSelectionRange({2, 0, 2, 1}, false);
    QCOMPARE(editor.CaretWord(), QStringLiteral(";"));
    editor.SetSelectionRange({1, 6, 1, 6});
    QCOMPARE(editor.CaretWord(), QStringLiteral("$na\u00efve"));
    QCOMPARE(editor.CaretWordLength(), 6);
}

void TestCodeEditor::lineEditsKeepSelectionNumbers()
{
    CodeEditor editor;
    editor.setText(QStringLiteral("a\r\nb\r\nc"));
    editor.SetSelectionRange({1, 1, 1, 1});
    editor.InsertLineAt(0, QStringLiteral("top"));
    QCOMPARE(editor.Text(), QStringLiteral("top\r\na\r\nb\r\nc"));
    QVERIFY(sameRange(editor.GetSelectionRange(true), 1, 1, 1, 1));
    editor.InsertLineAt(editor.LineTotal(), QStringLiteral("end"));
    QCOMPARE(editor.Text(), QStringLiteral("top\r\na\r\nb\r\nc\r\nend"));

    editor.RemoveLine(4); // the last line takes the break before it
    QCOMPARE(editor.Text(), QStringLiteral("top\r\na\r\nb\r\nc"));
    editor.RemoveLine(1);
    QCOMPARE(editor.Text(), QStringLiteral("top\r\nb\r\nc"));
    QVERIFY(sameRange(editor.GetSelectionRange(true), 1, 1, 1, 1));
    editor.RemoveLine(9); // no such line: nothing happens
    QCOMPARE(editor.LineTotal(), 3);

    // The header-stamp road: move the selection three lines down, add three lines above.
    editor.SetSelectionRange({2, 0, 2, 1});
    Range moved = editor.GetSelectionRange(false);
    moved.StartLine += 3;
    moved.EndLine += 3;
    editor.InsertLineAt(0, QString());
    editor.InsertLineAt(0, QStringLiteral("x"));
    editor.InsertLineAt(1, QStringLiteral("y"));
    editor.SetSelectionRange(moved);
    QCOMPARE(editor.selectedText(), QStringLiteral("c"));

    CodeEditor single;
    single.setText(QStringLiteral("only"));
    single.RemoveLine(0);
    QCOMPARE(single.Text(), QString());
    single.InsertLineAt(0, QStringLiteral("new"));
    QCOMPARE(single.Text(), QStringLiteral("new\r\n"));
}

void TestCodeEditor::replaceSelectionLeavesCaretAtStart()
{
    CodeEditor editor;
    editor.setText(QStringLiteral("say hello there"));
    editor.SetSelectionRange({0, 4, 0, 9});
    editor.ReplaceSelectionText(QStringLiteral("\u20acuro"));
    QCOMPARE(editor.Text(), QStringLiteral("say \u20acuro there"));
    QVERIFY(sameRange(editor.GetSelectionRange(true), 0, 4, 0, 4));
    // Nothing selected: an insertion at the caret.
    editor.ReplaceSelectionText(QStringLiteral(">"));
    QCOMPARE(editor.Text(), QStringLiteral("say >\u20acuro there"));
    editor.Undo();
    QCOMPARE(editor.Text(), QStringLiteral("say \u20acuro there"));
    editor.Undo(); // the replacement is one step
    QCOMPARE(editor.Text(), QStringLiteral("say hello there"));
}

void TestCodeEditor::undoRedoAndModified()
{
    CodeEditor editor;
    QVERIFY(!editor.CanUndo());
    QVERIFY(!editor.Modified());
    editor.InsertTextAt(QStringLiteral("abc"), {0, 0});
    QVERIFY(editor.Modified());
    QVERIFY(editor.CanUndo());
    QVERIFY(!editor.CanRedo());
    editor.Undo();
    QCOMPARE(editor.Text(), QString());
    QVERIFY(editor.CanRedo());
    QVERIFY(!editor.Modified());
    editor.Redo();
    QCOMPARE(editor.Text(), QStringLiteral("abc"));

    editor.SetSelectionRange({0, 1, 0, 2});
    editor.Cut();
    QCOMPARE(editor.Text(), QStringLiteral("ac"));
    editor.SetSelectionRange({0, 2, 0, 2});
    editor.Paste();
    QCOMPARE(editor.Text(), QStringLiteral("acb"));
}

void TestCodeEditor::indentOutdentSelectAll()
{
    CodeEditor editor;
    editor.SetTabWidth(4);
    editor.setText(QStringLiteral("a\nb\nc\nd"));
    // Lines 1 and 2; the selection ends at the start of line 3, which stays as it is.
    editor.SetSelectionRange({1, 0, 3, 0});
    editor.RunCommand(CodeEditor::CmdIndent);
    QCOMPARE(editor.Text(), QStringLiteral("a\n\tb\n\tc\nd"));
    editor.RunCommand(CodeEditor::CmdIndent);
    editor.RunCommand(CodeEditor::CmdOutdent);
    QCOMPARE(editor.Text(), QStringLiteral("a\n\tb\n\tc\nd"));
    editor.SetSelectionRange({1, 2, 1, 2});
    editor.RunCommand(CodeEditor::CmdOutdent);
    QCOMPARE(editor.Text(), QStringLiteral("a\nb\n\tc\nd"));

    editor.RunCommand(CodeEditor::CmdSelectAll);
    QCOMPARE(editor.SelLength(), editor.TextLength());
    QCOMPARE(editor.selectedText(), editor.Text());
}

void TestCodeEditor::goToLine()
{
    ScriptedDialogService dialogs;
    CodeEditor editor;
    editor.setText(QStringLiteral("l0\nl1\n  l2\nl3"));
    editor.SetSelectionRange({0, 1, 0, 1});
    editor.RunCommand(CodeEditor::CmdGoToLine, 2);
    QVERIFY(sameRange(editor.GetSelectionRange(true), 2, 0, 2, 0));

    dialogs.lineAnswers.push_back(4); // the user counts from 1
    editor.RunCommand(CodeEditor::CmdGoToLine, -1);
    QCOMPARE(dialogs.lineRequests, 1);
    QVERIFY(sameRange(editor.GetSelectionRange(true), 3, 0, 3, 0));

    dialogs.lineAnswers.push_back(std::nullopt); // cancelled: the caret stays
    editor.RunCommand(CodeEditor::CmdGoToLine, -1);
    QVERIFY(sameRange(editor.GetSelectionRange(true), 3, 0, 3, 0));

    editor.RunCommand(CodeEditor::CmdGoToLine, 99); // past the end: the last line
    QVERIFY(sameRange(editor.GetSelectionRange(true), 3, 0, 3, 0));
}

void TestCodeEditor::findNextAndDialogs()
{
    ScriptedDialogService dialogs;
    CodeEditor editor;
    editor.setText(QStringLiteral("$x = 1\n$y = $x\n$X = 2"));

    // Nothing searched yet: Find Next opens the find window.
    editor.RunCommand(CodeEditor::CmdFindNext);
    QVERIFY(editor.findReplaceDialog());
    QVERIFY(editor.findReplaceDialog()->isVisible());
    QVERIFY(!editor.findReplaceDialog()->isReplaceMode());
    editor.findReplaceDialog()->hide();

    editor.SetSearchText(QStringLiteral("$x"));
    editor.RunCommand(CodeEditor::CmdFindNext);
    QVERIFY(sameRange(editor.GetSelectionRange(true), 0, 0, 0, 2));
    editor.RunCommand(CodeEditor::CmdFindNext);
    QVERIFY(sameRange(editor.GetSelectionRange(true), 1, 5, 1, 7));
    editor.RunCommand(CodeEditor::CmdFindNext); // case is ignored unless asked
    QVERIFY(sameRange(editor.GetSelectionRange(true), 2, 0, 2, 2));
    editor.RunCommand(CodeEditor::CmdFindNext); // wraps around
    QVERIFY(sameRange(editor.GetSelectionRange(true), 0, 0, 0, 2));
    QVERIFY(dialogs.messages.isEmpty());

    // The window's search feeds Find Next: match case from now on.
    editor.RunCommand(CodeEditor::CmdFind);
    FindReplaceDialog* dialog = editor.findReplaceDialog();
    dialog->setFindText(QStringLiteral("$X"));
    FindOptions options;
    options.matchCase = true;
    dialog->setOptions(options);
    dialog->findNextButton()->click();
    QCOMPARE(editor.SearchText(), QStringLiteral("$X"));
    QVERIFY(sameRange(editor.GetSelectionRange(true), 2, 0, 2, 2));
    editor.RunCommand(CodeEditor::CmdFindNext);
    QVERIFY(sameRange(editor.GetSelectionRange(true), 2, 0, 2, 2));

    editor.SetSearchText(QStringLiteral("absent"));
    editor.RunCommand(CodeEditor::CmdFindNext);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.first().text.contains(QStringLiteral("absent")));

    editor.RunCommand(CodeEditor::CmdFindReplace);
    QVERIFY(dialog->isReplaceMode());
    QVERIFY(dialog->replaceButton()->isVisible());
    dialog->closeButton()->click();
    QVERIFY(!dialog->isVisible());
}

void TestCodeEditor::replaceAndReplaceAll()
{
    ScriptedDialogService dialogs;
    CodeEditor editor;
    editor.setText(QStringLiteral("cat cat\ncat"));
    editor.RunCommand(CodeEditor::CmdFindReplace);
    FindReplaceDialog* dialog = editor.findReplaceDialog();
    dialog->setFindText(QStringLiteral("cat"));
    dialog->setReplaceText(QStringLiteral("d\u00f6g"));
    editor.SetSelectionRange({0, 0, 0, 0});
    dialog->replaceButton()->click(); // first press finds
    QCOMPARE(editor.Text(), QStringLiteral("cat cat\ncat"));
    dialog->replaceButton()->click(); // second replaces and moves on
    QCOMPARE(editor.Text(), QStringLiteral("d\u00f6g cat\ncat"));
    QVERIFY(sameRange(editor.GetSelectionRange(true), 0, 4, 0, 7));

    dialog->replaceAllButton()->click();
    QCOMPARE(editor.Text(), QStringLiteral("d\u00f6g d\u00f6g\nd\u00f6g"));
    QVERIFY(dialogs.messages.last().text.contains(QLatin1String("2")));
    editor.Undo(); // Replace All is one step
    QCOMPARE(editor.Text(), QStringLiteral("d\u00f6g cat\ncat"));

    // A pattern that matches nothing still ends.
    FindOptions options;
    options.regularExpression = true;
    dialog->setOptions(options);
    dialog->setFindText(QStringLiteral("z*"));
    dialog->setReplaceText(QString());
    dialog->replaceAllButton()->click();
    QCOMPARE(editor.Text(), QStringLiteral("d\u00f6g cat\ncat"));
}

void TestCodeEditor::highlightedLineMoves()
{
    CodeEditor editor;
    editor.setText(QStringLiteral("0\n1\n2\n3\n4"));
    QCOMPARE(editor.HighlightedLine(), -1);
    editor.SetHighlightedLine(2);
    QCOMPARE(editor.HighlightedLine(), 2);
    editor.SetHighlightedLine(4);
    QCOMPARE(editor.HighlightedLine(), 4);
    // Only one line carries the highlight.
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_MARKERGET, 2), 0);
    QVERIFY(sci(editor, QsciScintillaBase::SCI_MARKERGET, 4) != 0);
    editor.InsertLineAt(0, QStringLiteral("new"));
    QCOMPARE(editor.HighlightedLine(), 5); // stays with its text
    editor.SetHighlightedLine(-1);
    QCOMPARE(editor.HighlightedLine(), -1);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_MARKERGET, 5), 0);
    editor.SetHighlightedLine(50);
    QCOMPARE(editor.HighlightedLine(), -1);
}

namespace {
class RecordingHandler : public CodeEditorEvents {
public:
    CodeEditor* editor = nullptr;
    QList<int> keys;
    QStringList textAtKey;
    QList<int> mouse;
    int swallow = -1;
    bool KeyPress(int charCode) override
    {
        keys.append(charCode);
        textAtKey.append(editor->Text());
        return charCode == swallow;
    }
    bool MouseDown(int button, int shift, int, int) override
    {
        mouse << button << shift;
        return false;
    }
};
} // namespace

void TestCodeEditor::signalsAndKeyEvents()
{
    CodeEditor editor;
    RecordingHandler handler;
    handler.editor = &editor;
    editor.setEventHandler(&handler);
    QSignalSpy changes(&editor, &CodeEditor::Change);
    QSignalSpy selections(&editor, &CodeEditor::SelChange);
    QSignalSpy keyDowns(&editor, &CodeEditor::KeyDown);

    QString textAtKeyDown;
    connect(&editor, &CodeEditor::KeyDown, &editor, [&] { textAtKeyDown = editor.Text(); });
    QTest::keyClick(&editor, Qt::Key_A);
    QCOMPARE(editor.Text(), QStringLiteral("a"));
    QCOMPARE(keyDowns.size(), 1);
    QCOMPARE(keyDowns.first().at(0).toInt(), int(Qt::Key_A));
    QCOMPARE(textAtKeyDown, QString()); // raised before the key is handled
    QCOMPARE(handler.keys, QList<int>{'a'});
    QCOMPARE(handler.textAtKey.first(), QString()); // KeyPress comes before the character goes in
    QCOMPARE(changes.size(), 1);

    handler.swallow = 'b';
    QTest::keyClick(&editor, Qt::Key_B);
    QCOMPARE(editor.Text(), QStringLiteral("a")); // swallowed
    QTest::keyClick(&editor, Qt::Key_Return);
    QCOMPARE(handler.keys.last(), 13);
    QTest::keyClick(&editor, Qt::Key_C, Qt::ControlModifier); // a shortcut, not a character
    QCOMPARE(handler.keys.size(), 3);

    editor.InsertTextAt(QStringLiteral("xyz"), {0, 0});
    editor.RemoveLine(1);
    QVERIFY(changes.size() >= 4);

    selections.clear();
    editor.SetSelectionRange({0, 0, 0, 2});
    QVERIFY(selections.size() >= 1);

    QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
    QCOMPARE(handler.mouse, (QList<int>{1, 1}));
}

void TestCodeEditor::tokenWithoutLanguage()
{
    CodeEditor editor;
    editor.SetLanguageName(QStringLiteral("NoSuchLanguage"));
    QCOMPARE(editor.LanguageName(), QString());
    editor.setText(QStringLiteral("; comment"));
    editor.SetSelectionRange({0, 5, 0, 5});
    QCOMPARE(editor.TokenAtCaret(), int(syntax::NoToken));
}

void TestCodeEditor::languageTokensColoursAndScopes()
{
    auto definition = std::make_shared<LanguageDefinition>();
    definition->setCaseSensitive(false);
    definition->setKeywords(QStringLiteral("MessageBox\nBegin\nFinish"));
    definition->setSingleLineComments(QStringLiteral(";"));
    definition->setScopeKeywords1(QStringLiteral("Begin"));
    definition->setScopeKeywords2(QStringLiteral("Finish"));
    definition->setStringDelimiters(QStringLiteral("\"\n'"));
    LanguageRegistry::instance().RegisterLanguage(QStringLiteral("EditorTestLanguage"), definition);

    CodeEditor editor;
    editor.SetElementColor(syntax::KeywordColor, 0x0000FF);
    editor.SetElementFontStyle(syntax::Comment, syntax::Underline);
    editor.SetElementColor(syntax::LineNumberColor, 0x9F9F9F);
    editor.SetLanguageName(QStringLiteral("editortestlanguage"));
    QCOMPARE(editor.LanguageName(), QStringLiteral("editortestlanguage"));
    QVERIFY(editor.lexer());
    // Colours and styles given before the language was chosen reach its lexer.
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETFORE, syntax::Keyword), 0x0000FF);
    const QFont comment = editor.lexer()->font(syntax::Comment);
    QVERIFY(comment.underline() && !comment.bold() && !comment.italic());
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETUNDERLINE, syntax::Comment), 1);
    editor.SetEditorFont(QStringLiteral("Courier New"), 15);
    QCOMPARE(editor.lexer()->font(syntax::Comment).pointSize(), 15);
    QVERIFY(editor.lexer()->font(syntax::Comment).underline());
    QCOMPARE(editor.lexer()->font(syntax::Number).pointSize(), 15);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETFORE, QsciScintillaBase::STYLE_LINENUMBER), 0x9F9F9F);
    editor.SetElementColor(syntax::CommentColor, 0x00FF00);
    QCOMPARE(editor.lexer()->color(syntax::Comment), QColor(0, 255, 0));
    QCOMPARE(editor.ElementColor(syntax::CommentColor), 0x00FF00u);

    editor.setText(QStringLiteral("messagebox \"text\" ; note\n$x Begin"));
    auto tokenAt = [&](int line, int column) {
        editor.SetSelectionRange({line, column, line, column});
        return editor.TokenAtCaret();
    };
    QCOMPARE(tokenAt(0, 5), int(syntax::KeywordToken));
    QCOMPARE(tokenAt(0, 14), int(syntax::StringToken));
    QCOMPARE(tokenAt(0, 24), int(syntax::CommentToken));
    QCOMPARE(tokenAt(1, 2), int(syntax::NoToken));
    QCOMPARE(tokenAt(1, 8), int(syntax::KeywordToken)); // scope words count as keywords
    QCOMPARE(tokenAt(0, 0), int(syntax::NoToken));

    // The language's own scope words drive the scope indentation.
    CodeEditor typed;
    typed.SetLanguageName(QStringLiteral("EditorTestLanguage"));
    typed.SetAutoIndentMode(1);
    QTest::keyClicks(&typed, QStringLiteral("Begin"));
    QTest::keyClick(&typed, Qt::Key_Return);
    QTest::keyClicks(&typed, QStringLiteral("x"));
    QTest::keyClick(&typed, Qt::Key_Return);
    QTest::keyClicks(&typed, QStringLiteral("Finish"));
    QTest::keyClick(&typed, Qt::Key_Return);
    QCOMPARE(typed.Text(), QStringLiteral("Begin\r\n\tx\r\nFinish\r\n"));
}

void TestCodeEditor::elementColoursAndFonts()
{
    CodeEditor editor;
    editor.SetElementColor(syntax::LineNumberColor, 0x9F9F9F);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETFORE, QsciScintillaBase::STYLE_LINENUMBER), 0x9F9F9F);
    QCOMPARE(editor.ElementColor(syntax::LineNumberColor), 0x9F9F9Fu);
    // Without a language the text colour and style reach the plain text.
    editor.SetElementColor(syntax::TextColor, 0x0000FF); // red in 0x00BBGGRR
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETFORE, 0), 0x0000FF);
    QCOMPARE(editor.ElementColor(syntax::TextColor), 0x0000FFu);
    editor.SetElementFontStyle(syntax::Text, syntax::BoldItalic);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETBOLD, 0), 1);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETITALIC, 0), 1);
    editor.SetEditorFont(QStringLiteral("Courier New"), 13);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETSIZE, 0), 13);
    QCOMPARE(editor.font().family(), QStringLiteral("Courier New"));
    QCOMPARE(editor.font().pointSize(), 13);
    editor.SetEditorFont(QString(), 0); // nothing usable: the font stays
    QCOMPARE(editor.font().family(), QStringLiteral("Courier New"));
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETSIZE, 0), 13);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETBOLD, 0), 1); // the element keeps its style
    QCOMPARE(editor.ElementFontStyle(syntax::Text), int(syntax::BoldItalic));
    // Numbers with no element are ignored.
    editor.SetElementColor(5, 0x123456);
    editor.SetElementColor(99, 0x123456);
    editor.SetElementFontStyle(9, syntax::Bold);
    QCOMPARE(editor.ElementColor(5), 0u);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_STYLEGETFORE, 0), 0x0000FF);
}

void TestCodeEditor::autoIndentModes()
{
    auto typeLines = [](CodeEditor& editor, const QStringList& lines) {
        for (const QString& line : lines) {
            QTest::keyClicks(&editor, line);
            QTest::keyClick(&editor, Qt::Key_Return);
        }
    };
    CodeEditor none;
    none.setText(QStringLiteral("\tx"));
    none.SetSelectionRange({0, 2, 0, 2});
    typeLines(none, {QStringLiteral("y")});
    QCOMPARE(none.LineText(1), QString());

    CodeEditor like;
    like.SetAutoIndentMode(2);
    like.setText(QStringLiteral("\tx"));
    like.SetSelectionRange({0, 2, 0, 2});
    typeLines(like, {QStringLiteral("If 1")});
    QCOMPARE(like.LineText(1), QStringLiteral("\t")); // like the line above, no scope rule

    CodeEditor scope;
    scope.SetAutoIndentMode(1);
    typeLines(scope, {QStringLiteral("If $a"), QStringLiteral("Do"), QStringLiteral("? 1"),
                      QStringLiteral("Until $b"), QStringLiteral("EndIf"), QStringLiteral("If 1 EndIf"),
                      QStringLiteral("x")});
    QCOMPARE(scope.Text(), QStringLiteral("If $a\r\n\tDo\r\n\t\t? 1\r\n\tUntil $b\r\nEndIf\r\nIf 1 EndIf\r\nx\r\n"));
}

void TestCodeEditor::marginsAndWhitespace()
{
    CodeEditor editor;
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_GETMARGINWIDTHN, 0), 0);
    editor.SetShowLineNumbers(true);
    const long narrow = sci(editor, QsciScintillaBase::SCI_GETMARGINWIDTHN, 0);
    QVERIFY(narrow > 0);
    QString many;
    for (int i = 0; i < 12000; ++i)
        many += QStringLiteral("x\n");
    editor.setText(many);
    QVERIFY(sci(editor, QsciScintillaBase::SCI_GETMARGINWIDTHN, 0) > narrow);
    editor.SetShowLineNumbers(false);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_GETMARGINWIDTHN, 0), 0);

    editor.SetShowWhitespace(true);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_GETVIEWWS), long(QsciScintillaBase::SCWS_VISIBLEALWAYS));
    QVERIFY(editor.ShowWhitespace());

    editor.SetEditorFont(QStringLiteral("Monospace"), 10);
    editor.SetRightMargin(1440 * 4); // four inches
    QCOMPARE(editor.RightMargin(), 1440.0 * 4);
    QCOMPARE(sci(editor, QsciScintillaBase::SCI_GETEDGEMODE), long(QsciScintillaBase::EDGE_LINE));
    const long column = sci(editor, QsciScintillaBase::SCI_GETEDGECOLUMN);
    const long charWidth = editor.SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH,
                                                QsciScintillaBase::STYLE_DEFAULT, "0");
    QVERIFY(charWidth > 0);
    QCOMPARE(column, long(4 * editor.logicalDpiX() / charWidth));
}

void TestCodeEditor::printsToPdf()
{
    QTemporaryDir dir;
    CodeEditor editor;
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("? \"line %1\"\r\n").arg(i);
    editor.setText(text);
    auto pages = [&](bool selectionOnly) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString path = dir.filePath(selectionOnly ? QStringLiteral("sel.pdf") : QStringLiteral("all.pdf"));
        printer.setOutputFileName(path);
        if (selectionOnly)
            printer.setPrintRange(QPrinter::Selection);
        if (!editor.PrintText(printer, 13))
            return -1;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        return int(file.readAll().count("/Type /Page\n"));
    };
    editor.SetSelectionRange({0, 0, 2, 0});
    const int all = pages(false);
    QVERIFY2(all > 1, qPrintable(QString::number(all))); // 300 lines do not fit on one page
    QCOMPARE(pages(true), 1);
}

QTEST_MAIN(TestCodeEditor)
#include "test_code_editor.moc"
