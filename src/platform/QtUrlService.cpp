#include "platform/QtUrlService.h"

#include <QDesktopServices>
#include <QUrl>

#ifdef _WIN32
#include "platform/win/WinShellOpen.h"
#endif

namespace platform {

namespace {
UrlService* installed = nullptr;

UrlService& desktopService()
{
    static QtUrlService service;
    return service;
}
} // namespace

UrlService& urls()
{
    return installed ? *installed : desktopService();
}

void setUrlService(UrlService* service)
{
    installed = service;
}

void QtUrlService::shellOpen(const QString& verb, const QString& file, const QString& parameters,
                             const QString& directory, int showMode)
{
#ifdef _WIN32
    // The system's own handler takes every argument as it stands.
    win::shellOpen(verb.toStdWString(), file.toStdWString(), parameters.toStdWString(), directory.toStdWString(),
                   showMode);
#else
    Q_UNUSED(parameters);
    Q_UNUSED(showMode);
    // The desktop handler knows one action, opening; parameters and a window mode have no
    // meaning for it.
    if (verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0 || file.isEmpty())
        return;
    QDesktopServices::openUrl(QUrl::fromUserInput(file, directory, QUrl::AssumeLocalFile));
#endif
}

} // namespace platform
