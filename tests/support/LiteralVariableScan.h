#pragma once
// The variable scan exactly as its definition reads, one delimiter search per delimiter and name:
// the reference the editor's own scan is checked and measured against. A lone CR or LF ends a name
// as CR LF does, so both are delimiters of their own too.

#include <QSet>
#include <QString>
#include <QStringList>

namespace literal {

inline const QStringList& delimiters()
{
    static const QStringList list = {" ", "-", "+", "=", "<", ">", "*", "/", "\r\n",
                                     ",", "\"", ";", "(", ")", "\\", "\r", "\n"};
    return list;
}

// p is 1-based.
inline int NameLength(const QString& text, int p)
{
    int smallest = 0;
    for (const QString& delimiter : delimiters()) {
        const int found = int(text.indexOf(delimiter, p - 1)) + 1; // 0 = not found
        if (found > 0 && (smallest == 0 || found < smallest))
            smallest = found;
    }
    return smallest == 0 ? int(text.size()) : smallest - p;
}

inline QStringList ScanVariables(const QString& text)
{
    QStringList names;
    QSet<QString> keys;
    for (int p = int(text.indexOf(QLatin1Char('$'))) + 1; p > 0; p = int(text.indexOf(QLatin1Char('$'), p)) + 1) {
        const QString name = text.mid(p - 1, NameLength(text, p));
        if (name.size() > 1 && !keys.contains(name)) {
            keys.insert(name);
            names << name;
        }
    }
    return names;
}

} // namespace literal
