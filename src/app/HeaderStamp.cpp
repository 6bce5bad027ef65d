#include "app/HeaderStamp.h"

#include "platform/ProductInfo.h"

#include <QLocale>

namespace HeaderStamp {

static const QString ModifiedPrefix = QStringLiteral(";**** Last Modified on ");

QString createdLine()
{
    return QStringLiteral(";**** Created with Tessary Editor | ") + ProductInfo::WebSite +
           QStringLiteral(" ****");
}

QString withoutTimeZone(const QString& format)
{
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('t')) {
            // The zone and the blank that joins it to the time.
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
            while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t'))
                ++i;
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

QString modifiedLine(const QDateTime& when, const QString& user)
{
    const QLocale locale; // the system's unless a default was set
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QString time = locale.toString(when.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    return ModifiedPrefix + date + QStringLiteral(" at ") + time + QStringLiteral(" by ") +
           (user.isEmpty() ? QStringLiteral("Anonymous") : user) + QStringLiteral(" ****");
}

QString currentUser()
{
    QString user = qEnvironmentVariable("USERNAME");
#ifndef Q_OS_WIN
    // Elsewhere the login name is in USER or LOGNAME.
    if (user.isEmpty())
        user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
#endif
    return user.isEmpty() ? QStringLiteral("Anonymous") : user;
}

bool isStamp(const QString& line0, const QString& line1)
{
    return line0.compare(createdLine(), Qt::CaseInsensitive) == 0 &&
           line1.left(ModifiedPrefix.size()).compare(ModifiedPrefix, Qt::CaseInsensitive) == 0;
}

} // namespace HeaderStamp
