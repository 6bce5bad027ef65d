#pragma once
// Saving a file on Windows so that no failure costs the old content and the file keeps what the
// user and the system attached to it.

#include <string>
#include <string_view>

namespace platform::win {

struct SaveOutcome {
    unsigned long error = 0; // 0, or the system's error code
    std::wstring keptCopy;   // after a failure that could not put the old content back: where it is
};

// Writes prefix + body as the whole content of path. An existing file is replaced through the system's
// replace call, which keeps its security descriptor (ACLs), creation time, attributes and streams;
// a file with more than one name, a link, or one whose folder takes no new file is rewritten in
// place after a copy of its old content is kept. A read-only file is refused, as the system does.
SaveOutcome saveFile(const std::wstring& path, std::string_view prefix, std::string_view body);

// What tells one version of a file from another: the file's number on its volume (a file renamed
// into its place has another), size and time of the last write. exists is false when the path names
// no file that can be opened, or a folder.
struct FileIdentity {
    bool exists = false;
    unsigned long long volume = 0, index = 0, size = 0;
    long long modified = 0; // in 100-nanosecond steps since 1601
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity fileIdentity(const std::wstring& path);
FileIdentity fileIdentity(const std::string& ansiPath);

} // namespace platform::win
