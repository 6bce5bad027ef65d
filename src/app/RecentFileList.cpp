#include "app/RecentFileList.h"

void RecentFileList::add(const QString& path)
{
    // The last match counts when several entries match (only possible in a hand-edited list).
    int found = -1;
    for (int i = 0; i < Capacity; ++i)
        if (!entries_[size_t(i)].isEmpty() && entries_[size_t(i)].compare(path, Qt::CaseInsensitive) == 0)
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
