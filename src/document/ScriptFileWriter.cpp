// Writing a script file so that no failure costs the old content, and the file keeps what the
// user and the system attached to it: owner, group, mode, hard links and extended attributes
// (ACLs among them).
//
// The new content replaces the file atomically (a temporary file beside it, synced and renamed
// over it) when the folder is writable, the file has one link and the temporary file can take
// the same owner, mode and attributes. Otherwise the file is rewritten in place, after a copy of
// its old content is kept beside it or in the temporary folder; the copy goes back on any
// failure and is removed once the new content is complete and flushed. On Windows the system's
// replace call keeps the file's security descriptor and attributes (platform/win/WinFileSave).

#include "document/ScriptFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>
#elif defined(Q_OS_WIN)
#include "platform/win/WinFileSave.h"
#endif

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

FileError failure(const QString& path, const QString& reason)
{
    return {FileError::Other, QStringLiteral("%1 cannot be saved: %2").arg(nativePath(path), reason)};
}

#ifdef Q_OS_UNIX

// Installed before main for every program that links the writer.
const bool kFileSizeSignalIgnored = (ScriptFile::ignoreFileSizeSignal(), true);

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    operator int() const { return fd_; }

private:
    int fd_;
};

// 0 or the errno of the failing write; a short write is retried to get the system's reason.
int writeAt(int fd, const char* data, qsizetype size, off_t offset)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size_t(size), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        size -= written;
        offset += written;
    }
    return 0;
}

int writeContent(int fd, QByteArrayView prefix, QByteArrayView body)
{
    int error = writeAt(fd, prefix.data(), prefix.size(), 0);
    return error ? error : writeAt(fd, body.data(), body.size(), off_t(prefix.size()));
}

int syncFile(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
}

// Copies size bytes from the start of one file to the start of another.
int copyContent(int from, int to, off_t size)
{
    std::vector<char> buffer(size_t(1) << 20);
    for (off_t offset = 0; offset < size;) {
        const ssize_t got = ::pread(from, buffer.data(), size_t(std::min<off_t>(off_t(buffer.size()), size - offset)),
                                    offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        if (const int error = writeAt(to, buffer.data(), got, offset))
            return error;
        offset += got;
    }
    return 0;
}

// The names of a file's extended attributes; false on failure (no support counts as none).
bool attributeNames(int fd, std::vector<QByteArray>& names)
{
    names.clear();
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size <= 0)
        return size == 0 || errno == ENOTSUP;
    std::vector<char> list(static_cast<size_t>(size));
    const ssize_t got = ::flistxattr(fd, list.data(), list.size());
    if (got < 0)
        return false;
    for (ssize_t i = 0; i < got; i += ssize_t(std::strlen(list.data() + i)) + 1)
        names.emplace_back(list.data() + i);
    return true;
}

// Gives to exactly the extended attributes of from; false when one cannot be copied.
bool copyAttributes(int from, int to)
{
    std::vector<QByteArray> names, present;
    if (!attributeNames(from, names) || !attributeNames(to, present))
        return false;
    for (const QByteArray& name : present) {
        if (std::find(names.begin(), names.end(), name) == names.end() && ::fremovexattr(to, name.constData()) != 0)
            return false;
    }
    for (const QByteArray& name : names) {
        const ssize_t size = ::fgetxattr(from, name.constData(), nullptr, 0);
        if (size < 0)
            return false;
        std::vector<char> value(size_t(size) + 1);
        const ssize_t got = ::fgetxattr(from, name.constData(), value.data(), value.size());
        if (got < 0 || ::fsetxattr(to, name.constData(), value.data(), size_t(got), 0) != 0)
            return false;
    }
    return true;
}

// A new file that only this user can read, from a mkstemp pattern; -1 with errno on failure.
int createPrivate(QByteArray& pattern)
{
    return ::mkostemp(pattern.data(), O_CLOEXEC);
}

QByteArray siblingPattern(const QByteArray& target, const char* kind)
{
    const qsizetype slash = target.lastIndexOf('/');
    return target.left(slash + 1) + '.' + target.mid(slash + 1) + ".tessary-" + kind + "-XXXXXX";
}

void syncFolderOf(const QByteArray& target)
{
    const Descriptor folder(::open(target.left(target.lastIndexOf('/') + 1).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder >= 0)
        ::fsync(folder);
}

// Writes the content into a temporary file that takes the place of target. Returns false, with
// nothing changed, when the temporary file cannot be made like the old one (existing: its stat
// and an open descriptor), so that the caller writes in place; else true with the outcome.
bool replaceAtomically(const QString& path, const QByteArray& target, const struct stat* existing, int existingFd,
                       QByteArrayView prefix, QByteArrayView body, FileError& result)
{
    QByteArray temp = siblingPattern(target, "save");
    const Descriptor fd(createPrivate(temp));
    if (fd < 0) {
        result = failure(path, systemReason(errno));
        return false;
    }
    auto abandon = [&](int error) {
        ::unlink(temp.constData());
        result = failure(path, systemReason(error));
    };
    if (existing) {
        struct stat made {};
        // Owner and group first: a change of owner clears set-id bits, which the mode then restores.
        const bool owned = ::fstat(fd, &made) == 0 &&
                           ((made.st_uid == existing->st_uid && made.st_gid == existing->st_gid) ||
                            ::fchown(fd, existing->st_uid, existing->st_gid) == 0);
        if (!owned || !copyAttributes(existingFd, fd) || ::fchmod(fd, existing->st_mode & 07777) != 0) {
            abandon(errno ? errno : EPERM);
            return false;
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd, 0666 & ~mask) != 0) {
            abandon(errno);
            return true;
        }
    }
    int error = writeContent(fd, prefix, body);
    if (!error)
        error = syncFile(fd);
    if (error) {
        abandon(error);
        return true;
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        // A file mounted on its own or a sticky folder refuses the rename: write in place.
        abandon(errno);
        return existing == nullptr;
    }
    syncFolderOf(target);
    result = {};
    return true;
}

FileError writeInPlace(const QString& path, const QByteArray& target, const struct stat& existing, int fd,
                       QByteArrayView prefix, QByteArrayView body)
{
    // The copy goes beside the file when its folder takes it, else into the temporary folder.
    QByteArray backupName = siblingPattern(target, "backup");
    Descriptor beside(createPrivate(backupName));
    if (beside < 0)
        backupName = QFile::encodeName(QDir::tempPath()) + "/tessary-backup-XXXXXX";
    const Descriptor elsewhere(beside < 0 ? createPrivate(backupName) : -1);
    const int backup = beside >= 0 ? int(beside) : int(elsewhere);
    if (backup < 0)
        return failure(path, QStringLiteral("no copy of its old content could be kept: ") + systemReason(errno));
    int error = copyContent(fd, backup, existing.st_size);
    if (!error)
        error = syncFile(backup);
    if (error) {
        ::unlink(backupName.constData());
        return failure(path, QStringLiteral("no copy of its old content could be kept: ") + systemReason(error));
    }

    const off_t newSize = off_t(prefix.size() + body.size());
    error = writeContent(fd, prefix, body);
    if (!error && ::ftruncate(fd, newSize) != 0)
        error = errno;
    if (!error)
        error = syncFile(fd);
    if (!error) {
        ::unlink(backupName.constData());
        return {};
    }
    // Put the old content back.
    int restored = copyContent(backup, fd, existing.st_size);
    if (!restored && ::ftruncate(fd, existing.st_size) != 0)
        restored = errno;
    if (!restored)
        restored = syncFile(fd);
    if (!restored) {
        ::unlink(backupName.constData());
        return failure(path, systemReason(error));
    }
    return failure(path, QStringLiteral("%1. Its old content is kept in %2.")
                             .arg(systemReason(error), nativePath(QFile::decodeName(backupName))));
}

#endif // Q_OS_UNIX

} // namespace

void ScriptFile::ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
#endif
}

FileError ScriptFile::write(const QString& path, QByteArrayView prefix, QByteArrayView body)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !QFileInfo(info.absolutePath()).isDir())
        return {FileError::PathInaccessible,
                QStringLiteral("The folder of %1 cannot be reached.").arg(nativePath(path))};
    if (info.isDir())
        return {FileError::Other, QStringLiteral("%1 is a folder, not a file.").arg(nativePath(path))};
#ifdef Q_OS_UNIX
    ignoreFileSizeSignal();
    // Through a symbolic link the file it names is saved; the link stays.
    QString resolved = info.absoluteFilePath();
    if (info.isSymLink())
        resolved = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
    const QByteArray target = QFile::encodeName(resolved);

    struct stat existing {};
    if (::stat(target.constData(), &existing) != 0) {
        if (errno != ENOENT)
            return failure(path, systemReason(errno));
        FileError result;
        replaceAtomically(path, target, nullptr, -1, prefix, body, result);
        return result;
    }
    if (!S_ISREG(existing.st_mode))
        return failure(path, QStringLiteral("it is not a regular file."));
    // The system's own answer to writing this file: a read-only file is refused, as Windows does.
    // No blocking: something swapped in for the file since the check must not hang the save.
    const Descriptor fd(::open(target.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd < 0)
        return failure(path, systemReason(errno));
    if (::fstat(fd, &existing) != 0 || !S_ISREG(existing.st_mode))
        return failure(path, QStringLiteral("it is not a regular file."));
    if (existing.st_nlink == 1) {
        FileError result;
        if (replaceAtomically(path, target, &existing, fd, prefix, body, result))
            return result;
    }
    return writeInPlace(path, target, existing, fd, prefix, body);
#else
    const platform::win::SaveOutcome outcome = platform::win::saveFile(
        nativePath(info.absoluteFilePath()).toStdWString(), std::string_view(prefix.data(), size_t(prefix.size())),
        std::string_view(body.data(), size_t(body.size())));
    if (outcome.error == 0)
        return {};
    const QString reason = qt_error_string(int(outcome.error)).trimmed();
    if (outcome.keptCopy.empty())
        return failure(path, reason);
    return failure(path, QStringLiteral("%1 Its old content is kept in %2.")
                             .arg(reason, QString::fromStdWString(outcome.keptCopy)));
#endif
}
