// The version record, version check and registry reads of the running Windows system.

#include "platform/OsVersionSource.h"

#include <windows.h>

#include <cstring>

namespace platform {
namespace {

OsVersionRecord fromInfo(const OSVERSIONINFOA& info)
{
    OsVersionRecord record;
    record.majorVersion = info.dwMajorVersion;
    record.minorVersion = info.dwMinorVersion;
    record.buildNumber = info.dwBuildNumber;
    record.platformId = info.dwPlatformId;
    record.csdVersion.assign(info.szCSDVersion, sizeof info.szCSDVersion);
    return record;
}

class WinOsVersionSource : public OsVersionSource {
public:
    OsVersionRecord basicVersion() override
    {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!GetVersionExA(&info))
            return {};
        return fromInfo(info);
    }

    std::optional<OsVersionRecord> extendedVersion() override
    {
        OSVERSIONINFOEXA info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
            return std::nullopt;
        // The extended record begins with the plain one.
        OsVersionRecord record = fromInfo(*reinterpret_cast<const OSVERSIONINFOA*>(&info));
        record.servicePackMajor = info.wServicePackMajor;
        record.servicePackMinor = info.wServicePackMinor;
        record.suiteMask = info.wSuiteMask;
        record.productType = info.wProductType;
        return record;
    }

    bool verifyVersion(const VersionCheck& check) override
    {
        OSVERSIONINFOEXA info{};
        info.dwOSVersionInfoSize = sizeof info;
        info.dwMajorVersion = check.wanted.majorVersion;
        info.dwMinorVersion = check.wanted.minorVersion;
        info.dwBuildNumber = check.wanted.buildNumber;
        info.wServicePackMajor = check.wanted.servicePackMajor;
        info.wServicePackMinor = check.wanted.servicePackMinor;
        info.wSuiteMask = check.wanted.suiteMask;
        ULONGLONG conditions = 0;
        for (DWORD bit : {VER_MINORVERSION, VER_MAJORVERSION, VER_BUILDNUMBER, VER_SERVICEPACKMINOR,
                          VER_SERVICEPACKMAJOR, VER_SUITENAME})
            if (check.typeMask & bit)
                conditions = VerSetConditionMask(conditions, bit, check.condition);
        return VerifyVersionInfoA(&info, check.typeMask, conditions) != FALSE;
    }

    std::optional<uint32_t> readRegistryNumber(uint32_t hive, const std::string& key,
                                               const std::string& valueName) override
    {
        DWORD number = 0;
        DWORD size = sizeof number;
        if (!read(hive, key, valueName, reinterpret_cast<BYTE*>(&number), size) || size != sizeof number)
            return std::nullopt;
        return uint32_t(number);
    }

    std::optional<std::string> readRegistryText(uint32_t hive, const std::string& key,
                                                const std::string& valueName) override
    {
        char buffer[1024] = {};
        DWORD size = sizeof buffer - 1;
        if (!read(hive, key, valueName, reinterpret_cast<BYTE*>(buffer), size))
            return std::nullopt;
        return std::string(buffer, strnlen(buffer, size));
    }

private:
    static bool read(uint32_t hive, const std::string& key, const std::string& valueName, BYTE* data,
                     DWORD& size)
    {
        HKEY handle = nullptr;
        // Predefined keys are sign-extended handle values.
        HKEY root = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(hive)));
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
            return false;
        LONG result = RegQueryValueExA(handle, valueName.c_str(), nullptr, nullptr, data, &size);
        RegCloseKey(handle);
        return result == ERROR_SUCCESS;
    }
};

} // namespace

std::unique_ptr<OsVersionSource> liveOsVersionSource()
{
    return std::make_unique<WinOsVersionSource>();
}

} // namespace platform
