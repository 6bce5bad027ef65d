#include "document/files/RecoveryFolder.h"
#include "platform/Descriptor.h"
#include "platform/FilePaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <thread>

#ifdef Q_OS_WIN
#include <QSaveFile>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::atomic<int> serial{0};

const QLatin1String RecordSuffix(".recovery");
const QLatin1String LockSuffix(".lock");

QString hex(quint64 value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0'));
}

// A temporary file for name: hidden, not a record, and named after its run so that one left by a
// killed writer can be told from one being written.
QString temporaryName(const QString& name)
{
    return QLatin1Char('.') + name + QStringLiteral(".tmp-") + hex(QRandomGenerator::global()->generate(), 8);
}

bool isTemporary(const QString& name)
{
    return name.startsWith(QLatin1Char('.')) && name.contains(RecordSuffix + QStringLiteral(".tmp-"));
}

} // namespace

QString RecoveryFolder::directory()
{
    const QString over = qEnvironmentVariable("TESSARY_RECOVERY_DIR");
    if (!over.isEmpty())
        return QDir::cleanPath(over);
#ifdef Q_OS_WIN
    QString local = qEnvironmentVariable("LOCALAPPDATA");
    if (local.isEmpty() || !QDir::isAbsolutePath(local))
        local = QDir::homePath() + QStringLiteral("/AppData/Local");
    return QDir::cleanPath(local + QStringLiteral("/tessary-editor/recovery"));
#else
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/tessary-editor/recovery"));
#endif
}

QString RecoveryFolder::runId()
{
    static const QString id = QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-')
                              + hex(QRandomGenerator::system()->generate64(), 16);
    return id;
}

QString RecoveryFolder::runOf(const QString& fileName)
{
    const QString name = fileName.startsWith(QLatin1Char('.')) ? fileName.mid(1) : fileName;
    const qsizetype end = name.indexOf(RecordSuffix);
    const qsizetype dash = end > 0 ? name.lastIndexOf(QLatin1Char('-'), end) : -1;
    return dash > 0 ? name.left(dash) : QString();
}

qint64 RecoveryFolder::pidOf(const QString& run) { return run.section(QLatin1Char('-'), 0, 0).toLongLong(); }

std::shared_ptr<RecoveryFolder> RecoveryFolder::current()
{
    static std::mutex mutex;
    static std::shared_ptr<RecoveryFolder> folder;
    const QString path = directory();
    const std::lock_guard<std::mutex> guard(mutex);
    if (!folder || folder->path() != path)
        folder = std::make_shared<RecoveryFolder>(path);
    return folder;
}

QString RecoveryFolder::newRecordName() { return runId() + QStringLiteral("-%1").arg(++serial) + RecordSuffix; }

QString RecoveryFolder::setAside(const QString& name, const QString& as)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString target = as + QStringLiteral(".damaged") + (attempt ? QStringLiteral("-%1").arg(attempt) : QString());
        if (rename(name, target))
            return target;
    }
    return {};
}

QList<RecoveryFolder::Claim> RecoveryFolder::claimOrphans(QStringList* skipped)
{
    QList<Claim> claims;
    if (!holdLock())
        return claims;
    for (const QString& original : records()) {
        const QString run = runOf(original);
        if (!run.isEmpty() && runAlive(run))
            continue;
        // Taken over before anything else: of two editors starting together only one gets it.
        const QString name = newRecordName();
        if (!rename(original, name))
            continue;
        // Only the header is read now, whatever the size of the file.
        std::optional<RecoveryRecord::Head> head = readHeader(name);
        if (head) {
            claims.append({name, original, std::move(*head)});
            continue;
        }
        const QString aside = setAside(name, original);
        if (skipped)
            skipped->append(QDir::toNativeSeparators(filePath(aside.isEmpty() ? name : aside)));
    }
    return claims;
}

void RecoveryFolder::release(const Claim& claim) { rename(claim.name, claim.original); }

QList<qint64> RecoveryFolder::editorsWithUnsavedChanges(const QString& path) const
{
    QList<qint64> editors;
    for (const QString& name : records()) {
        const QString run = runOf(name);
        const qint64 pid = pidOf(run);
        if (run.isEmpty() || run == runId() || editors.contains(pid))
            continue;
        const std::optional<RecoveryRecord::Head> head = readHeader(name);
        if (head && !head->record.path.isEmpty() && FilePaths::samePath(head->record.path, path) && runAlive(run))
            editors.append(pid);
    }
    return editors;
}

bool RecoveryFolder::holdLock()
{
    const std::lock_guard<std::mutex> guard(lockMutex_);
    if (lock_.locked())
        return true;
    if (!usable())
        return false;
#ifdef Q_OS_WIN
    return lock_.acquire(filePath(runId() + LockSuffix).toStdWString(), 0) == platform::FileLock::Result::Locked;
#else
    const QByteArray name = QFile::encodeName(runId() + LockSuffix);
    // Another editor may be removing the file as stale right now (it is not locked yet): hold a lock on
    // the file that stays in the folder.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (lock_.acquireAt(fd_, name.constData(), true, 0) == platform::FileLock::Result::Locked
            && lock_.heldAs(fd_, name.constData()))
            return true;
        lock_.release();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
#endif
}

#ifdef Q_OS_WIN

// The folder under the user's own profile is kept from other users by its access rights.
RecoveryFolder::RecoveryFolder(const QString& path) : path_(path)
{
    if (!QDir().mkpath(path))
        refusal_ = QStringLiteral("cannot be created");
}

RecoveryFolder::~RecoveryFolder() = default;

bool RecoveryFolder::write(const QString& name, QByteArrayView header, QByteArrayView text, QString* reason)
{
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (!holdLock())
        return fail(refusal_.isEmpty() ? QStringLiteral("this run's lock cannot be taken") : refusal_);
    // A record that another editor is reading at this moment cannot be replaced: again a moment later.
    for (int attempt = 1;; ++attempt) {
        QSaveFile file(filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return fail(file.errorString());
        if (file.write(header.data(), header.size()) != header.size() || file.write(text.data(), text.size()) != text.size()) {
            const QString why = file.errorString();
            file.cancelWriting();
            return fail(why);
        }
        if (file.commit())
            break;
        if (attempt == 50)
            return fail(file.errorString());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return QFileInfo(filePath(name)).size() == header.size() + text.size() || fail(QStringLiteral("incomplete"));
}

bool RecoveryFolder::remove(const QString& name) { return QFile::remove(filePath(name)); }

bool RecoveryFolder::rename(const QString& from, const QString& to)
{
    return !QFileInfo::exists(filePath(to)) && QFile::rename(filePath(from), filePath(to));
}

QStringList RecoveryFolder::records() const
{
    return QDir(path_).entryList({QStringLiteral("*") + RecordSuffix}, QDir::Files | QDir::NoSymLinks, QDir::Name);
}

std::optional<RecoveryRecord::Head> RecoveryFolder::readHeader(const QString& name) const
{
    QFile in(filePath(name));
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<RecoveryRecord::Head> head = RecoveryRecord::parseHeader(in.read(RecoveryRecord::MaxHeaderLength));
    if (!head || head->textStart + head->length != in.size())
        return std::nullopt;
    return head;
}

std::optional<QByteArray> RecoveryFolder::readText(const QString& name, const RecoveryRecord::Head& head) const
{
    QFile in(filePath(name));
    if (!in.open(QIODevice::ReadOnly) || in.size() != head.textStart + head.length || !in.seek(head.textStart))
        return std::nullopt;
    QByteArray text = in.read(head.length);
    if (text.size() != head.length)
        return std::nullopt;
    return text;
}

bool RecoveryFolder::runAlive(const QString& run) const
{
    if (run == runId() || !usable())
        return true;
    platform::FileLock probe;
    return probe.acquire(filePath(run + LockSuffix).toStdWString(), 0, false) == platform::FileLock::Result::Busy;
}

void RecoveryFolder::removeStaleFiles()
{
    const QDir dir(path_);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        const bool lock = name.endsWith(LockSuffix);
        if ((lock || isTemporary(name)) && !runAlive(lock ? name.chopped(LockSuffix.size()) : runOf(name)))
            QFile::remove(dir.filePath(name));
    }
}

#else

namespace {

QString reasonOf(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

int writeAll(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        left -= written;
    }
    return 0;
}

// Reads length bytes at offset; false when the file ends early or cannot be read.
bool readAt(int fd, char* data, qint64 length, qint64 offset)
{
    while (length > 0) {
        const ssize_t got = ::pread(fd, data, size_t(length), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        length -= got;
        offset += got;
    }
    return true;
}

using platform::Descriptor;

// A regular file of the folder opened for reading, never through a link and never blocking; its size.
int openRegular(int folder, const QString& name, qint64* size)
{
    const int fd = ::openat(folder, QFile::encodeName(name).constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    *size = info.st_size;
    return fd;
}

// The names of the folder's regular files (links and everything else left out).
QStringList regularFiles(int folder)
{
    QStringList names;
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info {};
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
            names << QFile::decodeName(entry->d_name);
    }
    ::closedir(dir);
    names.sort();
    return names;
}

} // namespace

RecoveryFolder::RecoveryFolder(const QString& path) : path_(path)
{
    const QByteArray native = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        refusal_ = QStringLiteral("cannot be created (%1)").arg(reasonOf(errno));
        return;
    }
    fd_ = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0)
        refusal_ = QStringLiteral("cannot be opened (%1)").arg(reasonOf(errno));
    else if (info.st_uid != ::geteuid())
        refusal_ = QStringLiteral("belongs to another user");
    else if (info.st_mode & (S_IWGRP | S_IWOTH))
        refusal_ = QStringLiteral("can be changed by other users");
    if (!refusal_.isEmpty() && fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RecoveryFolder::~RecoveryFolder()
{
    lock_.release();
    if (fd_ >= 0)
        ::close(fd_);
}

bool RecoveryFolder::write(const QString& name, QByteArrayView header, QByteArrayView text, QString* reason)
{
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (!holdLock())
        return fail(usable() ? QStringLiteral("this run's lock cannot be taken") : refusal_);
    const QByteArray temp = QFile::encodeName(temporaryName(name));
    const int fd = ::openat(fd_, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(reasonOf(errno));
    // Every step is checked: a full disk shows in a write, in the sync or only in the size.
    int error = writeAll(fd, header);
    if (!error)
        error = writeAll(fd, text);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    struct stat info {};
    if (!error && ::fstat(fd, &info) != 0)
        error = errno;
    if (!error && info.st_size != header.size() + text.size())
        error = EIO;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::renameat(fd_, temp.constData(), fd_, QFile::encodeName(name).constData()) != 0)
        error = errno;
    if (error) {
        ::unlinkat(fd_, temp.constData(), 0);
        return fail(reasonOf(error));
    }
    ::fsync(fd_);
    return true;
}

bool RecoveryFolder::remove(const QString& name)
{
    return usable() && ::unlinkat(fd_, QFile::encodeName(name).constData(), 0) == 0;
}

bool RecoveryFolder::rename(const QString& from, const QString& to)
{
    if (!usable())
        return false;
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(fd_, source.constData(), fd_, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    struct stat info {};
    return ::fstatat(fd_, target.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT
           && ::renameat(fd_, source.constData(), fd_, target.constData()) == 0;
}

QStringList RecoveryFolder::records() const
{
    return usable() ? regularFiles(fd_).filter(QRegularExpression(QStringLiteral("^[^.].*\\.recovery$")))
                    : QStringList();
}

std::optional<RecoveryRecord::Head> RecoveryFolder::readHeader(const QString& name) const
{
    qint64 size = 0;
    const Descriptor fd(usable() ? openRegular(fd_, name, &size) : -1);
    if (fd < 0)
        return std::nullopt;
    // Never more than the header: a stray file may be of any size.
    QByteArray head(qsizetype(std::min<qint64>(size, RecoveryRecord::MaxHeaderLength)), Qt::Uninitialized);
    if (!readAt(fd, head.data(), head.size(), 0))
        return std::nullopt;
    std::optional<RecoveryRecord::Head> parsed = RecoveryRecord::parseHeader(head);
    if (!parsed || parsed->textStart + parsed->length != size)
        return std::nullopt;
    return parsed;
}

std::optional<QByteArray> RecoveryFolder::readText(const QString& name, const RecoveryRecord::Head& head) const
{
    qint64 size = 0;
    const Descriptor fd(usable() ? openRegular(fd_, name, &size) : -1);
    if (fd < 0 || size != head.textStart + head.length)
        return std::nullopt;
    QByteArray text(qsizetype(head.length), Qt::Uninitialized);
    if (!readAt(fd, text.data(), head.length, head.textStart))
        return std::nullopt;
    return text;
}

bool RecoveryFolder::runAlive(const QString& run) const
{
    if (run == runId() || !usable())
        return true;
    platform::FileLock probe;
    return probe.acquireAt(fd_, QFile::encodeName(run + LockSuffix).constData(), false, 0)
           == platform::FileLock::Result::Busy;
}

void RecoveryFolder::removeStaleFiles()
{
    if (!usable())
        return;
    for (const QString& name : regularFiles(fd_)) {
        const QByteArray native = QFile::encodeName(name);
        if (name.endsWith(LockSuffix) && name.chopped(LockSuffix.size()) != runId()) {
            // Removed while locked here, so that a run starting under that name never loses its lock.
            platform::FileLock probe;
            if (probe.acquireAt(fd_, native.constData(), false, 0) == platform::FileLock::Result::Locked
                && probe.heldAs(fd_, native.constData()))
                ::unlinkat(fd_, native.constData(), 0);
        } else if (isTemporary(name) && !runAlive(runOf(name))) {
            ::unlinkat(fd_, native.constData(), 0);
        }
    }
}

#endif
