// Script files through the editing control: every byte the user did not edit comes back on save,
// whatever the encoding, line breaks or binary content; a failed save never harms the old file.

#include "document/editor/CodeEditor.h"
#include "CaseFile.h"
#include "TestFiles.h"

#include <QtTest>


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
        QTest::newRow("every byte") << QStringList{"", every, "Ansi", every.left(40), "Lf"};
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
        QCOMPARE(int(editor.eolMode()), QStringList({"CrLf", "Cr", "Lf"}).indexOf(fields[4])); // as QsciScintilla numbers them
        QVERIFY(editor.SaveToFile(out).ok() && readFile(out) == bytes);
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
        QVERIFY(editor.SaveToFile(path).ok() && readFile(path) == cases::bytes(fields[5]));
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
        // Not saved without the user's choice.
        QVERIFY(question.keepsText == encodingNamed(fields[4]) && editor.SaveToFile(path).kind == FileError::Other &&
                readFile(path) == before && editor.Modified());

        editor.setFileEncoding(question.keepsText);
        QVERIFY(editor.encodingQuestion().text.isEmpty() && editor.SaveToFile(path).ok() && readFile(path) == cases::bytes(fields[5]));
        CodeEditor reopened;
        QVERIFY(reopened.LoadFromFile(path).ok() && reopened.Text() == editor.Text());
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
        // The old text's highlight is gone, not moved.
        QVERIFY(changes.size() == 1 && !editor.Modified() && !editor.CanUndo() && editor.HighlightedLine() == -1);
        editor.InsertLineAt(1, QStringLiteral("new")); // with the file's most frequent break
        QVERIFY(editor.SaveToFile(path).ok() && !editor.Modified() && readFile(path) == "one\nnew\ntwo\nthree\r\n");

        CodeEditor fresh; // a new document is ANSI with CRLF
        fresh.InsertLineAt(0, QStringLiteral("\u00e9t\u00e9"));
        fresh.InsertLineAt(fresh.LineTotal(), QStringLiteral("\u20ac"));
        QVERIFY(fresh.SaveToFile(path).ok() && readFile(path) == "\xE9t\xE9\r\n\r\n\x80");
    }

    // A load or save that fails keeps the editor's text and every file as it was, and leaves no
    // temporary file behind. A missing folder, or a "folder" that is a file, cannot be reached.
    void failedLoadOrSaveKeepsTextAndFiles_data() { cases::addRows("script_files.txt", "failures"); }
    void failedLoadOrSaveKeepsTextAndFiles()
    {
        QFETCH(QStringList, fields);
        const QString name = fields[2];
        QTemporaryDir box;
        writeFile(box.filePath(QStringLiteral("script.kix")), "old contents\r\n");
        writeFile(box.filePath(QStringLiteral("locked.kix")), "secret");
        QVERIFY(QFile::setPermissions(box.filePath("locked.kix"), QFileDevice::WriteOwner) && QDir(box.path()).mkdir("sub.kix"));
        const QStringList names = QDir(box.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        if (name == QLatin1String("locked.kix") && QFile(box.filePath(name)).open(QIODevice::ReadOnly))
            QSKIP("this user reads files without read permission");
        CodeEditor editor;
        editor.InsertTextAt(QStringLiteral("keep me"), {0, 0});
        const QString path = box.filePath(name);
        QCOMPARE((fields[1] == "save" ? editor.SaveToFile(path) : editor.LoadFromFile(path)).kind,
                 fields[3] == "inaccessible" ? FileError::PathInaccessible : FileError::Other);
        QVERIFY(editor.Text() == QStringLiteral("keep me") && editor.Modified());
        QVERIFY(readFile(box.filePath(QStringLiteral("script.kix"))) == "old contents\r\n" &&
                QDir(box.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot) == names);
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestScriptFile)
#include "test_script_file.moc"
