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
    return int(editor.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(bytePos)));
}

void colourise(QsciScintilla& editor) { editor.SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L); }

// Every byte of the first occurrence of `token` has `style`; otherwise why not.
QByteArray checkToken(QsciScintilla& editor, const QString& token, int style)
{
    const QByteArray text = editor.text().toUtf8();
    const qsizetype at = text.indexOf(token.toUtf8());
    if (at < 0)
        return token.toUtf8() + ": not found";
    for (qsizetype i = at; i < at + token.toUtf8().size(); ++i)
        if (styleAt(editor, i) != style)
            return token.toUtf8() + ": byte " + QByteArray::number(i - at) + " has style " +
                   QByteArray::number(styleAt(editor, i));
    return {};
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

    // Words, operators, comments, strings and numbers, each where it ends.
    void colouring()
    {
        const struct {
            const char *script, *token;
            int style;
        } rows[] = {
            {"$r = messageBOX(\"a\", \"b\", 0)", "messageBOX", syntax::Keyword},
            {"Cookie1 Cookie12 Beeper", "Cookie12 Beeper", syntax::Text},
            {"  endIF\r\n", "endIF", syntax::ScopeKeyword},
            {"If $a AND $b", "AND", syntax::Operator},
            {"Android ORDER notice", "Android ORDER notice", syntax::Text},
            {"$a<>$b", "<>", syntax::Operator},
            {"; Beep \"not a string\"", "; Beep \"not a string\"", syntax::Comment},
            {"; note\nBeep", "Beep", syntax::Keyword},
            {"$s = \"Beep ; 'x'\" + 1", "\"Beep ; 'x'\"", syntax::String},
            {"$s = 'say \"hi\"'", "'say \"hi\"'", syntax::String},
            {"$s = \"open\nBeep", "Beep", syntax::Keyword},
            {"$n = 3.25", "3.25", syntax::Number},
            {"$n = &1F", "&1F", syntax::Number},
            {"$n = &Beep", "&", syntax::Operator},
            {"$Beep = 1", "$Beep", syntax::Text},
            {"? @Date", "@Date", syntax::Text},
            {":Start", ":", syntax::Keyword},
            {":Start", "Start", syntax::Text},
            {"Beep\xC3\xA9 x", "Beep\xC3\xA9", syntax::Text},
        };
        for (const auto& r : rows) {
            QsciScintilla editor;
            QVERIFY(selectLanguage(editor, KixLanguageName));
            editor.setText(QString::fromUtf8(r.script));
            colourise(editor);
            const QByteArray why = checkToken(editor, QString::fromUtf8(r.token), r.style);
            QVERIFY2(why.isEmpty(), why.constData());
        }
    }

    void colouringFollowsTheDefinition()
    {
        auto def = std::make_shared<LanguageDefinition>();
        def->setCaseSensitive(true);
        def->setKeywords("Frobnicate\n#!\n*"); // "**" is still read whole
        def->setOperators("MOD\n**");
        def->setSingleLineComments("//");
        def->setStringDelimiters("`\n``");
        def->setEscapeChar("\\");
        def->setScopeKeywords1("Begin");
        def->setScopeKeywords2("End");
        LanguageRegistry::instance().RegisterLanguage("Other", def);

        QsciScintilla editor;
        QVERIFY(selectLanguage(editor, "Other"));
        editor.setText("Frobnicate frobnicate Beep #! 2**3 MOD mod Begin End\n`a\\`b` \"c\" ; d // e\n``x`y`` `open\\\n// f");
        colourise(editor);
        for (const auto& [token, style] : {std::pair{"Frobnicate", syntax::Keyword}, {"frobnicate Beep", syntax::Text},
                                           {"#!", syntax::Keyword}, {"**", syntax::Operator}, {"MOD", syntax::Operator},
                                           {"mod", syntax::Text}, {"Begin", syntax::ScopeKeyword}, {"`a\\`b`", syntax::String},
                                           {"\"c\" ; d", syntax::Text}, {"// e", syntax::Comment},
                                           {"``x`y``", syntax::String}, {"// f", syntax::Comment}}) {
            const QByteArray why = checkToken(editor, QString::fromLatin1(token), style);
            QVERIFY2(why.isEmpty(), why.constData());
        }
    }

    void largeDocumentsAreStyledWhole()
    {
        // Many lines (styled in several pieces), then one line longer than any piece, then more.
        const QByteArray pattern = "Beep \"a ; b\" ; note\r\n";
        QByteArray text;
        while (text.size() < 600 * 1024)
            text += pattern;
        const qsizetype longStart = text.size();
        text += "$s = \"" + QByteArray(400 * 1024, 'a') + "\" + 1\nEndIf\n";
        QsciScintilla editor;
        KixLexer* lexer = selectLanguage(editor, KixLanguageName);
        editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, uintptr_t(0), text.constData());
        colourise(editor);
        QCOMPARE(lexer->totalStyledBytes(), qint64(text.size()));

        const QList<int> expected = {syntax::Keyword, syntax::Text, syntax::String, syntax::Text, syntax::Comment};
        for (qsizetype line = 0; line + pattern.size() <= longStart; line += pattern.size()) {
            const QList<int> got = {styleAt(editor, line), styleAt(editor, line + 4), styleAt(editor, line + 5),
                                    styleAt(editor, line + 12), styleAt(editor, line + 13)};
            if (got != expected)
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


        // Typing in the middle of the document, then painting, restyles about a screenful.
        editor.setCursorPosition(1000, 0);
        editor.ensureLineVisible(1000);
        editor.viewport()->grab();
        lexer->resetStyledByteCounts();
        editor.insertAt("x", 1000, 0);
        editor.viewport()->grab();
        QVERIFY(lexer->totalStyledBytes() > 0);
        QVERIFY2(lexer->totalStyledBytes() < editor.length() / 20, QByteArray::number(lexer->totalStyledBytes()));
        QCOMPARE(styleAt(editor, editor.positionFromLineIndex(1000, 0) + 1), int(syntax::Text)); // "xBeep"
        QCOMPARE(styleAt(editor, editor.positionFromLineIndex(1001, 0)), int(syntax::Keyword));
    }

    // Edits that open and close strings and comments, split and join words and lines, in short lines
    // and in one long line: the styles after each restyle are those of styling the whole text anew,
    // and a small edit in the long line restyles a small part of it.
    void restyleAfterEditsMatchesAFreshStyling()
    {
        QByteArray text = QByteArray("If $a = \"x y\" ; note\nBeep 12 + &FF\n").repeated(30);
        text += QByteArray("$s = \"a b\" + @DATE If Else\t").repeated(1500) + "; c d\nEndIf\n";
        QsciScintilla editor;
        KixLexer* lexer = selectLanguage(editor, KixLanguageName);
        editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, uintptr_t(0), text.constData());
        colourise(editor);
        // One character typed in the middle of the long line.
        const long middle = text.indexOf("If Else", text.size() / 2);
        editor.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, (unsigned long)middle, "x");
        lexer->resetStyledByteCounts();
        editor.SendScintilla(QsciScintillaBase::SCI_COLOURISE, (unsigned long)middle, -1L);
        QVERIFY2(lexer->totalStyledBytes() < 200, QByteArray::number(lexer->totalStyledBytes()));
        QCOMPARE(styleAt(editor, middle), int(syntax::Text)); // "xIf" is no keyword
        QCOMPARE(styleAt(editor, middle + 4), int(syntax::Keyword)); // "Else" still is

        const QList<QByteArray> pieces = {" ", "\"", ";", "If", "x", "'", "$", "\n", "\t", "&F", "1"};
        QRandomGenerator random(7);
        const auto next = [&random](int n) { return int(random.bounded(n)); };
        qint64 longestRestyle = 0;
        for (int round = 0; round < 300; ++round) {
            const long length = editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
            const long at = next(int(length) + 1);
            if (next(3) == 0 && at < length)
                editor.SendScintilla(QsciScintillaBase::SCI_DELETERANGE, (unsigned long)at, std::min<long>(length - at, 1 + next(3)));
            else
                editor.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, (unsigned long)at, pieces[next(int(pieces.size()))].constData());
            if (next(3) == 0)
                continue; // several edits before the next restyle
            // As painting asks: from the first unstyled byte to the end; now and then after all
            // styles were cleared, as a new lexer setting does.
            lexer->resetStyledByteCounts();
            if (next(15) == 0) {
                editor.SendScintilla(QsciScintillaBase::SCI_CLEARDOCUMENTSTYLE);
                colourise(editor);
            }
            editor.SendScintilla(QsciScintillaBase::SCI_COLOURISE,
                                 (unsigned long)editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED), -1L);
            const QByteArray now = editor.text().toUtf8();
            std::vector<unsigned char> fresh(std::size_t(now.size()));
            lexer->styleBytes(now.constData(), fresh.size(), fresh.data());
            for (qsizetype i = 0; i < now.size(); ++i)
                if (styleAt(editor, i) != fresh[std::size_t(i)])
                    QFAIL(qPrintable(QStringLiteral("round %1: byte %2 has style %3, not %4")
                                         .arg(round).arg(i).arg(styleAt(editor, i)).arg(fresh[std::size_t(i)])));
            longestRestyle = std::max(longestRestyle, lexer->totalStyledBytes());
        }
        QVERIFY(longestRestyle > 0);

    }
};

QTEST_MAIN(TestKixLexer)
#include "test_kix_lexer.moc"
