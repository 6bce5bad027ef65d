// The structure check: silence on realistic scripts, each kind of problem at its line and column,
// deep nesting, fold levels, and the command-line check on files in the editor's encodings.

#include "CaseFile.h"
#include "document/CheckCommand.h"
#include "document/ScriptStructure.h"
#include "TestFiles.h"

#include <QDir>
#include <QStringConverter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

QString corpusDir() { return QFINDTESTDATA("data/check-corpus"); }

QByteArray readCorpus(const QString& name) { return readFile(corpusDir() + QLatin1Char('/') + name); }

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
    // Every corpus file is silent; a copy with one slip reports only the slip.
    void corpus_data()
    {
        QTest::addColumn<QStringList>("fields");
        const QStringList files = QDir(corpusDir()).entryList({QStringLiteral("*.kix")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 10);
        for (const QString& f : files)
            QTest::newRow(qPrintable(f)) << QStringList{f, QString(), QString()};
        for (const QStringList& row : cases::table("script_structure.txt", "corpus slips"))
            QTest::newRow(qPrintable(row[0] + " slip")) << row;
    }

    void corpus()
    {
        QFETCH(QStringList, fields);
        QByteArray text = readCorpus(fields[0]);
        const QByteArray from = cases::bytes(fields[1]);
        QVERIFY(text.contains(from));
        text.replace(text.indexOf(from), from.size(), cases::bytes(fields[2]));
        const ScriptStructure s = ScriptStructure::analyse(text);
        QCOMPARE(describe(s), fields.mid(3));
        QCOMPARE(qsizetype(s.foldLevels.size()), text.count('\n') + 1); // one level per line
        for (const auto& b : s.blocks)
            QVERIFY2(!from.isEmpty() || b.closeLine >= b.openLine, qPrintable(QString::number(b.openLine)));
    }

    void problemsAndFoldLevels_data() { cases::addRows("script_structure.txt", "problems"); }

    void problemsAndFoldLevels()
    {
        QFETCH(QStringList, fields);
        const QByteArray script = cases::bytes(fields[1]);
        const ScriptStructure s = ScriptStructure::analyse(script);
        QCOMPARE(describe(s), fields.mid(3));
        for (const auto& p : s.problems)
            QVERIFY(p.pos >= 0 && p.pos + p.length <= script.size());
        QStringList levels;
        for (int level : s.foldLevels)
            levels << QString::number(level & ScriptStructure::FoldDepthMask) +
                          (level & ScriptStructure::FoldHeader ? QStringLiteral("H") : QString());
        if (!fields[2].isEmpty())
            QCOMPARE(levels.join(QLatin1Char(' ')), fields[2]);
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
