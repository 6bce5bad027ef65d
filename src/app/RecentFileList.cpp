#include "app/RecentFileList.h"

#include "platform/FilePaths.h"

void RecentFileList::add(const QString& path)
{
    // The last match counts when several entries match (only possible in a hand-edited list). Paths
    // match as the file system compares them: two names differing in case are two files off Windows.
    int found = -1;
    for (int i = 0; i < Capacity; ++i)
        if (!entries_[size_t(i)].isEmpty() && FilePaths::samePath(entries_[size_t(i)], path))
            found = i;
    QString top = found >= 0 ? entries_[size_t(found)] : path;
    for (int i = (found >= 0 ? found : Capacity - 1); i > 0; --i)
        entries_[size_t(i)] = entries_[size_t(i - 1)];
    entries_[0] = top;
}

QString RecentFileList::caption(int index, const QString& path)
{
    return QStringLiteral("&") + QString::number(index + 1) + QStringLiteral("  ") + path;
}
