// The INI store on Windows: the system's own profile functions (ANSI forms). An empty file name
// selects the WIN.INI variants.

#include "platform/IniStore.h"

#include <windows.h>

namespace platform {
namespace {

class WinIniStore : public IniStore {
public:
    std::string readString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& defaultValue) override
    {
        // Grow the buffer until the value fits (the function reports size - 1 when it cut the text).
        for (DWORD size = 256;; size *= 2) {
            std::string buffer(size, '\0');
            DWORD copied = file.empty()
                ? GetProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(), size)
                : GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                           size, file.c_str());
            if (copied < size - 1 || size >= (1u << 20)) {
                buffer.resize(copied);
                return buffer;
            }
        }
    }

    int readInt(const std::string& file, const std::string& section, const std::string& key,
                int defaultValue) override
    {
        UINT value = file.empty() ? GetProfileIntA(section.c_str(), key.c_str(), defaultValue)
                                  : GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, file.c_str());
        return static_cast<int>(value);
    }

    std::vector<std::string> readSection(const std::string& file, const std::string& section) override
    {
        std::string buffer;
        DWORD copied = 0;
        // The function reports size - 2 when the block did not fit.
        for (DWORD size = 4096;; size *= 2) {
            buffer.assign(size, '\0');
            copied = file.empty() ? GetProfileSectionA(section.c_str(), buffer.data(), size)
                                  : GetPrivateProfileSectionA(section.c_str(), buffer.data(), size, file.c_str());
            if (copied < size - 2 || size >= (1u << 24))
                break;
        }
        std::vector<std::string> entries;
        for (size_t start = 0; start < copied;) {
            size_t end = buffer.find('\0', start);
            if (end == std::string::npos || end > copied)
                end = copied;
            if (end > start)
                entries.push_back(buffer.substr(start, end - start));
            start = end + 1;
        }
        return entries;
    }

    bool writeString(const std::string& file, const std::string& section, const std::string& key,
                     const std::optional<std::string>& value) override
    {
        const char* text = value ? value->c_str() : nullptr;
        BOOL ok = file.empty() ? WriteProfileStringA(section.c_str(), key.c_str(), text)
                               : WritePrivateProfileStringA(section.c_str(), key.c_str(), text, file.c_str());
        return ok != FALSE;
    }

    bool writeSection(const std::string& file, const std::string& section,
                      const std::vector<std::string>& entries) override
    {
        std::string block;
        for (const std::string& entry : entries)
            block += entry + '\0';
        block += '\0';
        BOOL ok = file.empty() ? WriteProfileSectionA(section.c_str(), block.c_str())
                               : WritePrivateProfileSectionA(section.c_str(), block.c_str(), file.c_str());
        return ok != FALSE;
    }

    bool flush(const std::string& file) override
    {
        // The flush call returns FALSE whether or not the cache was written, so its result says
        // nothing.
        if (file.empty())
            WriteProfileStringA(nullptr, nullptr, nullptr);
        else
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
        return true;
    }

    std::string systemFilePath() override
    {
        char folder[255] = {};
        UINT length = GetWindowsDirectoryA(folder, sizeof folder);
        if (length == 0 || length >= sizeof folder)
            return "\\WIN.INI";
        return std::string(folder, length) + "\\WIN.INI";
    }
};

} // namespace

std::shared_ptr<IniStore> defaultIniStore()
{
    return std::make_shared<WinIniStore>();
}

} // namespace platform
