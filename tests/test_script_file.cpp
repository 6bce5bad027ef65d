// Script files through the editing control: every byte the user did not edit comes back on save,
// whatever the encoding, line breaks or binary content; a failed save never harms the old file.

#include "document/CodeEditor.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using Encoding = ScriptFile::Encoding;
Q_DECLARE_METATYPE(ScriptFile::Encoding)

class TestScriptFile : public QObject {
    Q_OBJECT
private slots:
    void roundTripIsByteExact_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QString>("firstLine");
        QByteArray every;
        for (int i = 0; i < 256; ++i)
            every.append(char(i));
        // "€" 0x80, "é" 0xE9 and two bytes the code page leaves undefined; no final line break.
        QTest::newRow("cp1252 crlf") << QByteArray("caf\xE9 \x80\x81\x9D\r\n? 1\r\nend") << Encoding::Ansi
                                     << QStringLiteral("caf\u00e9 \u20ac\u0081\u009d");
        QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBF$x = \"\xC3\xA9\xE2\x82\xAC\"\r\n") << Encoding::Utf8Bom
                                  << QStringLiteral("$x = \"\u00e9\u20ac\"");
        QTest::newRow("utf8") << QByteArray("; \xF0\x9D\x84\x9E clef\n? \xC3\xA9\n") << Encoding::Utf8 << QStringLiteral("; \U0001D11E clef");
        QTest::newRow("utf8 end of a block") << QByteArray("\xEF\xBF\xBD") << Encoding::Utf8 << QStringLiteral("\ufffd");
        QTest::newRow("utf16 le") << QByteArray::fromHex("fffe 6100 e900 34d8 ffdf 0d00 0a00 6200") << Encoding::Utf16LE
                                  << QStringLiteral("a\u00e9\U0001D3FF");
        QTest::newRow("utf16 be") << QByteArray::fromHex("feff 0061 20ac 000a 007a") << Encoding::Utf16BE << QStringLiteral("a\u20ac");
        QTest::newRow("mixed breaks") << QByteArray("a\r\nb\nc\rd\n\r\n") << Encoding::Ansi << QStringLiteral("a");
        QTest::newRow("nul bytes") << QByteArray("a\0b\r\n\0\0c", 9) << Encoding::Ansi << QString::fromLatin1("a\0b", 3);
        QTest::newRow("empty") << QByteArray() << Encoding::Ansi << QString();
        QTest::newRow("every byte") << every << Encoding::Ansi << QString::fromLatin1("\0\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10);
        // A mark followed by bytes that are not UTF-8 (or UTF-16) is read byte by byte rather than damaged.
        QTest::newRow("broken utf8 after bom") << QByteArray("\xEF\xBB\xBFok \xFF\xFE") << Encoding::Ansi
                                               << QStringLiteral("\u00ef\u00bb\u00bfok \u00ff\u00fe");
        // A mark, then what strict UTF-8 refuses: overlong forms, a surrogate, a code point past U+10FFFF.
        for (const char* bad : {"\xE0\x80\x80", "\xED\xA0\x80", "\xF0\x80\x80\x80", "\xF4\xA0\x80\x80", "\xF5\x80\x80\x80"})
            QTest::addRow("refused after bom %s", QByteArray(bad).toHex().constData())
                << QByteArray("\xEF\xBB\xBF") + bad << Encoding::Ansi
                << QStringLiteral("\u00ef\u00bb\u00bf") + QString::fromLatin1(bad).replace(QChar(0x80), QChar(0x20ac));
        QTest::newRow("utf16 unpaired surrogate") << QByteArray::fromHex("fffe 00d8 6100") << Encoding::Ansi
                                                  << QStringLiteral("\u00ff\u00fe\u0000\u00d8a\u0000");
        QTest::newRow("utf16 reversed mark") << QByteArray::fromHex("fffe 6100 feff") << Encoding::Ansi
                                             << QStringLiteral("\u00ff\u00fea\u0000\u00fe\u00ff");
        QTest::newRow("overlong utf8") << QByteArray("\xC1\xA9") << Encoding::Ansi << QStringLiteral("\u00c1\u00a9");
        QTest::newRow("utf8 private use") << QByteArray("\xF3\xB0\x80\x80") << Encoding::Ansi
                                          << QStringLiteral("\u00f3\u00b0\u20ac\u20ac");
        // Windows-1252 text whose bytes happen to be valid UTF-8 or to start like a UTF-16 mark.
        QTest::newRow("cp1252 valid as utf8") << QByteArray("\xDF\x93") << Encoding::Ansi << QStringLiteral("\u00df\u201c");
        QTest::newRow("cp1252 like utf16 be") << QByteArray("\xFE\xFFSS") << Encoding::Ansi << QStringLiteral("\u00fe\u00ffSS");
        QTest::newRow("cp1252 like utf16 le") << QByteArray("\xFF\xFE-N") << Encoding::Ansi << QStringLiteral("\u00ff\u00fe-N");
        QTest::newRow("utf16 empty") << QByteArray("\xFF\xFE") << Encoding::Utf16LE << QString();
        QTest::newRow("utf16 no ascii") << QByteArray::fromHex("fffe ff00 2d4e") << Encoding::Utf16LE << QStringLiteral("\u00ff\u4e2d");
    }

    void roundTripIsByteExact()
    {
        QFETCH(QByteArray, bytes);
        const QString in = dir_.filePath(QStringLiteral("in.kix")), out = dir_.filePath(QStringLiteral("out.kix"));
        writeFile(in, bytes);
        CodeEditor editor;
        QVERIFY(editor.LoadFromFile(in).ok());
        QTEST(editor.fileFormat().encoding(), "encoding");
        QTEST(editor.LineText(0), "firstLine");
        QVERIFY(editor.SaveToFile(out).ok());
        QCOMPARE(readFile(out), bytes);
    }

    void editKeepsEncodingAndOtherBytes()
    {
        // Columns count characters: 0xE9 and the undefined 0x8D take two bytes each in the editor.
        const QString path = dir_.filePath(QStringLiteral("edit.kix"));
        for (const auto& [before, line, column, insert, after] :
             {std::tuple{QByteArray("; \xE9\x8D\r\nline2\r\n\x80\rend"), 0, 3, QStringLiteral("\u00fc"),
                         QByteArray("; \xE9\xFC\x8D\r\nline2\r\n\x80\rend")},
              {QByteArray("\xEF\xBB\xBF\xF0\x9D\x84\x9E\n"), 0, 1, QStringLiteral("\u00e9"),
               QByteArray("\xEF\xBB\xBF\xF0\x9D\x84\x9E\xC3\xA9\n")},
              {QByteArray::fromHex("feff 0078 000a 0079"), 1, 0, QStringLiteral("\u20ac"),
               QByteArray::fromHex("feff 0078 000a 20ac 0079")}}) {
            writeFile(path, before);
            CodeEditor editor;
            QVERIFY(editor.LoadFromFile(path).ok());
            editor.InsertTextAt(insert, {line, column});
            QVERIFY(editor.SaveToFile(path).ok());
            QCOMPARE(readFile(path), after);
        }
        // New lines take the break the file uses most; a tie goes to CR LF, then to LF.
        for (const auto& [bytes, mode] : {std::pair{QByteArray("a\r\nb\nc"), QsciScintilla::EolWindows},
                                          {QByteArray("a\nb\rc"), QsciScintilla::EolUnix}}) {
            writeFile(path, bytes);
            CodeEditor editor;
            QVERIFY(editor.LoadFromFile(path).ok());
            QCOMPARE(editor.eolMode(), mode);
        }
    }

    void textTheEncodingCannotKeepAsksFirst_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: a new document
        QTest::addColumn<QString>("typed");     // typed at the start of the last line
        QTest::addColumn<QString>("asks");      // a part of the question
        QTest::addColumn<Encoding>("keepsText");
        QTest::addColumn<QByteArray>("after");

        // No byte in Windows-1252: asked, never turned into UTF-8 behind the user's back.
        QTest::newRow("outside cp1252") << QByteArray("caf\xE9\r\n") << QStringLiteral("\u4e2d")
                                        << QStringLiteral("Line 2 holds \"\u4e2d\" (U+4E2D)") << Encoding::Utf8
                                        << QByteArray("caf\xC3\xA9\r\n\xE4\xB8\xAD");
        // Windows-1252 bytes that would reopen as a UTF-8 mark and "x", or as "\u00e9".
        QTest::newRow("mark look-alike") << QByteArray() << QStringLiteral("\u00ef\u00bb\u00bfx")
                                         << QStringLiteral("Saved as Windows-1252, this script would reopen as different text")
                                         << Encoding::Utf8 << QByteArray("\xC3\xAF\xC2\xBB\xC2\xBFx");
        QTest::newRow("utf8 look-alike") << QByteArray("a\r\n") << QStringLiteral("\u00c3\u00a9")
                                         << QStringLiteral("Save it as UTF-8 instead?") << Encoding::Utf8
                                         << QByteArray("a\r\n\xC3\x83\xC2\xA9");
        // A character from a block that reads as Windows-1252 needs the mark in a UTF-8 file.
        QTest::newRow("utf8 rare block") << QByteArray("\xC3\xA9\n") << QStringLiteral("\u07d3")
                                         << QStringLiteral("Save it as UTF-8 with a byte-order mark instead?")
                                         << Encoding::Utf8Bom << QByteArray("\xEF\xBB\xBF\xC3\xA9\n\xDF\x93");
    }

    void textTheEncodingCannotKeepAsksFirst()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, typed);
        QFETCH(QString, asks);
        const QString path = dir_.filePath(QStringLiteral("asks.kix"));
        writeFile(path, before);
        CodeEditor editor;
        QVERIFY(editor.LoadFromFile(path).ok());
        editor.InsertTextAt(typed, {editor.LineTotal() - 1, 0});

        const ScriptFile::SaveQuestion question = editor.encodingQuestion();
        QVERIFY2(question.text.contains(asks), qPrintable(question.text));
        QTEST(question.keepsText, "keepsText");
        QCOMPARE(editor.SaveToFile(path).kind, FileError::Other); // not without the user's choice
        QCOMPARE(readFile(path), before);
        QVERIFY(editor.Modified());

        editor.setFileEncoding(question.keepsText);
        QVERIFY(editor.encodingQuestion().text.isEmpty());
        QVERIFY(editor.SaveToFile(path).ok());
        QTEST(readFile(path), "after");
        CodeEditor reopened;
        QVERIFY(reopened.LoadFromFile(path).ok());
        QCOMPARE(reopened.Text(), editor.Text());
    }

    void stampTextFitsTheEncoding()
    {
        ScriptFile ansi;
        QCOMPARE(ansi.fitted(QStringLiteral("J\u00fcrgen \u738b \u20ac \U0001F600")), QStringLiteral("J\u00fcrgen ? \u20ac ?"));
        ScriptFile utf8;
        utf8.setEncoding(Encoding::Utf8);
        QCOMPARE(utf8.fitted(QStringLiteral("\u738b")), QStringLiteral("\u738b"));
    }

    void loadLeavesCleanDocument()
    {
        const QString path = dir_.filePath(QStringLiteral("clean.kix"));
        writeFile(path, "one\ntwo\nthree\r\n");
        CodeEditor editor;
        editor.InsertTextAt(QStringLiteral("old text\nline\nhighlighted"), {0, 0}); // an edit to undo
        editor.SetHighlightedLine(2);
        QSignalSpy changes(&editor, &CodeEditor::Change);
        QVERIFY(editor.LoadFromFile(path).ok());
        QCOMPARE(changes.size(), 1);
        QVERIFY(!editor.Modified() && !editor.CanUndo());
        QCOMPARE(editor.HighlightedLine(), -1); // the old text's highlight is gone, not moved
        editor.InsertLineAt(1, QStringLiteral("new")); // with the file's most frequent break
        QVERIFY(editor.SaveToFile(path).ok() && !editor.Modified());
        QCOMPARE(readFile(path), QByteArray("one\nnew\ntwo\nthree\r\n"));

        CodeEditor fresh; // a new document is ANSI with CRLF
        fresh.InsertLineAt(0, QStringLiteral("\u00e9t\u00e9"));
        fresh.InsertLineAt(fresh.LineTotal(), QStringLiteral("\u20ac"));
        QVERIFY(fresh.SaveToFile(path).ok());
        QCOMPARE(readFile(path), QByteArray("\xE9t\xE9\r\n\r\n\x80"));
    }

    void failedLoadKeepsText()
    {
        CodeEditor editor;
        editor.setText(QStringLiteral("keep me"));
        QCOMPARE(editor.LoadFromFile(dir_.filePath(QStringLiteral("absent.kix"))).kind, FileError::Other);
        QCOMPARE(editor.LoadFromFile(dir_.path()).kind, FileError::Other); // a folder
        QCOMPARE(editor.LoadFromFile(dir_.filePath(QStringLiteral("no/such/folder/x.kix"))).kind,
                 FileError::PathInaccessible);
#ifdef Q_OS_UNIX
        if (::geteuid() != 0) { // root reads it anyway
            const QString locked = dir_.filePath(QStringLiteral("locked.kix"));
            writeFile(locked, "secret");
            QFile::setPermissions(locked, QFileDevice::WriteOwner);
            QCOMPARE(editor.LoadFromFile(locked).kind, FileError::Other);
        }
#endif
        QCOMPARE(editor.Text(), QStringLiteral("keep me"));
    }

    void failedSaveKeepsOldFile()
    {
        QTemporaryDir box;
        const QString target = box.filePath(QStringLiteral("script.kix"));
        writeFile(target, "old contents\r\n");
        CodeEditor editor;
        editor.InsertTextAt(QStringLiteral("new"), {0, 0});
        // A missing folder and a "folder" that is a file cannot be reached; a folder in the way is not a file.
        QCOMPARE(editor.SaveToFile(box.filePath(QStringLiteral("missing/script.kix"))).kind, FileError::PathInaccessible);
        QCOMPARE(editor.SaveToFile(target + QStringLiteral("/inside.kix")).kind, FileError::PathInaccessible);
        QVERIFY(QDir(box.path()).mkdir(QStringLiteral("sub.kix")));
        QCOMPARE(editor.SaveToFile(box.filePath(QStringLiteral("sub.kix"))).kind, FileError::Other);
        QCOMPARE(readFile(target), QByteArray("old contents\r\n"));
        QVERIFY(editor.Modified());
        QCOMPARE(QDir(box.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("script.kix")});
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestScriptFile)
#include "test_script_file.moc"
