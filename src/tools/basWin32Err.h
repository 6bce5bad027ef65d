#pragma once
// Win32 error numbers as text: the system's message for a number, and the lines the error lookup
// window shows.

#include <QString>
#include <optional>

namespace basWin32Err {

// The system's message for the number (its 32-bit pattern is the message id), with the message's
// own line breaks dropped. Empty when the system has none, and when the message is longer than the
// 255 characters a lookup can hold.
QString GetWin32ErrorText(qint32 number);

// The numbers the list covers.
constexpr qint32 ListFirst = -100;
constexpr qint32 ListLast = 7000;

// The fixed texts: for -8 to -1, and for a number without a message.
extern const QString KixtartErrorText;
extern const QString NotWin32ErrorText;

enum class NumberCheck { Empty, Valid, Invalid };
// The number box's text: empty (list mode), a whole number (blanks around it allowed, "005" is 5),
// or anything else.
NumberCheck CheckErrorNumber(const QString& text);

// The single-number mode's line for the box's text (already checked to be a whole number), echoing
// the text as typed. A number outside the 32-bit range has no message.
QString LookupLine(const QString& typed);
// The list mode's line for one number; empty when the number has no message.
QString ListLine(qint32 number);

} // namespace basWin32Err
