#include "tools/basWin32Err.h"

#include "platform/ErrorTexts.h"

#include <climits>

namespace basWin32Err {

const QString KixtartErrorText = QStringLiteral(
    "This may be a KiXtart generated error code. Right click on the command generating this error "
    "code to select online documentation, which includes descriptions for returned error codes.  If "
    "shelling out to another application, the application may be returning an applicatIon specific "
    "error code. Check the vendor's web site or documentation for more information.");

const QString NotWin32ErrorText = QStringLiteral(
    "This is not a valid Win32 error code. If shelling out to another application, it may be "
    "returning an application-specific error code. Check the vendor's web site or documentation for "
    "more information.");

namespace {

const QString Separator = QStringLiteral(" :  ");
const QString LineBreak = QStringLiteral("\r\n");
// The lookup buffer holds 256 characters with the terminating NUL.
constexpr size_t MaxMessageLength = 255;

std::optional<qlonglong> wholeNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    int digitsFrom = (trimmed[0] == QLatin1Char('-') || trimmed[0] == QLatin1Char('+')) ? 1 : 0;
    if (digitsFrom == trimmed.size())
        return std::nullopt;
    for (int i = digitsFrom; i < trimmed.size(); ++i)
        if (trimmed[i] < QLatin1Char('0') || trimmed[i] > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    qlonglong value = trimmed.toLongLong(&ok);
    // Too many digits for 64 bits: still a whole number, just far outside any message id.
    return ok ? value : (trimmed[0] == QLatin1Char('-') ? LLONG_MIN : LLONG_MAX);
}

} // namespace

QString GetWin32ErrorText(qint32 number)
{
    const std::string message = platform::errorTexts().message(number);
    if (message.empty() || message.size() > MaxMessageLength)
        return QString();
    return QString::fromLocal8Bit(message.data(), qsizetype(message.size()));
}

NumberCheck CheckErrorNumber(const QString& text)
{
    if (text.isEmpty())
        return NumberCheck::Empty;
    return wholeNumber(text) ? NumberCheck::Valid : NumberCheck::Invalid;
}

QString LookupLine(const QString& typed)
{
    const qlonglong n = wholeNumber(typed).value_or(LLONG_MAX);
    QString message;
    if (n >= -8 && n <= -1)
        message = KixtartErrorText;
    else {
        if (n >= INT32_MIN && n <= INT32_MAX)
            message = GetWin32ErrorText(qint32(n));
        if (message.isEmpty())
            message = NotWin32ErrorText;
    }
    return typed + Separator + message + LineBreak;
}

QString ListLine(qint32 number)
{
    const QString message = GetWin32ErrorText(number);
    return message.isEmpty() ? QString() : QString::number(number) + Separator + message + LineBreak;
}

} // namespace basWin32Err
