#include "tools/OperatingSystem.h"

#include <array>
#include <type_traits>

namespace {

constexpr std::array<const char*, OperatingSystem::PlatformCount> PlatformNames{
    "Windows 3.x With Win32s", "Windows 95",     "Windows 95 Release 2", "Windows 98",
    "Windows 98 Release 2",    "Windows Millenium Edition", "Windows NT 3.0", "Windows NT 3.1",
    "Windows NT 3.5",          "Windows NT 4.0", "Windows 2000",         "Windows XP",
    "[Unknown]",
};

constexpr int32_t PlatformUnknown = 12;
constexpr char ServicePackText[] = "Service Pack ";
constexpr char Sp6aHotfixValue[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009\\Installed";

std::string trimSpaces(const std::string& text)
{
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The last `width` digits of the number, zero-padded on the left.
std::string lastDigits(int32_t number, size_t width)
{
    std::string digits = std::string(width, '0') + std::to_string(number < 0 ? -number : number);
    return digits.substr(digits.size() - width);
}

// -1, 0 or 1 as a is below, equal to or above b.
int order(int32_t a, int32_t b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

OperatingSystem::OperatingSystem(platform::OsVersionSource& source) : source_(source)
{
    platform::OsVersionRecord record = source_.basicVersion();
    bool nt = record.platformId == platform::VER_PLATFORM_WIN32_NT_;
    if (nt && record.majorVersion >= 5) {
        if (std::optional<platform::OsVersionRecord> extended = source_.extendedVersion()) {
            record = *extended;
            spMajor_ = record.servicePackMajor;
            spMinor_ = record.servicePackMinor;
            suites_ = record.suiteMask;
            productType_ = record.productType;
            verifySupported_ = true;
        }
    }
    major_ = int32_t(record.majorVersion);
    minor_ = int32_t(record.minorVersion);
    supportInformation_ = trimSpaces(record.csdVersion.substr(0, record.csdVersion.find('\0')));
    // On the 95/98/Me line the high word carries the version again.
    build_ = int32_t(record.buildNumber & 0xFFFFu);
    versionString_ = std::to_string(major_) + "." + lastDigits(minor_, 2) + "." + lastDigits(build_, 4);

    classify(record.platformId);
    if (!nt)
        return;
    if (major_ < 5)
        findServicePack();

    if (major_ == 4 && spMajor_ == 6) {
        // Service pack 6a is service pack 6 with one hotfix, known only from the registry.
        if (ReadRegistryNumber(source_, Sp6aHotfixValue)) {
            spMinor_ = 1;
            versionString_ += " Service Pack 6a";
        } else {
            versionString_ += " Service Pack 6";
        }
    } else {
        versionString_ += " " + std::string(ServicePackText) + std::to_string(spMajor_);
        if (spMinor_ > 0)
            versionString_ += "." + std::to_string(spMinor_);
    }
}

void OperatingSystem::classify(uint32_t platformId)
{
    if (platformId != platform::VER_PLATFORM_WIN32_NT_) {
        family_ = 0;
        if (major_ != 4)
            platform_ = 0;
        else if (minor_ == 0)
            platform_ = build_ == 950 ? 1 : 2;
        else if (minor_ == 10)
            platform_ = build_ == 1998 ? 3 : 4;
        else
            platform_ = 5;
        return;
    }
    switch (major_) {
    case 3:
        family_ = 1;
        platform_ = minor_ == 0 ? 6 : minor_ == 1 ? 7 : minor_ == 5 ? 8 : PlatformUnknown;
        break;
    case 4:
        family_ = 1;
        platform_ = 9;
        break;
    case 5:
        family_ = minor_ == 0 ? 2 : 3;
        platform_ = minor_ == 0 ? 10 : minor_ == 1 ? 11 : PlatformUnknown;
        break;
    default:
        family_ = 0;
        platform_ = PlatformUnknown;
        break;
    }
}

void OperatingSystem::findServicePack()
{
    for (int n = 1; n <= 6; ++n) {
        if (supportInformation_.find(ServicePackText + std::to_string(n)) != std::string::npos) {
            spMajor_ = n;
            return;
        }
    }
}

std::string OperatingSystem::NameOf(int32_t platform)
{
    if (platform < 0 || platform >= PlatformCount)
        return PlatformNames[PlatformUnknown];
    return PlatformNames[size_t(platform)];
}

std::string OperatingSystem::Name() const
{
    return NameOf(platform_);
}

bool OperatingSystem::CompareVersion(int32_t Major, int32_t Minor, int32_t Build, int32_t SPMajor,
                                     int32_t SPMinor, int32_t Relation, bool UseVerify) const
{
    if (UseVerify && verifySupported_) {
        platform::VersionCheck check;
        check.condition = uint8_t(Relation);
        auto want = [&check](int32_t value, uint32_t bit, auto& field) {
            if (value < 0)
                return;
            field = static_cast<std::remove_reference_t<decltype(field)>>(value);
            check.typeMask |= bit;
        };
        want(Major, platform::VER_MAJORVERSION_, check.wanted.majorVersion);
        want(Minor, platform::VER_MINORVERSION_, check.wanted.minorVersion);
        want(Build, platform::VER_BUILDNUMBER_, check.wanted.buildNumber);
        want(SPMajor, platform::VER_SERVICEPACKMAJOR_, check.wanted.servicePackMajor);
        want(SPMinor, platform::VER_SERVICEPACKMINOR_, check.wanted.servicePackMinor);
        return source_.verifyVersion(check);
    }

    if (Relation < 1 || Relation > 5)
        return false;
    // Component by component, major first; service packs only count on the NT line.
    int cmp = order(major_, Major);
    if (cmp == 0 && Minor >= 0)
        cmp = order(minor_, Minor);
    if (cmp == 0 && Build >= 0)
        cmp = order(build_, Build);
    bool servicePacks = IsNT() || IsXP();
    if (cmp == 0 && servicePacks && SPMajor >= 0)
        cmp = order(spMajor_, SPMajor);
    if (cmp == 0 && servicePacks && SPMinor >= 0)
        cmp = order(spMinor_, SPMinor);
    switch (Relation) {
    case platform::VER_EQUAL_: return cmp == 0;
    case platform::VER_GREATER_: return cmp > 0;
    case platform::VER_GREATER_EQUAL_: return cmp >= 0;
    case platform::VER_LESS_: return cmp < 0;
    default: return cmp <= 0;
    }
}

bool OperatingSystem::IsSuiteInstalled(int32_t Suite) const
{
    if (!verifySupported_ || Suite <= 0)
        return false;
    platform::VersionCheck check;
    check.wanted.suiteMask = uint16_t(Suite);
    check.typeMask = platform::VER_SUITENAME_;
    check.condition = platform::VER_OR_;
    return source_.verifyVersion(check);
}

std::optional<OperatingSystem::RegistryPath> OperatingSystem::ParseRegistryPath(const std::string& fullPath)
{
    size_t firstSlash = fullPath.find('\\');
    if (firstSlash == std::string::npos)
        return std::nullopt;
    std::string root = trimSpaces(fullPath.substr(0, firstSlash));
    RegistryPath path;
    if (root == "HKEY_CLASSES_ROOT" || root == "HKCR")
        path.hive = 0x80000000u;
    else if (root == "HKEY_LOCAL_MACHINE" || root == "HKLM")
        path.hive = 0x80000002u;
    else if (root == "HKEY_USERS" || root == "HKU")
        path.hive = 0x80000003u;
    else
        path.hive = 0x80000001u; // HKEY_CURRENT_USER, also for any root not known
    std::string rest = fullPath.substr(firstSlash + 1);
    size_t lastSlash = rest.rfind('\\');
    if (lastSlash == std::string::npos) {
        path.valueName = rest;
    } else {
        path.key = trimSpaces(rest.substr(0, lastSlash));
        path.valueName = rest.substr(lastSlash + 1);
    }
    return path;
}

std::optional<uint32_t> OperatingSystem::ReadRegistryNumber(platform::OsVersionSource& source,
                                                            const std::string& fullPath)
{
    std::optional<RegistryPath> path = ParseRegistryPath(fullPath);
    if (!path)
        return std::nullopt;
    return source.readRegistryNumber(path->hive, path->key, path->valueName);
}

std::optional<std::string> OperatingSystem::ReadRegistryText(platform::OsVersionSource& source,
                                                             const std::string& fullPath)
{
    std::optional<RegistryPath> path = ParseRegistryPath(fullPath);
    if (!path)
        return std::nullopt;
    std::optional<std::string> text = source.readRegistryText(path->hive, path->key, path->valueName);
    if (!text)
        return std::nullopt;
    return trimSpaces(text->substr(0, text->find('\0')));
}
