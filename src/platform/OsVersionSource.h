#pragma once
// What the system says about its own version: the fields of its extended version record, its own
// version check, and the one registry read by full path that the version class needs. Plain C++ so
// that the Windows backend builds without Qt.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Platform identifiers of the version record.
enum : uint32_t {
    VER_PLATFORM_WIN32s_ = 0,
    VER_PLATFORM_WIN32_WINDOWS_ = 1,
    VER_PLATFORM_WIN32_NT_ = 2,
};

// Type-mask bits of the system's version check.
enum : uint32_t {
    VER_MINORVERSION_ = 0x01,
    VER_MAJORVERSION_ = 0x02,
    VER_BUILDNUMBER_ = 0x04,
    VER_SERVICEPACKMINOR_ = 0x10,
    VER_SERVICEPACKMAJOR_ = 0x20,
    VER_SUITENAME_ = 0x40,
};

// Conditions of the system's version check.
enum : uint8_t {
    VER_EQUAL_ = 1,
    VER_GREATER_ = 2,
    VER_GREATER_EQUAL_ = 3,
    VER_LESS_ = 4,
    VER_LESS_EQUAL_ = 5,
    VER_AND_ = 6,
    VER_OR_ = 7,
};

struct OsVersionRecord {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0; // as reported: on the 95/98/Me line the high word carries the version
    uint32_t platformId = VER_PLATFORM_WIN32s_;
    std::string csdVersion;   // the service-pack text as reported (it may hold a NUL and bytes after it)
    // Only in the extended record.
    uint16_t servicePackMajor = 0;
    uint16_t servicePackMinor = 0;
    uint16_t suiteMask = 0;
    uint8_t productType = 0;
};

// One call of the system's version check: the components named in typeMask, each tested with the
// same condition.
struct VersionCheck {
    OsVersionRecord wanted;
    uint32_t typeMask = 0;
    uint8_t condition = 0;
};

class OsVersionSource {
public:
    virtual ~OsVersionSource() = default;

    // The plain version record (no service-pack numbers, suites or product type).
    virtual OsVersionRecord basicVersion() = 0;
    // The extended record; nullopt where the system has no extended query.
    virtual std::optional<OsVersionRecord> extendedVersion() = 0;
    // The system's verdict on a version check; false when it cannot answer.
    virtual bool verifyVersion(const VersionCheck& check) = 0;
    // A value under a root key, opened for reading only; nullopt on any failure. Text is cut at its
    // first NUL.
    virtual std::optional<uint32_t> readRegistryNumber(uint32_t hive, const std::string& key,
                                                       const std::string& valueName) = 0;
    virtual std::optional<std::string> readRegistryText(uint32_t hive, const std::string& key,
                                                        const std::string& valueName) = 0;
};

// The running system: the Win32 version functions on Windows; elsewhere see the implementation.
std::unique_ptr<OsVersionSource> liveOsVersionSource();

} // namespace platform
