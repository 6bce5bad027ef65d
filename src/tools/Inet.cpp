#include "tools/Inet.h"

#include "platform/UrlService.h"

namespace Inet {

namespace {
constexpr int kShowNormal = 1;
}

void OpenURL(const QString& address)
{
    ShellOpen(QStringLiteral("open"), address, QString(), QString(), kShowNormal);
}

void ShellOpen(const QString& verb, const QString& file, const QString& parameters, const QString& directory,
               int showMode)
{
    platform::urls().shellOpen(verb, file, parameters, directory, showMode);
}

} // namespace Inet
