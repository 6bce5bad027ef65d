#include "platform/FileLock.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

constexpr auto RetryEvery = std::chrono::milliseconds(20);

} // namespace

#ifdef _WIN32

FileLock::Result FileLock::acquire(const std::filesystem::path& path, int waitMs, bool create)
{
    release();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Result::Failed;
    return lockOpened(reinterpret_cast<intptr_t>(file), waitMs);
}

FileLock::Result FileLock::lockOpened(intptr_t handle, int waitMs)
{
    HANDLE file = reinterpret_cast<HANDLE>(handle);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        OVERLAPPED overlapped{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &overlapped)) {
            handle_ = handle;
            return Result::Locked;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline) {
            CloseHandle(file);
            return error == ERROR_LOCK_VIOLATION ? Result::Busy : Result::Failed;
        }
        std::this_thread::sleep_for(RetryEvery);
    }
}

void FileLock::release()
{
    if (handle_ == -1)
        return;
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED overlapped{};
    UnlockFileEx(file, 0, 1, 0, &overlapped);
    CloseHandle(file);
    handle_ = -1;
}

#else

FileLock::Result FileLock::acquire(const std::filesystem::path& path, int waitMs, bool create)
{
    release();
    // Never blocks on opening: a pipe in the lock file's place is refused below.
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (create ? O_CREAT : 0), 0600);
    return fd < 0 ? Result::Failed : lockOpened(fd, waitMs);
}

FileLock::Result FileLock::acquireAt(int folder, const char* name, bool create, int waitMs)
{
    release();
    const int fd = ::openat(folder, name, O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW | (create ? O_CREAT : 0),
                            0600);
    return fd < 0 ? Result::Failed : lockOpened(fd, waitMs);
}

FileLock::Result FileLock::lockOpened(intptr_t handle, int waitMs)
{
    const int fd = int(handle);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Result::Failed;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            handle_ = fd;
            return Result::Locked;
        }
        if (errno == EINTR)
            continue;
        const bool busy = errno == EWOULDBLOCK;
        if (!busy || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return busy ? Result::Busy : Result::Failed;
        }
        std::this_thread::sleep_for(RetryEvery);
    }
}

bool FileLock::heldAs(int folder, const char* name) const
{
    struct stat held {}, named {};
    return handle_ != -1 && ::fstat(int(handle_), &held) == 0 && ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0
           && held.st_ino == named.st_ino && held.st_dev == named.st_dev;
}

void FileLock::release()
{
    if (handle_ == -1)
        return;
    ::close(int(handle_)); // drops the lock
    handle_ = -1;
}

#endif

} // namespace platform
