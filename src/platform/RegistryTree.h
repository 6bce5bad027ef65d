#pragma once
// The registry held in memory: one tree of keys per predefined root. Key and value names compare
// without letter case (ASCII and the letters of Windows-1252, or of Latin, Greek and Cyrillic when the
// name is UTF-8) and keep the case they were first written with. Sub-keys and values keep insertion
// order, which is also their enumeration order.

#include "platform/RegistryStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// A key: its values and sub-keys in insertion order, each also indexed by folded name so that
// files with many entries load in linear time.
class RegistryKeyNode {
public:
    RegistryKeyNode() = default;
    explicit RegistryKeyNode(std::string keyName) : name_(std::move(keyName)) {}

    const std::string& name() const { return name_; }
    const std::vector<RegistryValue>& values() const { return values_; }
    const std::vector<RegistryKeyNode>& subKeys() const { return subKeys_; }

    RegistryKeyNode* findSubKey(std::string_view keyName);
    const RegistryKeyNode* findSubKey(std::string_view keyName) const;
    const RegistryValue* findValue(std::string_view valueName) const;

    // Adds a sub-key of that name unless one exists; returns it. Invalidates pointers to sub-keys.
    RegistryKeyNode& ensureSubKey(const std::string& keyName);
    bool removeSubKey(std::string_view keyName);
    // Stores the value, replacing the data of one with the same name (whose name and place stay);
    // returns whether anything changed.
    bool putValue(const RegistryValue& value);
    bool removeValue(std::string_view valueName);

private:
    std::string name_;
    std::vector<RegistryValue> values_;
    std::vector<RegistryKeyNode> subKeys_;
    std::unordered_map<std::string, size_t> valueIndex_;
    std::unordered_map<std::string, size_t> subKeyIndex_;
};

// Case-insensitive comparison of names given as UTF-8 or, when not valid UTF-8, Windows-1252 bytes.
bool registryNamesEqual(std::string_view a, std::string_view b);
// The name in the form that registryNamesEqual compares.
std::string foldRegistryName(std::string_view name);

// Splits "A\B\C" into its components; empty components (doubled, leading or trailing
// backslashes) are dropped, so "" and "\" both name the root itself.
std::vector<std::string> splitRegistryPath(std::string_view path);

// The canonical name of a predefined root ("HKEY_CURRENT_USER"); empty for an unknown handle.
std::string_view hiveName(uint32_t hive);
// The handle of a root named in full or abbreviated (HKCU), any letter case.
std::optional<uint32_t> hiveFromName(std::string_view name);

class RegistryTree {
public:
    // Deepest key path accepted (the Windows registry's own limit), which also bounds recursion.
    static constexpr size_t kMaxDepth = 512;

    // The roots in the order they are written out.
    static const std::vector<uint32_t>& knownHives();

    RegistryKeyNode* find(uint32_t hive, std::string_view path);
    const RegistryKeyNode* find(uint32_t hive, std::string_view path) const;
    // Finds or creates every key on the path; nullptr for an unknown root or a path too deep.
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
