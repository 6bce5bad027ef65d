// The structure check: silence on realistic scripts, each kind of problem at its line and column,
// deep nesting, fold levels, and the command-line check on files in the editor's encodings.

#include "document/CheckCommand.h"
#include "document/ScriptStructure.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QStringConverter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

QString corpusDir() { return QFINDTESTDATA("data/check-corpus"); }

QByteArray readCorpus(const QString& name)
{
    QFile file(corpusDir() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("corpus file %s missing", qPrintable(name));
    return file.readAll();
}

QStringList describe(const ScriptStructure& s)
{
    QStringList out;
    for (const auto& p : s.problems)
        out << QStringLiteral("%1:%2: %3").arg(p.line + 1).arg(p.column + 1).arg(p.message);
    return out;
}

} // namespace

class TestScriptStructure : public QObject {
    Q_OBJECT
private slots:
    void corpusHasNoProblems_data()
    {
        QTest::addColumn<QString>("file");
        const QStringList files = QDir(corpusDir()).entryList({QStringLiteral("*.kix")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 10);
        for (const QString& f : files)
            QTest::newRow(qPrintable(f)) << f;
    }

    void corpusHasNoProblems()
    {
        QFETCH(QString, file);
        const QByteArray text = readCorpus(file);
        const ScriptStructure s = ScriptStructure::analyse(text);
        QCOMPARE(describe(s), QStringList());
        QCOMPARE(qsizetype(s.foldLevels.size()), text.count('\n') + 1); // one level per line
        for (const auto& b : s.blocks)
            QVERIFY2(b.closeLine >= b.openLine, qPrintable(QString::number(b.openLine)));
    }

    void problemKinds_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("each unclosed kind")
            << QByteArray("While 1\nDo\nFor $i = 1 To 2\nFor Each $x In $y\nSelect\nFunction F()\n  If 1 EndIf\n")
            << QStringList{"1:1: While on line 1 has no Loop.", "2:1: Do on line 2 has no Until.",
                           "3:1: For on line 3 has no Next.", "4:1: For Each on line 4 has no Next.",
                           "5:1: Select on line 5 has no EndSelect.", "6:1: Function on line 6 has no EndFunction."};
        QTest::newRow("closed by the wrong word") << QByteArray("If 1\n  While 1\n  EndIf\nLoop\n")
            << QStringList{"2:3: While on line 2 has no Loop.", "4:1: Loop on line 4 has no matching While."};
        QTest::newRow("stray closers") << QByteArray("EndIf\nloop\nUNTIL 1\nNext\nEndSelect\nEndFunction\n")
            << QStringList{"1:1: EndIf on line 1 has no matching If.", "2:1: Loop on line 2 has no matching While.",
                           "3:1: Until on line 3 has no matching Do.", "4:1: Next on line 4 has no matching For.",
                           "5:1: EndSelect on line 5 has no matching Select.",
                           "6:1: EndFunction on line 6 has no matching Function."};
        QTest::newRow("closer does not reach out of a Function") << QByteArray("If 1\nFunction F()\n  EndIf\nEndFunction\nEndIf\n")
            << QStringList{"1:1: If on line 1 has no EndIf.", "3:3: EndIf on line 3 has no matching If.",
                           "5:1: EndIf on line 5 has no matching If."};
        QTest::newRow("Else and Case outside") << QByteArray("Else\nCase 1\nWhile 1 Case 2 Loop\n")
            << QStringList{"1:1: Else on line 1 is not inside an If.", "2:1: Case on line 2 is not inside a Select.",
                           "3:9: Case on line 3 is not inside a Select."};
        // A Case (Case Else too) ends an open block of the previous Case.
        QTest::newRow("Case ends a block") << QByteArray("Select\nCase 1\n  If 1\nCase Else ? 2\nEndSelect\n")
                                           << QStringList{"3:3: If on line 3 has no EndIf."};
        QTest::newRow("missing labels")
            << QByteArray("Goto Nowhere\nGosub \"Away\"\n  If 1 GOTO 'gone' EndIf\nGoto $computed\nGosub \":nowher\"\n:nowher\n"
                          "Goto \"$a\" Goto \"@b\" Goto \"%c\"\n")
            << QStringList{"1:6: Goto on line 1 names the label Nowhere, which is not in the script.",
                           "2:7: Gosub on line 2 names the label \"Away\", which is not in the script.",
                           "3:13: Goto on line 3 names the label 'gone', which is not in the script."};
        QTest::newRow("defined twice")
            << QByteArray(":Start\nFunction Get($a)\nEndFunction\n  :START ; again\nfunction GET()\nendfunction\n")
            << QStringList{"4:3: Label :START on line 4 is already defined on line 1.",
                           "5:10: Function GET on line 5 is already defined on line 2."};
        QTest::newRow("open strings") << QByteArray("$a = \"open\n$b = 'also open ; If\n$c = \"closed\" + 'closed'\n")
            << QStringList{"1:6: String on line 1 is not closed.", "2:6: String on line 2 is not closed."};
        QTest::newRow("column counts characters") << QByteArray("$Grüße = \"ä\" If 1\n") << QStringList{"1:14: If on line 1 has no EndIf."};
        QTest::newRow("old Mac line breaks") << QByteArray("? 1\rIf 1\r? 2\r") << QStringList{"2:1: If on line 2 has no EndIf."};
    }

    void problemKinds()
    {
        QFETCH(QByteArray, script);
        QFETCH(QStringList, expected);
        const ScriptStructure s = ScriptStructure::analyse(script);
        QCOMPARE(describe(s), expected);
        for (const auto& p : s.problems)
            QVERIFY(p.pos >= 0 && p.pos + p.length <= script.size());
    }

    // One slip in a realistic script: only the slip is reported.
    void brokenCorpusCopies()
    {
        for (const auto& [file, from, to, expected] :
             {std::tuple{"logon-basic.kix", QByteArray("    Use M: \"\\\\fileserver\\sales\"\nEndIf"),
                         QByteArray("    Use M: \"\\\\fileserver\\sales\"\n"), QStringList{"16:1: If on line 16 has no EndIf."}},
              {"loops.kix", QByteArray("    If $i = 5 ? \"five\" EndIf\nLoop"), QByteArray("    If $i = 5 ? \"five\" EndIf\nNext"),
               QStringList{"3:1: While on line 3 has no Loop.", "6:1: Next on line 6 has no matching For."}}}) {
            QByteArray text = readCorpus(QString::fromLatin1(file));
            QVERIFY2(text.contains(from), file);
            text.replace(text.indexOf(from), from.size(), to);
            QCOMPARE(describe(ScriptStructure::analyse(text)), expected);
        }
    }

    void deepNestingDoesNotOverflow()
    {
        constexpr int depth = 10000;
        QByteArray text, closers;
        for (int i = 0; i < depth; ++i) {
            text += (i % 2 ? "While 1\n" : "If 1\n");
            closers.prepend(i % 2 ? "Loop\n" : "EndIf\n");
        }
        // Only the first problems are kept, all are counted.
        const ScriptStructure open = ScriptStructure::analyse(text);
        QCOMPARE(open.problemCount, std::size_t(depth));
        QCOMPARE(open.problems.size(), ScriptStructure::MaxProblems);
        QCOMPARE(open.problems.front().message, QStringLiteral("If on line 1 has no EndIf."));
        QCOMPARE(open.problems.back().line, int(ScriptStructure::MaxProblems) - 1);

        const ScriptStructure closed = ScriptStructure::analyse(text + closers);
        QVERIFY(closed.problems.empty());
        QCOMPARE(int(closed.blocks.size()), depth);
        QCOMPARE(closed.blocks.front().closeLine, 2 * depth - 1);
        // Depths past what a fold level holds are capped, not wrapped.
        QCOMPARE(closed.foldLevels[depth] & ScriptStructure::FoldDepthMask, ScriptStructure::FoldDepthMask);
    }

    void foldLevels()
    {
        const QByteArray text = "? 0\n"                 // 0
                                "If 1\n"                // 1  header, depth 0
                                "  While 1\n"           // 2  header, depth 1
                                "    ? 1\n"             // 3  depth 2
                                "  Loop\n"              // 4  depth 1
                                "Else\n"                // 5  depth 1
                                "  If 2 ? 2 EndIf\n"    // 6  one-line block: no header
                                "EndIf If 3\n"          // 7  closes and opens: depth 0, header
                                "EndIf\n";              // 8
        const int H = ScriptStructure::FoldHeader;
        QCOMPARE(ScriptStructure::analyse(text).foldLevels, (std::vector<int>{0, 0 | H, 1 | H, 2, 1, 1, 1, 0 | H, 0, 0}));
    }

    void symbols()
    {
        const ScriptStructure s = ScriptStructure::analyse(
            ":Top\nFunction MyFunc($a, optional $b) ; comment\nEndFunction\nfunction  NoArgs\nEndFunction\n"
            "$x = $obj.Next + 'Function Fake()'\n");
        QStringList found;
        for (const auto& f : s.functions)
            found << QStringLiteral("%1(%2)@%3").arg(f.name, f.parameters).arg(f.line);
        for (const auto& l : s.labels)
            found << QStringLiteral(":%1@%2").arg(l.name).arg(l.line);
        QCOMPARE(found, (QStringList{"MyFunc($a, optional $b)@1", "NoArgs()@3", ":Top@0"}));
        QVERIFY(s.problems.empty());
    }

    void checkCommand()
    {
        QTemporaryDir dir;
        const QString broken = QStringLiteral("; Grüße\nIf 1\n$ä = \"x\" Goto Weg\n");
        writeFile(dir.filePath("ansi.kix"), QStringEncoder(QStringConverter::Latin1)(broken));
        writeFile(dir.filePath("utf8.kix"), broken.toUtf8());
        writeFile(dir.filePath("utf16.kix"),
                  QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(broken));
        writeFile(dir.filePath("clean.kix"), QStringLiteral("; Grüße\nIf 1\n  ? \"ö\"\nEndIf\n").toUtf8());
        QString out, err;
        auto run = [&](const QStringList& args) {
            out.clear();
            err.clear();
            QTextStream o(&out), e(&err);
            return CheckCommand::run(args, o, e);
        };
        for (const char* name : {"ansi.kix", "utf8.kix", "utf16.kix"}) {
            const QString path = dir.filePath(QLatin1String(name));
            QCOMPARE(run({path}), int(CheckCommand::ProblemsFound));
            QCOMPARE(out, path + ":2:1: If on line 2 has no EndIf.\n" + path +
                              ":3:15: Goto on line 3 names the label Weg, which is not in the script.\n");
        }
        QCOMPARE(run({dir.filePath("clean.kix")}), int(CheckCommand::Clean));
        QVERIFY(out.isEmpty() && err.isEmpty());

        // An unreadable file wins over found problems, and the others are still checked.
        QCOMPARE(run({dir.filePath("missing.kix"), dir.filePath("utf8.kix")}), int(CheckCommand::Failure));
        QVERIFY(err.contains(dir.filePath("missing.kix")));
        QCOMPARE(out.count(QLatin1Char('\n')), 2);

        QCOMPARE(run({QStringLiteral("--help")}), int(CheckCommand::Clean));
        QVERIFY(out.startsWith(QStringLiteral("Usage: tessary-check FILE...")));
        QCOMPARE(run({}), int(CheckCommand::Failure));
        QVERIFY(err.contains(QStringLiteral("no file")));
        QCOMPARE(run({QStringLiteral("--bogus")}), int(CheckCommand::Failure));
    }
};

QTEST_GUILESS_MAIN(TestScriptStructure)
#include "test_script_structure.moc"
