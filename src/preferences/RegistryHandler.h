#pragma once
// The editor's one gateway to the registry: points at one key (root handle and path) and reads,
// writes, lists and deletes its values and sub-keys. Values travel as TaggedValue:
//
//   write: Int16/Int32 -> REG_DWORD (4 bytes, little-endian, Int16 widened with its sign)
//          String      -> REG_SZ (ANSI text, see AnsiCodec, and its terminating NUL)
//          Boolean     -> REG_BINARY, one byte 0xFF (true) or 0x00 (false)
//          anything else is not written; a stored value of that name stays as it is.
//   read:  REG_SZ -> String (text up to the first NUL, at most 2047 bytes, never half a character)
//          REG_BINARY -> Boolean (first byte not zero), REG_DWORD -> Int32,
//          any other registry type -> Empty (not the caller's default).
//
// A key that does not exist reads as empty: GetRegValue returns the default, the lists are empty.
// No operation reports failure. The walks over values and sub-keys let pending events run between
// entries (only when a QCoreApplication exists).

#include "platform/RegistryStore.h"
#include "preferences/TaggedValue.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

#include <memory>
#include <vector>

class RegistryHandler {
public:
    explicit RegistryHandler(std::shared_ptr<platform::RegistryStore> store = platform::defaultRegistryStore());

    quint32 Hive() const { return hive_; }
    void SetHive(quint32 hive) { hive_ = hive; }
    QString SubKey() const { return subKey_; }
    void SetSubKey(const QString& subKey) { subKey_ = subKey; }

    void WriteRegValue(const QString& name, const TaggedValue& value);
    // Several values of the key at once: other editors see all of them or none.
    void WriteRegValues(const QList<std::pair<QString, TaggedValue>>& values);
    TaggedValue GetRegValue(const QString& name, const TaggedValue& defaultValue);
    QStringList EnumKeys();
    // Deletes SubKey and every key below it; SubKey is left at the deleted key's parent.
    void DeleteKey();
    void DeleteValue(const QString& name);
    // One row per value in walk order: {name, data as text}. REG_SZ and REG_EXPAND_SZ give their
    // text; every other type gives each data byte as two upper-case hex digits, in stored order
    // (REG_DWORD 5 is "05000000").
    QList<QStringList> EnumValues();
    bool ExistKey(const QString& name);
    bool ExistValue(const QString& name);

    // The registry types seen by the last walk over the values, in walk order.
    const std::vector<quint32>& lastWalkTypes() const { return walkTypes_; }

    static constexpr int kMaxStringChars = 2047;

private:
    std::string keyPath() const;
    // Lists the key's values, letting events run before each, and records their types.
    std::vector<platform::RegistryValue> walkValues();

    std::shared_ptr<platform::RegistryStore> store_;
    quint32 hive_ = 0;
    QString subKey_;
    TaggedValue currentDefault_;
    std::vector<quint32> walkTypes_;
};
