#pragma once
// What a file on disk looks like now, to tell whether another program changed, replaced or removed
// it since the editor read or wrote it.

#include <QFile>
#include <QFileInfo>
#include <QString>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include "platform/win/WinFileSave.h"
#endif

struct DiskState {
    bool known = false; // never taken: nothing to compare with
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 inode = 0;

    static DiskState of(const QString& path)
    {
        DiskState state;
        state.known = true;
#ifdef Q_OS_UNIX
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            return state;
        state.exists = true;
        state.size = info.st_size;
        state.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        state.inode = info.st_ino;
#else
        const platform::win::FileIdentity file = platform::win::fileIdentity(path.toStdWString());
        state.exists = file.exists;
        state.size = qint64(file.size);
        state.modifiedNs = file.modified * 100;
        state.inode = file.index;
#endif
        return state;
    }
    bool operator==(const DiskState& other) const
    {
        return known == other.known && exists == other.exists && size == other.size && modifiedNs == other.modifiedNs && inode == other.inode;
    }
};
