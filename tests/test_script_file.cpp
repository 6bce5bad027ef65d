// Script files through the editing control: every byte the user did not edit comes back on save,
// whatever the encoding, line breaks or binary content; a failed save never harms the old file.

#include "document/CodeEditor.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>
#endif

using Encoding = ScriptFile::Encoding;
Q_DECLARE_METATYPE(ScriptFile::Encoding)

namespace {

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

class TestScriptFile : public QObject {
    Q_OBJECT
private slots:
    void roundTripIsByteExact_data();
    void roundTripIsByteExact();
    void loadLeavesCleanDocument();
    void editKeepsEncodingAndOtherBytes();
    void charactersOutsideAnsiSaveAsUtf8();
    void newDocumentSavesAnsiWithCrLf();
    void failedLoadKeepsText();
    void failedSaveKeepsOldFile();
    void saveKeepsPermissions();

private:
    QTemporaryDir dir_;
};

void TestScriptFile::roundTripIsByteExact_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<QString>("firstLine");

    // "€" 0x80, "é" 0xE9 and two bytes the code page leaves undefined; no final line break.
    QTest::newRow("cp1252 crlf") << (QByteArray("caf") + bytesOf({0xE9, 0x20, 0x80, 0x81, 0x9D}) +
                                     QByteArray("\r\n? 1\r\nend"))
                                 << Encoding::Ansi << QStringLiteral("caf\u00e9 \u20ac\u0081\u009d");
    QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBF$x = \"\xC3\xA9\xE2\x82\xAC\"\r\n")
                              << Encoding::Utf8Bom << QStringLiteral("$x = \"\u00e9\u20ac\"");
    QTest::newRow("utf8") << QByteArray("; \xF0\x9D\x84\x9E clef\n? \xC3\xA9\n")
                          << Encoding::Utf8 << QStringLiteral("; \U0001D11E clef");
    QTest::newRow("utf16 le") << bytesOf({0xFF, 0xFE, 'a', 0, 0xE9, 0, 0x34, 0xD8, 0x1E, 0xDD, '\r', 0, '\n', 0, 'b', 0})
                              << Encoding::Utf16LE << QStringLiteral("a\u00e9\U0001D11E");
    QTest::newRow("utf16 be") << bytesOf({0xFE, 0xFF, 0, 'a', 0x20, 0xAC, 0, '\n', 0, 'z'})
                              << Encoding::Utf16BE << QStringLiteral("a\u20ac");
    QTest::newRow("lf") << QByteArray("a\nb\n") << Encoding::Ansi << QStringLiteral("a");
    QTest::newRow("cr") << QByteArray("a\rb\r") << Encoding::Ansi << QStringLiteral("a");
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd\n\r\n") << Encoding::Ansi << QStringLiteral("a");
    QTest::newRow("nul bytes") << QByteArray("a\0b\r\n\0\0c", 9) << Encoding::Ansi
                               << QString::fromLatin1("a\0b", 3);
    QTest::newRow("empty") << QByteArray() << Encoding::Ansi << QString();
    QByteArray every;
    for (int i = 0; i < 256; ++i)
        every.append(char(i));
    QTest::newRow("every byte") << every << Encoding::Ansi << QString::fromLatin1("\0\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10);
    // A mark followed by bytes that are not UTF-8 is read byte by byte rather than damaged.
    QTest::newRow("broken utf8 after bom") << QByteArray("\xEF\xBB\xBFok \xFF\xFE") << Encoding::Ansi
                                           << QStringLiteral("\u00ef\u00bb\u00bfok \u00ff\u00fe");
    QTest::newRow("utf16 unpaired surrogate") << bytesOf({0xFF, 0xFE, 0x00, 0xD8, 'a', 0}) << Encoding::Ansi
                                              << QStringLiteral("\u00ff\u00fe\u0000\u00d8a\u0000");
}

void TestScriptFile::roundTripIsByteExact()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Encoding, encoding);
    QFETCH(QString, firstLine);
    const QString in = dir_.filePath(QStringLiteral("in.kix"));
    const QString out = dir_.filePath(QStringLiteral("out.kix"));
    writeFile(in, bytes);

    CodeEditor editor;
    QVERIFY(editor.LoadFromFile(in).ok());
    QCOMPARE(editor.fileFormat().encoding(), encoding);
    QCOMPARE(editor.LineText(0), firstLine);
    QVERIFY(editor.SaveToFile(out).ok());
    QCOMPARE(readFile(out), bytes);
}

void TestScriptFile::loadLeavesCleanDocument()
{
    const QString path = dir_.filePath(QStringLiteral("clean.kix"));
    writeFile(path, "one\ntwo\nthree\r\n");
    CodeEditor editor;
    editor.setText(QStringLiteral("old text\nline\nhighlighted"));
    editor.SetHighlightedLine(2);
    QSignalSpy changes(&editor, &CodeEditor::Change);
    QVERIFY(editor.LoadFromFile(path).ok());
    QCOMPARE(changes.size(), 1);
    QVERIFY(!editor.Modified());
    QVERIFY(!editor.CanUndo());
    QCOMPARE(editor.LineTotal(), 4);
    QCOMPARE(editor.HighlightedLine(), -1); // the old text's highlight is gone, not moved
    QCOMPARE(editor.SendScintilla(QsciScintillaBase::SCI_MARKERGET, 0UL), 0);
    // New lines follow the file's most frequent break.
    QCOMPARE(editor.eolMode(), QsciScintilla::EolUnix);
    editor.InsertLineAt(1, QStringLiteral("new"));
    QVERIFY(editor.Modified());
    QVERIFY(editor.SaveToFile(path).ok());
    QVERIFY(!editor.Modified());
    QCOMPARE(readFile(path), QByteArray("one\nnew\ntwo\nthree\r\n"));
}

void TestScriptFile::editKeepsEncodingAndOtherBytes()
{
    const QString path = dir_.filePath(QStringLiteral("edit.kix"));
    const QByteArray original = QByteArray("; ") + bytesOf({0xE9, 0x8D}) + QByteArray("\r\nline2\r\n") +
                                bytesOf({0x80}) + QByteArray("\rend");
    writeFile(path, original);
    CodeEditor editor;
    QVERIFY(editor.LoadFromFile(path).ok());
    editor.InsertTextAt(QStringLiteral("\u00fc"), {1, 4});
    QVERIFY(editor.SaveToFile(path).ok());
    QCOMPARE(readFile(path), QByteArray("; ") + bytesOf({0xE9, 0x8D}) + QByteArray("\r\nline") +
                                 bytesOf({0xFC}) + QByteArray("2\r\n") + bytesOf({0x80}) + QByteArray("\rend"));
    QCOMPARE(editor.fileFormat().encoding(), Encoding::Ansi);

    const QString utf16 = dir_.filePath(QStringLiteral("edit16.kix"));
    writeFile(utf16, bytesOf({0xFE, 0xFF, 0, 'x', 0, '\n', 0, 'y'}));
    QVERIFY(editor.LoadFromFile(utf16).ok());
    editor.InsertTextAt(QStringLiteral("\u20ac"), {1, 0});
    QVERIFY(editor.SaveToFile(utf16).ok());
    QCOMPARE(readFile(utf16), bytesOf({0xFE, 0xFF, 0, 'x', 0, '\n', 0x20, 0xAC, 0, 'y'}));
}

void TestScriptFile::charactersOutsideAnsiSaveAsUtf8()
{
    const QString path = dir_.filePath(QStringLiteral("wide.kix"));
    writeFile(path, QByteArray("caf") + bytesOf({0xE9}) + QByteArray("\r\n"));
    CodeEditor editor;
    QVERIFY(editor.LoadFromFile(path).ok());
    editor.InsertTextAt(QStringLiteral(" \u4e2d"), {0, 4}); // no byte for it in Windows-1252
    QVERIFY(editor.SaveToFile(path).ok());
    QCOMPARE(readFile(path), QByteArray("caf\xC3\xA9 \xE4\xB8\xAD\r\n"));
    QCOMPARE(editor.fileFormat().encoding(), Encoding::Utf8);
    CodeEditor again;
    QVERIFY(again.LoadFromFile(path).ok());
    QCOMPARE(again.Text(), QStringLiteral("caf\u00e9 \u4e2d\r\n"));
}

void TestScriptFile::newDocumentSavesAnsiWithCrLf()
{
    const QString path = dir_.filePath(QStringLiteral("new.kix"));
    CodeEditor editor;
    editor.InsertLineAt(0, QStringLiteral("\u00e9t\u00e9"));
    editor.InsertLineAt(editor.LineTotal(), QStringLiteral("\u20ac"));
    QVERIFY(editor.SaveToFile(path).ok());
    QCOMPARE(readFile(path), bytesOf({0xE9, 't', 0xE9, '\r', '\n', '\r', '\n', 0x80}));
}

void TestScriptFile::failedLoadKeepsText()
{
    CodeEditor editor;
    editor.setText(QStringLiteral("keep me"));
    FileError error = editor.LoadFromFile(dir_.filePath(QStringLiteral("absent.kix")));
    QCOMPARE(error.kind, FileError::Other);
    QVERIFY(!error.message.isEmpty());
    error = editor.LoadFromFile(dir_.path());
    QCOMPARE(error.kind, FileError::Other);
    error = editor.LoadFromFile(dir_.filePath(QStringLiteral("no/such/folder/x.kix")));
    QCOMPARE(error.kind, FileError::PathInaccessible);
    if (!runningAsRoot()) {
        const QString locked = dir_.filePath(QStringLiteral("locked.kix"));
        writeFile(locked, "secret");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        QCOMPARE(editor.LoadFromFile(locked).kind, FileError::Other);
    }
    QCOMPARE(editor.Text(), QStringLiteral("keep me"));
}

void TestScriptFile::failedSaveKeepsOldFile()
{
    QTemporaryDir box;
    const QString target = box.filePath(QStringLiteral("script.kix"));
    writeFile(target, "old contents\r\n");
    CodeEditor editor;
    editor.InsertTextAt(QString(100000, QLatin1Char('n')), {0, 0});
    auto onlyTargetLeft = [&] {
        return QDir(box.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{QStringLiteral("script.kix")};
    };

    // Missing folder, and a "folder" that is a file: the path cannot be reached.
    FileError error = editor.SaveToFile(box.filePath(QStringLiteral("missing/script.kix")));
    QCOMPARE(error.kind, FileError::PathInaccessible);
    error = editor.SaveToFile(target + QStringLiteral("/inside.kix"));
    QCOMPARE(error.kind, FileError::PathInaccessible);
    // A folder in the way of the file.
    QVERIFY(QDir(box.path()).mkdir(QStringLiteral("sub.kix")));
    error = editor.SaveToFile(box.filePath(QStringLiteral("sub.kix")));
    QCOMPARE(error.kind, FileError::Other);
    QVERIFY(QDir(box.path()).rmdir(QStringLiteral("sub.kix")));
    QVERIFY(editor.Modified());

#ifdef Q_OS_UNIX
    // The disk fills up while writing (a file size limit works for root too).
    rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    error = editor.SaveToFile(target);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(error.kind, FileError::Other);
    QVERIFY2(error.message.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(error.message));
    QCOMPARE(readFile(target), QByteArray("old contents\r\n"));
    QVERIFY(onlyTargetLeft());
    QVERIFY(editor.Modified());

    if (!runningAsRoot()) {
        QFile::setPermissions(box.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        error = editor.SaveToFile(target);
        QFile::setPermissions(box.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(error.kind, FileError::Other);
        QCOMPARE(readFile(target), QByteArray("old contents\r\n"));
    }
#endif
    QVERIFY(onlyTargetLeft());
    QVERIFY(editor.SaveToFile(target).ok());
    QCOMPARE(readFile(target).size(), 100000);
}

void TestScriptFile::saveKeepsPermissions()
{
    const QString path = dir_.filePath(QStringLiteral("perm.kix"));
    writeFile(path, "x");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(path, permissions));
    CodeEditor editor;
    QVERIFY(editor.LoadFromFile(path).ok());
    editor.InsertTextAt(QStringLiteral("y"), {0, 1});
    QVERIFY(editor.SaveToFile(path).ok());
    QCOMPARE(readFile(path), QByteArray("xy"));
    const auto ownerGroupOther = QFileDevice::Permissions(0x7077); // leave out the "current user" bits
    QCOMPARE(QFile::permissions(path) & ownerGroupOther, permissions);
}

QTEST_MAIN(TestScriptFile)
#include "test_script_file.moc"
