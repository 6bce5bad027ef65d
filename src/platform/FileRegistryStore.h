#pragma once
// The registry kept in a text file in the registry editor's export syntax (see RegistryFileFormat.h),
// for systems without a Windows registry.
//
// Sharing: several editor processes may use one file. Every change is made under an exclusive lock
// on "<file>.lock", after reading the file again under that lock, and is written atomically
// (temporary file, flush, rename), so concurrent writers never lose each other's values. Reads reuse
// the parsed copy while the file's identity (inode, size, modification time) is unchanged.
//
// Order: sub-keys and values enumerate in the order they were first created; replacing a value keeps
// its place and the letter case of its first name.
//
// Damage: lines that do not parse are skipped and everything else is kept; the original is copied to
// "<file>.corrupt-YYYYMMDD-HHMMSS" (with "-N" added when taken) and the file is rewritten without the
// bad lines. A file too large to be a settings file is renamed to that name and the store starts
// empty. A file that cannot be read at all (permissions, a folder) reads as empty and is never
// written over. Each of these, and every write that fails, is posted to registrynotices for the user.
//
// Temporary files left by writers killed mid-write are removed at the first write.
//
// Never stuck: a pipe or device in the file's place is refused without blocking, and a lock another
// process holds for more than a few seconds makes the settings read-only for the rest of the run.

#include "platform/RegistryFileAccess.h"
#include "platform/RegistryStore.h"
#include "platform/RegistryTree.h"

#include <functional>
#include <string>

namespace platform {

// TESSARY_REGISTRY_FILE when set, else $XDG_CONFIG_HOME/tessary-editor/registry.reg
// (XDG_CONFIG_HOME defaulting to ~/.config). Read anew at each call.
std::string defaultRegistryFilePath();

class FileRegistryStore : public RegistryStore {
public:
    explicit FileRegistryStore(std::string filePath);

    const std::string& filePath() const { return path_; }

    bool createKey(uint32_t hive, const std::string& path) override;
    bool keyExists(uint32_t hive, const std::string& path) override;
    bool setValue(uint32_t hive, const std::string& path, const RegistryValue& value) override;
    // One locked rewrite of the file for all of them; nothing is written when any is refused.
    bool setValues(uint32_t hive, const std::string& path, const std::vector<RegistryValue>& values) override;
    std::optional<std::vector<RegistryValue>> values(uint32_t hive, const std::string& path) override;
    std::optional<std::vector<std::string>> subKeys(uint32_t hive, const std::string& path) override;
    bool deleteKey(uint32_t hive, const std::string& path) override;
    bool deleteValue(uint32_t hive, const std::string& path, const std::string& name) override;

    // Largest file taken as a settings file.
    static constexpr uint64_t kMaxFileBytes = 4u * 1024u * 1024u;

private:
    struct Outcome {
        bool ok = false;
        bool changed = false;
    };

    // Brings the cached tree up to date with the file. `locked`: the caller holds the write lock.
    void refresh(bool locked);
    // Reads and parses the file; a damaged file is moved aside (taking the lock unless held).
    void load(bool locked);
    void setAsideDamagedFile(const std::string& reason);
    void repairDamagedFile(const std::string& original, const std::string& reason);
    bool reportWriteFailure(const std::string& reason);
    // Another process holds the lock too long: settings stay read-only for the rest of the run.
    void lockOut();
    bool modify(const std::function<Outcome(RegistryTree&)>& change);
    static bool validKeyPath(uint32_t hive, const std::string& path);

    std::string path_;
    RegistryTree tree_;
    registryfile::FileIdentity identity_;
    bool cacheValid_ = false;
    bool writable_ = true; // false while the file exists but could not be read
    bool staleFilesChecked_ = false;
};

} // namespace platform
