#pragma once
// The two-line header stamp written at the top of every saved script.

#include <QDateTime>
#include <QString>

namespace HeaderStamp {

// ";**** Created with Tessary Editor | <web site> ****"
QString createdLine();
// ";**** Last Modified on <short date> at <long time> by <user> ****"; user "Anonymous" when empty.
QString modifiedLine(const QDateTime& when, const QString& user);
// The user for the modified line: USERNAME, or "Anonymous" when empty or absent.
QString currentUser();
// True when the first two lines of a script form a stamp (letter case ignored).
bool isStamp(const QString& line0, const QString& line1);

} // namespace HeaderStamp
