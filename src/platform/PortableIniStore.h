#pragma once
// INI files read and written directly, for systems without the Windows profile functions. It gives
// the results those functions give for the same text:
//  - section and key names compare without regard to (ASCII) letter case, blanks around names and
//    values are dropped, lines whose first non-blank character is ";" are comments (left out of
//    section listings, yet a key asked for with its ";" finds such a line);
//  - of two equal sections or keys the first one counts;
//  - a value enclosed in a pair of matching quotes (" or ') is read without them;
//  - CR LF, LF and a carriage return alone each end a line.
// A write changes only the lines it must: every other line (comments and blank lines included) keeps
// its bytes and its line break, and new lines use the file's own line break. Writes go through the
// safe file writer (SafeFileWriter.h): the file keeps its owner, mode and links, and a failure leaves
// it as it was. A file that exists but cannot be read is never written over, nor is one without any
// write permission bit (read-only, as the profile functions' read-only attribute), even for root.

#include "platform/IniStore.h"

namespace platform {

// TESSARY_WIN_INI when set, else "win.ini" in the editor's configuration folder
// ($XDG_CONFIG_HOME/tessary-editor, XDG_CONFIG_HOME defaulting to ~/.config).
std::string defaultSystemIniPath();

class PortableIniStore : public IniStore {
public:
    explicit PortableIniStore(std::string systemFile = defaultSystemIniPath());

    std::string readString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& defaultValue) override;
    int readInt(const std::string& file, const std::string& section, const std::string& key,
                int defaultValue) override;
    std::vector<std::string> readSection(const std::string& file, const std::string& section) override;
    bool writeString(const std::string& file, const std::string& section, const std::string& key,
                     const std::optional<std::string>& value) override;
    bool writeSection(const std::string& file, const std::string& section,
                      const std::vector<std::string>& entries) override;
    bool flush(const std::string& file) override;
    std::string systemFilePath() override { return systemFile_; }

    static constexpr unsigned long long MaxFileBytes = 64ull << 20;

private:
    std::string pathOf(const std::string& file) const;
    std::string systemFile_;
};

} // namespace platform
