#include "platform/FilePaths.h"

#include <QDir>
#include <QFileInfo>

namespace FilePaths {

Qt::CaseSensitivity caseSensitivity()
{
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

QString absoluteClean(const QString& path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool samePath(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() && b.isEmpty();
    return absoluteClean(a).compare(absoluteClean(b), caseSensitivity()) == 0;
}

} // namespace FilePaths
