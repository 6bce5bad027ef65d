#include "platform/FileRegistryStore.h"

#include "platform/RegistryFileFormat.h"

#include <cstdlib>
#include <ctime>
#include <iostream>

namespace platform {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string timestampForFileName()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

} // namespace

std::string defaultRegistryFilePath()
{
    std::string explicitFile = environment("TESSARY_REGISTRY_FILE");
    if (!explicitFile.empty())
        return explicitFile;
    std::string base = environment("XDG_CONFIG_HOME");
    // Relative values are to be ignored.
    if (base.empty() || base.front() != '/') {
        std::string home = environment("HOME");
#ifdef _WIN32
        if (home.empty())
            home = environment("USERPROFILE");
#endif
        base = home.empty() ? std::string(".config") : home + "/.config";
    }
    return base + "/tessary-editor/registry.reg";
}

#if !defined(_WIN32) || defined(TESSARY_FILE_REGISTRY)
std::shared_ptr<RegistryStore> defaultRegistryStore()
{
    return std::make_shared<FileRegistryStore>(defaultRegistryFilePath());
}
#endif

FileRegistryStore::FileRegistryStore(std::string filePath)
    : path_(std::move(filePath))
{
}

void FileRegistryStore::refresh(bool locked)
{
    if (cacheValid_ && registryfile::identityOf(path_) == identity_)
        return;
    load(locked);
}

void FileRegistryStore::load(bool locked)
{
    identity_ = registryfile::identityOf(path_);
    std::string text;
    std::string error;
    const auto status = registryfile::readWholeFile(path_, kMaxFileBytes, text, error);
    cacheValid_ = true;
    tree_ = RegistryTree();
    writable_ = true;
    if (status == registryfile::ReadStatus::Missing) {
        identity_ = registryfile::FileIdentity{};
        return;
    }
    if (status == registryfile::ReadStatus::Ok) {
        RegistryParseResult parsed = parseRegistryText(text);
        if (parsed.ok) {
            tree_ = std::move(parsed.tree);
            return;
        }
        error = parsed.error;
    }
    // Set the file aside only under the lock and only if it is still damaged, so that two processes
    // that both find it damaged do not both move it (the second would move a good file).
    if (!locked) {
        std::string lockError;
        if (registryfile::ensureParentFolder(path_, lockError)) {
            registryfile::ExclusiveFileLock lock(path_ + ".lock");
            if (lock.isLocked()) {
                load(true);
                return;
            }
        }
    }
    if (status == registryfile::ReadStatus::Failed && error.rfind("larger than", 0) != 0) {
        // Unreadable (permissions, a folder in its place): leave it alone, never write over it.
        std::cerr << "tessary-editor: cannot read the settings file " << path_ << " (" << error
                  << "); settings are not saved until it is readable" << std::endl;
        writable_ = false;
        return;
    }
    setAsideDamagedFile(error);
}

void FileRegistryStore::setAsideDamagedFile(const std::string& reason)
{
    const std::string target = registryfile::moveAside(path_, path_ + ".corrupt-" + timestampForFileName());
    if (target.empty()) {
        std::cerr << "tessary-editor: the settings file " << path_ << " is damaged (" << reason
                  << ") and could not be moved aside; settings are not saved until it is repaired"
                  << std::endl;
        writable_ = false;
        return;
    }
    std::cerr << "tessary-editor: the settings file " << path_ << " is damaged (" << reason
              << "); moved it to " << target << " and started with empty settings" << std::endl;
    identity_ = registryfile::identityOf(path_);
}

bool FileRegistryStore::modify(const std::function<Outcome(RegistryTree&)>& change)
{
    std::string error;
    if (!registryfile::ensureParentFolder(path_, error))
        return false;
    registryfile::ExclusiveFileLock lock(path_ + ".lock");
    if (!lock.isLocked())
        return false;
    refresh(true);
    if (!writable_)
        return false;
    RegistryTree updated = tree_;
    const Outcome outcome = change(updated);
    if (!outcome.changed)
        return outcome.ok;
    const std::string text = formatRegistryText(updated);
    // A file this store would refuse to read back is never written.
    if (text.size() > kMaxFileBytes)
        return false;
    if (!registryfile::replaceFileAtomically(path_, text, error)) {
        std::cerr << "tessary-editor: settings not saved: " << error << std::endl;
        return false;
    }
    tree_ = std::move(updated);
    identity_ = registryfile::identityOf(path_);
    return outcome.ok;
}

bool FileRegistryStore::validKeyPath(uint32_t hive, const std::string& path)
{
    return !hiveName(hive).empty() && isWritableRegistryName(path) &&
           splitRegistryPath(path).size() <= RegistryTree::kMaxDepth;
}

bool FileRegistryStore::createKey(uint32_t hive, const std::string& path)
{
    if (!validKeyPath(hive, path))
        return false;
    return modify([&](RegistryTree& tree) {
        const bool existed = tree.find(hive, path) != nullptr;
        return Outcome{tree.create(hive, path) != nullptr, !existed};
    });
}

bool FileRegistryStore::keyExists(uint32_t hive, const std::string& path)
{
    refresh(false);
    return tree_.find(hive, path) != nullptr;
}

bool FileRegistryStore::setValue(uint32_t hive, const std::string& path, const RegistryValue& value)
{
    if (!validKeyPath(hive, path) || !isWritableRegistryName(value.name))
        return false;
    return modify([&](RegistryTree& tree) {
        const bool changed = tree.setValue(hive, path, value);
        return Outcome{true, changed};
    });
}

std::optional<std::vector<RegistryValue>> FileRegistryStore::values(uint32_t hive, const std::string& path)
{
    refresh(false);
    const RegistryKeyNode* key = tree_.find(hive, path);
    if (!key)
        return std::nullopt;
    return key->values();
}

std::optional<std::vector<std::string>> FileRegistryStore::subKeys(uint32_t hive, const std::string& path)
{
    refresh(false);
    const RegistryKeyNode* key = tree_.find(hive, path);
    if (!key)
        return std::nullopt;
    std::vector<std::string> names;
    names.reserve(key->subKeys().size());
    for (const auto& sub : key->subKeys())
        names.push_back(sub.name());
    return names;
}

bool FileRegistryStore::deleteKey(uint32_t hive, const std::string& path)
{
    return modify([&](RegistryTree& tree) {
        const bool deleted = tree.deleteLeafKey(hive, path);
        return Outcome{deleted, deleted};
    });
}

bool FileRegistryStore::deleteValue(uint32_t hive, const std::string& path, const std::string& name)
{
    return modify([&](RegistryTree& tree) {
        const bool deleted = tree.deleteValue(hive, path, name);
        return Outcome{deleted, deleted};
    });
}

} // namespace platform
