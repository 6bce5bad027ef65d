#pragma once
// The operating-system side of the registry file: whole-file reads, an exclusive lock on a side file,
// atomic replacement (temporary file, flush to disk, rename over) and moving a bad file aside.
// POSIX calls, or their Win32 counterparts when built for Windows.

#include "platform/FileLock.h"

#include <cstdint>
#include <string>

namespace platform::registryfile {

// What tells one version of the file from another, so that a cached copy can be reused.
struct FileIdentity {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const std::string& path);

enum class ReadStatus { Ok, Missing, Failed };
// Reads the whole file; files larger than maxBytes fail with a reason in `error`.
ReadStatus readWholeFile(const std::string& path, uint64_t maxBytes, std::string& contents, std::string& error);

// Creates the folder that will hold `filePath` and every missing folder above it.
bool ensureParentFolder(const std::string& filePath, std::string& error);

// The file a symbolic link names, following chains of links, even when that file does not exist yet;
// `path` itself when it is no link.
std::string resolveLink(const std::string& path);

// Writes `contents` to a temporary file beside `path`, flushes it to disk and renames it over `path`
// (over the target when `path` is a symbolic link).
bool replaceFileAtomically(const std::string& path, const std::string& contents, std::string& error);

// Renames `path` to a name that is not taken yet; returns the new name, or "" when that failed.
std::string moveAside(const std::string& path, const std::string& preferredName);

// Writes `contents` to a new file named preferredName (or preferredName-N when taken), flushed;
// returns its name, or "" when that failed.
std::string keepCopy(const std::string& preferredName, const std::string& contents);

// Removes the temporary files "<file>.tmp-PID-N" that writers of `path` left behind when they were
// killed mid-write: those whose process no longer runs. Returns how many were removed.
int removeStaleTemporaryFiles(const std::string& path);

// Holds an exclusive lock on `lockPath` (created if needed) for the object's lifetime. A lock that
// another process holds is waited for, at most waitMs: then isLocked() is false and heldElsewhere()
// true. Writers hold it for milliseconds, so a longer wait means a stuck or hostile holder.
class ExclusiveFileLock {
public:
    static constexpr int DefaultWaitMs = 3000;
    explicit ExclusiveFileLock(const std::string& lockPath, int waitMs = DefaultWaitMs);
    bool isLocked() const { return lock_.locked(); }
    bool heldElsewhere() const { return busy_; }

private:
    FileLock lock_;
    bool busy_ = false;
};

} // namespace platform::registryfile
