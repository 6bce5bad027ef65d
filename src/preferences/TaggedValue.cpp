#include "preferences/TaggedValue.h"

TaggedValue TaggedValue::fromInt16(qint16 v)
{
    TaggedValue t;
    t.tag_ = Tag::Int16;
    t.integer_ = v;
    return t;
}

TaggedValue TaggedValue::fromInt32(qint32 v)
{
    TaggedValue t;
    t.tag_ = Tag::Int32;
    t.integer_ = v;
    return t;
}

TaggedValue TaggedValue::fromString(const QString& s)
{
    TaggedValue t;
    t.tag_ = Tag::String;
    t.text_ = s;
    return t;
}

TaggedValue TaggedValue::fromBool(bool b)
{
    TaggedValue t;
    t.tag_ = Tag::Boolean;
    t.integer_ = b ? 1 : 0;
    return t;
}

TaggedValue TaggedValue::fromDouble(double d)
{
    TaggedValue t;
    t.tag_ = Tag::Other;
    t.real_ = d;
    return t;
}

QString TaggedValue::toString() const
{
    switch (tag_) {
    case Tag::Empty:
        return QString();
    case Tag::Int16:
    case Tag::Int32:
        return QString::number(integer_);
    case Tag::String:
        return text_;
    case Tag::Boolean:
        return integer_ ? QStringLiteral("True") : QStringLiteral("False");
    case Tag::Other:
        return QString::number(real_);
    }
    return QString();
}

std::optional<qint32> TaggedValue::toInt32() const
{
    switch (tag_) {
    case Tag::Empty:
        return 0;
    case Tag::Int16:
    case Tag::Int32:
        return static_cast<qint32>(integer_);
    case Tag::Boolean:
        return integer_ ? -1 : 0;
    case Tag::String: {
        const QString trimmed = text_.trimmed();
        // Decimal digits only: no hexadecimal, no exponent, no group separators.
        qsizetype start = (trimmed.startsWith(u'+') || trimmed.startsWith(u'-')) ? 1 : 0;
        if (trimmed.size() == start)
            return std::nullopt;
        for (qsizetype i = start; i < trimmed.size(); ++i)
            if (trimmed[i] < u'0' || trimmed[i] > u'9')
                return std::nullopt;
        bool ok = false;
        const qint32 value = trimmed.toInt(&ok, 10);
        if (!ok)
            return std::nullopt;
        return value;
    }
    case Tag::Other:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<bool> TaggedValue::toBool() const
{
    switch (tag_) {
    case Tag::Empty:
        return false;
    case Tag::Int16:
    case Tag::Int32:
    case Tag::Boolean:
        return integer_ != 0;
    case Tag::Other:
        return real_ != 0.0;
    case Tag::String: {
        const QString trimmed = text_.trimmed();
        if (trimmed.compare(u"True", Qt::CaseInsensitive) == 0)
            return true;
        if (trimmed.compare(u"False", Qt::CaseInsensitive) == 0)
            return false;
        if (auto number = toInt32())
            return *number != 0;
        return std::nullopt;
    }
    }
    return std::nullopt;
}

bool TaggedValue::operator==(const TaggedValue& other) const
{
    if (tag_ != other.tag_)
        return false;
    switch (tag_) {
    case Tag::Empty:
        return true;
    case Tag::String:
        return text_ == other.text_;
    case Tag::Other:
        return real_ == other.real_;
    default:
        return integer_ == other.integer_;
    }
}
