#include "platform/QtUrlService.h"

#include <QDesktopServices>
#include <QUrl>

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

void QtUrlService::shellOpen(const QString& verb, const QString& file, const QString&, const QString& directory, int)
{
    // The desktop handler knows one action, opening; parameters and a window mode have no
    // meaning for it.
    if (verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0 || file.isEmpty())
        return;
    QDesktopServices::openUrl(QUrl::fromUserInput(file, directory, QUrl::AssumeLocalFile));
}

} // namespace platform
