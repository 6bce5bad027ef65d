#include "platform/FileRegistryStore.h"

#include "platform/RegistryFileFormat.h"
#include "platform/RegistryNotices.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <set>

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

// Settings files whose lock another process held too long: read-only for the rest of the run, so
// that each later change neither waits again nor repeats the notice.
std::mutex lockedOutMutex;
std::set<std::string> lockedOutFiles;

bool lockedOut(const std::string& path)
{
    const std::lock_guard<std::mutex> guard(lockedOutMutex);
    return lockedOutFiles.count(path) != 0;
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
    RegistryParseResult parsed;
    if (status == registryfile::ReadStatus::Ok) {
        parsed = parseRegistryText(text);
        tree_ = std::move(parsed.tree);
        if (parsed.ok)
            return;
    }
    // Repair only under the lock and only if the file is still damaged, so that two processes that
    // both find it damaged do not both keep a copy (the second would copy a repaired file).
    if (!locked) {
        std::string lockError;
        if (lockedOut(path_)) {
            writable_ = false;
            return;
        }
        if (registryfile::ensureParentFolder(path_, lockError)) {
            registryfile::ExclusiveFileLock lock(path_ + ".lock");
            if (lock.isLocked()) {
                load(true);
                return;
            }
            if (lock.heldElsewhere()) {
                lockOut();
                writable_ = false;
                return;
            }
        }
    }
    if (status == registryfile::ReadStatus::Failed && error.rfind("larger than", 0) != 0) {
        // Unreadable (permissions, a folder in its place): leave it alone, never write over it.
        registrynotices::post("The settings file " + path_ + " cannot be read (" + error +
                              "). Settings are not saved until it can be read.");
        writable_ = false;
        return;
    }
    if (status == registryfile::ReadStatus::Failed) {
        setAsideDamagedFile(error);
        return;
    }
    repairDamagedFile(text, parsed.error);
}

void FileRegistryStore::repairDamagedFile(const std::string& original, const std::string& reason)
{
    const std::string copy = registryfile::keepCopy(path_ + ".corrupt-" + timestampForFileName(), original);
    std::string error;
    if (copy.empty() || !registryfile::replaceFileAtomically(path_, formatRegistryText(tree_), error)) {
        registrynotices::post("The settings file " + path_ + " is damaged (" + reason +
                              ") and could not be repaired. Settings are not saved until it is repaired.");
        writable_ = false;
        return;
    }
    identity_ = registryfile::identityOf(path_);
    registrynotices::post("The settings file " + path_ + " was damaged (" + reason +
                          "). The settings that could be read were kept; the others are back to their "
                          "defaults. The damaged file was kept as " + copy + ".");
}

void FileRegistryStore::setAsideDamagedFile(const std::string& reason)
{
    const std::string target = registryfile::moveAside(path_, path_ + ".corrupt-" + timestampForFileName());
    if (target.empty()) {
        registrynotices::post("The settings file " + path_ + " is damaged (" + reason +
                              ") and could not be moved aside. Settings are not saved until it is repaired.");
        writable_ = false;
        return;
    }
    registrynotices::post("The settings file " + path_ + " was damaged (" + reason +
                          "). Every setting is back to its default. The damaged file was kept as " + target + ".");
    identity_ = registryfile::identityOf(path_);
}

bool FileRegistryStore::modify(const std::function<Outcome(RegistryTree&)>& change)
{
    std::string error;
    if (!registryfile::ensureParentFolder(path_, error))
        return reportWriteFailure(error);
    if (lockedOut(path_))
        return false;
    registryfile::ExclusiveFileLock lock(path_ + ".lock");
    if (lock.heldElsewhere()) {
        lockOut();
        return false;
    }
    if (!lock.isLocked())
        return reportWriteFailure("cannot lock " + path_ + ".lock");
    if (!staleFilesChecked_) {
        // Under the lock no other writer is half-way: what is left belongs to a killed one.
        staleFilesChecked_ = true;
        registryfile::removeStaleTemporaryFiles(path_);
    }
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
        return reportWriteFailure("the settings would exceed " + std::to_string(kMaxFileBytes) + " bytes");
    if (!registryfile::replaceFileAtomically(path_, text, error))
        return reportWriteFailure(error);
    tree_ = std::move(updated);
    identity_ = registryfile::identityOf(path_);
    return outcome.ok;
}

void FileRegistryStore::lockOut()
{
    {
        const std::lock_guard<std::mutex> guard(lockedOutMutex);
        lockedOutFiles.insert(path_);
    }
    registrynotices::post("The settings file " + path_ + " is locked by another program: its lock " + path_ +
                          ".lock has been held for more than " +
                          std::to_string(registryfile::ExclusiveFileLock::DefaultWaitMs / 1000) +
                          " seconds. Settings are read-only for this run: changes made now are not saved.");
}

bool FileRegistryStore::reportWriteFailure(const std::string& reason)
{
    registrynotices::post("Settings could not be saved to " + path_ + ": " + reason + ".");
    return false;
}

bool FileRegistryStore::validKeyPath(uint32_t hive, const std::string& path)
{
    if (hiveName(hive).empty() || !isWritableRegistryName(path))
        return false;
    const auto parts = splitRegistryPath(path);
    if (parts.size() > RegistryTree::kMaxDepth)
        return false;
    for (const auto& part : parts)
        if (registryNameLength(part) > kMaxKeyNameChars)
            return false;
    return true;
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
    return setValues(hive, path, {value});
}

bool FileRegistryStore::setValues(uint32_t hive, const std::string& path, const std::vector<RegistryValue>& values)
{
    if (!validKeyPath(hive, path))
        return false;
    for (const RegistryValue& value : values)
        if (!isWritableRegistryName(value.name) || registryNameLength(value.name) > kMaxValueNameChars)
            return false;
    return modify([&](RegistryTree& tree) {
        bool changed = false;
        for (const RegistryValue& value : values)
            changed = tree.setValue(hive, path, value) || changed;
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
