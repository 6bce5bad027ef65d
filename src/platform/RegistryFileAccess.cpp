#include "platform/RegistryFileAccess.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include "platform/win/WinFileSave.h"

#include <windows.h>
#include <process.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace platform::registryfile {
namespace {

std::string lastErrorText()
{
    return std::strerror(errno);
}

std::string temporaryNameFor(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const unsigned long pid = static_cast<unsigned long>(_getpid());
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return path + ".tmp-" + std::to_string(pid) + "-" + std::to_string(counter++);
}

bool processIsGone(unsigned long pid);

// The PID in "<base>.tmp-PID-N", or 0 when the name is not one of our temporary files.
unsigned long temporaryFileOwner(const std::string& name, const std::string& base)
{
    const std::string prefix = base + ".tmp-";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::string rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size())
        return 0;
    for (size_t i = 0; i < rest.size(); ++i)
        if (i != dash && (rest[i] < '0' || rest[i] > '9'))
            return 0;
    if (dash > 9)
        return 0;
    return std::stoul(rest.substr(0, dash));
}

} // namespace

// Settings files kept elsewhere and linked into place stay linked: the link's target is replaced.
std::string resolveLink(const std::string& path)
{
    fs::path current(path);
    std::error_code ec;
    // A link may point at a file not created yet, so follow the links by hand (chains included).
    for (int hops = 0; hops < 40 && fs::is_symlink(current, ec); ++hops) {
        fs::path next = fs::read_symlink(current, ec);
        if (ec)
            return path;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
}

int removeStaleTemporaryFiles(const std::string& linkOrPath)
{
    const fs::path path(resolveLink(linkOrPath));
    const std::string base = path.filename().string();
    fs::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    int removed = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const unsigned long pid = temporaryFileOwner(it->path().filename().string(), base);
        if (pid != 0 && processIsGone(pid)) {
            std::error_code removeError;
            if (fs::remove(it->path(), removeError))
                ++removed;
        }
    }
    return removed;
}

std::string keepCopy(const std::string& preferredName, const std::string& contents)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string target = attempt == 0 ? preferredName : preferredName + "-" + std::to_string(attempt);
        std::error_code ec;
        if (fs::exists(target, ec) || ec)
            continue;
        // Created exclusively where the C library can, so a copy made by another process at the same
        // moment is never replaced (callers hold the store's lock besides).
#ifdef _WIN32
        FILE* file = std::fopen(target.c_str(), "wb");
#else
        FILE* file = std::fopen(target.c_str(), "wbx");
#endif
        if (!file)
            continue;
        const bool ok = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size() &&
                        std::fflush(file) == 0;
        std::fclose(file);
        if (ok)
            return target;
        fs::remove(target, ec);
        return {};
    }
    return {};
}

FileIdentity identityOf(const std::string& path)
{
    FileIdentity id;
#ifdef _WIN32
    // The file's number tells a file renamed into place from the one before, whatever its time (to
    // the second only through the C library) and size.
    const win::FileIdentity file = win::fileIdentity(path);
    id.exists = file.exists;
    id.device = file.volume;
    id.inode = file.index;
    id.size = file.size;
    id.modifiedNs = file.modified * 100;
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return id;
    id.exists = true;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.inode = static_cast<uint64_t>(st.st_ino);
    id.size = static_cast<uint64_t>(st.st_size);
    id.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
    return id;
}

ReadStatus readWholeFile(const std::string& path, uint64_t maxBytes, std::string& contents, std::string& error)
{
    contents.clear();
#ifndef _WIN32
    // Opened without blocking and refused unless a regular file: a pipe put in its place would hang
    // the reader, and with it every editor waiting for the lock the reader may hold.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return ReadStatus::Missing;
        error = lastErrorText();
        return ReadStatus::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
        ::close(fd);
        return ReadStatus::Failed;
    }
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = lastErrorText();
        else if (contents.size() + size_t(n) > maxBytes)
            error = "larger than " + std::to_string(maxBytes) + " bytes";
        else if (n > 0) {
            contents.append(chunk, size_t(n));
            continue;
        }
        ::close(fd);
        return n == 0 ? ReadStatus::Ok : ReadStatus::Failed;
    }
#else
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        if (!ec)
            return ReadStatus::Missing;
        error = ec.message();
        return ReadStatus::Failed;
    }
    if (fs::is_directory(path, ec)) {
        error = "it is a folder";
        return ReadStatus::Failed;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (!fs::exists(path, ec))
            return ReadStatus::Missing; // replaced or removed in between
        error = lastErrorText();
        return ReadStatus::Failed;
    }
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        contents.append(buffer, static_cast<size_t>(in.gcount()));
        if (contents.size() > maxBytes) {
            error = "larger than " + std::to_string(maxBytes) + " bytes";
            return ReadStatus::Failed;
        }
    }
    if (in.bad()) {
        error = "read error";
        return ReadStatus::Failed;
    }
    return ReadStatus::Ok;
#endif
}

bool ensureParentFolder(const std::string& filePath, std::string& error)
{
    fs::path parent = fs::path(filePath).parent_path();
    if (parent.empty())
        return true;
    std::error_code ec;
    fs::create_directories(parent, ec);
    if (ec && !fs::is_directory(parent)) {
        error = ec.message();
        return false;
    }
    return true;
}

#ifdef _WIN32

namespace {
bool processIsGone(unsigned long pid)
{
    if (pid == static_cast<unsigned long>(_getpid()))
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return !running;
}
} // namespace

bool replaceFileAtomically(const std::string& linkOrPath, const std::string& contents, std::string& error)
{
    const std::string path = resolveLink(linkOrPath);
    const std::string temp = temporaryNameFor(path);
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot create " + temp;
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
              written == contents.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (ok)
        ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        error = "cannot write " + path;
        DeleteFileA(temp.c_str());
    }
    return ok;
}

std::string moveAside(const std::string& path, const std::string& preferredName)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string target = attempt == 0 ? preferredName : preferredName + "-" + std::to_string(attempt);
        if (MoveFileExA(path.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
            return target;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return {};
    }
    return {};
}

#else

namespace {
bool processIsGone(unsigned long pid)
{
    if (pid == static_cast<unsigned long>(getpid()) || pid > 0x7FFFFFFFul)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}
} // namespace

bool replaceFileAtomically(const std::string& linkOrPath, const std::string& contents, std::string& error)
{
    const std::string path = resolveLink(linkOrPath);
    const std::string temp = temporaryNameFor(path);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot create " + temp + ": " + lastErrorText();
        return false;
    }
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    const char* data = contents.data();
    size_t left = contents.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (!ok)
        error = "cannot write " + temp + ": " + lastErrorText();
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = "cannot write " + temp + ": " + lastErrorText();
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = "cannot replace " + path + ": " + lastErrorText();
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    std::string folder = fs::path(path).parent_path().string();
    int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::string moveAside(const std::string& path, const std::string& preferredName)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string target = attempt == 0 ? preferredName : preferredName + "-" + std::to_string(attempt);
        // link() never replaces an existing file, unlike rename().
        if (::link(path.c_str(), target.c_str()) == 0) {
            ::unlink(path.c_str());
            return target;
        }
        if (errno == EEXIST)
            continue;
        if (errno == EPERM || errno == EXDEV || errno == ENOTSUP || errno == EMLINK) {
            // File systems without hard links: check, then rename.
            std::error_code ec;
            if (fs::exists(target, ec))
                continue;
            if (::rename(path.c_str(), target.c_str()) == 0)
                return target;
        }
        return {};
    }
    return {};
}

#endif

ExclusiveFileLock::ExclusiveFileLock(const std::string& lockPath, int waitMs)
{
    busy_ = lock_.acquire(std::filesystem::path(lockPath), waitMs) == FileLock::Result::Busy;
}

} // namespace platform::registryfile
