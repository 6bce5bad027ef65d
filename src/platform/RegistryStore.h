#pragma once
// The registry as the editor sees it: keys under a predefined root, each holding typed values.
// Plain C++ so that the Windows backend (Win32 registry calls) builds without Qt. Names and string
// data are bytes in the system's ANSI code page, exactly as they cross the Win32 ANSI interface:
// Windows-1252 there, UTF-8 on other systems.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Predefined root keys, with their Win32 handle values.
enum : uint32_t {
    HKEY_CLASSES_ROOT_ = 0x80000000u,
    HKEY_CURRENT_USER_ = 0x80000001u,
    HKEY_LOCAL_MACHINE_ = 0x80000002u,
    HKEY_USERS_ = 0x80000003u,
};

// Registry value types, with their Win32 numbers.
enum : uint32_t {
    REG_NONE_ = 0,
    REG_SZ_ = 1,
    REG_EXPAND_SZ_ = 2,
    REG_BINARY_ = 3,
    REG_DWORD_ = 4,
    REG_DWORD_BIG_ENDIAN_ = 5,
    REG_MULTI_SZ_ = 7,
    REG_QWORD_ = 11,
};

struct RegistryValue {
    std::string name;          // as first written (names compare without letter case)
    uint32_t type = REG_NONE_;
    std::vector<uint8_t> data; // raw bytes; REG_SZ includes its terminating NUL
};

class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // Creates the key and every missing key on its path. False when the store refuses.
    virtual bool createKey(uint32_t hive, const std::string& path) = 0;
    virtual bool keyExists(uint32_t hive, const std::string& path) = 0;
    // Creates the key path if needed, then stores the value, replacing one of the same name.
    virtual bool setValue(uint32_t hive, const std::string& path, const RegistryValue& value) = 0;
    // Stores several values of one key; a store that can makes it one change that other processes
    // see whole. False when any of them was refused.
    virtual bool setValues(uint32_t hive, const std::string& path, const std::vector<RegistryValue>& values)
    {
        bool ok = true;
        for (const RegistryValue& value : values)
            ok = setValue(hive, path, value) && ok;
        return ok;
    }
    // The key's values in a stable order; nullopt when the key cannot be opened.
    virtual std::optional<std::vector<RegistryValue>> values(uint32_t hive, const std::string& path) = 0;
    // Names of the direct sub-keys in a stable order; nullopt when the key cannot be opened.
    virtual std::optional<std::vector<std::string>> subKeys(uint32_t hive, const std::string& path) = 0;
    // Deletes a key that has no sub-keys (as RegDeleteKey does). False when absent or it has sub-keys.
    virtual bool deleteKey(uint32_t hive, const std::string& path) = 0;
    virtual bool deleteValue(uint32_t hive, const std::string& path, const std::string& name) = 0;
};

// The store the editor uses: the Win32 registry on Windows, otherwise the text-file store at the path
// that defaultRegistryFilePath() names.
std::shared_ptr<RegistryStore> defaultRegistryStore();

} // namespace platform
