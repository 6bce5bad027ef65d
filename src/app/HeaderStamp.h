#pragma once
// The two-line header stamp written at the top of every saved script.

#include <QDateTime>
#include <QString>

namespace HeaderStamp {

// ";**** Created with Tessary Editor | <web site> ****"
QString createdLine();
// ";**** Last Modified on <short date> at <long time> by <user> ****"; user "Anonymous" when empty.
// Date and time follow the locale's formats, the time without its zone.
QString modifiedLine(const QDateTime& when, const QString& user);
// A time format with its time-zone fields taken out.
QString withoutTimeZone(const QString& format);
// The user for the modified line: USERNAME (elsewhere than Windows then USER, then LOGNAME), or
// "Anonymous" when none is set.
QString currentUser();
// True when the first two lines of a script form a stamp (letter case ignored).
bool isStamp(const QString& line0, const QString& line1);

} // namespace HeaderStamp
