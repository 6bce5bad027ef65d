#pragma once
// Writing a file so that no failure costs its old content, and the file keeps what the user and the
// system attached to it: owner, group, mode, hard links and extended attributes (ACLs among them).
// Through a symbolic link the file it names is written; the link stays.
//
// The new content replaces the file atomically (a temporary file beside it, synced and renamed over
// it) when the folder is writable, the file has one link and the temporary file can take the same
// owner, mode and attributes. Otherwise the file is rewritten in place, after a copy of its old
// content is kept beside it or in the temporary folder; the copy goes back on any failure and is
// removed once the new content is complete and flushed. A file the system will not open for writing
// is refused before anything is written. Plain C++ (POSIX, or Win32 when built for Windows).

#include <string>
#include <string_view>

namespace platform::safefile {

struct Outcome {
    enum Kind { Written, NotRegular, NoBackup, Failed };
    Kind kind = Written;
    int error = 0;        // the system's error number of the failed step (errno; GetLastError on Windows)
    std::string keptCopy; // Failed: the old content could not be put back and waits in this file
    bool ok() const { return kind == Written; }
};

enum class ReadOnly {
    AsTheSystemSays,    // refused when the system will not open the file for writing
    AlsoWithoutWriteBit // besides, a file without any write permission bit is read-only even for
                        // the administrator, as a file marked read-only is on Windows
};

Outcome write(const std::string& path, std::string_view prefix, std::string_view body,
              ReadOnly readOnly = ReadOnly::AsTheSystemSays);

// A process file-size limit must fail a write (EFBIG) rather than end the program with SIGXFSZ.
void ignoreFileSizeSignal();

} // namespace platform::safefile
