#include "platform/SafeFileWriter.h"

#include "platform/RegistryFileAccess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace platform::safefile {
namespace {

Outcome failed(int error, Outcome::Kind kind = Outcome::Failed)
{
    return {kind, error, {}};
}

#ifndef _WIN32

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
int writeAt(int fd, const char* data, size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size, offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        size -= size_t(written);
        offset += written;
    }
    return 0;
}

int writeContent(int fd, std::string_view prefix, std::string_view body)
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
        if (const int error = writeAt(to, buffer.data(), size_t(got), offset))
            return error;
        offset += got;
    }
    return 0;
}

// The names of a file's extended attributes; false on failure (no support counts as none).
bool attributeNames(int fd, std::vector<std::string>& names)
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
    std::vector<std::string> names, present;
    if (!attributeNames(from, names) || !attributeNames(to, present))
        return false;
    for (const std::string& name : present) {
        if (std::find(names.begin(), names.end(), name) == names.end() && ::fremovexattr(to, name.c_str()) != 0)
            return false;
    }
    for (const std::string& name : names) {
        const ssize_t size = ::fgetxattr(from, name.c_str(), nullptr, 0);
        if (size < 0)
            return false;
        std::vector<char> value(size_t(size) + 1);
        const ssize_t got = ::fgetxattr(from, name.c_str(), value.data(), value.size());
        if (got < 0 || ::fsetxattr(to, name.c_str(), value.data(), size_t(got), 0) != 0)
            return false;
    }
    return true;
}

// A new file that only this user can read, from a mkstemp pattern; -1 with errno on failure.
int createPrivate(std::string& pattern)
{
    return ::mkostemp(pattern.data(), O_CLOEXEC);
}

std::string siblingPattern(const std::string& target, const char* kind)
{
    const size_t slash = target.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return target.substr(0, nameStart) + '.' + target.substr(nameStart) + ".tessary-" + kind + "-XXXXXX";
}

void syncFolderOf(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd >= 0)
        ::fsync(fd);
}

// Writes the content into a temporary file that takes the place of target. Returns false, with
// nothing changed, when the temporary file cannot be made like the old one (existing: its stat and
// an open descriptor), so that the caller writes in place; else true with the outcome.
bool replaceAtomically(const std::string& target, const struct stat* existing, int existingFd,
                       std::string_view prefix, std::string_view body, Outcome& result)
{
    std::string temp = siblingPattern(target, "save");
    const Descriptor fd(createPrivate(temp));
    if (fd < 0) {
        result = failed(errno);
        return false;
    }
    auto abandon = [&](int error) {
        ::unlink(temp.c_str());
        result = failed(error);
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
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        // A file mounted on its own or a sticky folder refuses the rename: write in place.
        abandon(errno);
        return existing == nullptr;
    }
    syncFolderOf(target);
    result = {};
    return true;
}

Outcome writeInPlace(const std::string& target, const struct stat& existing, int fd, std::string_view prefix,
                     std::string_view body)
{
    // The copy goes beside the file when its folder takes it, else into the temporary folder.
    std::string backupName = siblingPattern(target, "backup");
    Descriptor beside(createPrivate(backupName));
    if (beside < 0) {
        std::error_code ec;
        std::string folder = std::filesystem::temp_directory_path(ec).string();
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        backupName = (ec ? std::string("/tmp") : folder) + "/tessary-backup-XXXXXX";
    }
    const Descriptor elsewhere(beside < 0 ? createPrivate(backupName) : -1);
    const int backup = beside >= 0 ? int(beside) : int(elsewhere);
    if (backup < 0)
        return failed(errno, Outcome::NoBackup);
    int error = copyContent(fd, backup, existing.st_size);
    if (!error)
        error = syncFile(backup);
    if (error) {
        ::unlink(backupName.c_str());
        return failed(error, Outcome::NoBackup);
    }

    const off_t newSize = off_t(prefix.size() + body.size());
    error = writeContent(fd, prefix, body);
    if (!error && ::ftruncate(fd, newSize) != 0)
        error = errno;
    if (!error)
        error = syncFile(fd);
    if (!error) {
        ::unlink(backupName.c_str());
        return {};
    }
    // Put the old content back.
    int restored = copyContent(backup, fd, existing.st_size);
    if (!restored && ::ftruncate(fd, existing.st_size) != 0)
        restored = errno;
    if (!restored)
        restored = syncFile(fd);
    if (!restored) {
        ::unlink(backupName.c_str());
        return failed(error);
    }
    return {Outcome::Failed, error, backupName};
}

#endif // !_WIN32

} // namespace

void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
#endif
}

#ifndef _WIN32

Outcome write(const std::string& path, std::string_view prefix, std::string_view body, ReadOnly readOnly)
{
    ignoreFileSizeSignal();
    const std::string target = registryfile::resolveLink(path);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) {
        if (errno != ENOENT)
            return failed(errno);
        Outcome result;
        replaceAtomically(target, nullptr, -1, prefix, body, result);
        return result;
    }
    if (!S_ISREG(existing.st_mode))
        return failed(0, Outcome::NotRegular);
    // The system's own answer to writing this file. No blocking: something swapped in for the file
    // since the check must not hang the write.
    const Descriptor fd(::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd < 0)
        return failed(errno);
    if (::fstat(fd, &existing) != 0 || !S_ISREG(existing.st_mode))
        return failed(0, Outcome::NotRegular);
    if (readOnly == ReadOnly::AlsoWithoutWriteBit && (existing.st_mode & 0222) == 0)
        return failed(EACCES);
    if (existing.st_nlink == 1) {
        Outcome result;
        if (replaceAtomically(target, &existing, fd, prefix, body, result))
            return result;
    }
    return writeInPlace(target, existing, fd, prefix, body);
}

#else

namespace {

int writeWhole(HANDLE file, std::string_view prefix, std::string_view body)
{
    for (std::string_view part : {prefix, body}) {
        DWORD written = 0;
        if (!part.empty() && (!WriteFile(file, part.data(), DWORD(part.size()), &written, nullptr) || written != part.size()))
            return int(GetLastError());
    }
    return SetEndOfFile(file) && FlushFileBuffers(file) ? 0 : int(GetLastError());
}

} // namespace

Outcome write(const std::string& path, std::string_view prefix, std::string_view body, ReadOnly)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    std::string error;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD why = GetLastError();
        if (why != ERROR_FILE_NOT_FOUND)
            return failed(int(why));
        return registryfile::replaceFileAtomically(path, std::string(prefix) + std::string(body), error)
                   ? Outcome{}
                   : failed(int(GetLastError()));
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return failed(0, Outcome::NotRegular);
    // The system's own answer: a file marked read-only does not open for writing.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return failed(int(GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    const bool linked = GetFileInformationByHandle(file, &info) && info.nNumberOfLinks > 1;
    if (!linked) {
        CloseHandle(file);
        return registryfile::replaceFileAtomically(path, std::string(prefix) + std::string(body), error)
                   ? Outcome{}
                   : failed(int(GetLastError()));
    }
    // Other names share the file: write it in place, after a copy of the old content is kept.
    std::string old;
    const auto read = registryfile::readWholeFile(path, uint64_t(1) << 31, old, error);
    const std::string backup = read == registryfile::ReadStatus::Ok ? registryfile::keepCopy(path + ".tessary-backup", old)
                                                                     : std::string();
    if (backup.empty()) {
        CloseHandle(file);
        return failed(int(GetLastError()), Outcome::NoBackup);
    }
    Outcome result;
    if (const int why = writeWhole(file, prefix, body)) {
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        result = writeWhole(file, old, {}) == 0 ? failed(why) : Outcome{Outcome::Failed, why, backup};
    }
    CloseHandle(file);
    if (result.keptCopy.empty())
        DeleteFileA(backup.c_str());
    return result;
}

#endif

} // namespace platform::safefile
