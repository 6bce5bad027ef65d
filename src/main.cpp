#include "app/frmMain.h"
#include "document/ScriptFile.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // A file-size limit fails a save with a message instead of ending the program.
    ScriptFile::ignoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessary Editor"));
    QApplication::setOrganizationName(QStringLiteral("Orland Works"));

    // The command line is one path: the arguments joined back as they were typed.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    frmMain window(frmMain::commandLinePath(arguments.join(QLatin1Char(' '))));
    window.show();
    return app.exec();
}
