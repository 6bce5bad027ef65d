#include "app/ToolbarIcons.h"
#include "app/frmMain.h"
#include "document/files/RecoveryJournal.h"
#include "document/files/ScriptFile.h"
#include "version.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#ifdef Q_OS_WIN
#include "platform/win/WinConsole.h"
#endif

namespace {

// `--version` and `--help` count only on their own: any other command line is a file name, so a
// script really called "--help" can still be opened with more words or quotes around it.
bool answeredOption(int argc, char* argv[])
{
    if (argc != 2 || (std::strcmp(argv[1], "--version") != 0 && std::strcmp(argv[1], "--help") != 0))
        return false;
#ifdef Q_OS_WIN
    platform::win::useParentConsole();
#endif
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("tessary-editor %s\n", TESSARY_VERSION);
        return true;
    }
    std::printf("Usage: tessary-editor [FILE]\n"
                "       tessary-editor --version | --help\n"
                "\n"
                "Edits KiXtart scripts. The whole command line names one file to open; surrounding\n"
                "quotes are removed.\n"
                "\n"
                "  --version  print the version and exit\n"
                "  --help     print this text and exit\n");
    return true;
}

// The copy built into the program: the same picture the package installs for the desktop, found
// without searching every icon theme's folders at start, in every size the build drew.
QIcon applicationIcon()
{
    QIcon icon;
    const QDir sizes(QStringLiteral(":/app-icon"));
    for (const QString& file : sizes.entryList(QDir::Files))
        icon.addFile(sizes.filePath(file));
    return icon;
}

} // namespace

int main(int argc, char* argv[])
{
    // Answered before any window system is opened, so they work without a display.
    if (answeredOption(argc, argv))
        return 0;
    // A file-size limit fails a save with a message instead of ending the program.
    ScriptFile::ignoreFileSizeSignal();
#if defined(__GLIBC__)
    // Buffers the size of a whole script (a bulk edit's new text, the control's undo copies, the
    // recovery journal's copy) come and go; from this size up they go back to the system when
    // freed. Left to itself, the allocator raises this limit after the first one is freed and
    // keeps each later one's memory for good.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    QApplication app(argc, argv);
    // The resources live in a static library, whose registration the linker would otherwise drop.
    Q_INIT_RESOURCE(app_icon);
    QApplication::setApplicationName(QStringLiteral("Tessary Editor"));
    QApplication::setApplicationVersion(QStringLiteral(TESSARY_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Orland Works"));
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orlandworks.TessaryEditor"));
    // The theme decides where the program's own icon is found.
    ToolbarIcons::selectIconTheme();
    const QIcon icon = applicationIcon();
    QApplication::setWindowIcon(icon);

    // The command line is one path: the arguments joined back as they were typed.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    int status = 0;
    {
        frmMain window(frmMain::commandLinePath(arguments.join(QLatin1Char(' '))));
        window.show();
        status = app.exec();
    }
    // Records of documents closed at the end go before the program does.
    RecoveryJournal::waitForWrites();
    return status;
}
