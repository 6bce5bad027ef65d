// Sequences of registry operations on the text-file store, checked step by step against a plain
// in-memory model of the registry's rules: names compare without letter case and keep their first
// spelling, entries keep creation order, only leaf keys are deleted, values come back byte for byte.
// Now and then a second store reads the same file, so everything also survives the file.

#include "FuzzCheck.h"

#include "platform/FileRegistryStore.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

std::string fold(const std::string& name)
{
    std::string out = name;
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

struct ModelKey {
    std::string name;
    std::vector<RegistryValue> values;
    std::vector<ModelKey> subKeys;

    ModelKey* sub(const std::string& n)
    {
        for (auto& k : subKeys)
            if (fold(k.name) == fold(n))
                return &k;
        return nullptr;
    }
};

struct Model {
    ModelKey hives[2];

    ModelKey* find(int hive, const std::vector<std::string>& path)
    {
        ModelKey* key = &hives[hive];
        for (const auto& part : path)
            if (!(key = key->sub(part)))
                return nullptr;
        return key;
    }
    ModelKey* create(int hive, const std::vector<std::string>& path)
    {
        ModelKey* key = &hives[hive];
        for (const auto& part : path) {
            ModelKey* next = key->sub(part);
            if (!next) {
                key->subKeys.push_back(ModelKey{part, {}, {}});
                next = &key->subKeys.back();
            }
            key = next;
        }
        return key;
    }
};

// Reads the fuzz input as a stream of small choices; zeros once it runs out.
struct Input {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool done() const { return at >= size; }
    uint8_t next() { return at < size ? data[at++] : 0; }
};

const char* const kNames[] = {"a", "A", "b", "B", "key", "KEY"};
const uint32_t kHives[] = {HKEY_CURRENT_USER_, HKEY_LOCAL_MACHINE_};
const uint32_t kTypes[] = {REG_SZ_, REG_DWORD_, REG_BINARY_, REG_EXPAND_SZ_, REG_MULTI_SZ_, REG_NONE_};

std::vector<std::string> pickPath(Input& in)
{
    std::vector<std::string> parts(1 + in.next() % 3);
    for (auto& part : parts)
        part = kNames[in.next() % 5]; // ASCII names: the model folds ASCII only
    return parts;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (const auto& p : parts)
        out += (out.empty() ? "" : "\\") + p;
    return out;
}

bool sameValues(const std::vector<RegistryValue>& a, const std::vector<RegistryValue>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data)
            return false;
    return true;
}

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

std::string scratchFile()
{
    const char* shm = "/dev/shm";
    const std::filesystem::path base = std::filesystem::exists(shm) ? shm : std::filesystem::temp_directory_path();
    return (base / ("tessary-fuzz-store-" + std::to_string(::getpid()) + ".reg")).string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = scratchFile();
    std::filesystem::remove(file);
    auto store = std::make_unique<FileRegistryStore>(file);
    Model model;
    Input in{data, size};

    for (int step = 0; step < 64 && !in.done(); ++step) {
        const int op = in.next() % 7;
        const int hive = in.next() % 2;
        const std::vector<std::string> parts = pickPath(in);
        const std::string path = joined(parts);
        switch (op) {
        case 0:
            FUZZ_CHECK(store->createKey(kHives[hive], path));
            model.create(hive, parts);
            break;
        case 1: {
            RegistryValue value;
            value.name = in.next() % 4 == 0 ? std::string() : std::string(kNames[in.next() % 5]);
            value.type = kTypes[in.next() % 6];
            const int length = in.next() % 9;
            for (int i = 0; i < length; ++i)
                value.data.push_back(in.next());
            FUZZ_CHECK(store->setValue(kHives[hive], path, value));
            ModelKey* key = model.create(hive, parts);
            bool replaced = false;
            for (auto& v : key->values)
                if (fold(v.name) == fold(value.name)) {
                    v.type = value.type;
                    v.data = value.data;
                    replaced = true;
                }
            if (!replaced)
                key->values.push_back(value);
            break;
        }
        case 2: {
            std::vector<std::string> parent(parts.begin(), parts.end() - 1);
            ModelKey* up = model.find(hive, parent);
            ModelKey* key = up ? up->sub(parts.back()) : nullptr;
            const bool expected = key && key->subKeys.empty();
            FUZZ_CHECK(store->deleteKey(kHives[hive], path) == expected);
            if (expected)
                for (auto it = up->subKeys.begin(); it != up->subKeys.end(); ++it)
                    if (&*it == key) {
                        up->subKeys.erase(it);
                        break;
                    }
            break;
        }
        case 3: {
            const std::string name = kNames[in.next() % 5];
            ModelKey* key = model.find(hive, parts);
            bool expected = false;
            if (key)
                for (auto it = key->values.begin(); it != key->values.end(); ++it)
                    if (fold(it->name) == fold(name)) {
                        key->values.erase(it);
                        expected = true;
                        break;
                    }
            FUZZ_CHECK(store->deleteValue(kHives[hive], path, name) == expected);
            break;
        }
        case 4:
            FUZZ_CHECK(store->keyExists(kHives[hive], path) == (model.find(hive, parts) != nullptr));
            break;
        case 5: {
            ModelKey* key = model.find(hive, parts);
            FUZZ_CHECK(store->values(kHives[hive], path).has_value() == (key != nullptr));
            if (key)
                compareWhole(*store, hive, *key, path);
            break;
        }
        case 6:
            // A second editor opening the same file sees everything written so far.
            store = std::make_unique<FileRegistryStore>(file);
            break;
        }
    }
    for (int hive = 0; hive < 2; ++hive) {
        FileRegistryStore reread(file);
        for (auto& key : model.hives[hive].subKeys)
            compareWhole(reread, hive, key, key.name);
    }
    store.reset();
    std::filesystem::remove(file);
    std::filesystem::remove(file + ".lock");
    return 0;
}
