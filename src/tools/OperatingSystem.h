#pragma once
// The Windows version the editor runs on, fixed when the object is created from what the version
// source reports, with membership tests and a general version comparison.

#include "platform/OsVersionSource.h"

#include <cstdint>
#include <optional>
#include <string>

class OperatingSystem {
public:
    // The source must outlive the object: CompareVersion and IsSuiteInstalled ask it again.
    explicit OperatingSystem(platform::OsVersionSource& source);

    int32_t Platform() const { return platform_; }
    std::string Name() const;
    std::string VersionString() const { return versionString_; }
    int32_t MajorVersion() const { return major_; }
    int32_t MinorVersion() const { return minor_; }
    int32_t BuildNumber() const { return build_; }
    int32_t ServicePackMajor() const { return spMajor_; }
    int32_t ServicePackMinor() const { return spMinor_; }
    int32_t Family() const { return family_; }
    int32_t ProductType() const { return productType_; }
    int32_t Suites() const { return suites_; }
    std::string SupportInformation() const { return supportInformation_; }
    // A negative Minor, Build, SPMajor or SPMinor is not compared. Relation: 1 equal, 2 greater,
    // 3 greater or equal, 4 less, 5 less or equal.
    bool CompareVersion(int32_t Major, int32_t Minor, int32_t Build, int32_t SPMajor, int32_t SPMinor,
                        int32_t Relation, bool UseVerify) const;
    bool IsSuiteInstalled(int32_t Suite) const;
    bool Is98() const { return platform_ == 3 || platform_ == 4; }
    bool IsNT() const { return platform_ >= 6 && platform_ <= 10; }
    bool Is2000() const { return platform_ == 10; }
    bool IsXP() const { return platform_ == 11; }
    bool IsVerifySupported() const { return verifySupported_; }

    static constexpr int32_t PlatformCount = 13;
    // The name table entry; "[Unknown]" outside it.
    static std::string NameOf(int32_t platform);

    // A registry value named by its full path ("HKLM\Key\Sub\Value").
    struct RegistryPath {
        uint32_t hive = 0;
        std::string key;
        std::string valueName;
    };
    // Root before the first "\" (an unknown root means the current user); key before the last "\";
    // value name after it. nullopt for a path without "\".
    static std::optional<RegistryPath> ParseRegistryPath(const std::string& fullPath);
    static std::optional<uint32_t> ReadRegistryNumber(platform::OsVersionSource& source,
                                                      const std::string& fullPath);
    static std::optional<std::string> ReadRegistryText(platform::OsVersionSource& source,
                                                       const std::string& fullPath);

private:
    void classify(uint32_t platformId);
    void findServicePack();

    platform::OsVersionSource& source_;
    int32_t platform_ = 0;
    int32_t major_ = 0;
    int32_t minor_ = 0;
    int32_t build_ = 0;
    int32_t spMajor_ = 0;
    int32_t spMinor_ = 0;
    int32_t family_ = 0;
    int32_t productType_ = 0;
    int32_t suites_ = -1;
    std::string supportInformation_;
    std::string versionString_;
    bool verifySupported_ = false;
};
