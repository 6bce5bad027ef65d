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

QString modifiedLine(const QDateTime& when, const QString& user)
{
    QLocale locale = QLocale::system();
    QString date = locale.toString(when.date(), QLocale::ShortFormat);
    QString time = locale.toString(when.time(), QLocale::LongFormat);
    return ModifiedPrefix + date + QStringLiteral(" at ") + time + QStringLiteral(" by ") +
           (user.isEmpty() ? QStringLiteral("Anonymous") : user) + QStringLiteral(" ****");
}

QString currentUser()
{
    QString user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("Anonymous") : user;
}

bool isStamp(const QString& line0, const QString& line1)
{
    return line0.compare(createdLine(), Qt::CaseInsensitive) == 0 &&
           line1.left(ModifiedPrefix.size()).compare(ModifiedPrefix, Qt::CaseInsensitive) == 0;
}

} // namespace HeaderStamp
