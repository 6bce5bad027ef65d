#pragma once
// The text the Insert wizard generates: character codes, the colour statement, the INI call and the
// environment-variable reference.

#include <QColor>
#include <QList>
#include <QString>

namespace InsertCode {

// "Chr(72) + Chr(105)" for "Hi": each character's code in the ANSI code page the editor saves
// scripts in (Windows-1252); a character outside it gives 63, as the system's conversion does.
QString BuildChrCodes(const QString& text);

struct ColorChoice {
    QString name; // as listed
    QColor preview;
};
// The eight colours in list order; the statement's letter is the first character of the name.
const QList<ColorChoice>& Colors();
// The preview colour of a name (compared without regard to case); invalid for an unknown name.
QColor PreviewColor(const QString& name);
// "Color w+/b": foreground letter, "+" when intensified, "/", background letter, "+" when blinking.
QString BuildColorCode(const QString& foreground, bool intensify, const QString& background, bool blink);

// ReadProfileString("file","section","key"), or WriteProfileString(...,"value") when a value is given.
QString BuildIniCode(const QString& file, const QString& section, const QString& key, const QString& value);

// "NAME (value)" for an environment entry "NAME=value"; empty for entries that cannot be listed
// (no "=", an empty name, or a name containing "(" that the line could not give back).
QString EnvironmentLine(const QString& entry);
// "%NAME%" for the list line "NAME (value)".
QString EnvironmentReference(const QString& line);

} // namespace InsertCode
