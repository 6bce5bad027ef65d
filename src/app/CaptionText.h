#pragma once
// Menus and tabs take "&" in a caption as the mark of an access key. Text that is not ours, such as
// a file name, goes in with each "&" doubled, so that it shows as it is and adds no access key.

#include <QString>

inline QString literalCaption(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
