// tessary-check: the editor's structure check for build pipelines.

#include "document/check/CheckCommand.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return CheckCommand::run(QCoreApplication::arguments().mid(1), out, err);
}
