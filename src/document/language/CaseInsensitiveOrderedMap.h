#pragma once
// An insertion-ordered map whose keys compare without regard to letter case. A key keeps the
// spelling it was first inserted with. A value is either a number or a text; the text "" and the
// number 1 are different values.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

class CaseInsensitiveOrderedMap {
public:
    using Value = std::variant<int, QString>;

    struct Entry {
        QString key;
        Value value;
    };

    CaseInsensitiveOrderedMap() = default;
    CaseInsensitiveOrderedMap(std::initializer_list<Entry> entries)
    {
        for (const Entry& e : entries)
            insert(e.key, e.value);
    }

    // Adds the key at the end. An existing key (any letter case) keeps its place and first spelling;
    // only its value changes. Returns true when the key was new.
    bool insert(const QString& key, const Value& value)
    {
        const QString folded = key.toCaseFolded();
        const auto it = index_.constFind(folded);
        if (it != index_.constEnd()) {
            entries_[*it].value = value;
            return false;
        }
        index_.insert(folded, entries_.size());
        entries_.append(Entry{key, value});
        return true;
    }

    bool contains(const QString& key) const { return index_.contains(key.toCaseFolded()); }

    // The value of the key, or nothing when the key is absent.
    std::optional<Value> value(const QString& key) const
    {
        const auto it = index_.constFind(key.toCaseFolded());
        if (it == index_.constEnd())
            return std::nullopt;
        return entries_[*it].value;
    }

    // The key as first spelled, or an empty text when absent.
    QString storedKey(const QString& key) const
    {
        const auto it = index_.constFind(key.toCaseFolded());
        return it == index_.constEnd() ? QString() : entries_[*it].key;
    }

    QStringList keys() const
    {
        QStringList result;
        result.reserve(entries_.size());
        for (const Entry& e : entries_)
            result.append(e.key);
        return result;
    }

    const QList<Entry>& entries() const { return entries_; }
    qsizetype count() const { return entries_.size(); }
    bool isEmpty() const { return entries_.isEmpty(); }
    void clear()
    {
        entries_.clear();
        index_.clear();
    }

    // Helpers for reading values without spelling out the variant.
    static bool isNumber(const Value& v, int number) { return std::holds_alternative<int>(v) && std::get<int>(v) == number; }
    static bool isText(const Value& v) { return std::holds_alternative<QString>(v); }
    static bool isEmptyText(const Value& v) { return isText(v) && std::get<QString>(v).isEmpty(); }
    // The value as text: a text as it is, a number in decimal.
    static QString toText(const Value& v)
    {
        return isText(v) ? std::get<QString>(v) : QString::number(std::get<int>(v));
    }

private:
    QList<Entry> entries_;
    QHash<QString, qsizetype> index_; // case-folded key → position in entries_
};
