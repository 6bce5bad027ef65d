#include "document/check/CheckCommand.h"

#include "document/files/ScriptFile.h"
#include "document/check/ScriptStructure.h"

#include <QTextStream>

namespace CheckCommand {

QString usage()
{
    return QStringLiteral(
        "Usage: tessary-check FILE...\n"
        "Checks the block structure of KiXtart scripts: blocks left open or closed by the wrong word,\n"
        "Goto and Gosub to labels that are not in the script, labels and Functions defined twice,\n"
        "strings left open at the end of their line.\n"
        "Prints file:line:column: message for each problem (the first 1000 of a file, then how many more).\n"
        "Exit status: 0 no problems, 1 problems found, 2 a file could not be read.\n");
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList files;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            out << usage();
            return Clean;
        }
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            err << "tessary-check: unknown option " << argument << "\n" << usage();
            return Failure;
        }
        files << argument;
    }
    if (files.isEmpty()) {
        err << "tessary-check: no file given\n" << usage();
        return Failure;
    }

    bool problems = false;
    bool unreadable = false;
    for (const QString& file : files) {
        // Read as the editor reads it, and checked piece by piece: the text is never held whole.
        ScriptStructure::Builder builder;
        ScriptFile format;
        const FileError error = ScriptFile::stream(
            file, format, [](qint64) {},
            [&builder](QByteArrayView block) { builder.add(block.constData(), std::size_t(block.size())); });
        if (!error.ok()) {
            err << file << ": cannot be read";
            if (!error.message.isEmpty())
                err << ": " << error.message;
            err << "\n";
            unreadable = true;
            continue;
        }
        const ScriptStructure structure = builder.finish();
        for (const ScriptStructure::Problem& p : structure.problems)
            out << file << ':' << p.line + 1 << ':' << p.column + 1 << ": " << p.message << "\n";
        if (structure.problemCount > structure.problems.size())
            out << file << ": " << structure.problemCount - structure.problems.size() << " more problems\n";
        problems = problems || structure.problemCount > 0;
    }
    out.flush();
    err.flush();
    if (unreadable)
        return Failure;
    return problems ? ProblemsFound : Clean;
}

} // namespace CheckCommand
