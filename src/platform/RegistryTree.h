#pragma once
// The registry held in memory: one tree of keys per predefined root. Key and value names compare
// without letter case (ASCII and the Windows-1252 letters) and keep the case they were first written
// with. Sub-keys and values keep insertion order, which is also their enumeration order.

#include "platform/RegistryStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct RegistryKeyNode {
    std::string name;
    std::vector<RegistryValue> values;
    std::vector<RegistryKeyNode> subKeys;

    RegistryKeyNode* findSubKey(std::string_view keyName);
    const RegistryKeyNode* findSubKey(std::string_view keyName) const;
    RegistryValue* findValue(std::string_view valueName);
};

// Case-insensitive comparison of names given as Windows-1252 bytes.
bool registryNamesEqual(std::string_view a, std::string_view b);

// Splits "A\B\C" into its components; empty components (doubled, leading or trailing
// backslashes) are dropped, so "" and "\" both name the root itself.
std::vector<std::string> splitRegistryPath(std::string_view path);

// The canonical name of a predefined root ("HKEY_CURRENT_USER"); empty for an unknown handle.
std::string_view hiveName(uint32_t hive);
// The handle of a root named in full or abbreviated (HKCU), any letter case.
std::optional<uint32_t> hiveFromName(std::string_view name);

class RegistryTree {
public:
    // The roots in the order they are written out.
    static const std::vector<uint32_t>& knownHives();

    RegistryKeyNode* find(uint32_t hive, std::string_view path);
    const RegistryKeyNode* find(uint32_t hive, std::string_view path) const;
    // Finds or creates every key on the path; nullptr for an unknown root.
    RegistryKeyNode* create(uint32_t hive, const std::vector<std::string>& components);
    RegistryKeyNode* create(uint32_t hive, std::string_view path);

    // Each returns whether the tree changed; callers check the root and names beforehand.
    bool setValue(uint32_t hive, std::string_view path, const RegistryValue& value);
    bool deleteValue(uint32_t hive, std::string_view path, std::string_view name);
    // Removes a key without sub-keys; never a root.
    bool deleteLeafKey(uint32_t hive, std::string_view path);
    // Removes a key and everything below it (used for "[-KEY]" lines of a hand-edited file).
    bool deleteTree(uint32_t hive, const std::vector<std::string>& components);

    const RegistryKeyNode* root(uint32_t hive) const;

private:
    RegistryKeyNode* rootFor(uint32_t hive);

    std::vector<RegistryKeyNode> roots_ = std::vector<RegistryKeyNode>(knownHives().size());
};

} // namespace platform
