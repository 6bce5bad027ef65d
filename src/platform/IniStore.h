#pragma once
// INI files ("[section]" lines followed by "key=value" lines) read and written by the rules of the
// Windows profile functions. Plain C++ so that the Windows backend builds without Qt. Names and values
// are bytes in the system code page (ANSI on Windows, UTF-8 elsewhere), exactly as they cross the
// profile functions.
//
// An empty file name stands for the system-wide INI file (WIN.INI on Windows).

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class IniStore {
public:
    virtual ~IniStore() = default;

    // The key's value with blanks and one pair of enclosing quotes removed; defaultValue (trailing
    // blanks removed) when the section or key is missing.
    virtual std::string readString(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& defaultValue) = 0;
    // The key's value as a whole number; defaultValue when the key is missing or empty.
    virtual int readInt(const std::string& file, const std::string& section, const std::string& key,
                        int defaultValue) = 0;
    // The section's entries in file order: "key=value", or the line itself when it has no "=".
    // Comments and blank lines are left out; a missing section gives none.
    virtual std::vector<std::string> readSection(const std::string& file, const std::string& section) = 0;
    // Sets the key's value, adding the section and key when missing; no value removes the key.
    // False when the file could not be written (or the names cannot be stored in an INI line).
    virtual bool writeString(const std::string& file, const std::string& section, const std::string& key,
                             const std::optional<std::string>& value) = 0;
    // Replaces every entry of the section with these "key=value" lines.
    virtual bool writeSection(const std::string& file, const std::string& section,
                              const std::vector<std::string>& entries) = 0;
    // Writes whatever the backend holds in memory for the file.
    virtual bool flush(const std::string& file) = 0;
    // Full path of the system-wide INI file.
    virtual std::string systemFilePath() = 0;
};

// The profile functions on Windows; elsewhere the portable store on the file defaultSystemIniPath()
// names.
std::shared_ptr<IniStore> defaultIniStore();

} // namespace platform
