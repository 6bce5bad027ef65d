#pragma once
// An exclusive lock on a file (created when missing), held until released or destroyed. The system
// drops it when the holder ends in any way, so a lock that can be taken proves its last holder gone.
// POSIX flock, or LockFileEx when built for Windows. Plain C++: no Qt.

#include <cstdint>
#include <filesystem>

namespace platform {

class FileLock {
public:
    enum class Result { Locked, Busy, Failed };

    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Tries to lock the file at path, again and again for up to waitMs when another holds it.
    // create: made when missing.
    Result acquire(const std::filesystem::path& path, int waitMs, bool create = true);
#ifndef _WIN32
    // The same for the file name in an open folder, never through a symbolic link; create: made
    // when missing (mode 0600).
    Result acquireAt(int folder, const char* name, bool create, int waitMs);
    // Whether the held file is still the one under that name (another process may have removed
    // the name and made a new file since).
    bool heldAs(int folder, const char* name) const;
#endif
    void release();
    bool locked() const { return handle_ != -1; }

private:
    Result lockOpened(intptr_t handle, int waitMs);

    intptr_t handle_ = -1;
};

} // namespace platform
