#include "preferences/RegistryHandler.h"

#include "preferences/AnsiCodec.h"

#include "platform/EventYield.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <optional>

namespace {

std::vector<uint8_t> littleEndian32(qint32 value)
{
    const auto bits = static_cast<quint32>(value);
    return {static_cast<uint8_t>(bits & 0xFF), static_cast<uint8_t>((bits >> 8) & 0xFF),
            static_cast<uint8_t>((bits >> 16) & 0xFF), static_cast<uint8_t>((bits >> 24) & 0xFF)};
}

// Text of REG_SZ data: up to the first NUL (or the end when there is none), at most maxBytes bytes.
QString textOf(const std::vector<uint8_t>& data, size_t maxBytes)
{
    const char* bytes = reinterpret_cast<const char*>(data.data());
    size_t whole = 0;
    while (whole < data.size() && data[whole] != 0)
        ++whole;
    size_t length = std::min(whole, maxBytes);
    // A cut inside a UTF-8 character would make the whole text read as Windows-1252.
    if (length < whole && platform::text::isValidUtf8(std::string_view(bytes, whole)))
        while (length > 0 && (data[length] & 0xC0) == 0x80)
            --length;
    return AnsiCodec::decode(bytes, length);
}

QString hexBytes(const std::vector<uint8_t>& data)
{
    QString out;
    out.reserve(static_cast<qsizetype>(data.size() * 2));
    for (uint8_t byte : data)
        out += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return out;
}

} // namespace

RegistryHandler::RegistryHandler(std::shared_ptr<platform::RegistryStore> store)
    : store_(std::move(store))
{
}

std::string RegistryHandler::keyPath() const
{
    return AnsiCodec::encode(subKey_);
}

std::vector<platform::RegistryValue> RegistryHandler::walkValues()
{
    walkTypes_.clear();
    // A walk that takes long lets pending events run; a short one, the usual case, never runs them
    // in the middle of its caller's work.
    platform::EventYield letEventsRun;
    auto values = store_->values(hive_, keyPath());
    if (!values)
        return {};
    for (const auto& value : *values) {
        letEventsRun();
        walkTypes_.push_back(value.type);
    }
    return std::move(*values);
}

namespace {

// The stored form of a value; nothing for values without a registry type (the stored value stays).
std::optional<platform::RegistryValue> storedForm(const QString& name, const TaggedValue& value)
{
    platform::RegistryValue stored;
    stored.name = AnsiCodec::encode(name);
    switch (value.tag()) {
    case TaggedValue::Tag::Int16:
    case TaggedValue::Tag::Int32:
        stored.type = platform::REG_DWORD_;
        stored.data = littleEndian32(*value.toInt32());
        break;
    case TaggedValue::Tag::String: {
        stored.type = platform::REG_SZ_;
        const std::string text = AnsiCodec::encode(value.toString());
        stored.data.assign(text.begin(), text.end());
        stored.data.push_back(0);
        break;
    }
    case TaggedValue::Tag::Boolean:
        stored.type = platform::REG_BINARY_;
        stored.data = {static_cast<uint8_t>(*value.toBool() ? 0xFF : 0x00)};
        break;
    case TaggedValue::Tag::Empty:
    case TaggedValue::Tag::Other:
        return std::nullopt;
    }
    return stored;
}

} // namespace

void RegistryHandler::WriteRegValue(const QString& name, const TaggedValue& value)
{
    if (auto stored = storedForm(name, value))
        store_->setValue(hive_, keyPath(), *stored);
}

void RegistryHandler::WriteRegValues(const QList<std::pair<QString, TaggedValue>>& values)
{
    std::vector<platform::RegistryValue> stored;
    for (const auto& [name, value] : values)
        if (auto form = storedForm(name, value))
            stored.push_back(std::move(*form));
    store_->setValues(hive_, keyPath(), stored);
}

TaggedValue RegistryHandler::GetRegValue(const QString& name, const TaggedValue& defaultValue)
{
    currentDefault_ = defaultValue;
    const auto values = walkValues();
    for (const auto& value : values) {
        if (AnsiCodec::decode(value.name).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        switch (value.type) {
        case platform::REG_SZ_:
            return TaggedValue::fromString(textOf(value.data, kMaxStringChars));
        case platform::REG_BINARY_:
            return TaggedValue::fromBool(!value.data.empty() && value.data[0] != 0);
        case platform::REG_DWORD_: {
            quint32 bits = 0;
            for (size_t i = 0; i < 4 && i < value.data.size(); ++i)
                bits |= static_cast<quint32>(value.data[i]) << (8 * i);
            return TaggedValue::fromInt32(static_cast<qint32>(bits));
        }
        default:
            return TaggedValue();
        }
    }
    return currentDefault_;
}

QStringList RegistryHandler::EnumKeys()
{
    QStringList names;
    platform::EventYield letEventsRun;
    const auto keys = store_->subKeys(hive_, keyPath());
    if (!keys)
        return names;
    for (const auto& key : *keys) {
        letEventsRun();
        names.append(AnsiCodec::decode(key));
    }
    return names;
}

void RegistryHandler::DeleteKey()
{
    const qsizetype startLength = subKey_.size();
    // The root itself is never deleted.
    if (startLength == 0)
        return;
    QString path = subKey_;
    while (path.size() >= startLength) {
        const auto children = store_->subKeys(hive_, AnsiCodec::encode(path));
        if (children && !children->empty()) {
            path += QLatin1Char('\\') + AnsiCodec::decode(children->front());
            continue;
        }
        const bool deleted = store_->deleteKey(hive_, AnsiCodec::encode(path));
        const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
        path = slash < 0 ? QString() : path.left(slash);
        // A key that will not go away would be found again forever: stop there.
        if (!deleted)
            break;
    }
    if (path.size() >= startLength) {
        const qsizetype slash = subKey_.lastIndexOf(QLatin1Char('\\'));
        path = slash < 0 ? QString() : subKey_.left(slash);
    }
    subKey_ = path;
}

void RegistryHandler::DeleteValue(const QString& name)
{
    store_->deleteValue(hive_, keyPath(), AnsiCodec::encode(name));
}

QList<QStringList> RegistryHandler::EnumValues()
{
    QList<QStringList> rows;
    for (const auto& value : walkValues()) {
        QString data;
        if (value.type == platform::REG_SZ_ || value.type == platform::REG_EXPAND_SZ_)
            data = textOf(value.data, value.data.size());
        else
            data = hexBytes(value.data);
        rows.append(QStringList{AnsiCodec::decode(value.name), data});
    }
    return rows;
}

bool RegistryHandler::ExistKey(const QString& name)
{
    platform::EventYield letEventsRun;
    const auto keys = store_->subKeys(hive_, keyPath());
    if (!keys)
        return false;
    for (const auto& key : *keys) {
        letEventsRun();
        if (AnsiCodec::decode(key).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool RegistryHandler::ExistValue(const QString& name)
{
    platform::EventYield letEventsRun;
    const auto values = store_->values(hive_, keyPath());
    if (!values)
        return false;
    for (const auto& value : *values) {
        letEventsRun();
        if (AnsiCodec::decode(value.name).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
