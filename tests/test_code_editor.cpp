// The editing control's operations as the rest of the editor uses them.

#include "CaseFile.h"
#include "document/editor/FindReplaceDialog.h"
#include "document/language/LanguageRegistry.h"
#include "EditorText.h"
#include "ScriptedDialogService.h"

#include <QAbstractButton>
#include <QFontInfo>
#include <QKeySequence>
#include <QLabel>
#include <QFontMetricsF>
#include <QPushButton>
#include <QSignalSpy>

#include <cmath>
#include <random>

namespace {

using Sci = QsciScintillaBase;

struct RecordingHandler : CodeEditorEvents {
    explicit RecordingHandler(CodeEditor& e) : editor(&e) { e.setEventHandler(this); }
    CodeEditor* editor;
    QStringList keys; // "code:text at that moment"
    QList<int> mouse;
    bool KeyPress(int code) override { return (keys << QString::number(code) + QLatin1Char(':') + editor->Text(), code == 'b'); }
    bool MouseDown(int button, int shift, int, int) override { return (mouse << button << shift, false); }
};

} // namespace

class TestCodeEditor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        auto definition = std::make_shared<LanguageDefinition>();
        definition->setKeywords(QStringLiteral("MessageBox\nBegin\nFinish"));
        definition->setSingleLineComments(QStringLiteral(";"));
        definition->setScopeKeywords1(QStringLiteral("Begin"));
        definition->setScopeKeywords2(QStringLiteral("Finish"));
        definition->setStringDelimiters(QStringLiteral("\""));
        LanguageRegistry::instance().RegisterLanguage(QStringLiteral("EditorTestLanguage"), definition);
    }

    void columnsAndWords()
    {
        // 1-, 2-, 3- and 4-byte characters; the last is outside the BMP.
        const QString mixed = QStringLiteral("a\u00e9\u20ac\U0001D11Eb");
        CodeEditor editor;
        editor.setText(mixed + QStringLiteral("\r\nxyz"));
        QVERIFY(editor.TextLength() == 5 + 2 + 3 && editor.LineText(0) == mixed);
        editor.SetSelectionRange({0, 4, 0, 2}); // backwards: the caret ends at its start
        QCOMPARE(selection(editor, false), QList<int>({0, 4, 0, 2}));
        // The caret after the bytes of "aé".
        QVERIFY(selection(editor) == QList<int>({0, 2, 0, 4}) && editor.SelLength() == 2 && sci(editor, Sci::SCI_GETCURRENTPOS) == 3);
        editor.InsertTextAt(QStringLiteral("|"), {0, 4}); // after the 4-byte character
        QCOMPARE(editor.LineText(0), QStringLiteral("a\u00e9\u20ac\U0001D11E|b"));
        // A column or line past either end lands at that end, not on the next line (8: fewer than the bytes).
        for (const auto& [range, at] : {std::pair{Range{0, 8, 0, 8}, QList<int>{0, 6, 0, 6}}, {Range{0, 40, 0, 40}, {0, 6, 0, 6}},
                                        {Range{7, 0, 7, 0}, {1, 3, 1, 3}}, {Range{-1, 2, -1, 2}, {0, 0, 0, 0}}}) {
            editor.SetSelectionRange(range);
            QCOMPARE(selection(editor), at);
        }

        // Words and labels; variables keep "$".
        editor.setText(QStringLiteral(":Start\n  $na\u00efve = @Date + MessageBox(\"x\")\n;c\n") +
                       QStringLiteral("\u00e9 ").repeated(1500) + QStringLiteral("Beep"));
        for (const QStringList& row : cases::table("code_editor.txt", "words"))
            QCOMPARE(editor.WordAtPosition({row[0].toInt(), row[1].toInt()}), cases::text(row[2]));
        // The caret word follows the same rule: Uncomment tests its first character for ";".
        editor.SetSelectionRange({2, 0, 2, 1}, false);
        QCOMPARE(editor.CaretWord(), QStringLiteral(";"));
        editor.SetSelectionRange({1, 6, 1, 6});
        QVERIFY(editor.CaretWord() == QStringLiteral("$na\u00efve") && editor.CaretWordLength() == 6);
    }

    // Fold levels are kept in two bytes a line until a level needs more; then all are kept whole.
    void foldLevelWidths()
    {
        CodeEditor editor;
        editor.setText(QStringLiteral("a\nb\nc\n"));
        const long header = Sci::SC_FOLDLEVELBASE | Sci::SC_FOLDLEVELHEADERFLAG, wide = header | (0x402 << 16);
        for (auto [line, level] : {std::pair{0, header}, {2, header + 3}, {1, wide}}) // the wide one last
            sci(editor, Sci::SCI_SETFOLDLEVEL, line, level);
        const auto level = [&](int line) { return sci(editor, Sci::SCI_GETFOLDLEVEL, line); };
        QVERIFY(level(0) == header && level(1) == wide && level(2) == header + 3);
    }

    // Lines put in and taken out keep the selection's numbers; the highlighted line stays with its text.
    // Replacing the selection is one undo step.
    void lineEdits()
    {
        CodeEditor editor;
        setMarked(editor, QStringLiteral("a\r\nb|\r\nc"));
        editor.SetHighlightedLine(0);
        editor.SetHighlightedLine(1); // only one line carries it
        editor.InsertLineAt(0, QStringLiteral("top"));
        editor.InsertLineAt(editor.LineTotal(), QStringLiteral("end"));
        QCOMPARE(marked(editor), QStringLiteral("top\r\na|\r\nb\r\nc\r\nend"));
        QVERIFY(editor.HighlightedLine() == 2 && sci(editor, Sci::SCI_MARKERGET, 2) != 0 && sci(editor, Sci::SCI_MARKERGET, 1) == 0);
        editor.SetHighlightedLine(-1);
        QCOMPARE(sci(editor, Sci::SCI_MARKERGET, 2), 0);
        editor.SetHighlightedLine(50);
        QCOMPARE(editor.HighlightedLine(), -1);
        editor.RemoveLine(4); // the last line takes the break before it
        editor.RemoveLine(1);
        editor.RemoveLine(9); // no such line: nothing happens
        QCOMPARE(marked(editor), QStringLiteral("top\r\nb|\r\nc"));
        editor.SetHighlightedLine(1);
        sci(editor, Sci::SCI_DELETERANGE, 3, 2); // "top" and "b" joined: the mark goes with "b"
        for (auto [line, kind] : {std::pair{0, 5}, {1, 5}, {1, 3}})
            sci(editor, Sci::SCI_MARKERADD, line, kind);
        sci(editor, Sci::SCI_MARKERDELETEALL, 5); // other kinds stay
        QVERIFY(editor.HighlightedLine() == 0 && sci(editor, Sci::SCI_MARKERGET, 1) == 1 << 3);
        setMarked(editor, QStringLiteral("|only"));
        editor.RemoveLine(0);
        QCOMPARE(editor.Text(), QString());
        editor.InsertLineAt(0, QStringLiteral("new"));
        QCOMPARE(editor.Text(), QStringLiteral("new\r\n"));

        setMarked(editor, QStringLiteral("say ^hello| there"));
        editor.ReplaceSelectionText(QStringLiteral("\u20acuro"));
        editor.ReplaceSelectionText(QStringLiteral(">")); // nothing selected: an insertion at the caret
        QCOMPARE(marked(editor), QStringLiteral("say |>\u20acuro there"));
        editor.Undo();
        editor.Undo();
        QCOMPARE(editor.Text(), QStringLiteral("say hello there"));
    }

    // Inserted text's lines are found wherever its breaks fall: CR, LF and CR LF in or across the
    // eight-byte steps the control scans in, pairs split and joined by an insertion.
    void lineStartsAfterInserts()
    {
        CodeEditor editor;
        std::mt19937 random(7);
        for (int round = 0; round < 400; ++round) {
            const QByteArray alphabet = round % 2 ? "abcdefghijklmn\r\n" : "ab\r\n";
            QByteArray piece;
            for (int k = int(random() % 40); k > 0; --k)
                piece += alphabet[qsizetype(random() % unsigned(alphabet.size()))];
            const auto at = (unsigned long)(random() % (unsigned long)(sci(editor, Sci::SCI_GETLENGTH) + 1));
            editor.SendScintilla(Sci::SCI_INSERTTEXT, at, piece.constData());
            const QByteArray text = editor.utf8Text();
            QList<long> starts{0};
            for (qsizetype i = 0; i < text.size(); ++i)
                if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
                    starts << long(i + 1);
            QList<long> found;
            for (long line = 0; line < sci(editor, Sci::SCI_GETLINECOUNT); ++line)
                found << sci(editor, Sci::SCI_POSITIONFROMLINE, (unsigned long)line);
            QCOMPARE(found, starts);
        }
    }

    void goToLineAndFind()
    {
        ScriptedDialogService dialogs;
        CodeEditor editor;
        editor.setText(QStringLiteral("a\nb\nc\nd"));
        // A given line, the user's answer (from 1), a cancel, a line past the end.
        dialogs.lineAnswers = {2, std::nullopt};
        for (const auto& [argument, line] : {std::pair{2, 2}, {-1, 1}, {-1, 1}, {99, 3}}) {
            editor.RunCommand(CodeEditor::CmdGoToLine, argument);
            QCOMPARE(selection(editor), QList<int>({line, 0, line, 0}));
        }
        QCOMPARE(dialogs.lineRequests, 2);

        // Find Next with nothing searched yet opens the find window; a selection over lines is no search.
        editor.setText(QStringLiteral("$x = 1\n$y = $x\n$X = 2"));
        editor.SetSelectionRange({0, 0, 1, 2});
        editor.RunCommand(CodeEditor::CmdFindNext);
        FindReplaceDialog* dialog = editor.findReplaceDialog();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isReplaceMode() && dialog->findText().isEmpty());
        editor.SetSelectionRange({0, 0, 0, 0});
        editor.SetSearchText(QStringLiteral("$x"));
        for (const QList<int>& r : {QList<int>{0, 0, 0, 2}, {1, 5, 1, 7}, {2, 0, 2, 2}, {0, 0, 0, 2}}) { // any case, wraps
            editor.RunCommand(CodeEditor::CmdFindNext);
            QCOMPARE(selection(editor), r);
        }
        QVERIFY(dialogs.messages.isEmpty());

        // The window's search feeds Find Next: match case from now on.
        dialog->setFindText(QStringLiteral("$X"));
        dialog->setOptions({.matchCase = true});
        dialog->findNextButton()->click();
        editor.RunCommand(CodeEditor::CmdFindNext);
        QCOMPARE(selection(editor), QList<int>({2, 0, 2, 2}));

        editor.SetSearchText(QStringLiteral("absent"));
        editor.RunCommand(CodeEditor::CmdFindNext);
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages.first().text.contains(QStringLiteral("absent")));

        // Replace: the first press finds, the second replaces and moves on.
        editor.setText(QStringLiteral("cat cat\ncat"));
        editor.RunCommand(CodeEditor::CmdFindReplace);
        QVERIFY(dialog->isVisible() && dialog->isReplaceMode());
        // Every field, option and button shown has an access key of its own (Close has Escape).
        QStringList keys;
        for (QWidget* widget : dialog->findChildren<QWidget*>()) {
            const auto* button = qobject_cast<QAbstractButton*>(widget);
            const auto* label = qobject_cast<QLabel*>(widget);
            const QString text = button ? button->text() : label ? label->text() : QString();
            if (widget->isVisible() && !text.isEmpty() && text != QStringLiteral("Close"))
                keys << QKeySequence::mnemonic(text).toString() + QLatin1Char(' ') + text;
        }
        QCOMPARE(keys.size(), 9);
        for (const QString& key : keys)
            QVERIFY2(!key.startsWith(QLatin1Char(' ')) && keys.filter(key.section(QLatin1Char(' '), 0, 0) + QLatin1Char(' ')).size() == 1, qPrintable(key));
        dialog->setFindText(QStringLiteral("cat"));
        dialog->setReplaceText(QStringLiteral("d\u00f6g"));
        dialog->replaceButton()->click();
        QCOMPARE(editor.Text(), QStringLiteral("cat cat\ncat"));
        dialog->setOptions({.matchCase = true, .wholeWord = true}); // a changed search only finds again
        dialog->replaceButton()->click();
        QCOMPARE(editor.Text(), QStringLiteral("cat cat\ncat"));
        dialog->replaceButton()->click();
        QVERIFY(editor.Text() == QStringLiteral("cat d\u00f6g\ncat") && selection(editor) == QList<int>({1, 0, 1, 3}));
    }

    void keyAndMouseEvents()
    {
        CodeEditor editor;
        RecordingHandler handler(editor);
        QSignalSpy changes(&editor, &CodeEditor::Change);
        QStringList textAtKeyDown;
        connect(&editor, &CodeEditor::KeyDown, &editor, [&] { textAtKeyDown << editor.Text(); });
        // Events come before the character goes in; "b" is swallowed; Ctrl+C is no character.
        QTest::keyClick(&editor, Qt::Key_A);
        QVERIFY(textAtKeyDown == QStringList{QString()} && changes.size() == 1);
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_B, Qt::NoModifier}, {Qt::Key_Return, {}}, {Qt::Key_C, Qt::ControlModifier}})
            QTest::keyClick(&editor, key, modifiers);
        QVERIFY(handler.keys == QStringList({"97:", "98:a", "13:a"}) && editor.Text() == QStringLiteral("a\r\n"));
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
        QCOMPARE(handler.mouse, (QList<int>{1, 1}));
    }

    void languageColoursAndFonts()
    {
        // Without a language the text colour and style reach the plain text; no tokens.
        CodeEditor plain;
        plain.SetLanguageName(QStringLiteral("NoSuchLanguage"));
        plain.setText(QStringLiteral("; comment"));
        plain.SetSelectionRange({0, 5, 0, 5});
        QCOMPARE(plain.TokenAtCaret(), int(syntax::NoToken));
        plain.SetElementColor(syntax::TextColor, 0x0000FF); // red in 0x00BBGGRR
        plain.SetElementFontStyle(syntax::Text, syntax::BoldItalic);
        plain.SetEditorFont(QStringLiteral("Courier New"), 13);
        plain.SetEditorFont(QString(), 0); // nothing usable: the font stays
        plain.SetElementColor(5, 0x123456); // a number with no element is ignored
        QCOMPARE(plain.font().family(), QStringLiteral("Courier New"));
        QCOMPARE((QList<long>{sci(plain, Sci::SCI_STYLEGETSIZE), sci(plain, Sci::SCI_STYLEGETFORE), sci(plain, Sci::SCI_STYLEGETITALIC)}),
                 (QList<long>{13, 0x0000FF, 1}));

        // Colours and styles given before the language was chosen reach its lexer, and survive a font change.
        CodeEditor editor;
        editor.SetElementColor(syntax::KeywordColor, 0x0000FF);
        editor.SetElementFontStyle(syntax::Comment, syntax::Underline);
        editor.SetElementColor(syntax::LineNumberColor, 0x9F9F9F);
        editor.SetLanguageName(QStringLiteral("editortestlanguage")); // any case
        editor.SetEditorFont(QStringLiteral("Courier New"), 15);
        QCOMPARE((QList<long>{sci(editor, Sci::SCI_STYLEGETFORE, syntax::Keyword), sci(editor, Sci::SCI_STYLEGETUNDERLINE, syntax::Comment),
                              sci(editor, Sci::SCI_STYLEGETSIZE, syntax::Comment), sci(editor, Sci::SCI_STYLEGETFORE, Sci::STYLE_LINENUMBER)}),
                 (QList<long>{0x0000FF, 1, 15, 0x9F9F9F}));
        editor.setText(QStringLiteral("messagebox \"text\" ; note\n$x Begin"));
        for (const auto& [line, column, token] : {std::tuple{0, 14, int(syntax::StringToken)},
                                                  {0, 24, int(syntax::CommentToken)}, {1, 8, int(syntax::KeywordToken)}}) {
            editor.SetSelectionRange({line, column, line, column});
            QCOMPARE(editor.TokenAtCaret(), token);
        }
    }

    void autoIndent_data() { cases::addRows("code_editor.txt", "auto indent"); }

    void autoIndent()
    {
        QFETCH(QStringList, fields);
        CodeEditor editor;
        editor.SetLanguageName(fields[1]);
        editor.SetAutoIndentMode(fields[2].toInt());
        setMarked(editor, cases::text(fields[3]));
        typeInto(editor, cases::text(fields[4]));
        QCOMPARE(editor.Text(), cases::text(fields[5]));
    }

    void margins()
    {
        CodeEditor editor;
        editor.SetShowLineNumbers(true);
        const long narrow = sci(editor, Sci::SCI_GETMARGINWIDTHN, 0);
        QVERIFY(narrow > 0);
        editor.setText(QStringLiteral("? \"line\"\r\n").repeated(12000)); // five digits need more room
        QVERIFY(sci(editor, Sci::SCI_GETMARGINWIDTHN, 0) > narrow);
        editor.SetShowLineNumbers(false);
        QCOMPARE(sci(editor, Sci::SCI_GETMARGINWIDTHN, 0), 0);

        // The right-margin guide is measured in the editor's own character width.
        editor.SetEditorFont(QStringLiteral("Monospace"), 10);
        editor.SetRightMargin(1440 * 4); // four inches
        const long charWidth = editor.SendScintilla(Sci::SCI_TEXTWIDTH, Sci::STYLE_DEFAULT, "0");
        QCOMPARE(sci(editor, Sci::SCI_GETEDGECOLUMN), long(4 * editor.logicalDpiX() / charWidth));

        // Lines hold the marks of accented capitals, which this face draws above its ascent.
        const QFont face(QStringLiteral("DejaVu Sans Mono"), 9);
        if (QFontInfo(face).family() != face.family())
            QSKIP("DejaVu Sans Mono is not installed");
        editor.SetEditorFont(face.family(), 9);
        const QFontMetricsF metrics(face);
        const double markTop = -metrics.tightBoundingRect(QStringLiteral("ÄÉÖ")).top();
        QVERIFY(sci(editor, Sci::SCI_TEXTHEIGHT, 0) >= std::ceil(markTop) + int(metrics.descent()));

    }
};

QTEST_MAIN(TestCodeEditor)
#include "test_code_editor.moc"
