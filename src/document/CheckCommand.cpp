#include "document/CheckCommand.h"

#include "document/ScriptFile.h"
#include "document/ScriptStructure.h"

#include <QTextStream>

namespace CheckCommand {

QString usage()
{
    return QStringLiteral(
        "Usage: tessary-check FILE...\n"
        "Checks the block structure of KiXtart scripts: blocks left open or closed by the wrong word,\n"
        "Goto and Gosub to labels that are not in the script, labels and Functions defined twice,\n"
        "strings left open at the end of their line.\n"
        "Prints file:line:column: message for each problem.\n"
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
        QByteArray bytes;
        const FileError error = ScriptFile::read(file, bytes);
        if (!error.ok()) {
            err << file << ": cannot be read";
            if (!error.message.isEmpty())
                err << ": " << error.message;
            err << "\n";
            unreadable = true;
            continue;
        }
        QByteArray utf8;
        ScriptFile::decode(bytes, utf8);
        const ScriptStructure structure = ScriptStructure::analyse(utf8);
        for (const ScriptStructure::Problem& p : structure.problems)
            out << file << ':' << p.line + 1 << ':' << p.column + 1 << ": " << p.message << "\n";
        problems = problems || !structure.problems.empty();
    }
    out.flush();
    err.flush();
    if (unreadable)
        return Failure;
    return problems ? ProblemsFound : Clean;
}

} // namespace CheckCommand
