#include "platform/RegistryTree.h"

#include "platform/TextEncoding.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace platform {
namespace {

// Folds a Windows-1252 byte to its upper-case form, as the registry compares names.
unsigned char foldCase(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 'a' + 'A');
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: return 0x8A; // š
    case 0x9C: return 0x8C; // œ
    case 0x9E: return 0x8E; // ž
    case 0xFF: return 0x9F; // ÿ
    default: return c;
    }
}

// Upper-case form of a code point, for the scripts whose names a user is likely to type.
char32_t foldCodePoint(char32_t c)
{
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? c - 0x20 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper and lower case side by side; the parity flips at 0x139 and 0x179.
        const bool oddIsLower = (c < 0x138) || (c >= 0x14A && c < 0x178);
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x178)
            return c;
        return (c % 2 == 1) == oddIsLower ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return c - 0x20;
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

bool hasHighBytes(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

struct HiveEntry {
    uint32_t handle;
    std::string_view name;
    std::string_view shortName;
};

constexpr std::array<HiveEntry, 5> kHives{{
    {HKEY_CLASSES_ROOT_, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER_, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE_, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS_, "HKEY_USERS", "HKU"},
    {0x80000005u, "HKEY_CURRENT_CONFIG", "HKCC"},
}};

} // namespace

bool registryNamesEqual(std::string_view a, std::string_view b)
{
    if (hasHighBytes(a) || hasHighBytes(b))
        return foldRegistryName(a) == foldRegistryName(b);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldCase(static_cast<unsigned char>(a[i])) != foldCase(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string> splitRegistryPath(std::string_view path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string_view hiveName(uint32_t hive)
{
    for (const auto& entry : kHives)
        if (entry.handle == hive)
            return entry.name;
    return {};
}

std::optional<uint32_t> hiveFromName(std::string_view name)
{
    for (const auto& entry : kHives)
        if (registryNamesEqual(entry.name, name) || registryNamesEqual(entry.shortName, name))
            return entry.handle;
    return std::nullopt;
}

std::string foldRegistryName(std::string_view name)
{
    // Names are UTF-8 where that is the system's code page; bytes that are not UTF-8 are Windows-1252.
    if (hasHighBytes(name) && text::isValidUtf8(name)) {
        std::string folded;
        folded.reserve(name.size());
        for (char32_t code : text::decodeUtf8(name))
            text::appendUtf8(folded, foldCodePoint(code));
        return folded;
    }
    std::string folded(name);
    for (char& c : folded)
        c = static_cast<char>(foldCase(static_cast<unsigned char>(c)));
    return folded;
}

RegistryKeyNode* RegistryKeyNode::findSubKey(std::string_view keyName)
{
    auto it = subKeyIndex_.find(foldRegistryName(keyName));
    return it == subKeyIndex_.end() ? nullptr : &subKeys_[it->second];
}

const RegistryKeyNode* RegistryKeyNode::findSubKey(std::string_view keyName) const
{
    return const_cast<RegistryKeyNode*>(this)->findSubKey(keyName);
}

const RegistryValue* RegistryKeyNode::findValue(std::string_view valueName) const
{
    auto it = valueIndex_.find(foldRegistryName(valueName));
    return it == valueIndex_.end() ? nullptr : &values_[it->second];
}

RegistryKeyNode& RegistryKeyNode::ensureSubKey(const std::string& keyName)
{
    auto [it, inserted] = subKeyIndex_.try_emplace(foldRegistryName(keyName), subKeys_.size());
    if (inserted)
        subKeys_.emplace_back(keyName);
    return subKeys_[it->second];
}

bool RegistryKeyNode::removeSubKey(std::string_view keyName)
{
    auto it = subKeyIndex_.find(foldRegistryName(keyName));
    if (it == subKeyIndex_.end())
        return false;
    const size_t position = it->second;
    subKeys_.erase(subKeys_.begin() + static_cast<std::ptrdiff_t>(position));
    subKeyIndex_.erase(it);
    for (auto& entry : subKeyIndex_)
        if (entry.second > position)
            --entry.second;
    return true;
}

bool RegistryKeyNode::putValue(const RegistryValue& value)
{
    auto [it, inserted] = valueIndex_.try_emplace(foldRegistryName(value.name), values_.size());
    if (inserted) {
        values_.push_back(value);
        return true;
    }
    RegistryValue& old = values_[it->second];
    if (old.type == value.type && old.data == value.data)
        return false;
    old.type = value.type;
    old.data = value.data;
    return true;
}

bool RegistryKeyNode::removeValue(std::string_view valueName)
{
    auto it = valueIndex_.find(foldRegistryName(valueName));
    if (it == valueIndex_.end())
        return false;
    const size_t position = it->second;
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(position));
    valueIndex_.erase(it);
    for (auto& entry : valueIndex_)
        if (entry.second > position)
            --entry.second;
    return true;
}

const std::vector<uint32_t>& RegistryTree::knownHives()
{
    static const std::vector<uint32_t> hives = [] {
        std::vector<uint32_t> list;
        for (const auto& entry : kHives)
            list.push_back(entry.handle);
        return list;
    }();
    return hives;
}

RegistryKeyNode* RegistryTree::rootFor(uint32_t hive)
{
    const auto& hives = knownHives();
    auto it = std::find(hives.begin(), hives.end(), hive);
    if (it == hives.end())
        return nullptr;
    return &roots_[static_cast<size_t>(it - hives.begin())];
}

const RegistryKeyNode* RegistryTree::root(uint32_t hive) const
{
    return const_cast<RegistryTree*>(this)->rootFor(hive);
}

RegistryKeyNode* RegistryTree::find(uint32_t hive, std::string_view path)
{
    RegistryKeyNode* node = rootFor(hive);
    for (const auto& part : splitRegistryPath(path)) {
        if (!node)
            break;
        node = node->findSubKey(part);
    }
    return node;
}

const RegistryKeyNode* RegistryTree::find(uint32_t hive, std::string_view path) const
{
    return const_cast<RegistryTree*>(this)->find(hive, path);
}

RegistryKeyNode* RegistryTree::create(uint32_t hive, const std::vector<std::string>& components)
{
    if (components.size() > kMaxDepth)
        return nullptr;
    RegistryKeyNode* node = rootFor(hive);
    for (const auto& part : components) {
        if (!node)
            break;
        node = &node->ensureSubKey(part);
    }
    return node;
}

RegistryKeyNode* RegistryTree::create(uint32_t hive, std::string_view path)
{
    return create(hive, splitRegistryPath(path));
}

bool RegistryTree::setValue(uint32_t hive, std::string_view path, const RegistryValue& value)
{
    const bool existed = find(hive, path) != nullptr;
    RegistryKeyNode* key = create(hive, path);
    if (!key)
        return false;
    return key->putValue(value) || !existed;
}

bool RegistryTree::deleteValue(uint32_t hive, std::string_view path, std::string_view name)
{
    RegistryKeyNode* key = find(hive, path);
    return key && key->removeValue(name);
}

bool RegistryTree::deleteLeafKey(uint32_t hive, std::string_view path)
{
    auto parts = splitRegistryPath(path);
    if (parts.empty())
        return false;
    const RegistryKeyNode* key = find(hive, path);
    if (!key || !key->subKeys().empty())
        return false;
    return deleteTree(hive, parts);
}

bool RegistryTree::deleteTree(uint32_t hive, const std::vector<std::string>& components)
{
    if (components.empty())
        return false;
    RegistryKeyNode* parent = rootFor(hive);
    for (size_t i = 0; parent && i + 1 < components.size(); ++i)
        parent = parent->findSubKey(components[i]);
    return parent && parent->removeSubKey(components.back());
}

} // namespace platform
