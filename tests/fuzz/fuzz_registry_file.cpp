// The registry file parser and writer: whatever bytes a hand-edited or damaged file holds, parsing
// never crashes, stays within the registry's limits, and what it keeps (also from a damaged file) is
// written out and read back as the same tree, the written text being a fixed point.

#include "FuzzCheck.h"

#include "platform/RegistryFileFormat.h"

#include <string>
#include <string_view>

using namespace platform;

namespace {

bool sameKey(const RegistryKeyNode& a, const RegistryKeyNode& b)
{
    if (a.name() != b.name() || a.values().size() != b.values().size() ||
        a.subKeys().size() != b.subKeys().size())
        return false;
    for (size_t i = 0; i < a.values().size(); ++i) {
        const RegistryValue& x = a.values()[i];
        const RegistryValue& y = b.values()[i];
        if (x.name != y.name || x.type != y.type || x.data != y.data)
            return false;
    }
    for (size_t i = 0; i < a.subKeys().size(); ++i)
        if (!sameKey(a.subKeys()[i], b.subKeys()[i]))
            return false;
    return true;
}

bool sameTree(const RegistryTree& a, const RegistryTree& b)
{
    for (uint32_t hive : RegistryTree::knownHives())
        if (!sameKey(*a.root(hive), *b.root(hive)))
            return false;
    return true;
}

// Depth counts the keys below the root on the deepest path.
size_t depthBelow(const RegistryKeyNode& key)
{
    size_t deepest = 0;
    for (const auto& sub : key.subKeys())
        deepest = std::max(deepest, 1 + depthBelow(sub));
    return deepest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RegistryParseResult first = parseRegistryText(text);
    FUZZ_CHECK(first.ok == (first.skippedLines == 0));
    for (uint32_t hive : RegistryTree::knownHives())
        FUZZ_CHECK(depthBelow(*first.tree.root(hive)) <= RegistryTree::kMaxDepth);

    const std::string written = formatRegistryText(first.tree);
    const RegistryParseResult second = parseRegistryText(written);
    FUZZ_CHECK(second.ok);
    FUZZ_CHECK(sameTree(first.tree, second.tree));
    FUZZ_CHECK(formatRegistryText(second.tree) == written);
    return 0;
}
