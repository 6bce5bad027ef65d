// The registry store on Windows: the system registry through the ANSI registry functions.

#include "platform/win/WinRegistryStore.h"

#include "platform/FileRegistryStore.h"

#include <windows.h>

#include <cstdlib>

namespace platform {
namespace {

HKEY rootKey(uint32_t hive)
{
    // Predefined keys are sign-extended handle values.
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(hive)));
}

// An open key that closes itself.
class OpenKey {
public:
    OpenKey(uint32_t hive, const std::string& path, REGSAM access)
    {
        if (RegOpenKeyExA(rootKey(hive), path.c_str(), 0, access, &handle_) != ERROR_SUCCESS)
            handle_ = nullptr;
    }
    explicit OpenKey(HKEY created) : handle_(created) {}
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey()
    {
        if (handle_)
            RegCloseKey(handle_);
    }
    explicit operator bool() const { return handle_ != nullptr; }
    HKEY get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

HKEY createPath(uint32_t hive, const std::string& path)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(rootKey(hive), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return handle;
}

} // namespace

bool WinRegistryStore::createKey(uint32_t hive, const std::string& path)
{
    OpenKey key(createPath(hive, path));
    return bool(key);
}

bool WinRegistryStore::keyExists(uint32_t hive, const std::string& path)
{
    return bool(OpenKey(hive, path, KEY_READ));
}

bool WinRegistryStore::setValue(uint32_t hive, const std::string& path, const RegistryValue& value)
{
    OpenKey key(createPath(hive, path));
    if (!key)
        return false;
    const BYTE* data = value.data.empty() ? nullptr : value.data.data();
    return RegSetValueExA(key.get(), value.name.c_str(), 0, value.type, data,
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

std::optional<std::vector<RegistryValue>> WinRegistryStore::values(uint32_t hive, const std::string& path)
{
    OpenKey key(hive, path, KEY_QUERY_VALUE);
    if (!key)
        return std::nullopt;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<RegistryValue> result;
    std::string name(longestName + 1, '\0');
    std::vector<uint8_t> data(longestData + 1);
    for (DWORD index = 0;;) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG status = RegEnumValueA(key.get(), index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_MORE_DATA) {
            // A value grew since the size query: make room and read the same index again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            continue;
        }
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        RegistryValue value;
        value.name.assign(name.data(), nameSize);
        value.type = type;
        value.data.assign(data.begin(), data.begin() + dataSize);
        result.push_back(std::move(value));
        ++index;
    }
    return result;
}

std::optional<std::vector<std::string>> WinRegistryStore::subKeys(uint32_t hive, const std::string& path)
{
    OpenKey key(hive, path, KEY_ENUMERATE_SUB_KEYS);
    if (!key)
        return std::nullopt;
    std::vector<std::string> names;
    // Key names are at most 255 characters.
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        LONG status = RegEnumKeyExA(key.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        names.emplace_back(name, size);
    }
    return names;
}

bool WinRegistryStore::deleteKey(uint32_t hive, const std::string& path)
{
    // An empty path would name the root itself.
    if (path.empty())
        return false;
    return RegDeleteKeyA(rootKey(hive), path.c_str()) == ERROR_SUCCESS;
}

bool WinRegistryStore::deleteValue(uint32_t hive, const std::string& path, const std::string& name)
{
    OpenKey key(hive, path, KEY_SET_VALUE);
    return key && RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS;
}

#ifndef TESSARY_FILE_REGISTRY
std::shared_ptr<RegistryStore> defaultRegistryStore()
{
    // A named registry file replaces the system registry, so that tests and trial runs never touch
    // the user's settings.
    const char* file = std::getenv("TESSARY_REGISTRY_FILE");
    if (file && *file)
        return std::make_shared<FileRegistryStore>(defaultRegistryFilePath());
    return std::make_shared<WinRegistryStore>();
}
#endif

} // namespace platform
