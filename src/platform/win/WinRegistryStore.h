#pragma once
// The system registry behind the registry store interface (ANSI registry functions).

#include "platform/RegistryStore.h"

namespace platform {

class WinRegistryStore : public RegistryStore {
public:
    bool createKey(uint32_t hive, const std::string& path) override;
    bool keyExists(uint32_t hive, const std::string& path) override;
    bool setValue(uint32_t hive, const std::string& path, const RegistryValue& value) override;
    std::optional<std::vector<RegistryValue>> values(uint32_t hive, const std::string& path) override;
    std::optional<std::vector<std::string>> subKeys(uint32_t hive, const std::string& path) override;
    bool deleteKey(uint32_t hive, const std::string& path) override;
    bool deleteValue(uint32_t hive, const std::string& path, const std::string& name) override;
};

} // namespace platform
