// Colouring of KiXtart scripts by the registered language definition, on a real editing control.

#include "document/KixLexer.h"
#include "document/LanguageRegistry.h"
#include "document/SyntaxElements.h"
#include "document/modKixLanguage.h"

#include <Qsci/qsciscintilla.h>

#include <QtTest>

namespace {

int styleAt(QsciScintilla& editor, long bytePos)
{
    return static_cast<int>(editor.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(bytePos)));
}

void colourise(QsciScintilla& editor)
{
    editor.SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
}

// Checks that every byte of the first occurrence of `token` in the editor's text has `style`.
bool tokenHasStyle(QsciScintilla& editor, const QString& token, int style, QByteArray* why)
{
    const QByteArray text = editor.text().toUtf8();
    const qsizetype at = text.indexOf(token.toUtf8());
    if (at < 0) {
        *why = "token not found";
        return false;
    }
    for (qsizetype i = at; i < at + token.toUtf8().size(); ++i) {
        if (styleAt(editor, i) != style) {
            *why = QByteArray("byte ") + QByteArray::number(i - at) + " has style " + QByteArray::number(styleAt(editor, i));
            return false;
        }
    }
    return true;
}

KixLexer* selectLanguage(QsciScintilla& editor, const QString& name)
{
    auto* lexer = qobject_cast<KixLexer*>(LanguageRegistry::instance().createLexer(name, &editor));
    editor.setLexer(lexer);
    return lexer;
}

} // namespace

class TestKixLexer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { RegisterKixLanguage(); }

    void colouring_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("style");

        QTest::newRow("keyword mixed") << "$r = messageBOX(\"a\", \"b\", 0)" << "messageBOX" << int(syntax::Keyword);
        QTest::newRow("keyword with digit") << "Cookie1" << "Cookie1" << int(syntax::Keyword);
        QTest::newRow("longer word is text") << "Cookie12 Beeper" << "Cookie12 Beeper" << int(syntax::Text);
        QTest::newRow("scope opening") << "If $x = 1" << "If" << int(syntax::ScopeKeyword);
        QTest::newRow("scope closing") << "  endIF\r\n" << "endIF" << int(syntax::ScopeKeyword);
        QTest::newRow("word operator") << "If $a AND $b" << "AND" << int(syntax::Operator);
        QTest::newRow("operator inside word") << "Android ORDER notice" << "Android ORDER notice" << int(syntax::Text);
        QTest::newRow("two-byte operator") << "$a<>$b" << "<>" << int(syntax::Operator);
        QTest::newRow("comment line") << "; Beep \"not a string\"" << "; Beep \"not a string\"" << int(syntax::Comment);
        QTest::newRow("comment after code") << "Beep ; done" << "; done" << int(syntax::Comment);
        QTest::newRow("comment ends with line") << "; note\nBeep" << "Beep" << int(syntax::Keyword);
        QTest::newRow("double quotes") << "$s = \"Beep ; 'x'\" + 1" << "\"Beep ; 'x'\"" << int(syntax::String);
        QTest::newRow("single quotes") << "$s = 'say \"hi\"'" << "'say \"hi\"'" << int(syntax::String);
        QTest::newRow("open string ends with line") << "$s = \"open\nBeep" << "Beep" << int(syntax::Keyword);
        QTest::newRow("integer") << "$n = 42" << "42" << int(syntax::Number);
        QTest::newRow("decimal") << "$n = 3.25" << "3.25" << int(syntax::Number);
        QTest::newRow("hex") << "$n = &1F" << "&1F" << int(syntax::Number);
        QTest::newRow("ampersand operator") << "$n = $a & $b" << "&" << int(syntax::Operator);
        QTest::newRow("ampersand before word") << "$n = &Beep" << "&" << int(syntax::Operator);
        QTest::newRow("variable") << "$Beep = 1" << "$Beep" << int(syntax::Text);
        QTest::newRow("macro") << "? @Date" << "@Date" << int(syntax::Text);
        QTest::newRow("print") << "? \"x\"" << "?" << int(syntax::Keyword);
        QTest::newRow("label marker") << ":Start" << ":" << int(syntax::Keyword);
        QTest::newRow("label name") << ":Start" << "Start" << int(syntax::Text);
        QTest::newRow("non-ASCII word") << "Beep\xC3\xA9 x" << "Beep\xC3\xA9" << int(syntax::Text);
    }

    void colouring()
    {
        QFETCH(QString, script);
        QFETCH(QString, token);
        QFETCH(int, style);
        QsciScintilla editor;
        QVERIFY(selectLanguage(editor, KixLanguageName));
        editor.setText(script);
        colourise(editor);
        QByteArray why;
        QVERIFY2(tokenHasStyle(editor, token, style, &why), why.constData());
    }

    void lexerDescribesItself()
    {
        QsciScintilla editor;
        KixLexer* lexer = selectLanguage(editor, "kixtart");
        QVERIFY(lexer);
        QCOMPARE(QString(lexer->language()), QString("KixTart"));
        for (int s = 0; s < syntax::StyleCount; ++s)
            QVERIFY(!lexer->description(s).isEmpty());
        QVERIFY(lexer->description(syntax::StyleCount).isEmpty());
        const QList<std::pair<int, QColor>> colours = {{syntax::Keyword, QColor(0, 0, 255)},
            {syntax::Comment, QColor(0, 128, 0)}, {syntax::String, QColor(128, 0, 128)}, {syntax::Operator, QColor(255, 0, 0)}};
        for (const auto& [style, colour] : colours)
            QCOMPARE(lexer->defaultColor(style), colour);
        QVERIFY(lexer->defaultFont(syntax::ScopeKeyword).bold() && lexer->defaultFont(syntax::Comment).italic());
        QVERIFY(!lexer->defaultFont(syntax::Text).bold());
    }

    void colouringFollowsTheDefinition()
    {
        auto def = std::make_shared<LanguageDefinition>();
        def->setCaseSensitive(true);
        def->setKeywords("Frobnicate\n#!");
        def->setOperators("MOD\n**");
        def->setSingleLineComments("//");
        def->setStringDelimiters("`");
        def->setEscapeChar("\\");
        def->setScopeKeywords1("Begin");
        def->setScopeKeywords2("End");
        LanguageRegistry::instance().RegisterLanguage("Other", def);

        QsciScintilla editor;
        QVERIFY(selectLanguage(editor, "Other"));
        editor.setText("Frobnicate frobnicate Beep #! 2**3 MOD mod Begin End\n`a\\`b` \"c\" ; d // e");
        colourise(editor);
        const QList<std::pair<QString, int>> expected = {{"Frobnicate", syntax::Keyword},
            {"frobnicate Beep", syntax::Text}, {"#!", syntax::Keyword}, {"**", syntax::Operator},
            {"MOD", syntax::Operator}, {"mod", syntax::Text}, {"Begin", syntax::ScopeKeyword},
            {"`a\\`b`", syntax::String}, {"\"c\" ; d", syntax::Text}, {"// e", syntax::Comment}};
        for (const auto& [token, style] : expected) {
            QByteArray why;
            QVERIFY2(tokenHasStyle(editor, token, style, &why), qPrintable(token + ": " + why));
        }
    }

    void largeDocumentsAreStyledWhole()
    {
        // Many lines (styled in several pieces), then one line longer than any piece, then more.
        QByteArray text;
        while (text.size() < 600 * 1024)
            text += "Beep \"a ; b\" ; note\r\n";
        const qsizetype longStart = text.size();
        text += "$s = \"" + QByteArray(400 * 1024, 'a') + "\" + 1\nEndIf\n";
        QsciScintilla editor;
        KixLexer* lexer = selectLanguage(editor, KixLanguageName);
        editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL, text.constData());
        colourise(editor);
        QCOMPARE(lexer->totalStyledBytes(), qint64(text.size()));

        const QByteArray pattern = "Beep \"a ; b\" ; note\r\n";
        const QList<int> expected = {syntax::Keyword, syntax::Text, syntax::String, syntax::Text, syntax::Comment};
        for (qsizetype line = 0; line + pattern.size() <= longStart; line += pattern.size()) {
            const int got[] = {styleAt(editor, line), styleAt(editor, line + 4), styleAt(editor, line + 5),
                               styleAt(editor, line + 12), styleAt(editor, line + 13)};
            if (QList<int>(std::begin(got), std::end(got)) != expected)
                QFAIL(qPrintable(QString("wrong styles in the line at byte %1").arg(line)));
        }
        for (qsizetype at : {longStart + 5, longStart + 300 * 1024, longStart + 6 + 400 * 1024})
            QCOMPARE(styleAt(editor, at), int(syntax::String));
        QCOMPARE(styleAt(editor, text.size() - 3), int(syntax::ScopeKeyword));
    }

    void restylesOnlyWhatChanged()
    {
        QStringList lines;
        for (int i = 0; i < 2000; ++i)
            lines << QString("Beep $x%1 = \"text\" + %1 ; line %1").arg(i);
        QsciScintilla editor;
        KixLexer* lexer = selectLanguage(editor, KixLanguageName);
        editor.resize(600, 400);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setText(lines.join("\n"));
        colourise(editor);
        const long docBytes = editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        QCOMPARE(lexer->totalStyledBytes(), qint64(docBytes));

        // A request in the middle of a line restyles that whole line and nothing more.
        const long line5 = editor.positionFromLineIndex(5, 0);
        lexer->resetStyledByteCounts();
        lexer->styleText(int(line5 + 7), int(line5 + 8));
        QCOMPARE(lexer->lastStyledBytes(), qint64(editor.lineLength(5)));

        // Typing in the middle of the document, then painting, restyles about a screenful.
        editor.setCursorPosition(1000, 0);
        editor.ensureLineVisible(1000);
        editor.viewport()->grab();
        lexer->resetStyledByteCounts();
        editor.insertAt("x", 1000, 0);
        editor.viewport()->grab();
        QVERIFY(lexer->totalStyledBytes() > 0);
        QVERIFY2(lexer->totalStyledBytes() < docBytes / 20, QByteArray::number(lexer->totalStyledBytes()));
        const long edited = editor.positionFromLineIndex(1000, 0);
        QCOMPARE(styleAt(editor, edited + 1), int(syntax::Text)); // "xBeep" is no keyword
        QCOMPARE(styleAt(editor, editor.positionFromLineIndex(1001, 0)), int(syntax::Keyword));
    }
};

QTEST_MAIN(TestKixLexer)
#include "test_kix_lexer.moc"
