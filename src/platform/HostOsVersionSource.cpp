// The version record off Windows. There is no Windows version underneath: the record is all zeros on
// neither the 95/98/Me nor the NT line, so the version class reports no NT system and nothing at or
// above 5.0. That is also what the run commands need here: the command interpreter off Windows gets
// the interpreter and the script as separate arguments, or the command text only after its own quote
// handling (see ScriptLaunch), so the whole command must not be wrapped in a second pair of quotes
// as the /s rule of a Windows 2000 command interpreter expects.

#include "platform/OsVersionSource.h"

#ifndef _WIN32

namespace platform {
namespace {

class HostOsVersionSource : public OsVersionSource {
public:
    OsVersionRecord basicVersion() override { return {}; }
    std::optional<OsVersionRecord> extendedVersion() override { return std::nullopt; }
    bool verifyVersion(const VersionCheck&) override { return false; }
    std::optional<uint32_t> readRegistryNumber(uint32_t, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> readRegistryText(uint32_t, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<OsVersionSource> liveOsVersionSource()
{
    return std::make_unique<HostOsVersionSource>();
}

} // namespace platform

#endif
