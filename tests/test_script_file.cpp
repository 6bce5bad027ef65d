// Script files through the editing control: every byte the user did not edit comes back on save,
// whatever the encoding, line breaks or binary content; a failed save never harms the old file.

#include "document/CodeEditor.h"
#include "CaseFile.h"
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

static Encoding encodingNamed(const QString& name)
{
    const QStringList names = {"Ansi", "Utf8", "Utf8Bom", "Utf16LE", "Utf16BE"};
    return Encoding(names.indexOf(name));
}

class TestScriptFile : public QObject {
    Q_OBJECT
private slots:
    void roundTripIsByteExact_data()
    {
        cases::addRows("script_files.txt", "round trip");
        QString every;
        for (int i = 0; i < 256; ++i)
            every += QStringLiteral("\\x%1").arg(i, 2, 16, QLatin1Char('0'));
        QTest::newRow("every byte") << QStringList{"", every, "Ansi", every.left(40)};
    }

    void roundTripIsByteExact()
    {
        QFETCH(QStringList, fields);
        const QByteArray bytes = cases::bytes(fields[1]);
        const QString in = dir_.filePath(QStringLiteral("in.kix")), out = dir_.filePath(QStringLiteral("out.kix"));
        writeFile(in, bytes);
        CodeEditor editor;
        QVERIFY(editor.LoadFromFile(in).ok());
        QCOMPARE(editor.fileFormat().encoding(), encodingNamed(fields[2]));
        QCOMPARE(editor.LineText(0), cases::text(fields[3]));
        QVERIFY(editor.SaveToFile(out).ok());
        QCOMPARE(readFile(out), bytes);
    }

    void editKeepsEncodingAndOtherBytes_data() { cases::addRows("script_files.txt", "edit"); }

    void editKeepsEncodingAndOtherBytes()
    {
        QFETCH(QStringList, fields);
        const QString path = dir_.filePath(QStringLiteral("edit.kix"));
        writeFile(path, cases::bytes(fields[1]));
        CodeEditor editor;
        QVERIFY(editor.LoadFromFile(path).ok());
        editor.InsertTextAt(fields[4], {fields[2].toInt(), fields[3].toInt()});
        QVERIFY(editor.SaveToFile(path).ok());
        QCOMPARE(readFile(path), cases::bytes(fields[5]));
    }

    void newLinesTakeTheMostFrequentBreak()
    {
        // A tie goes to CR LF, then to LF.
        const QString path = dir_.filePath(QStringLiteral("breaks.kix"));
        for (const auto& [bytes, mode] : {std::pair{QByteArray("a\r\nb\nc"), QsciScintilla::EolWindows},
                                          {QByteArray("a\nb\rc"), QsciScintilla::EolUnix}}) {
            writeFile(path, bytes);
            CodeEditor editor;
            QVERIFY(editor.LoadFromFile(path).ok());
            QCOMPARE(editor.eolMode(), mode);
        }
    }

    void textTheEncodingCannotKeepAsksFirst_data() { cases::addRows("script_files.txt", "asks"); }

    void textTheEncodingCannotKeepAsksFirst()
    {
        QFETCH(QStringList, fields);
        const QByteArray before = cases::bytes(fields[1]);
        const QString path = dir_.filePath(QStringLiteral("asks.kix"));
        writeFile(path, before);
        CodeEditor editor;
        QVERIFY(editor.LoadFromFile(path).ok());
        editor.InsertTextAt(cases::text(fields[2]), {editor.LineTotal() - 1, 0});

        const ScriptFile::SaveQuestion question = editor.encodingQuestion();
        QVERIFY2(question.text.contains(fields[3]), qPrintable(question.text));
        QCOMPARE(question.keepsText, encodingNamed(fields[4]));
        QCOMPARE(editor.SaveToFile(path).kind, FileError::Other); // not without the user's choice
        QCOMPARE(readFile(path), before);
        QVERIFY(editor.Modified());

        editor.setFileEncoding(question.keepsText);
        QVERIFY(editor.encodingQuestion().text.isEmpty());
        QVERIFY(editor.SaveToFile(path).ok());
        QCOMPARE(readFile(path), cases::bytes(fields[5]));
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
