#include "preferences/Options.h"

#include "preferences/PrefRegistry.h"

#include <algorithm>

namespace Options {

qint32 LineNum = Defaults::LineNum;
qint32 WhiteSpace = Defaults::WhiteSpace;
qint32 TabSize = Defaults::TabSize;
qint32 AutoIndentMode = Defaults::AutoIndentMode;
QString KixPath = QString::fromLatin1(Defaults::KixPath);
QString ScriptPath = QString::fromLatin1(Defaults::ScriptPath);
qint32 MRUSize = Defaults::MRUSize;
QString ExecuteConfirm = QString::fromLatin1(Defaults::ExecuteConfirm);
qint32 ColorComments = Defaults::ColorComments;
qint32 ColorKeywords = Defaults::ColorKeywords;
qint32 ColorNumbers = Defaults::ColorNumbers;
qint32 ColorOperators = Defaults::ColorOperators;
qint32 ColorStrings = Defaults::ColorStrings;
qint32 ColorText = Defaults::ColorText;
qint32 StyleComments = Defaults::StyleComments;
qint32 StyleKeywords = Defaults::StyleKeywords;
qint32 StyleNumbers = Defaults::StyleNumbers;
qint32 StyleOperators = Defaults::StyleOperators;
qint32 StyleStrings = Defaults::StyleStrings;
qint32 StyleText = Defaults::StyleText;
QString StyleFont = QString::fromLatin1(Defaults::StyleFont);
qint32 StyleFontSize = Defaults::StyleFontSize;

namespace {

constexpr qint32 kMaxStyle = static_cast<qint32>(Choices::StyleNames.size()) - 1;

// The stored number when it converts and lies in [low, high]; otherwise the default.
qint32 readNumber(RegistryHandler& registry, const char* name, qint32 fallback, qint32 low, qint32 high)
{
    const auto value = registry.GetRegValue(QString::fromLatin1(name), TaggedValue::fromInt32(fallback)).toInt32();
    if (!value || *value < low || *value > high)
        return fallback;
    return *value;
}

qint32 readColor(RegistryHandler& registry, const char* name, qint32 fallback)
{
    return readNumber(registry, name, fallback, 0, Choices::MaxColor);
}

qint32 readStyle(RegistryHandler& registry, const char* name, qint32 fallback)
{
    return readNumber(registry, name, fallback, 0, kMaxStyle);
}

QString readText(RegistryHandler& registry, const char* name, const char* fallback)
{
    return registry.GetRegValue(QString::fromLatin1(name), TaggedValue::fromString(QString::fromLatin1(fallback)))
        .toString();
}

QString readFontFace(RegistryHandler& registry)
{
    const QString stored = readText(registry, "StyleFont", Defaults::StyleFont).trimmed();
    for (const char* face : Choices::FontFaces)
        if (stored.compare(QLatin1String(face), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(face);
    return QString::fromLatin1(Defaults::StyleFont);
}

qint32 readFontSize(RegistryHandler& registry)
{
    const qint32 size = readNumber(registry, "StyleFontSize", Defaults::StyleFontSize, 1, 1000);
    const auto& sizes = Choices::FontSizes;
    return std::find(sizes.begin(), sizes.end(), size) != sizes.end() ? size : Defaults::StyleFontSize;
}

} // namespace

void LoadPreferences()
{
    RegistryHandler* shared = PrefRegistry();
    RegistryHandler& registry = shared ? *shared : CreatePrefRegistry();

    LineNum = readNumber(registry, "LineNum", Defaults::LineNum, 0, 1);
    WhiteSpace = readNumber(registry, "WhiteSpace", Defaults::WhiteSpace, 0, 1);
    TabSize = readNumber(registry, "TabSize", Defaults::TabSize, Choices::MinTabSize, Choices::MaxTabSize);
    AutoIndentMode = readNumber(registry, "AutoIndentMode", Defaults::AutoIndentMode, 0, Choices::MaxAutoIndentMode);

    KixPath = readText(registry, "KixPath", Defaults::KixPath);
    ScriptPath = readText(registry, "ScriptPath", Defaults::ScriptPath);

    MRUSize = readNumber(registry, "MRUSize", Defaults::MRUSize, Choices::MinMRUSize, Choices::MaxMRUSize);

    ExecuteConfirm = readText(registry, "ExecuteConfirm", Defaults::ExecuteConfirm);

    ColorComments = readColor(registry, "ColorComments", Defaults::ColorComments);
    ColorKeywords = readColor(registry, "ColorKeywords", Defaults::ColorKeywords);
    ColorNumbers = readColor(registry, "ColorNumbers", Defaults::ColorNumbers);
    ColorOperators = readColor(registry, "ColorOperators", Defaults::ColorOperators);
    ColorStrings = readColor(registry, "ColorStrings", Defaults::ColorStrings);
    ColorText = readColor(registry, "ColorText", Defaults::ColorText);

    StyleComments = readStyle(registry, "StyleComments", Defaults::StyleComments);
    StyleKeywords = readStyle(registry, "StyleKeywords", Defaults::StyleKeywords);
    StyleNumbers = readStyle(registry, "StyleNumbers", Defaults::StyleNumbers);
    StyleOperators = readStyle(registry, "StyleOperators", Defaults::StyleOperators);
    StyleStrings = readStyle(registry, "StyleStrings", Defaults::StyleStrings);
    StyleText = readStyle(registry, "StyleText", Defaults::StyleText);

    StyleFont = readFontFace(registry);
    StyleFontSize = readFontSize(registry);
}

void ResetToDefaults()
{
    LineNum = Defaults::LineNum;
    WhiteSpace = Defaults::WhiteSpace;
    TabSize = Defaults::TabSize;
    AutoIndentMode = Defaults::AutoIndentMode;
    KixPath = QString::fromLatin1(Defaults::KixPath);
    ScriptPath = QString::fromLatin1(Defaults::ScriptPath);
    MRUSize = Defaults::MRUSize;
    ExecuteConfirm = QString::fromLatin1(Defaults::ExecuteConfirm);
    ColorComments = Defaults::ColorComments;
    ColorKeywords = Defaults::ColorKeywords;
    ColorNumbers = Defaults::ColorNumbers;
    ColorOperators = Defaults::ColorOperators;
    ColorStrings = Defaults::ColorStrings;
    ColorText = Defaults::ColorText;
    StyleComments = Defaults::StyleComments;
    StyleKeywords = Defaults::StyleKeywords;
    StyleNumbers = Defaults::StyleNumbers;
    StyleOperators = Defaults::StyleOperators;
    StyleStrings = Defaults::StyleStrings;
    StyleText = Defaults::StyleText;
    StyleFont = QString::fromLatin1(Defaults::StyleFont);
    StyleFontSize = Defaults::StyleFontSize;
}

} // namespace Options
