// The registry file parser and writer: whatever bytes a hand-edited or damaged file holds, parsing
// never crashes, stays within the registry's limits, and what it keeps (also from a damaged file) is
// written out and read back as the same tree, the written text being a fixed point.

#include "FuzzCheck.h"

#include "platform/RegistryFileFormat.h"

#include <algorithm>
#include <string>
#include <string_view>

using namespace platform;

namespace {

bool sameKey(const RegistryKeyNode& a, const RegistryKeyNode& b)
{
    const auto sameValue = [](const RegistryValue& x, const RegistryValue& y) {
        return x.name == y.name && x.type == y.type && x.data == y.data;
    };
    return a.name() == b.name() && std::ranges::equal(a.values(), b.values(), sameValue) &&
           std::ranges::equal(a.subKeys(), b.subKeys(), sameKey);
}

bool sameTree(const RegistryTree& a, const RegistryTree& b)
{
    return std::ranges::all_of(RegistryTree::knownHives(), [&](uint32_t hive) { return sameKey(*a.root(hive), *b.root(hive)); });
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
