// Colouring of KiXtart scripts by the registered language definition, on a real editing control.

#include "CaseFile.h"
#include "document/language/KixLexer.h"
#include "document/language/LanguageRegistry.h"
#include "document/language/SyntaxElements.h"
#include "document/language/modKixLanguage.h"

#include <Qsci/qsciscintilla.h>

#include <QtTest>

namespace {

using Sci = QsciScintillaBase;

int styleAt(QsciScintilla& editor, long bytePos) { return int(editor.SendScintilla(Sci::SCI_GETSTYLEAT, static_cast<unsigned long>(bytePos))); }

void colourise(QsciScintilla& editor) { editor.SendScintilla(Sci::SCI_COLOURISE, uintptr_t(0), -1L); }

// Every byte of the first occurrence of `token` has `style`; otherwise why not.
QByteArray checkToken(QsciScintilla& editor, const QString& token, int style)
{
    const QByteArray bytes = token.toUtf8();
    const qsizetype at = editor.text().toUtf8().indexOf(bytes);
    for (qsizetype i = at; at >= 0 && i < at + bytes.size(); ++i)
        if (styleAt(editor, i) != style)
            return bytes + ": byte " + QByteArray::number(i - at) + " has style " + QByteArray::number(styleAt(editor, i));
    return at < 0 ? bytes + ": not found" : QByteArray();
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
    void initTestCase()
    {
        RegisterKixLanguage();
        auto def = std::make_shared<LanguageDefinition>();
        def->setCaseSensitive(true);
        def->setKeywords("Frobnicate\n#!\n*");
        def->setOperators("MOD\n**");
        def->setSingleLineComments("//");
        def->setStringDelimiters("`\n``");
        def->setEscapeChar("\\");
        def->setScopeKeywords1("Begin");
        def->setScopeKeywords2("End");
        LanguageRegistry::instance().RegisterLanguage("Other", def);
    }

    // Words, operators, comments, strings and numbers, each where it ends, by the language's lists.
    void colouring_data()
    {
        QTest::addColumn<QStringList>("fields");
        for (const QStringList& row : cases::table("kix_lexer.txt", "colouring"))
            QTest::newRow(qPrintable(row[0] + ": " + row[1] + " | " + row[2])) << row;
    }

    void colouring()
    {
        QFETCH(QStringList, fields);
        const QStringList styles = {"Text", "Number", "Keyword", "Operator", "ScopeKeyword", "Comment", "String"};
        QsciScintilla editor;
        QVERIFY(selectLanguage(editor, fields[0]));
        editor.setText(cases::text(fields[1]));
        colourise(editor);
        const QByteArray why = checkToken(editor, cases::text(fields[2]), int(styles.indexOf(fields[3])));
        QVERIFY2(why.isEmpty(), why.constData());
    }

    void largeDocumentsAreStyledWhole()
    {
        // Many lines (styled in several pieces), then one line longer than any piece, then more.
        const QByteArray pattern = "Beep \"a ; b\" ; note\r\n";
        QByteArray text = pattern.repeated(600 * 1024 / pattern.size() + 1);
        const qsizetype longStart = text.size();
        text += "$s = \"" + QByteArray(400 * 1024, 'a') + "\" + 1\nEndIf\n";
        QsciScintilla editor;
        KixLexer* lexer = selectLanguage(editor, KixLanguageName);
        editor.SendScintilla(Sci::SCI_SETTEXT, uintptr_t(0), text.constData());
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

    // Edits that open and close strings and comments, split and join words and lines, in short lines
    // and in one long line: the styles after each restyle are those of styling the whole text anew. A
    // key typed and painted in the short lines restyles about a screenful, a small edit in the long
    // line a small part of it.
    void restyleAfterEditsMatchesAFreshStyling()
    {
        QByteArray text = QByteArray("If $a = \"x y\" ; note\nBeep 12 + &FF\n").repeated(600);
        text += QByteArray("$s = \"a b\" + @DATE If Else\t").repeated(1500) + "; c d\nEndIf\n";
        QsciScintilla editor;
        KixLexer* lexer = selectLanguage(editor, KixLanguageName);
        editor.resize(600, 400);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.SendScintilla(Sci::SCI_SETTEXT, uintptr_t(0), text.constData());
        colourise(editor);
        editor.setCursorPosition(600, 0);
        editor.ensureLineVisible(600);
        editor.viewport()->grab();
        lexer->resetStyledByteCounts();
        editor.insertAt("x", 600, 0);
        editor.viewport()->grab();
        QVERIFY2(lexer->totalStyledBytes() > 0 && lexer->totalStyledBytes() < editor.length() / 20,
                 QByteArray::number(lexer->totalStyledBytes()));
        // "xIf" is no keyword; the next line's "Beep" still is.
        QVERIFY(styleAt(editor, editor.positionFromLineIndex(600, 1)) == syntax::Text &&
                styleAt(editor, editor.positionFromLineIndex(601, 0)) == syntax::Keyword);
        // One character typed in the middle of the long line.
        const long middle = long(editor.text().toUtf8().indexOf("If Else", text.size() / 2));
        editor.SendScintilla(Sci::SCI_INSERTTEXT, uintptr_t(middle), "x");
        lexer->resetStyledByteCounts();
        editor.SendScintilla(Sci::SCI_COLOURISE, uintptr_t(middle), -1L);
        QVERIFY2(lexer->totalStyledBytes() < 200, QByteArray::number(lexer->totalStyledBytes()));
        QVERIFY(styleAt(editor, middle) == syntax::Text && styleAt(editor, middle + 4) == syntax::Keyword); // "xIf", "Else"

        const QList<QByteArray> pieces = {" ", "\"", ";", "If", "x", "'", "$", "\n", "\t", "&F", "1"};
        QRandomGenerator random(7);
        const auto next = [&random](int n) { return int(random.bounded(n)); };
        qint64 longestRestyle = 0;
        for (int round = 0; round < 300; ++round) {
            const long length = editor.SendScintilla(Sci::SCI_GETLENGTH);
            const long at = next(int(length) + 1);
            if (next(3) == 0 && at < length)
                editor.SendScintilla(Sci::SCI_DELETERANGE, uintptr_t(at), std::min<long>(length - at, 1 + next(3)));
            else
                editor.SendScintilla(Sci::SCI_INSERTTEXT, uintptr_t(at), pieces[next(int(pieces.size()))].constData());
            if (next(3) == 0)
                continue; // several edits before the next restyle
            // As painting asks: from the first unstyled byte to the end; now and then after all
            // styles were cleared, as a new lexer setting does.
            lexer->resetStyledByteCounts();
            if (next(15) == 0) {
                editor.SendScintilla(Sci::SCI_CLEARDOCUMENTSTYLE);
                colourise(editor);
            }
            editor.SendScintilla(Sci::SCI_COLOURISE, uintptr_t(editor.SendScintilla(Sci::SCI_GETENDSTYLED)), -1L);
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
