#pragma once
// A value that carries its type, as handed to and returned by RegistryHandler. The tag decides the
// registry type a value is written as; Other stands for every type the registry layer does not store
// (floating point, dates, objects...).

#include <QString>
#include <QtGlobal>

#include <optional>

class TaggedValue {
public:
    enum class Tag { Empty, Int16, Int32, String, Boolean, Other };

    TaggedValue() = default;
    static TaggedValue fromInt16(qint16 v);
    static TaggedValue fromInt32(qint32 v);
    static TaggedValue fromString(const QString& s);
    static TaggedValue fromBool(bool b);
    static TaggedValue fromDouble(double d);

    Tag tag() const { return tag_; }
    bool isEmpty() const { return tag_ == Tag::Empty; }

    // Empty gives "", numbers their decimal form, Boolean "True"/"False".
    QString toString() const;
    // Empty gives 0, Boolean -1/0; a string converts when it holds a decimal integer (blanks around it
    // and a sign allowed) that fits in 32 bits. Anything else gives nullopt.
    std::optional<qint32> toInt32() const;
    // "1", "True" (any case) and non-zero numbers are true; "0", "False" and Empty are false.
    std::optional<bool> toBool() const;

    bool operator==(const TaggedValue& other) const;

private:
    Tag tag_ = Tag::Empty;
    qint64 integer_ = 0; // Int16, Int32, Boolean (0/1)
    double real_ = 0.0;  // Other
    QString text_;       // String
};
