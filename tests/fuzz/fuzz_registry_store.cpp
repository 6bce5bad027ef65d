// Sequences of registry operations on the text-file store, checked step by step against a plain
// in-memory model of the registry's rules: names compare without letter case and keep their first
// spelling, entries keep creation order, only leaf keys are deleted, values come back byte for byte.
// Now and then a second store reads the same file, so everything also survives the file.

#include "FuzzCheck.h"

#include "platform/FileRegistryStore.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

// The model folds ASCII only, so the names it is given are ASCII.
bool sameName(const std::string& a, const std::string& b)
{
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
    return std::ranges::equal(a, b, {}, upper, upper);
}

struct ModelKey {
    std::string name;
    std::vector<RegistryValue> values;
    std::vector<ModelKey> subKeys;

    template <typename List>
    static auto named(List& list, const std::string& n)
    {
        return std::find_if(list.begin(), list.end(), [&](const auto& e) { return sameName(e.name, n); });
    }
};

// Finds the key of a path in a model root; with create, makes the keys that are missing.
ModelKey* walk(ModelKey& root, const std::vector<std::string>& path, bool create)
{
    ModelKey* key = &root;
    for (const auto& part : path) {
        const auto next = ModelKey::named(key->subKeys, part);
        if (next == key->subKeys.end() && !create)
            return nullptr;
        key = next != key->subKeys.end() ? &*next : &key->subKeys.emplace_back(ModelKey{part, {}, {}});
    }
    return key;
}

bool sameValues(const std::vector<RegistryValue>& a, const std::vector<RegistryValue>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const RegistryValue& x, const RegistryValue& y) {
        return x.name == y.name && x.type == y.type && x.data == y.data;
    });
}

const char* const kNames[] = {"a", "A", "b", "B", "key"};
const uint32_t kHives[] = {HKEY_CURRENT_USER_, HKEY_LOCAL_MACHINE_};
const uint32_t kTypes[] = {REG_SZ_, REG_DWORD_, REG_BINARY_, REG_EXPAND_SZ_, REG_MULTI_SZ_, REG_NONE_};

void compareWhole(RegistryStore& store, int hive, ModelKey& key, const std::string& path)
{
    const auto values = store.values(kHives[hive], path);
    FUZZ_CHECK(values && sameValues(*values, key.values));
    const auto subs = store.subKeys(kHives[hive], path);
    FUZZ_CHECK(subs && subs->size() == key.subKeys.size());
    for (size_t i = 0; i < key.subKeys.size(); ++i) {
        FUZZ_CHECK((*subs)[i] == key.subKeys[i].name);
        compareWhole(store, hive, key.subKeys[i], path + (path.empty() ? "" : "\\") + key.subKeys[i].name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    const std::string file = (base / ("tessary-fuzz-store-" + std::to_string(::getpid()) + ".reg")).string();
    std::filesystem::remove(file);
    auto store = std::make_unique<FileRegistryStore>(file);
    ModelKey model[2];
    // The input is a stream of small choices; zeros once it runs out.
    size_t at = 0;
    auto next = [&] { return at < size ? data[at++] : uint8_t(0); };

    for (int step = 0; step < 64 && at < size; ++step) {
        const int op = next() % 7;
        const int hive = next() % 2;
        std::vector<std::string> parts(1 + next() % 3);
        std::string path;
        for (auto& part : parts)
            path += (path.empty() ? "" : "\\") + (part = kNames[next() % 5]);
        ModelKey* key = walk(model[hive], parts, false);
        switch (op) {
        case 0:
            FUZZ_CHECK(store->createKey(kHives[hive], path));
            walk(model[hive], parts, true);
            break;
        case 1: {
            RegistryValue value{next() % 4 == 0 ? std::string() : std::string(kNames[next() % 5]), kTypes[next() % 6], {}};
            for (int length = next() % 9; length > 0; --length)
                value.data.push_back(next());
            FUZZ_CHECK(store->setValue(kHives[hive], path, value));
            key = walk(model[hive], parts, true);
            if (auto old = ModelKey::named(key->values, value.name); old != key->values.end())
                old->type = value.type, old->data = value.data;
            else
                key->values.push_back(value);
            break;
        }
        case 2: {
            ModelKey* up = walk(model[hive], {parts.begin(), parts.end() - 1}, false);
            const bool leaf = key && key->subKeys.empty();
            FUZZ_CHECK(store->deleteKey(kHives[hive], path) == leaf);
            if (leaf)
                up->subKeys.erase(up->subKeys.begin() + (key - up->subKeys.data()));
            break;
        }
        case 3: {
            const std::string name = kNames[next() % 5];
            auto found = key ? ModelKey::named(key->values, name) : std::vector<RegistryValue>::iterator();
            const bool present = key && found != key->values.end();
            FUZZ_CHECK(store->deleteValue(kHives[hive], path, name) == present);
            if (present)
                key->values.erase(found);
            break;
        }
        case 4:
            FUZZ_CHECK(store->keyExists(kHives[hive], path) == (key != nullptr));
            break;
        case 5:
            FUZZ_CHECK(store->values(kHives[hive], path).has_value() == (key != nullptr));
            if (key)
                compareWhole(*store, hive, *key, path);
            break;
        case 6:
            // A second editor opening the same file sees everything written so far.
            store = std::make_unique<FileRegistryStore>(file);
            break;
        }
    }
    for (int hive = 0; hive < 2; ++hive) {
        FileRegistryStore reread(file);
        for (auto& key : model[hive].subKeys)
            compareWhole(reread, hive, key, key.name);
    }
    store.reset();
    std::filesystem::remove(file);
    std::filesystem::remove(file + ".lock");
    return 0;
}
